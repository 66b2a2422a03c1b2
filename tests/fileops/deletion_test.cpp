#include "fileops/deletion.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "fileops/error_text.h"
#include "fileops/fs_edge.h"
#include "fileops_test_support.h"
#include "framework/text.h"
#include "support/recording_log.h"
#include "support/recording_progress.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

std::string Narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n, 0);
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    s.pop_back();
    return s;
}

class DeletionTest : public ::testing::Test {
protected:
    bool DeleteTree(const std::wstring& folder, bool updateReadOnly = true) {
        remaining = 0;
        return DeleteFolderTree(folder, remaining, progress, log, updateReadOnly, refused);
    }

    TempDir dir;
    RecordingProgress progress;
    RecordingLog log;
    unsigned remaining = 0;
    bool refused = true;
};

TEST_F(DeletionTest, OneFile) {
    const std::wstring path = dir / L"a.txt";
    WriteFile(path, "x");
    EXPECT_TRUE(DeleteOneFile(path, progress, log, false));
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(log.lines, std::vector<std::wstring>{L"\"" + path + L"\"は削除されました。"});
    EXPECT_TRUE(log.errorLines.empty());
    EXPECT_EQ(progress.StatusText(), L"ﾌｧｲﾙ削除中");
    ASSERT_EQ(progress.shown.size(), 1u);
    EXPECT_EQ(progress.shown[0], std::make_pair(30, path + L" 削除中"));
}

TEST_F(DeletionTest, ReadOnlyFileNeedsTheOption) {
    const std::wstring path = dir / L"ro.txt";
    WriteFile(path, "x");
    SetAttributes(path, FILE_ATTRIBUTE_READONLY);
    std::wstring failure;
    EXPECT_FALSE(DeleteOneFile(path, progress, log, false, &failure));
    EXPECT_TRUE(Exists(path));
    ASSERT_EQ(log.errorLines.size(), 1u);
    EXPECT_EQ(log.errorLines[0],
              L"\"" + path + L"\"は削除できません。原因：アクセスは拒否されました。（\"" + path +
                  L"\"は読み取り専用ですが、「読み取り専用でも更新」ｵﾌﾟｼｮﾝがｵﾌです。）");
    EXPECT_EQ(failure, log.errorLines[0]);

    EXPECT_TRUE(DeleteOneFile(path, progress, log, true));
    EXPECT_FALSE(Exists(path));
}

TEST_F(DeletionTest, LockedOrMissingFileGivesTheSystemCause) {
    const std::wstring path = dir / L"locked.txt";
    WriteFile(path, "x");
    {
        LockedFile lock(path);
        EXPECT_FALSE(DeleteOneFile(path, progress, log, true));
    }
    EXPECT_TRUE(Exists(path));
    ASSERT_EQ(log.errorLines.size(), 1u);
    EXPECT_EQ(log.errorLines[0], Message(138, {path, SystemErrorText(ERROR_SHARING_VIOLATION)}));
    EXPECT_FALSE(SystemErrorText(ERROR_SHARING_VIOLATION).empty());

    EXPECT_FALSE(DeleteOneFile(dir / L"none.txt", progress, log, true));
    ASSERT_EQ(log.errorLines.size(), 2u);
    EXPECT_FALSE(Contains(log.errorLines[1], L"\\\\?\\"));
    EXPECT_TRUE(Contains(log.errorLines[1], L"\"" + dir / L"none.txt" + L"\"は削除できません。原因："));
}

