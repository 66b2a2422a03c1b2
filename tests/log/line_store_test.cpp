// The line store through its memory bound: the lines read back whole and in
// any range from the temporary file and from memory alike, the file's name
// and folder, its removal, a file that cannot be made, and the leftovers of
// programs that are gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "log/line_store.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::Exists;
using testing::TempDir;

std::vector<std::wstring> Numbered(size_t count) {
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < count; ++i) {
        // Lengths vary, some lines are empty, some long, and one holds a
        // line break of its own: none of it may shift the next line.
        std::wstring line = L"行" + std::to_wstring(i);
        if (i % 7 == 3) line.clear();
        if (i % 50 == 9) line += std::wstring(3000, L'ｱ');
        if (i == 11) line += L"\r\n中";
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::wstring> Range(const LineSource& source, size_t first, size_t count) {
    std::vector<std::wstring> out;
    DWORD error = 0;
    EXPECT_TRUE(source.Read(first, count, [&](const std::wstring& l) { out.push_back(l); return true; }, error));
    return out;
}

// Fills store, whose file goes to folder, with lines beyond bound bytes
// in memory; the lines it was given.
std::vector<std::wstring> Fill(LineStore& store, const std::wstring& folder, size_t bound,
                               const std::vector<std::wstring>& lines) {
    store.SetFolder(folder);
    store.SetMemoryBound(bound);
    for (const auto& line : lines) store.Append(line);
    return lines;
}

int FilesIn(const std::wstring& folder) { return testing::FilesMatching(folder + L"*"); }

TEST(LineStore, LinesComeBackWholeAndByRangeOnEitherSideOfTheBound) {
    struct Case {
        size_t bound;  // bytes in memory
        size_t count;
        bool spills;
    };
    // 1 byte: every line goes to the file at once; 2000 bytes: a few dozen
    // lines at a time, so the last ones are in memory; the default keeps all.
    const Case cases[] = {{1, 1, true},    {1, 256, true},    {1, 257, true},    {2000, 1000, true},
                          {2000, 3, false}, {LineStore::kDefaultMemoryBound, 1000, false}, {1, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bound " << c.bound << ", " << c.count << " lines");
        TempDir dir;
        const auto lines = Numbered(c.count);
        {
            LineStore store;
            Fill(store, dir.path(), c.bound, lines);
            ASSERT_EQ(store.size(), lines.size());
            EXPECT_EQ(store.linesInFile() > 0, c.spills);
            if (c.bound == 1) EXPECT_EQ(store.linesInFile(), lines.size());
            if (c.bound == 2000 && c.spills) EXPECT_LT(store.linesInFile(), lines.size()) << "the newest in memory";
            EXPECT_FALSE(store.fileFailed());
            EXPECT_EQ(store.ToVector(), lines);

            // Pages from the start, across the index steps and the end of the
            // file, and past the end.
            for (size_t first : {size_t{0}, size_t{1}, size_t{255}, size_t{256}, store.linesInFile() - 1,
                                 store.linesInFile(), c.count - 1, c.count, c.count + 5}) {
                if (first > c.count + 5) continue;
                const size_t end = std::min(c.count, first + 100);
                const std::vector<std::wstring> expected(lines.begin() + std::min(first, end), lines.begin() + end);
                EXPECT_EQ(Range(store, first, 100), expected) << "from " << first;
            }

            const std::wstring file = store.filePath();
            EXPECT_EQ(!file.empty(), c.spills);
            EXPECT_EQ(FilesIn(dir.path()), c.spills ? 1 : 0);
            if (c.spills) {
                const std::wstring expectedStart = dir / (L"Mirrant-" + std::to_wstring(GetCurrentProcessId()) + L"-");
                EXPECT_EQ(file.rfind(expectedStart, 0), 0u) << file;
                EXPECT_EQ(file.substr(file.size() - 8), L".log.tmp");
            }
        }
        EXPECT_EQ(FilesIn(dir.path()), 0) << "the file goes with the store";
    }
}

TEST(LineStore, ClearRemovesTheFileAndTheNextLinesStartAnew) {
    TempDir dir;
    LineStore store;
    store.SetFolder(dir.path());
    store.SetMemoryBound(1);
    for (const auto& line : Numbered(300)) store.Append(line);
    const std::wstring first = store.filePath();
    ASSERT_TRUE(Exists(first));
    store.Clear();
    EXPECT_EQ(store.size(), 0u);
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(FilesIn(dir.path()), 0);
    store.Append(L"新しい行");
    store.Append(L"もう一行");
    EXPECT_EQ(store.ToVector(), (std::vector<std::wstring>{L"新しい行", L"もう一行"}));
    EXPECT_NE(store.filePath(), first) << "a new file of its own";
}

TEST(LineStore, AVisitThatStopsStopsInTheFileAndInMemory) {
    TempDir dir;
    LineStore store;
    const auto lines = Fill(store, dir.path(), 2000, Numbered(400));
    for (size_t stopAt : {size_t{5}, store.linesInFile() + 2}) {
        std::vector<std::wstring> seen;
        DWORD error = 0;
        EXPECT_TRUE(store.ReadAll(
            [&](const std::wstring& l) {
                seen.push_back(l);
                return seen.size() < stopAt;
            },
            error));
        EXPECT_EQ(seen, std::vector<std::wstring>(lines.begin(), lines.begin() + stopAt));
    }
}

TEST(LineStore, AFolderWithoutRoomForTheFileKeepsEveryLineInMemory) {
    TempDir dir;
    for (const std::wstring& folder : {dir / L"no such folder", dir / L"a file"}) {
        testing::WriteFile(dir / L"a file", "not a folder");
        LineStore store;
        const auto lines = Fill(store, folder, 1, Numbered(600));
        EXPECT_TRUE(store.fileFailed());
        EXPECT_EQ(store.linesInFile(), 0u);
        EXPECT_EQ(store.filePath(), L"");
        EXPECT_EQ(store.ToVector(), lines);
        EXPECT_EQ(Range(store, 550, 100), std::vector<std::wstring>(lines.begin() + 550, lines.end()));
    }
}

// A save reads every line while the result window pages and, in a batch's
// log, lines may still come: neither waits for the save.
TEST(LineStore, AReaderInTheFileKeepsNeitherOtherReadersNorNewLinesWaiting) {
    TempDir dir;
    LineStore store;
    const auto lines = Fill(store, dir.path(), 1, Numbered(600));
    HANDLE inside = CreateEventW(nullptr, TRUE, FALSE, nullptr), go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> keptWaiting{false};
    std::vector<std::wstring> saved;
    std::thread saver([&] {
        DWORD error = 0;
        store.ReadAll(
            [&](const std::wstring& line) {
                if (saved.empty()) {
                    SetEvent(inside);
                    keptWaiting = WaitForSingleObject(go, 5000) == WAIT_TIMEOUT;
                }
                saved.push_back(line);
                return true;
            },
            error);
    });
    ASSERT_EQ(WaitForSingleObject(inside, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(Range(store, 300, 3), std::vector<std::wstring>(lines.begin() + 300, lines.begin() + 303));
    store.Append(L"新しい行");
    SetEvent(go);
    saver.join();
    CloseHandle(inside);
    CloseHandle(go);
    EXPECT_FALSE(keptWaiting) << "the page or the new line waited for the reader";
    EXPECT_EQ(saved, lines);
    EXPECT_EQ(store.size(), 601u);
    EXPECT_EQ(Range(store, 599, 5), (std::vector<std::wstring>{lines.back(), L"新しい行"}));
}

TEST(LineStore, AFileThatBreaksFailsTheReadsOfItsLinesAndLosesNoNewOnes) {
    TempDir dir;
    LineStore store;
    const auto lines = Fill(store, dir.path(), 1, Numbered(300));
    store.BreakFileForTest();
    store.Append(L"後の行");
    EXPECT_TRUE(store.fileFailed());
    EXPECT_EQ(store.size(), 301u);
    DWORD error = 0;
    int seen = 0;
    EXPECT_FALSE(store.Read(0, 10, [&](const std::wstring&) { return ++seen, true; }, error));
    EXPECT_NE(error, 0u);
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(Range(store, 300, 5), std::vector<std::wstring>{L"後の行"}) << "the lines in memory still read";
}

TEST(LineStore, TheUsersTemporaryFolderByDefault) {
    LineStore store;
    store.SetMemoryBound(1);
    store.Append(L"一行");
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring path = store.filePath();
    EXPECT_EQ(path.rfind(std::wstring(temp, n), 0), 0u) << path;
    EXPECT_TRUE(Exists(path));
    store.Clear();
    EXPECT_FALSE(Exists(path));
}

// A process that runs until the test ends it.
struct Child {
    PROCESS_INFORMATION pi{};
    Child() {
        wchar_t cmd[] = L"cmd.exe /c exit";
        STARTUPINFOW si{sizeof si};
        EXPECT_TRUE(CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                                   nullptr, nullptr, &si, &pi));
    }
    void End() {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
    }
    ~Child() {
        End();
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
};

TEST(LeftoverLineFiles, OnlyTheFilesOfProgramsThatAreGoneAreRemoved) {
    TempDir dir;
    Child child;
    const DWORD childId = child.pi.dwProcessId;
    // This process's own live store.
    LineStore own;
    own.SetFolder(dir.path());
    own.SetMemoryBound(1);
    own.Append(L"まだ使っている行");
    ASSERT_FALSE(own.filePath().empty());

    const std::wstring ofChild = dir / LineFileName(childId, 7);
    const std::wstring ofThis = dir / LineFileName(GetCurrentProcessId(), 99);
    const std::vector<std::wstring> notOurs = {dir / L"Mirrant-abc-1.log.tmp", dir / L"Mirrant-12.log.tmp",
                                               dir / L"Other-1-1.log.tmp", dir / L"Mirrant-1-1.log.txt",
                                               dir / L"Mirrant--1.log.tmp"};
    for (const auto& path : notOurs) testing::WriteFile(path, "x");
    testing::WriteFile(ofChild, "leftover");
    testing::WriteFile(ofThis, "leftover");
    testing::MakeFolder(dir / LineFileName(childId, 8));

    // While the child runs, nothing goes.
    EXPECT_EQ(RemoveLeftoverLineFiles(dir.path()), 0);
    EXPECT_TRUE(Exists(ofChild));

    child.End();
    EXPECT_EQ(RemoveLeftoverLineFiles(dir.path()), 1);
    EXPECT_FALSE(Exists(ofChild));
    EXPECT_TRUE(Exists(ofThis));
    EXPECT_TRUE(Exists(own.filePath()));
    EXPECT_EQ(own.ToVector(), std::vector<std::wstring>{L"まだ使っている行"});
    EXPECT_TRUE(Exists(dir / LineFileName(childId, 8))) << "a folder of that name is not a leftover";
    for (const auto& path : notOurs) EXPECT_TRUE(Exists(path)) << path;
}

}  // namespace
}  // namespace mirrant
