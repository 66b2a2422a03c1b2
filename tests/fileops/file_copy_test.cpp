#include "fileops/file_copy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "fileops/error_text.h"
#include "fileops/path_rules.h"
#include "fileops_test_support.h"
#include "framework/encoding.h"
#include "framework/text.h"
#include "support/recording_log.h"
#include "support/recording_progress.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

class FileOpsTest : public ::testing::Test {
protected:
    FileOpsTest() : timings_(ShortTimings()) {}
    FileInfo Info(const std::wstring& path) {
        FileInfo info;
        EXPECT_TRUE(GetFileInfo(path, info, progress, log));
        return info;
    }
    bool Copy(const std::wstring& from, const std::wstring& to) {
        return CopyFileContents(from, Info(from), to, progress, log, options, cause);
    }

    ScopedFileOpTimings timings_;
    TempDir dir;
    CopySettings options;
    RecordingProgress progress;
    RecordingLog log;
    std::wstring cause;
};

using GetFileInfoTest = FileOpsTest;

TEST_F(GetFileInfoTest, ReadsTimesAndSize) {
    WriteFile(dir / L"a.txt", Pattern(300000));
    SetTimes(dir / L"a.txt", kBaseTime, kBaseTime + 5 * kSecond, kBaseTime + 9 * kSecond);
    FileInfo info;
    ASSERT_TRUE(GetFileInfo(dir / L"a.txt", info, progress, log));
    EXPECT_EQ(info.size, 300000u);
    if (CreationTimeKept()) EXPECT_EQ(info.creationTime, kBaseTime);
    EXPECT_EQ(info.accessTime, kBaseTime + 5 * kSecond);
    EXPECT_EQ(info.writeTime, kBaseTime + 9 * kSecond);
}

TEST_F(GetFileInfoTest, RetriesUntilTheFileAppears) {
    ScopedFileOpTimings slower([] {
        FileOpTimings t = ShortTimings();
        t.fileInfoRetryMs = 100;
        return t;
    }());
    const std::wstring path = dir / L"late.txt";
    std::thread writer([&] {
        Sleep(150);
        WriteFile(path, "late");
    });
    FileInfo info;
    const bool found = GetFileInfo(path, info, progress, log);
    writer.join();
    EXPECT_TRUE(found);
    EXPECT_EQ(info.size, 4u);
}