TEST_F(DeletionTest, WholeTree) {
    const std::wstring top = dir / L"top\\";
    MakeFolder(top);
    MakeFolder(top + L"a");
    MakeFolder(top + L"a\\b");
    MakeFolder(top + L"empty");
    WriteFile(top + L"1.txt", "1");
    WriteFile(top + L"a\\2.txt", "2");
    WriteFile(top + L"a\\b\\3.txt", "3");
    WriteFile(top + L"a\\b\\ro.txt", "3");
    SetAttributes(top + L"a\\b\\ro.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(DeleteTree(top));
    EXPECT_EQ(remaining, 0u);
    EXPECT_FALSE(refused);
    EXPECT_FALSE(Exists(top));
    EXPECT_TRUE(log.errorLines.empty()) << (log.errorLines.empty() ? "" : Narrow(log.errorLines[0]));
    EXPECT_TRUE(log.lines.empty()) << "the tree deletion logs failures only";

    // An empty folder.
    MakeFolder(dir / L"e");
    EXPECT_TRUE(DeleteTree(dir / L"e\\"));
    EXPECT_FALSE(Exists(dir / L"e"));
}

TEST_F(DeletionTest, LockedFileAtDepthThree) {
    const std::wstring top = dir / L"top\\";
    MakeFolder(top);
    MakeFolder(top + L"a");
    MakeFolder(top + L"a\\b");
    MakeFolder(top + L"other");
    WriteFile(top + L"other\\x.txt", "x");
    WriteFile(top + L"a\\b\\keep.txt", "held");
    WriteFile(top + L"a\\b\\gone.txt", "gone");
    {
        LockedFile lock(top + L"a\\b\\keep.txt");
        EXPECT_FALSE(DeleteTree(top));
    }
    EXPECT_EQ(remaining, 3u) << "top, a and b stay";
    EXPECT_FALSE(refused);
    EXPECT_TRUE(Exists(top + L"a\\b\\keep.txt"));
    EXPECT_FALSE(Exists(top + L"a\\b\\gone.txt"));
    EXPECT_FALSE(Exists(top + L"other"));
    ASSERT_EQ(log.errorLines.size(), 4u);
    EXPECT_EQ(log.errorLines[0], Message(138, {top + L"a\\b\\keep.txt", SystemErrorText(ERROR_SHARING_VIOLATION)}));
    EXPECT_TRUE(AnyContains(log.errorLines, L"\"" + top + L"a\\b\\\"は削除できません。原因："));
    EXPECT_TRUE(AnyContains(log.errorLines, L"\"" + top + L"\"は削除できません。原因："));
    EXPECT_FALSE(AnyContains(log.errorLines, L"\\\\?\\"));
    // What the engine then reports.
    EXPECT_EQ(Message(139, {top, remaining}),
              L"ﾌｫﾙﾀﾞ\"" + top + L"\"は削除できません。配下に3個のﾌｫﾙﾀﾞまたはﾌｧｲﾙが残っています。");
}

TEST_F(DeletionTest, ReadOnlyFileInsideWithoutTheOption) {
    const std::wstring top = dir / L"top\\";
    MakeFolder(top);
    MakeFolder(top + L"sub");
    WriteFile(top + L"sub\\ro.txt", "x");
    WriteFile(top + L"sub\\rw.txt", "x");
    SetAttributes(top + L"sub\\ro.txt", FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteTree(top, false));
    EXPECT_EQ(remaining, 2u);
    EXPECT_FALSE(refused);
    EXPECT_TRUE(Exists(top + L"sub\\ro.txt"));
    EXPECT_FALSE(Exists(top + L"sub\\rw.txt"));
    ASSERT_FALSE(log.errorLines.empty());
    EXPECT_EQ(log.errorLines[0], Message(138, {top + L"sub\\ro.txt", Message(248, {top + L"sub\\ro.txt"})}));
}

TEST_F(DeletionTest, ReadOnlyTopFolderWithoutTheOption) {
    const std::wstring top = dir / L"top\\";
    MakeFolder(top);
    WriteFile(top + L"f.txt", "x");
    SetAttributes(top, FILE_ATTRIBUTE_READONLY);
    if (!(Attributes(top) & FILE_ATTRIBUTE_READONLY))
        GTEST_SKIP() << "this file system does not keep the read-only attribute of folders";
    EXPECT_FALSE(DeleteTree(top, false));
    EXPECT_TRUE(refused);
    EXPECT_EQ(remaining, 0u);
    EXPECT_TRUE(Exists(top));
    EXPECT_FALSE(Exists(top + L"f.txt"));
    EXPECT_EQ(log.errorLines, std::vector<std::wstring>{Message(138, {top, Message(248, {top})})});

    EXPECT_TRUE(DeleteTree(top, true));
    EXPECT_FALSE(refused);
    EXPECT_FALSE(Exists(top));
}

TEST_F(DeletionTest, MissingFolderAndInterrupt) {
    EXPECT_FALSE(DeleteTree(dir / L"none\\"));
    ASSERT_EQ(log.errorLines.size(), 1u);
    EXPECT_TRUE(Contains(log.errorLines[0], L"ｺﾋﾟｰ元\"" + dir / L"none\\" + L"\"を検索中にｴﾗｰが発生しました。原因："));

    log.errorLines.clear();
    const std::wstring top = dir / L"top\\";
    MakeFolder(top);
    MakeFolder(top + L"sub");
    for (int i = 0; i < 5; ++i) WriteFile(top + L"sub\\" + std::to_wstring(i) + L".txt", "x");
    progress.cancelAfterPolls = 3;  // inside the sub-folder
    EXPECT_FALSE(DeleteTree(top));
    // One line per level that was in progress.
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), L"ﾕｰｻﾞの指示により中断しました。"), 2);
    EXPECT_TRUE(log.errorLines.empty());
    EXPECT_TRUE(Exists(top + L"sub"));
    EXPECT_EQ(Names(top + L"sub\\").size(), 2u);
}

