// What a user sees of a run, pinned down: both programs run every mode and
// the missing-item policies on one fixed pair of trees that holds every kind
// of entry, and the run's log, its exit code and both resulting trees are
// compared line by line with the files under tests/e2e/golden/.
//
// The runs without test mode are scheduled runs ("/s" with a text batch), so
// every question gets its unattended answer and says so in the log. Test
// mode is the main window's check box and is not stored, so those runs start
// from the main window with the box ticked and the log settings that save
// the log in test mode and end the program when the run is done.
//
// MIRRANT_GOLDEN_WRITE=1 in the environment writes the expected files from
// what the programs do instead of comparing (look at the diff before
// committing it).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "e2e/program.h"
#include "framework/encoding.h"
#include "framework/profile.h"
#include "log/log_settings.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace mirrant::testing {
// The program a case runs, as a failure names it.
static void PrintTo(const Edition& edition, std::ostream* os) { *os << ToUtf8(edition.exe); }
}  // namespace mirrant::testing

namespace mirrant {
namespace {

using testing::Edition;
using testing::RunningProgram;

// ---------------------------------------------------------------------------
// The fixed pair of trees.

enum class Side { Source, Destination };
constexpr DWORD kRO = FILE_ATTRIBUTE_READONLY;
constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;

struct Entry {
    Side side;
    const wchar_t* path;  // below the root; a folder ends in a backslash
    const char* content;  // null for a folder
    int seconds = 0;      // last-write time after testing::kBaseTime
    DWORD attributes = 0;
};

constexpr Side S = Side::Source;
constexpr Side D = Side::Destination;

// The filter stored for every run: files "*.bak" and folders "cache" are
// excluded.
const Entry kTree[] = {
    // Files on both sides, each comparison once.
    {S, L"newer.txt", "source, newer", 200},
    {D, L"newer.txt", "destination, older", 100},
    {S, L"dst_newer_same.txt", "same words", 100},
    {D, L"dst_newer_same.txt", "same words", 200},
    {S, L"dst_newer_other.txt", "source, older", 100},
    {D, L"dst_newer_other.txt", "destination, newer and other", 200},
    {S, L"same_time_other_size.txt", "short", 100},
    {D, L"same_time_other_size.txt", "a longer text", 100},
    {S, L"same_time_same_size.txt", "AAAA", 100},
    {D, L"same_time_same_size.txt", "BBBB", 100},
    {S, L"identical.txt", "identical", 100},
    {D, L"identical.txt", "identical", 100},
    {S, L"readonly_older_dst.txt", "source, newer", 200},
    {D, L"readonly_older_dst.txt", "read-only destination, older", 100, kRO},
    {S, L"ﾃﾞｰﾀ.txt", "katakana, newer", 200},
    {D, L"ﾃﾞｰﾀ.txt", "katakana, older", 100},
    // Files on one side.
    {S, L"new.txt", "new in source", 100},
    {S, L"readonly_new.txt", "read-only, new", 100, kRO},
    {S, L"hidden_new.txt", "hidden, new", 100, kHidden},
    {S, L"日本語.txt", "japanese, new", 100},
    {D, L"dst_only.txt", "destination only", 100},
    {D, L"hidden_dst_only.txt", "hidden, destination only", 100, kHidden},
    {D, L"readonly_dst_only.txt", "read-only, destination only", 100, kRO},
    {D, L"一覧.txt", "japanese, destination only", 100},
    // Filtered out.
    {S, L"skip.bak", "filtered, source only", 100},
    {D, L"dst_skip.bak", "filtered, destination only", 100},
    {S, L"both.bak", "filtered, source newer", 200},
    {D, L"both.bak", "filtered, destination older", 100},
    {S, L"cache\\", nullptr},
    {S, L"cache\\c.txt", "in a filtered folder", 100},
    // Folders on one side, nested, and empty ones.
    {S, L"src_only_dir\\", nullptr},
    {S, L"src_only_dir\\a.txt", "source-only folder", 100},
    {S, L"src_only_dir\\deeper\\", nullptr},
    {S, L"src_only_dir\\deeper\\b.txt", "source-only folder, deeper", 100},
    {D, L"dst_only_dir\\", nullptr},
    {D, L"dst_only_dir\\c.txt", "destination-only folder", 100},
    {D, L"dst_only_dir\\deeper\\", nullptr},
    {D, L"dst_only_dir\\deeper\\d.txt", "destination-only folder, deeper", 100},
    {S, L"資料\\", nullptr},
    {S, L"資料\\表.txt", "japanese folder, source only", 100},
    {S, L"src_only_empty\\", nullptr},
    {D, L"dst_only_empty\\", nullptr},
    {S, L"empty_both\\", nullptr},
    {D, L"empty_both\\", nullptr},
    // A folder on both sides with every kind of entry below it.
    {S, L"both\\", nullptr},
    {D, L"both\\", nullptr},
    {S, L"both\\inner\\", nullptr},
    {D, L"both\\inner\\", nullptr},
    {S, L"both\\inner\\new_nested.txt", "nested, source only", 100},
    {D, L"both\\inner\\dst_nested.txt", "nested, destination only", 100},
    {S, L"both\\inner\\changed.txt", "nested, source newer", 200},
    {D, L"both\\inner\\changed.txt", "nested, destination older", 100},
    {S, L"both\\sub_src_only\\", nullptr},
    {S, L"both\\sub_src_only\\x.txt", "nested source-only folder", 100},
    {D, L"both\\sub_dst_only\\", nullptr},
    {D, L"both\\sub_dst_only\\y.txt", "nested destination-only folder", 100},
    {D, L"both\\cache\\", nullptr},
    {D, L"both\\cache\\k.txt", "in a filtered destination folder", 100},
    // Leftovers of an interrupted copy.
    {D, L"~mrt12345678.tmp", "partial copy", 100},
    {S, L"both\\~mrt87654321.tmp", "partial copy", 100},
};

// ---------------------------------------------------------------------------
// The runs.

struct Value {
    const wchar_t* name;
    int value;
};

struct GoldenCase {
    const char* name;  // the expected file's name and the test's
    bool sync;         // "同期" rather than "上書き"
    bool testMode;     // "ﾃｽﾄﾓｰﾄﾞ" ticked (a run from the main window)
    std::vector<Value> values;  // stored settings beside the defaults
};

const GoldenCase kCases[] = {
    {"overwrite", false, false, {}},
    {"overwrite_missing_delete", false, false, {{optname::MissingInDestination, 1}}},
    {"overwrite_missing_ignore", false, false, {{optname::MissingInDestination, 2}}},
    {"overwrite_missing_ask", false, false, {{optname::MissingInDestination, 3}}},
    {"overwrite_newer_destination_unconfirmed", false, false, {{optname::ConfirmNewerDestination, 0}}},
    {"sync", true, false, {{optname::DeletePriority, 0}}},
    {"sync_delete_priority", true, false, {}},
    {"sync_delete_priority_folders_unconfirmed", true, false, {{optname::ConfirmFolderDelete, 0}}},
    {"sync_missing_copy_back", true, false, {{optname::MissingInSource, 0}}},
    {"sync_missing_ignore", true, false, {{optname::MissingInDestination, 2}, {optname::MissingInSource, 2}}},
    {"sync_missing_ask", true, false, {{optname::MissingInDestination, 3}, {optname::MissingInSource, 3}}},
    {"sync_newer_destination_copied_back",
     true,
     false,
     {{optname::DeletePriority, 0}, {optname::ConfirmNewerDestination, 0}, {optname::ReverseOverwriteNewer, 1}}},
    {"overwrite_test", false, true, {}},
    {"sync_test", true, true, {}},
    {"sync_test_missing_delete_and_copy",
     true,
     true,
     {{optname::MissingInDestination, 1}, {optname::MissingInSource, 0}}},
    {"sync_test_missing_ignore", true, true, {{optname::MissingInDestination, 2}, {optname::MissingInSource, 2}}},
    {"sync_test_missing_ask", true, true, {{optname::MissingInDestination, 3}, {optname::MissingInSource, 3}}},
    {"sync_test_newer_destination_copied_back",
     true,
     true,
     {{optname::ConfirmNewerDestination, 0}, {optname::ReverseOverwriteNewer, 1}}},
};

// ---------------------------------------------------------------------------
// Writing down what a run left: text a diff shows well.

std::string Utf8(const std::wstring& text) { return ToUtf8(text); }

std::string TimeText(std::uint64_t fileTime) {
    FILETIME ft{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond);
    std::string text = buf;
    if (const unsigned rest = static_cast<unsigned>(fileTime % testing::kSecond)) {
        std::snprintf(buf, sizeof buf, ".%07u", rest);
        text += buf;
    }
    return text;
}

std::string Fnv1a(const std::string& bytes) {
    std::uint64_t h = 14695981039346656037ULL;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ULL;
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

std::string Quoted(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') out += '\\';
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out + "\"";
}

// One line per entry below root, sorted by path: folder or file, read-only
// and hidden, and for a file its size, last-write time, content hash and
// content. Folder times are left out: the system sets them whenever an entry
// inside comes or goes.
void ListTree(const std::wstring& root, const std::wstring& below, std::vector<std::string>& lines) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((root + below + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool folder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        const std::wstring path = below + name + (folder ? L"\\" : L"");
        std::string line = folder ? "D " : "F ";
        line += (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 'R' : '-';
        line += (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) ? 'H' : '-';
        line += ' ';
        line += Utf8(path);
        if (!folder) {
            const std::string content = testing::ReadFile(root + path);
            const std::uint64_t time =
                (static_cast<std::uint64_t>(fd.ftLastWriteTime.dwHighDateTime) << 32) | fd.ftLastWriteTime.dwLowDateTime;
            line += "  " + std::to_string(content.size()) + " B  " + TimeText(time) + "  " + Fnv1a(content) + "  " +
                    Quoted(content);
        }
        lines.push_back(line);
        if (folder) ListTree(root, path, lines);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

std::string TreeText(const std::wstring& root) {
    std::vector<std::string> lines;
    ListTree(root, L"", lines);
    std::sort(lines.begin(), lines.end(),
              [](const std::string& a, const std::string& b) { return a.substr(5) < b.substr(5); });
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Masks the date and time a line starts with ("2026年12月 9日(水)  9時 5分59秒
// >> "), the only text of a log that changes from one run to the next
// besides the temporary folder.
std::wstring MaskStamp(const std::wstring& line) {
    const size_t end = line.find(L" >> ");
    if (end == std::wstring::npos || end < 5) return line;
    const std::wstring stamp = line.substr(0, end);
    const bool looksLikeStamp = IsDigit(stamp[0]) && IsDigit(stamp[3]) && stamp[4] == L'年' && stamp.back() == L'秒';
    return looksLikeStamp ? L"<time stamp>" + line.substr(end) : line;
}

// The log's lines as they are, each ending in CR LF in the file; the
// temporary folder is written <tmp>\ and the time stamps are masked.
std::string LogText(std::wstring log, const std::wstring& tmp) {
    log = ReplaceAll(log, tmp, L"<tmp>\\");
    std::string text;
    size_t from = 0;
    for (size_t at; (at = log.find(L"\r\n", from)) != std::wstring::npos; from = at + 2)
        text += Utf8(MaskStamp(log.substr(from, at - from))) + "\n";
    if (from < log.size()) text += Utf8(MaskStamp(log.substr(from))) + " <no line end>\n";
    return text;
}

// ---------------------------------------------------------------------------
// Comparing with the expected file.

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
        out.push_back(text.substr(from, at - from));
    if (from < text.size()) out.push_back(text.substr(from));
    return out;
}

// A line diff of expected against actual, "-" for an expected line that is
// missing, "+" for a line that came instead, two lines of context, each part
// headed by its line number in the expected file and the section it is in.
std::string Diff(const std::string& expectedText, const std::string& actualText) {
    const std::vector<std::string> a = Lines(expectedText), b = Lines(actualText);
    const size_t n = a.size(), m = b.size();
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    struct Step {
        char mark;
        std::string line;
        size_t expectedLine;  // 1-based, of this line or the next expected one
        std::string section;
    };
    std::vector<Step> steps;
    std::string section = "header";
    size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && a[i].size() > 2 && a[i].front() == '[' && a[i].back() == ']') section = a[i];
        if (i < n && j < m && a[i] == b[j]) {
            steps.push_back({' ', a[i], i + 1, section});
            ++i;
            ++j;
        } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
            steps.push_back({'-', a[i], i + 1, section});
            ++i;
        } else {
            steps.push_back({'+', b[j++], i + 1, section});
        }
    }
    std::string out;
    size_t lastShown = 0;
    bool any = false;
    for (size_t k = 0; k < steps.size(); ++k) {
        bool changeClose = false;
        for (size_t d = (k >= 2 ? k - 2 : 0); d <= std::min(k + 2, steps.size() - 1); ++d)
            changeClose = changeClose || steps[d].mark != ' ';
        if (!changeClose) continue;
        if (!any || k > lastShown + 1)
            out += "@@ expected line " + std::to_string(steps[k].expectedLine) + ", " + steps[k].section + " @@\n";
        out += std::string(1, steps[k].mark) + " " + steps[k].line + "\n";
        lastShown = k;
        any = true;
    }
    return out;
}

bool WriteMode() {
    const char* value = std::getenv("MIRRANT_GOLDEN_WRITE");
    return value && std::string(value) == "1";
}

bool SaveBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    const bool ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                    done == bytes.size();
    CloseHandle(h);
    return ok;
}

// ---------------------------------------------------------------------------
// The test.

using GoldenParam = std::tuple<Edition, GoldenCase>;

class GoldenRunsE2E : public ::testing::TestWithParam<GoldenParam> {
protected:
    void SetUp() override { store.DeleteRoot(); }
    void TearDown() override { store.DeleteRoot(); }

    const Edition& program() const { return std::get<0>(GetParam()); }
    const GoldenCase& run() const { return std::get<1>(GetParam()); }

    void PlantTrees() {
        testing::MakeFolder(source);
        testing::MakeFolder(destination);
        // Each file gets its attributes after its time, which a read-only
        // file would refuse.
        for (const Entry& e : kTree) {
            const std::wstring path = (e.side == S ? source : destination) + e.path;
            if (!e.content) {
                testing::MakeFolder(path);
                continue;
            }
            testing::WriteFile(path, e.content);
            testing::SetWriteTime(path, testing::kBaseTime + e.seconds * testing::kSecond);
            if (e.attributes) {
                ASSERT_TRUE(SetFileAttributesW(path.c_str(), e.attributes));
            }
        }
    }

    void PlantSettings() {
        store.SetInt(kSettingsSection, optname::FilterFlags, 1);
        store.SetString(kSettingsSection, optname::FileExcludes, L"*.bak");
        store.SetString(kSettingsSection, optname::FolderExcludes, L"cache");
        // The logs pinned here are the run's own lines; the summary after
        // them has its own tests.
        store.SetInt(kSettingsSection, L"RunSummary", 0);
        for (const Value& v : run().values) store.SetInt(kSettingsSection, v.name, v.value);
    }

    // A scheduled run of a text batch with the one row; the schedule log.
    std::wstring RunScheduled(DWORD& exitCode) {
        const std::wstring logPath = dir / L"schedule.txt";
        store.SetString(kSettingsSection, optname::ScheduleLog, logPath);
        const std::wstring batch = dir / L"golden.mrt";
        const std::wstring row = std::wstring(run().sync ? L"sync" : L"copy") + L"\t" + source + L"\t" + destination;
        testing::WriteFile(batch, ToCodePage(row + L"\r\n", kCodePage932));
        RunningProgram running(program().exe, L"/s \"" + batch + L"\"", dir.path());
        EXPECT_TRUE(running.started());
        EXPECT_TRUE(running.WaitForExit(60000, &exitCode)) << "the scheduled run did not end by itself";
        return testing::ReadLogText(logPath, program().narrow);
    }

    // A run from the main window with "ﾃｽﾄﾓｰﾄﾞ" ticked, its log saved in test
    // mode, no result window, the program ending when the run is done.
    std::wstring RunTestMode(DWORD& exitCode) {
        const std::wstring logPath = dir / L"run.txt";
        std::uint32_t word = kDefaultLogSettingsWord;
        for (int bit : {logbit::SaveToFile, logbit::HideResultDialog, logbit::HideNothingToUpdate, logbit::ExitWhenDone,
                        logbit::SaveInTestMode})
            word = WithLogBit(word, bit, true);
        word = WithLogBit(word, logbit::Append, false);
        store.SetInt(kSettingsSection, optname::LogSettings, static_cast<int>(word));
        store.SetString(kSettingsSection, optname::UserLog, logPath);
        RunningProgram running(program().exe, L"\"" + source + L"\" \"" + destination + L"\"", dir.path());
        EXPECT_TRUE(running.started());
        HWND main = running.WaitForWindowTitled(program().title);
        EXPECT_NE(main, nullptr) << "the main window did not appear";
        if (!main) return {};
        for (int i = 0; i < 50 && testing::WindowText(GetDlgItem(main, IDC_DEST_EDIT)).empty(); ++i) Sleep(100);
        SendMessageW(GetDlgItem(main, IDC_TEST_MODE), BM_SETCHECK, BST_CHECKED, 0);
        testing::PressButton(main, run().sync ? IDC_RUN_SYNC : IDC_RUN_OVERWRITE);
        EXPECT_TRUE(running.WaitForExit(60000, &exitCode)) << "the test-mode run did not end the program";
        return testing::ReadLogText(logPath, program().narrow);
    }

    std::string Describe() const {
        std::string text = "# " + Utf8(program().exe) + ": " + (run().sync ? "同期" : "上書き") +
                           (run().testMode ? ", ﾃｽﾄﾓｰﾄﾞ from the main window" : ", scheduled (/s)") + "\n";
        text += "# stored: op8=1 MFilesExc=*.bak MFoldersExc=cache";
        for (const Value& v : run().values) {
            text += ' ';
            text += Utf8(v.name);
            text += '=';
            text += std::to_string(v.value);
        }
        return text + "\n";
    }

    ProfileStore store{std::get<0>(GetParam()).registryRoot};
    testing::TempDir dir;
    const std::wstring source = dir / L"src\\", destination = dir / L"dst\\";
};

TEST_P(GoldenRunsE2E, LogAndTreesAsExpected) {
    ASSERT_NO_FATAL_FAILURE(PlantTrees());
    PlantSettings();
    DWORD exitCode = 0xFFFFFFFF;
    const std::wstring log = run().testMode ? RunTestMode(exitCode) : RunScheduled(exitCode);
    EXPECT_FALSE(log.empty()) << "the run wrote no log (without a display the programs start no run at all)";

    const std::string actual = Describe() + "exit code " + std::to_string(exitCode) + "\n\n[log]\n" +
                               LogText(log, dir.path()) + "\n[source]\n" + TreeText(source) + "\n[destination]\n" +
                               TreeText(destination);

    const std::wstring expectedPath = std::wstring(MIRRANT_GOLDEN_DIR) + L"\\" + program().exe +
                                      L"\\" + FromUtf8(run().name) + L".txt";
    if (WriteMode()) {
        CreateDirectoryW((std::wstring(MIRRANT_GOLDEN_DIR) + L"\\" + program().exe).c_str(), nullptr);
        ASSERT_TRUE(SaveBytes(expectedPath, actual)) << "cannot write " << Utf8(expectedPath);
        std::printf("wrote %s\n", Utf8(expectedPath).c_str());
        return;
    }
    ASSERT_TRUE(testing::Exists(expectedPath))
        << "no expected file " << Utf8(expectedPath) << " (MIRRANT_GOLDEN_WRITE=1 writes it)";
    const std::string expected = testing::ReadFile(expectedPath);
    EXPECT_TRUE(expected == actual) << "the run differs from " << Utf8(expectedPath)
                                    << " (- expected, + actual):\n"
                                    << Diff(expected, actual);
}

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

std::string CaseName(const ::testing::TestParamInfo<GoldenParam>& info) {
    return std::string(std::get<0>(info.param).narrow ? "Narrow_" : "Wide_") + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, GoldenRunsE2E,
                         ::testing::Combine(::testing::Values(testing::kWideProgram, testing::kNarrowProgram),
                                            ::testing::ValuesIn(kCases)),
                         CaseName);

}  // namespace
}  // namespace mirrant