TEST_F(GetFileInfoTest, PauseHoldsTheRetries) {
    // Eleven quick attempts would be over long before the file comes; the
    // pause keeps the search waiting until it is lifted.
    const std::wstring path = dir / L"paused.txt";
    progress.pause = true;
    std::thread user([&] {
        Sleep(200);
        WriteFile(path, "here");
        progress.pause = false;
    });
    FileInfo info;
    const bool found = GetFileInfo(path, info, progress, log);
    user.join();
    EXPECT_TRUE(found);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(GetFileInfoTest, MissingFileAndInterrupt) {
    FileInfo info;
    EXPECT_FALSE(GetFileInfo(dir / L"none.txt", info, progress, log));
    EXPECT_TRUE(log.lines.empty());

    // The interrupt is looked at before every retry.
    progress.cancelAfterPolls = 3;
    EXPECT_FALSE(GetFileInfo(dir / L"none.txt", info, progress, log));
    EXPECT_EQ(progress.cancelAfterPolls.load(), 0);
    EXPECT_EQ(log.lines, std::vector<std::wstring>{L"ﾕｰｻﾞの指示により中断しました。"});

    // A wildcard never matches some other file.
    WriteFile(dir / L"other.txt", "x");
    progress.cancel = false;
    progress.cancelAfterPolls = -1;
    EXPECT_FALSE(GetFileInfo(dir / L"o*.txt", info, progress, log));
    EXPECT_FALSE(GetFileInfo(dir / L"othe?.txt", info, progress, log));
}

TEST(CompareFileTimes, ToleranceAndDirection) {
    const FileTime t = kBaseTime;
    EXPECT_EQ(CompareFileTimes(t, t, 2), 0);
    EXPECT_EQ(CompareFileTimes(t, t + 19000000, 2), 0);  // 1.9 s
    EXPECT_EQ(CompareFileTimes(t, t + 20000000, 2), 1);  // 2.0 s
    EXPECT_EQ(CompareFileTimes(t + 20000000, t, 2), -1);
    EXPECT_EQ(CompareFileTimes(t + 19000000, t, 2), 0);
    EXPECT_EQ(CompareFileTimes(t, t + 1, 0), 1);
    EXPECT_EQ(CompareFileTimes(t, t + 3599999999ull, 360), 0);
    EXPECT_EQ(CompareFileTimes(t, t + 3600000000ull, 360), 1);
}

TEST(CompareFileTimes, LargeDifferencesNeverWrapIntoTheTolerance) {
    // Across a boundary of the high half, a small difference is still small.
    const FileTime boundary = (kBaseTime | 0xFFFFFFFFull) + 1;
    EXPECT_EQ(CompareFileTimes(boundary - 5000000, boundary + 5000000, 2), 0);
    // 2^32 units and more count as different whatever the low halves say.
    const FileTime t = kBaseTime;
    EXPECT_EQ(CompareFileTimes(t, t + (1ull << 32), 360), 1);
    EXPECT_EQ(CompareFileTimes(t, t + (1ull << 32) + 1, 2), 1);
    EXPECT_EQ(CompareFileTimes(t + (5ull << 32) + 1, t, 2), -1);
    EXPECT_EQ(CompareFileTimes(0, ~0ull, 2), 1);
}

using CompareContentsTest = FileOpsTest;

TEST_F(CompareContentsTest, EqualDifferentAndEmpty) {
    const std::string content = Pattern(131072 * 3 + 17);
    WriteFile(dir / L"a", content);
    WriteFile(dir / L"b", content);
    std::string changed = content;
    changed.back() ^= 1;
    WriteFile(dir / L"c", changed);
    WriteFile(dir / L"short", content.substr(1));
    WriteFile(dir / L"e1", "");
    WriteFile(dir / L"e2", "");

    EXPECT_TRUE(CompareFileContents(dir / L"a", dir / L"b", progress, log, cause));
    EXPECT_FALSE(CompareFileContents(dir / L"a", dir / L"c", progress, log, cause));
    EXPECT_TRUE(cause.empty());
    EXPECT_FALSE(CompareFileContents(dir / L"a", dir / L"short", progress, log, cause));
    EXPECT_TRUE(cause.empty());
    EXPECT_TRUE(CompareFileContents(dir / L"e1", dir / L"e2", progress, log, cause));
    EXPECT_FALSE(CompareFileContents(dir / L"e1", dir / L"a", progress, log, cause));

    // Differ in the first byte of the second block.
    std::string second = content;
    second[131072] ^= 0x40;
    WriteFile(dir / L"d", second);
    EXPECT_FALSE(CompareFileContents(dir / L"a", dir / L"d", progress, log, cause));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(CompareContentsTest, PercentageForLargeFilesOnly) {
    progress.SetStatus(L"比較中");
    WriteFile(dir / L"a", Pattern(131072));
    WriteFile(dir / L"b", Pattern(131072));
    EXPECT_TRUE(CompareFileContents(dir / L"a", dir / L"b", progress, log, cause));
    EXPECT_EQ(progress.statuses, std::vector<std::wstring>{L"比較中"});

    WriteFile(dir / L"c", Pattern(131073));
    WriteFile(dir / L"d", Pattern(131073));
    EXPECT_TRUE(CompareFileContents(dir / L"c", dir / L"d", progress, log, cause));
    ASSERT_GE(progress.statuses.size(), 3u);
    EXPECT_EQ(progress.statuses[1], L"比較中 (99.9%)");
    EXPECT_EQ(progress.statuses[progress.statuses.size() - 2], L"比較中 (100.0%)");
    EXPECT_EQ(progress.statuses.back(), L"比較中") << "the status text is put back";
}

TEST_F(CompareContentsTest, UnreadableFileAndInterrupt) {
    WriteFile(dir / L"a", Pattern(1000));
    EXPECT_FALSE(CompareFileContents(dir / L"a", dir / L"missing", progress, log, cause));
    EXPECT_TRUE(Contains(cause, dir / L"missing")) << "the cause names the file";
    EXPECT_FALSE(Contains(cause, L"\\\\?\\"));

    WriteFile(dir / L"b", Pattern(1000));
    {
        LockedFile lock(dir / L"b");
        EXPECT_FALSE(CompareFileContents(dir / L"a", dir / L"b", progress, log, cause));
        EXPECT_TRUE(Contains(cause, dir / L"b"));
    }

    WriteFile(dir / L"big1", Pattern(131072 * 4));
    WriteFile(dir / L"big2", Pattern(131072 * 4));
    progress.cancelAfterPolls = 2;
    EXPECT_FALSE(CompareFileContents(dir / L"big1", dir / L"big2", progress, log, cause));
    EXPECT_TRUE(cause.empty());
    EXPECT_EQ(log.lines, std::vector<std::wstring>{L"ﾕｰｻﾞの指示により中断しました。"});
}

class CopyTest : public FileOpsTest {
protected:
    void SetUp() override {
        source = dir / L"src.txt";
        destination = dir / L"dst.txt";
        WriteFile(source, Pattern(5000, 1));
        SetTimes(source, kBaseTime, kBaseTime + 7 * kSecond, kBaseTime + 11 * kSecond);
    }
    // An older destination that a failed copy must leave exactly as it was.
    void OldDestination(DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) {
        oldContent = Pattern(7777, 2);
        WriteFile(destination, oldContent);
        SetTimes(destination, kBaseTime - 100 * kSecond, kBaseTime - 50 * kSecond, kBaseTime - 10 * kSecond);
        SetAttributes(destination, attributes);
        oldAttributes = Attributes(destination);
    }
    void ExpectOldDestinationIntact() {
        const std::string now = ReadFile(destination);
        EXPECT_TRUE(now == oldContent) << "old destination changed: " << now.size() << " bytes";
        EXPECT_EQ(Attributes(destination), oldAttributes);
        EXPECT_EQ(GetWriteTime(destination), kBaseTime - 10 * kSecond);
        EXPECT_EQ(TemporaryFiles(dir.path()), 0) << "a temporary file was left";
    }
    void ExpectCopied(const std::wstring& from, const std::wstring& to) {
        EXPECT_TRUE(ReadFile(to) == ReadFile(from)) << "content differs";
        FileInfo a = TimesOf(from), b = TimesOf(to);
        EXPECT_EQ(b.writeTime, a.writeTime);
        if (CreationTimeKept()) EXPECT_EQ(b.creationTime, a.creationTime);
        EXPECT_EQ(TemporaryFiles(dir.path()), 0);
    }

    std::wstring source, destination;
    std::string oldContent;
    DWORD oldAttributes = 0;
};

TEST_F(CopyTest, NewAndReplacedFilesCarryTimesAndAttributes) {
    ASSERT_TRUE(Copy(source, destination)) << std::string(cause.begin(), cause.end());
    ExpectCopied(source, destination);
    EXPECT_TRUE(cause.empty());

    OldDestination();
    SetAttributes(source, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(Copy(source, destination));
    ExpectCopied(source, destination);
    EXPECT_EQ(Attributes(destination) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE), DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(log.lines.empty());

    // An empty file gives an empty destination with the source's times.
    WriteFile(dir / L"empty", "");
    SetTimes(dir / L"empty", kBaseTime, kBaseTime, kBaseTime + kSecond);
    ASSERT_TRUE(Copy(dir / L"empty", dir / L"empty2"));
    EXPECT_TRUE(IsFile(dir / L"empty2"));
    ExpectCopied(dir / L"empty", dir / L"empty2");
}

TEST_F(CopyTest, LargeFileShowsPercentageAndIsExact) {
    const std::wstring big = dir / L"big.bin";
    WriteFile(big, Pattern(131072 * 10 + 5, 3));
    progress.SetStatus(L"ｺﾋﾟｰ中");
    options.delayedWritePriority = false;
    ASSERT_TRUE(Copy(big, destination));
    ExpectCopied(big, destination);
    EXPECT_TRUE(AnyContains(progress.statuses, L"ｺﾋﾟｰ中 (9.9%)"));
    EXPECT_TRUE(AnyContains(progress.statuses, L"ｺﾋﾟｰ中 (100.0%)"));
    EXPECT_EQ(progress.statuses.back(), L"ｺﾋﾟｰ中");
}

TEST_F(CopyTest, ReadOnlyDestinationIsRefusedUnlessAllowed) {
    OldDestination(FILE_ATTRIBUTE_READONLY);
    options.updateReadOnly = false;
    EXPECT_FALSE(Copy(source, destination));
    EXPECT_EQ(cause, L"アクセスは拒否されました。（ｺﾋﾟｰ先ﾌｧｲﾙ\"" + destination +
                         L"\"は読み取り専用ﾌｧｲﾙですが、「読み取り専用でも更新」ｵﾌﾟｼｮﾝがｵﾌです。）");
    ExpectOldDestinationIntact();

    options.updateReadOnly = true;
    ASSERT_TRUE(Copy(source, destination));
    ExpectCopied(source, destination);
    EXPECT_EQ(Attributes(destination) & FILE_ATTRIBUTE_READONLY, 0u) << "the source's attributes, not the old ones";
}

TEST_F(CopyTest, HiddenDestinationNeedsAHiddenSource) {
    OldDestination(FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(Attributes(destination) & FILE_ATTRIBUTE_HIDDEN, DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Copy(source, destination));
    EXPECT_EQ(cause, Message(228, {destination, source}));
    EXPECT_TRUE(Contains(cause, L"隠しﾌｧｲﾙではありません"));
    ExpectOldDestinationIntact();

    // Hidden and read-only: the hidden rule comes first.
    SetAttributes(destination, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    options.updateReadOnly = false;
    EXPECT_FALSE(Copy(source, destination));
    EXPECT_EQ(cause, Message(228, {destination, source}));

    SetAttributes(destination, FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(source, FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(Copy(source, destination)) << std::string(cause.begin(), cause.end());
    ExpectCopied(source, destination);
    // Renaming may add the archive attribute; nothing else.
    EXPECT_EQ(Attributes(destination) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE), DWORD(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(CopyTest, UnreadableSourceLeavesTheOldDestination) {
    OldDestination();
    FileInfo info = Info(source);
    {
        LockedFile lock(source);
        EXPECT_FALSE(CopyFileContents(source, info, destination, progress, log, options, cause));
    }
    EXPECT_TRUE(Contains(cause, source));
    EXPECT_FALSE(Contains(cause, L"\\\\?\\"));
    ExpectOldDestinationIntact();

    // A source that went away.
    DeleteFileW(source.c_str());
    EXPECT_FALSE(CopyFileContents(source, info, destination, progress, log, options, cause));
    EXPECT_TRUE(Contains(cause, source + L"の読み込み中にｴﾗｰが発生しました。("));
    ExpectOldDestinationIntact();
}

TEST_F(CopyTest, InterruptedCopyLeavesTheOldDestination) {
    const std::wstring big = dir / L"big.bin";
    WriteFile(big, Pattern(131072 * 8, 4));
    OldDestination();
    FileInfo info = Info(big);
    progress.cancelAfterPolls = 7;  // two looks per block: in the fourth block
    EXPECT_FALSE(CopyFileContents(big, info, destination, progress, log, options, cause));
    EXPECT_TRUE(cause.empty());
    EXPECT_EQ(log.lines, std::vector<std::wstring>{L"ﾕｰｻﾞの指示により中断しました。"});
    ExpectOldDestinationIntact();
    EXPECT_EQ(progress.StatusText(), L"");

    // Interrupted before anything was written, with no old destination.
    progress.cancel = true;
    EXPECT_FALSE(CopyFileContents(big, info, dir / L"fresh.bin", progress, log, options, cause));
    EXPECT_FALSE(Exists(dir / L"fresh.bin"));
    EXPECT_EQ(TemporaryFiles(dir.path()), 0);
}

// Keeping what a run replaces: the old file goes aside only when the new
// content is complete in the temporary file; a refusal leaves it in place.
TEST_F(CopyTest, TheOldFileGoesAsideOnlyOnceTheNewContentIsComplete) {
    OldDestination(FILE_ATTRIBUTE_READONLY);
    const std::wstring aside = dir / L"aside.txt";
    std::string tempContent;
    const MoveAsideFn moveAside{[&](const std::wstring& path, std::wstring& placedAt, std::wstring& why) {
        for (const std::wstring& name : Names(dir.path()))
            if (IsCopyTemporaryName(name)) tempContent = ReadFile(dir / name);
        if (!MoveFileExW(path.c_str(), aside.c_str(), 0)) why = L"refused";
        placedAt = aside;
        return why.empty();
    }};
    ASSERT_TRUE(CopyFileContents(source, Info(source), destination, progress, log, options, cause,
                                 CopyTarget::MayExist, &moveAside));
    EXPECT_TRUE(tempContent == ReadFile(source)) << "the old file went before the new content was complete";
    ExpectCopied(source, destination);
    EXPECT_TRUE(ReadFile(aside) == oldContent);
    EXPECT_EQ(Attributes(aside), oldAttributes);  // kept as it was, read-only included

    OldDestination();
    const MoveAsideFn refuse{[](const std::wstring&, std::wstring&, std::wstring& why) {
        why = L"refused";
        return false;
    }};
    EXPECT_FALSE(CopyFileContents(source, Info(source), destination, progress, log, options, cause,
                                  CopyTarget::MayExist, &refuse));
    EXPECT_EQ(cause, L"refused");
    ExpectOldDestinationIntact();
}

TEST_F(CopyTest, LockedDestinationStaysAsItWas) {
    // Read-only too: the attribute cleared for the replacement comes back.
    OldDestination(FILE_ATTRIBUTE_READONLY);
    {
        LockedFile lock(destination);
        EXPECT_FALSE(Copy(source, destination));
        EXPECT_FALSE(cause.empty());
        EXPECT_FALSE(Contains(cause, L"\\\\?\\"));
    }
    ExpectOldDestinationIntact();
}

// Needs a folder on a volume of a few hundred kilobytes, named by the
// environment variable MIRRANT_SMALL_VOLUME (for example a small tmpfs seen
// through Wine's Z: drive).
TEST_F(CopyTest, DiskFullLeavesTheOldDestination) {
    wchar_t small[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"MIRRANT_SMALL_VOLUME", small, MAX_PATH))
        GTEST_SKIP() << "MIRRANT_SMALL_VOLUME is not set";
    std::wstring folder = small;
    if (folder.back() != L'\\') folder += L'\\';
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.c_str(), &free, nullptr, nullptr));
    ASSERT_LT(free.QuadPart, 64ull << 20) << "not a small volume";
    const std::wstring big = dir / L"big.bin";
    WriteFile(big, Pattern(static_cast<size_t>(free.QuadPart) + (1 << 20), 5));
    destination = folder + L"mrt_disk_full.txt";
    OldDestination();
    EXPECT_FALSE(Copy(big, destination));
    EXPECT_FALSE(cause.empty());
    EXPECT_TRUE(Contains(cause, destination));
    const std::string now = ReadFile(destination);
    EXPECT_TRUE(now == oldContent) << "old destination changed";
    EXPECT_EQ(TemporaryFiles(folder), 0);
    SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(destination.c_str());
}

TEST_F(CopyTest, MissingDestinationFolderAndFolderInTheWay) {
    EXPECT_FALSE(Copy(source, dir / L"nofolder\\dst.txt"));
    EXPECT_TRUE(Contains(cause, dir / L"nofolder\\dst.txt"));
    EXPECT_FALSE(Exists(dir / L"nofolder"));

    MakeFolder(dir / L"sub");
    WriteFile(dir / L"sub\\keep.txt", "keep");
    EXPECT_FALSE(Copy(source, dir / L"sub"));
    EXPECT_EQ(ReadFile(dir / L"sub\\keep.txt"), "keep");
}

TEST_F(CopyTest, PathLongerThan260Characters) {
    std::wstring deep = dir.path();
    while (deep.size() < 300) deep += L"abcdefghijklmnopqrstuvwxyz0123456789\\";
    std::wstring folderCause;
    unsigned long code = 0;
    const std::wstring target = deep + L"copy.txt";
    if constexpr (kNarrowBuild) {
        EXPECT_FALSE(Copy(source, target));
        EXPECT_EQ(cause, SystemErrorText(ERROR_FILENAME_EXCED_RANGE));
        EXPECT_FALSE(cause.empty());
    } else {
        ASSERT_TRUE(CreateFolderTree(deep, folderCause, code));
        ASSERT_TRUE(Copy(source, target)) << std::string(cause.begin(), cause.end());
        EXPECT_EQ(ReadFile(L"\\\\?\\" + target), ReadFile(source));
        FileInfo info;
        EXPECT_TRUE(GetFileInfo(target, info, progress, log));
        EXPECT_EQ(info.writeTime, kBaseTime + 11 * kSecond);
        EXPECT_TRUE(CompareFileContents(source, target, progress, log, cause));
    }
}

TEST(CopyTemporaryName, OnlyTheCopysOwnNames) {
    EXPECT_TRUE(IsCopyTemporaryName(L"~mrt0123abcd.tmp"));
    EXPECT_TRUE(IsCopyTemporaryName(L"~MRT0123ABCD.TMP"));
    EXPECT_FALSE(IsCopyTemporaryName(L"~mrt0123abcg.tmp"));
    EXPECT_FALSE(IsCopyTemporaryName(L"~mrt0123abc.tmp"));
    EXPECT_FALSE(IsCopyTemporaryName(L"mrt0123abcd.tmp"));
}

// Holds a file open in another process: a suspended child inherits the
// handle, and this process closes its own. Ends the child when it goes.
class HeldByAnotherProcess {
public:
    explicit HeldByAnotherProcess(const std::wstring& path) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        // The most lenient sharing another program could ask for.
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  &inherit, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring program = std::wstring(system) + L"\\cmd.exe";
        std::wstring line = L"cmd.exe /c exit";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                  CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &child_);
        EXPECT_TRUE(started_) << "cannot start the holding process";
        CloseHandle(file);
    }
    ~HeldByAnotherProcess() {
        if (!started_) return;
        TerminateProcess(child_.hProcess, 0);
        WaitForSingleObject(child_.hProcess, 10000);
        CloseHandle(child_.hThread);
        CloseHandle(child_.hProcess);
    }
    HeldByAnotherProcess(const HeldByAnotherProcess&) = delete;
    HeldByAnotherProcess& operator=(const HeldByAnotherProcess&) = delete;

private:
    PROCESS_INFORMATION child_{};
    bool started_ = false;
};

TEST(LeftoverCopyTemp, RemovesOnlyTheCopysOwnFilesWhenFree) {
    TempDir dir;
    enum Setup { Plain, ReadOnly, Held, Folder };
    using enum LeftoverRemoval;
    struct Case {
        std::wstring name;
        Setup setup;
        LeftoverRemoval expected;
    };
    const Case cases[] = {
        {L"~mrt0123abcd.tmp", Plain, Removed},
        {L"~MRT89ABCDEF.TMP", Plain, Removed},
        {L"~mrt00ff00ff.tmp", ReadOnly, Removed},
        {L"~mrt12345678.tmp", Held, InUse},
        {L"~mrt9abcdef0.tmp", Folder, NotCopyTemporary},
        {L"~mrt1234567.tmp", Plain, NotCopyTemporary},
        {L"~mrt123456789.tmp", Plain, NotCopyTemporary},
        {L"~mrtGGGGGGGG.tmp", Plain, NotCopyTemporary},
        {L"x~mrt12345678.tmp", Plain, NotCopyTemporary},
        {L"~mrt12345678.tmp.bak", Plain, NotCopyTemporary},
        {L"~mrt12345678.tm", Plain, NotCopyTemporary},
        {L"~mrt 1234567.tmp", Plain, NotCopyTemporary},
        {L"~mrt-1234567.tmp", Plain, NotCopyTemporary},
        {L"~mrt1234567\uff18.tmp", Plain, NotCopyTemporary},  // a full-width 8
        {L"\uff5emrt12345678.tmp", Plain, NotCopyTemporary},  // a full-width ~
        {L"mrt12345678.tmp", Plain, NotCopyTemporary},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.name));
        const std::wstring path = dir / c.name;
        if (c.setup == Folder) MakeFolder(path);
        else WriteFile(path, "partial copy");
        if (c.setup == ReadOnly) SetAttributes(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        std::optional<HeldByAnotherProcess> held;
        if (c.setup == Held) {
            held.emplace(path);
            HANDLE probe = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_EQ(probe, INVALID_HANDLE_VALUE) << "the other process does not hold the file";
            if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
        }
        std::wstring cause = L"stale";
        EXPECT_EQ(RemoveLeftoverCopyTemp(path, cause), c.expected);
        EXPECT_EQ(Exists(path), c.expected != Removed);
        if (c.setup != Folder && c.expected != Removed) {
            EXPECT_EQ(ReadFile(path), "partial copy");
        }
        EXPECT_EQ(cause, c.expected == InUse ? SystemErrorText(ERROR_SHARING_VIOLATION) : L"");
        if (c.setup == Held) {
            // Once the other program lets go, a later run clears it away.
            held.reset();
            EXPECT_EQ(RemoveLeftoverCopyTemp(path, cause), Removed);
            EXPECT_FALSE(Exists(path));
        }
    }

    std::wstring cause;
    EXPECT_EQ(RemoveLeftoverCopyTemp(dir / L"~mrt0badf00d.tmp", cause), LeftoverRemoval::Failed);
    EXPECT_FALSE(cause.empty());
    EXPECT_FALSE(Contains(cause, L"\\\\?\\"));
}

using SetFileTimesTest = FileOpsTest;

TEST_F(SetFileTimesTest, ReadOnlyFileKeepsItsAttribute) {
    const std::wstring path = dir / L"ro.txt";
    WriteFile(path, "x");
    SetTimes(path, kBaseTime, kBaseTime, kBaseTime);
    SetAttributes(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(SetFileTimes(path, std::nullopt, std::nullopt, kBaseTime + 42 * kSecond, progress, log, cause));
    EXPECT_TRUE(cause.empty());
    FileInfo t = TimesOf(path);
    EXPECT_EQ(t.writeTime, kBaseTime + 42 * kSecond);
    if (CreationTimeKept()) EXPECT_EQ(t.creationTime, kBaseTime) << "an absent time is left alone";
    EXPECT_EQ(Attributes(path) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(SetFileTimesTest, LockedFileRetriesThenFails) {
    const std::wstring path = dir / L"locked.txt";
    WriteFile(path, "x");
    SetTimes(path, kBaseTime, kBaseTime, kBaseTime);
    SetAttributes(path, FILE_ATTRIBUTE_READONLY);
    {
        LockedFile lock(path);
        EXPECT_FALSE(SetFileTimes(path, kBaseTime, kBaseTime, kBaseTime + kSecond, progress, log, cause));
        EXPECT_TRUE(Contains(cause, path));
        EXPECT_FALSE(Contains(cause, L"\\\\?\\"));
        EXPECT_TRUE(log.lines.empty());

        progress.cancelAfterPolls = 2;
        EXPECT_FALSE(SetFileTimes(path, kBaseTime, kBaseTime, kBaseTime + kSecond, progress, log, cause));
        EXPECT_EQ(log.lines, std::vector<std::wstring>{L"ﾕｰｻﾞの指示により中断しました。"});
    }
    EXPECT_EQ(Attributes(path) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE), DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetWriteTime(path), kBaseTime);

    EXPECT_FALSE(SetFileTimes(dir / L"none.txt", kBaseTime, kBaseTime, kBaseTime, progress, log, cause));
}

TEST(FormatTexts, SizesAndPercentages) {
    std::wstring unit;
    EXPECT_EQ(FormatSizeText(0, unit), L"0");
    EXPECT_EQ(unit, L"");
    EXPECT_EQ(FormatSizeText(999, unit), L"999");
    EXPECT_EQ(FormatSizeText(1000, unit), L"1,000");
    EXPECT_EQ(FormatSizeText(1023999, unit), L"1,023,999");
    EXPECT_EQ(unit, L"");
    EXPECT_EQ(FormatSizeText(1024000, unit), L"1,024,000");
    EXPECT_EQ(unit, L"1.0ﾒｶﾞ");
    EXPECT_EQ(FormatSizeText(1048576000, unit), L"1,048,576,000");
    EXPECT_EQ(unit, L"0.98ｷﾞｶﾞ");
    EXPECT_EQ(FormatSizeText(5ull << 32, unit), L"21,474,836,480");
    EXPECT_EQ(unit, L"20.00ｷﾞｶﾞ");

    double percent = -1;
    EXPECT_EQ(FormatPercentText(0, 0, percent), L"0.0");
    EXPECT_EQ(percent, 0.0);
    EXPECT_EQ(FormatPercentText(3, 2, percent), L"66.6");
    EXPECT_EQ(FormatPercentText(1000, 999, percent), L"99.9");
    EXPECT_EQ(FormatPercentText(131073, 131073, percent), L"100.0");
    EXPECT_EQ(FormatPercentText(10ull << 32, 1ull << 32, percent), L"10.0");
}

}  // namespace
}  // namespace mirrant