// Wine run by an administrator lists every folder, so the listing failures
// are made by the file-system edge's test fault.
TEST_F(DeletionTest, FolderThatCannotBeListedStaysAndIsCounted) {
    const std::wstring top = dir / L"top\\";
    MakeFolder(top);
    for (const wchar_t* sub : {L"denied", L"broken"}) {
        MakeFolder(top + sub);
        for (int i = 0; i < 4; ++i) WriteFile(top + sub + L"\\" + std::to_wstring(i) + L".txt", "x");
    }
    WriteFile(top + L"free.txt", "x");
    {
        fs::ScopedListingFault denied(top + L"denied\\", ERROR_ACCESS_DENIED);
        fs::ScopedListingFault broken(top + L"broken\\", ERROR_NETNAME_DELETED, 3);
        EXPECT_FALSE(DeleteTree(top));
    }
    EXPECT_EQ(remaining, 3u) << "both folders that could not be listed, and top";
    EXPECT_EQ(Names(top + L"denied\\").size(), 4u) << "nothing below an unlisted folder is touched";
    EXPECT_FALSE(Names(top + L"broken\\").empty());
    EXPECT_FALSE(Exists(top + L"free.txt"));
    EXPECT_TRUE(AnyContains(log.errorLines, L"ｺﾋﾟｰ元\"" + top + L"denied\\\"を検索中にｴﾗｰが発生しました。原因：" +
                                                SystemErrorText(ERROR_ACCESS_DENIED)));
    EXPECT_TRUE(AnyContains(log.errorLines, L"ｺﾋﾟｰ元\"" + top + L"broken\\\"を検索中にｴﾗｰが発生しました。原因："));
    EXPECT_FALSE(AnyContains(log.errorLines, L"\"" + top + L"broken\\\"は削除できません。"))
        << "a folder whose listing broke off is not removed";

    // The folder itself cannot be listed: nothing is deleted, and the caller
    // sees a failure with one folder left, never "deleted".
    log.errorLines.clear();
    {
        fs::ScopedListingFault denied(top, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(DeleteTree(top));
    }
    EXPECT_EQ(remaining, 1u);
    EXPECT_TRUE(Exists(top + L"denied\\0.txt"));
    EXPECT_EQ(log.errorLines, std::vector<std::wstring>{L"ｺﾋﾟｰ元\"" + top + L"\"を検索中にｴﾗｰが発生しました。原因：" +
                                                        SystemErrorText(ERROR_ACCESS_DENIED)});

    // A listing without any entry: an empty folder goes, a folder that still
    // holds something stays and is counted.
    log.errorLines.clear();
    MakeFolder(dir / L"empty");
    {
        fs::ScopedListingFault none(dir / L"empty\\", ERROR_FILE_NOT_FOUND);
        fs::ScopedListingFault alsoNone(top, ERROR_FILE_NOT_FOUND);
        EXPECT_TRUE(DeleteTree(dir / L"empty\\"));
        EXPECT_FALSE(DeleteTree(top));
    }
    EXPECT_FALSE(Exists(dir / L"empty"));
    EXPECT_EQ(remaining, 1u);
    EXPECT_TRUE(Exists(top + L"denied\\0.txt"));
    EXPECT_TRUE(AnyContains(log.errorLines, L"\"" + top + L"\"は削除できません。原因："));
}

TEST_F(DeletionTest, LinkedFolderIsUnlinkedNotEmptied) {
    const std::wstring outside = dir / L"outside\\";
    MakeFolder(outside);
    WriteFile(outside + L"precious.txt", "keep");
    const std::wstring top = dir / L"top\\";
    MakeFolder(top);
    const bool made =
        CreateSymbolicLinkW((top + L"link").c_str(), (dir / L"outside").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    const DWORD link = Attributes(top + L"link");
    if (!made || link == INVALID_FILE_ATTRIBUTES || !(link & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "folder links cannot be made here";
    DeleteTree(top);
    EXPECT_EQ(ReadFile(outside + L"precious.txt"), "keep");
}

}  // namespace
}  // namespace mirrant
