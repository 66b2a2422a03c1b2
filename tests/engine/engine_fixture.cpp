#include "engine_fixture.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "fileops/timings.h"

namespace mirrant::testing {

namespace {

void SnapshotInto(const std::wstring& folder, const std::wstring& rel, std::map<std::wstring, EntryImage>& out) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + rel + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        EntryImage image;
        image.attributes = fd.dwFileAttributes;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[rel + name + L"\\"] = image;
            SnapshotInto(folder, rel + name + L"\\", out);
        } else {
            image.content = ReadFile(folder + rel + name);
            image.writeTime = (std::uint64_t(fd.ftLastWriteTime.dwHighDateTime) << 32) | fd.ftLastWriteTime.dwLowDateTime;
            out[rel + name] = image;
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

std::unique_ptr<ScopedFileOpTimings> g_timings;

void WriteAt(const std::wstring& path, std::string_view content, double seconds) {
    size_t p = path.find_last_of(L'\\');
    // Create the folders on the way.
    for (size_t i = path.find(L'\\', 3); i != std::wstring::npos && i <= p; i = path.find(L'\\', i + 1))
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    WriteFile(path, content);
    SetWriteTime(path, kBaseTime + static_cast<std::uint64_t>(seconds * kSecond + 0.5));
}

// No folder-delete confirmation and no question about a newer destination,
// which most tests do not want in their way.
void UseUsualOptions(RunOptions& options) {
    options.confirmFolderDelete = false;
    options.suppressFolderDeleteConfirm = true;
    options.confirmNewerDestination = false;
    options.runSummary = false;  // the summary has tests of its own
}

}  // namespace

std::map<std::wstring, EntryImage> Snapshot(const std::wstring& folder) {
    std::map<std::wstring, EntryImage> out;
    SnapshotInto(folder, L"", out);
    return out;
}

void SetReadOnly(const std::wstring& path, bool readOnly) {
    DWORD a = GetFileAttributesW(path.c_str());
    a = readOnly ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(path.c_str(), a ? a : FILE_ATTRIBUTE_NORMAL);
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
    std::sort(v.begin(), v.end());
    return v;
}

void EngineTest::SetUp() {
    FileOpTimings t;
    t.fileInfoRetryMs = 1;
    t.setTimesRetryMs = 1;
    t.rootRetryMs = 1;
    t.rootSettleMs = 1;
    g_timings = std::make_unique<ScopedFileOpTimings>(t);
    src = temp / L"src\\";
    dst = temp / L"dst\\";
    MakeFolder(src);
    MakeFolder(dst);
    UseUsualOptions(host.options);
    ResetItemChoiceMemory();
}

void EngineTest::EmptyTrees() {
    RemoveTree(src);
    RemoveTree(dst);
    MakeFolder(src);
    MakeFolder(dst);
    ClearRecords();
}

void EngineTest::StartAfresh() {
    EmptyTrees();
    host.options = RunOptions{};
    UseUsualOptions(host.options);
    host.files.beforeCopy = nullptr;
}

void EngineTest::TearDown() { g_timings.reset(); }

void EngineTest::Src(const std::wstring& rel, std::string_view content, double seconds) {
    WriteAt(src + rel, content, seconds);
}

void EngineTest::Dst(const std::wstring& rel, std::string_view content, double seconds) {
    WriteAt(dst + rel, content, seconds);
}

int EngineTest::Run(RunMode mode) { return Run(mode, src, dst); }

int EngineTest::Run(RunMode mode, const std::wstring& source, const std::wstring& destination, int rowsAfter) {
    lastOutcome = host.Run(mode, source, destination, rowsAfter);
    return lastOutcome.completed ? 1 : 0;
}

std::vector<std::wstring> EngineTest::Lines() const {
    std::vector<std::wstring> normal;
    // Error lines are recorded in both lists; keep the normal ones apart.
    std::vector<std::wstring> errors = host.log.errorLines;
    for (const std::wstring& line : host.log.lines) {
        auto it = std::find(errors.begin(), errors.end(), line);
        if (it != errors.end()) {
            errors.erase(it);
            continue;
        }
        normal.push_back(line);
    }
    return Sorted(normal);
}

std::vector<std::wstring> EngineTest::Errors() const { return Sorted(host.log.errorLines); }

size_t EngineTest::CountLines(const std::wstring& text) const {
    return static_cast<size_t>(std::count(host.log.lines.begin(), host.log.lines.end(), text));
}

void EngineTest::ClearRecords() {
    host.log.lines.clear();
    host.log.errorLines.clear();
}

}  // namespace mirrant::testing

namespace mirrant::testing {

namespace {
std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}
}  // namespace

::testing::AssertionResult SameLines(const std::vector<std::wstring>& actual,
                                     const std::vector<std::wstring>& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    auto r = ::testing::AssertionFailure();
    r << "\nactual:\n";
    for (const auto& l : actual) r << "  " << Utf8(l) << "\n";
    r << "expected:\n";
    for (const auto& l : expected) r << "  " << Utf8(l) << "\n";
    return r;
}

}  // namespace mirrant::testing
