// The checks of a run's roots: the drive or share form, the search with its
// wait for a drive that is not ready, the creation of a missing destination
// folder, and what each failure policy makes of a root that cannot be had.
#include "engine/root_search.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "fileops/fileops_test_support.h"
#include "fileops/fs_edge.h"
#include "fileops/path_rules.h"
#include "framework/text.h"
#include "settings/run_options.h"
#include "support/recording_log.h"
#include "support/recording_progress.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

TEST(CheckDriveOrShare, DriveGetsBackslashOtherFormsAreAmbiguous) {
    RunOptions options;
    options.confirmOtherErrors = true;
    RecordingProgress progress;
    RecordingLog log;
    ScriptedPrompter prompter;
    std::vector<std::wstring> shown;
    const RootServices run{options, progress, log, prompter, [&](const std::wstring& p) { shown.push_back(p); }};

    std::wstring drive = L"C:";
    EXPECT_TRUE(CheckDriveOrShare(drive, run));
    EXPECT_EQ(drive, L"C:\\");
    EXPECT_EQ(shown, std::vector<std::wstring>{L"C:\\"});

    std::wstring share = L"\\\\server\\share";
    EXPECT_TRUE(CheckDriveOrShare(share, run));
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_TRUE(log.lines.empty());

    std::wstring relative = L"\\abc";
    EXPECT_FALSE(CheckDriveOrShare(relative, run));
    ASSERT_EQ(log.errorLines.size(), 1u);
    EXPECT_EQ(log.errorLines[0], L"\"\\abc\"は指定が曖昧です。");
    EXPECT_EQ(prompter.Count(PromptKind::Warning), 1u);

    std::wstring plain = L"abc";
    options.confirmOtherErrors = false;
    EXPECT_FALSE(CheckDriveOrShare(plain, run));
    EXPECT_EQ(log.errorLines.size(), 2u);
    EXPECT_EQ(prompter.Count(PromptKind::Warning), 1u) << "no box when other errors are not confirmed";
}

// Root search: every case runs with waits of a few milliseconds.
class SearchRootTest : public ::testing::Test {
protected:
    SearchRootTest() : timings_(ShortTimings()) {
        options.rootWaitSeconds = 2;
        options.folderFailurePolicy = ErrorPolicy::Confirm;
    }
    bool Search(RootSide side, std::wstring& root, bool otherIsFolder = true, bool testMode = false) {
        RootRequest request{side, root, false, otherIsFolder, testMode};
        const RootServices run{options, progress, log, prompter, [&](const std::wstring& p) { shown.push_back(p); }};
        const bool found = SearchRoot(request, run);
        root = request.path;
        isFolder = request.isFolder;
        return found;
    }
    std::vector<std::wstring> Countdown() const {
        std::vector<std::wstring> out;
        for (const std::wstring& s : progress.statuses)
            if (Contains(s, L"残り")) out.push_back(s);
        return out;
    }

    ScopedFileOpTimings timings_;
    TempDir dir;
    RunOptions options;
    RecordingProgress progress;
    RecordingLog log;
    ScriptedPrompter prompter;
    std::vector<std::wstring> shown;
    bool isFolder = false;
};

TEST_F(SearchRootTest, ExistingFolderAndFile) {
    std::wstring root = dir.path();
    root.pop_back();
    ASSERT_TRUE(Search(RootSide::Source, root, false));
    EXPECT_TRUE(isFolder);
    EXPECT_EQ(root, dir.path());
    EXPECT_EQ(progress.StatusText(), L"ｺﾋﾟｰ元検索中");
    ASSERT_FALSE(progress.shown.empty());
    EXPECT_EQ(progress.shown.back(), std::make_pair(100, std::wstring(L"しばらくお待ち下さい...")));

    WriteFile(dir / L"f.txt", "x");
    std::wstring file = dir / L"f.txt";
    ASSERT_TRUE(Search(RootSide::Destination, file, false));
    EXPECT_FALSE(isFolder);
    EXPECT_EQ(file, dir / L"f.txt");
    EXPECT_EQ(progress.StatusText(), L"ｺﾋﾟｰ先検索中");
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(prompter.prompts().empty());
}

TEST_F(SearchRootTest, MissingDestinationRootIsCreated) {
    std::wstring root = dir / L"new\\dest\\";
    ASSERT_TRUE(Search(RootSide::Destination, root));
    EXPECT_TRUE(isFolder);
    EXPECT_TRUE(IsFolder(root));
    EXPECT_EQ(log.lines, std::vector<std::wstring>{Message(130, {root})});
    EXPECT_TRUE(log.errorLines.empty());
    EXPECT_EQ(shown, std::vector<std::wstring>{root});
}

TEST_F(SearchRootTest, MissingDestinationWithoutCreation) {
    // Test mode: reported as missing, taken as a folder, nothing created.
    std::wstring root = dir / L"later\\";
    ASSERT_TRUE(Search(RootSide::Destination, root, true, true));
    EXPECT_TRUE(isFolder);
    EXPECT_FALSE(Exists(root));
    EXPECT_EQ(log.lines, std::vector<std::wstring>{Message(123, {root})});

    // Empty folders are not copied: the first copy creates it, silently.
    log.lines.clear();
    options.copyEmptyFolders = false;
    std::wstring quiet = dir / L"quiet";
    ASSERT_TRUE(Search(RootSide::Destination, quiet, true));
    EXPECT_TRUE(isFolder);
    EXPECT_EQ(quiet, dir / L"quiet\\");
    EXPECT_FALSE(Exists(quiet));
    EXPECT_TRUE(log.lines.empty());

    // The source is a file: the destination file is created by the copy.
    options.copyEmptyFolders = true;
    std::wstring file = dir / L"copy.txt";
    ASSERT_TRUE(Search(RootSide::Destination, file, false));
    EXPECT_FALSE(isFolder);
    EXPECT_FALSE(Exists(file));
}

TEST_F(SearchRootTest, MissingSourceIsReportedWithoutRetry) {
    std::wstring root = dir / L"gone\\";
    EXPECT_FALSE(Search(RootSide::Source, root, false));
    ASSERT_EQ(log.errorLines.size(), 1u);
    EXPECT_TRUE(Contains(log.errorLines[0], L"\"" + root + L"\"の読み出しにｴﾗｰが発生しました。原因："));
    EXPECT_EQ(prompter.Count(PromptKind::Warning), 1u);
    EXPECT_EQ(prompter.Count(PromptKind::YesNo), 0u);
    EXPECT_FALSE(Exists(root));

    options.folderFailurePolicy = ErrorPolicy::Abort;
    EXPECT_FALSE(Search(RootSide::Source, root, false));
    EXPECT_EQ(log.lines.back(), L"ﾕｰｻﾞの指示により中断しました。");
    EXPECT_EQ(prompter.Count(PromptKind::Warning), 1u);
}

TEST_F(SearchRootTest, CreationFailureOffersRetry) {
    WriteFile(dir / L"blocker", "x");
    std::wstring root = dir / L"blocker\\dest\\";
    prompter.Push(PromptAnswer::Yes);
    prompter.Push(PromptAnswer::No);
    EXPECT_FALSE(Search(RootSide::Destination, root));
    ASSERT_EQ(log.errorLines.size(), 2u);
    EXPECT_TRUE(Contains(log.errorLines[0], L"ﾌｫﾙﾀﾞ\"" + root + L"\"を作成できませんでした。原因："));
    EXPECT_FALSE(Contains(log.errorLines[0], L"\\\\?\\"));
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), L"再試行します。"), 1);
    EXPECT_EQ(prompter.CountText(L"再試行しますか？"), 2u);
    EXPECT_EQ(prompter.unusedAnswers(), 0u);
}

TEST_F(SearchRootTest, MissingDriveRootIsReported) {
    options.folderFailurePolicy = ErrorPolicy::Skip;
    std::wstring root = L"Q:\\";
    EXPECT_FALSE(Search(RootSide::Destination, root));
    ASSERT_EQ(log.errorLines.size(), 1u);
    EXPECT_TRUE(Contains(log.errorLines[0], L"Q:\\を検索中にｴﾗｰが発生しました。原因："));
    EXPECT_TRUE(prompter.prompts().empty());
}

TEST_F(SearchRootTest, UnreadyRootIsWaitedForWithCountdown) {
    std::wstring root = dir.path();
    // Not ready three times, then there.
    fs::ScopedAttributeFault fault(root, ERROR_NOT_READY, 3);
    ASSERT_TRUE(Search(RootSide::Destination, root));
    EXPECT_TRUE(isFolder);
    EXPECT_EQ(fault.failed(), 3);
    std::vector<std::wstring> countdown = Countdown();
    ASSERT_EQ(countdown.size(), 3u);
    EXPECT_EQ(countdown[0], L"ｺﾋﾟｰ先検索中　残り2秒");
    EXPECT_TRUE(log.lines.empty());
    bool waitShown = false;
    for (const auto& [lvl, text] : progress.shown)
        if (lvl == 100 && Contains(text, root + L"を検索中にｴﾗｰが発生しました。原因：")) waitShown = true;
    EXPECT_TRUE(waitShown);
}

TEST_F(SearchRootTest, UnreadyRootGivesUpAfterTheWait) {
    std::wstring root = dir / L"share\\";
    fs::ScopedAttributeFault fault(root, ERROR_BAD_NETPATH);
    prompter.Push(PromptAnswer::No);
    EXPECT_FALSE(Search(RootSide::Destination, root));
    // Falling seconds, ending when the two seconds are over.
    std::vector<std::wstring> countdown = Countdown();
    ASSERT_GE(countdown.size(), 2u);
    EXPECT_EQ(countdown.front(), L"ｺﾋﾟｰ先検索中　残り2秒");
    EXPECT_EQ(countdown.back(), L"ｺﾋﾟｰ先検索中　残り1秒");
    EXPECT_EQ(progress.StatusText(), L"ｺﾋﾟｰ先検索中");
    ASSERT_EQ(log.errorLines.size(), 1u);
    EXPECT_EQ(log.errorLines[0], Message(221, {root, SystemErrorText(ERROR_BAD_NETPATH)}));
    EXPECT_EQ(prompter.Count(PromptKind::Warning), 1u);
    EXPECT_FALSE(Exists(root)) << "an unreachable root is never created";
}

TEST_F(SearchRootTest, InterruptDuringTheWait) {
    std::wstring root = dir.path();
    fs::ScopedAttributeFault fault(root, ERROR_NOT_READY);
    progress.cancelAfterPolls = 2;
    EXPECT_FALSE(Search(RootSide::Destination, root));
    EXPECT_TRUE(log.errorLines.empty());
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_TRUE(Contains(log.lines[0], L"を検索中にｴﾗｰが発生しました。"));
    EXPECT_EQ(log.lines[1], L"ﾕｰｻﾞの指示により中断しました。");
    EXPECT_TRUE(prompter.prompts().empty());
    EXPECT_EQ(fault.failed(), 2);
}

TEST_F(SearchRootTest, SourceIsNotWaitedForUnlessConfirmed) {
    options.folderFailurePolicy = ErrorPolicy::Skip;
    std::wstring root = dir.path();
    fs::ScopedAttributeFault fault(root, ERROR_NOT_READY);
    EXPECT_FALSE(Search(RootSide::Source, root, false));
    EXPECT_EQ(fault.failed(), 1);
    EXPECT_TRUE(Countdown().empty());
    ASSERT_EQ(log.errorLines.size(), 1u);
    EXPECT_TRUE(prompter.prompts().empty());
}

TEST_F(SearchRootTest, DriveComesBackThenTheFolderIsCreated) {
    std::wstring root = dir / L"made\\";
    std::wstring drive = root.substr(0, 2) + L"\\";
    fs::ScopedAttributeFault fault(drive, ERROR_NOT_READY, 2);
    ASSERT_TRUE(Search(RootSide::Destination, root));
    EXPECT_EQ(fault.failed(), 2);
    EXPECT_EQ(Countdown().size(), 2u);
    EXPECT_TRUE(IsFolder(root));
    EXPECT_EQ(log.lines, std::vector<std::wstring>{Message(130, {root})});
}

// Every root that cannot be had, under each folder failure policy: one error
// line, then nothing more (skip), the interrupt line (abort), or a warning
// and the question whether to search again (confirm, answered No). A missing
// source cannot come back by searching again: confirmed, it gets no question.
TEST(RootFailurePolicies, EachFailureUnderEachPolicy) {
    ScopedFileOpTimings timings(ShortTimings());
    TempDir dir;
    WriteFile(dir / L"blocker", "x");
    enum class Kind { MissingSource, FolderNotCreated, DriveRootMissing, RootNotReady };
    const ErrorPolicy skip = ErrorPolicy::Skip, abort = ErrorPolicy::Abort, confirm = ErrorPolicy::Confirm;
    const std::wstring searchFailed = L"を検索中にｴﾗｰが発生しました。原因：";
    const std::wstring notCreated = L"を作成できませんでした。原因：";
    const struct Case {
        Kind kind;
        ErrorPolicy policy;
        std::wstring errorText;  // part of the one error line
        size_t warnings, questions;
        bool interruptLine;
    } cases[] = {
        {Kind::MissingSource, skip, searchFailed, 0, 0, false},
        {Kind::MissingSource, abort, searchFailed, 0, 0, true},
        {Kind::MissingSource, confirm, L"の読み出しにｴﾗｰが発生しました。原因：", 1, 0, false},
        {Kind::FolderNotCreated, skip, notCreated, 0, 0, false},
        {Kind::FolderNotCreated, abort, notCreated, 0, 0, true},
        {Kind::FolderNotCreated, confirm, notCreated, 1, 1, false},
        {Kind::DriveRootMissing, skip, L"Q:\\" + searchFailed, 0, 0, false},
        {Kind::DriveRootMissing, abort, L"Q:\\" + searchFailed, 0, 0, true},
        {Kind::DriveRootMissing, confirm, L"Q:\\" + searchFailed, 1, 1, false},
        {Kind::RootNotReady, skip, searchFailed, 0, 0, false},
        {Kind::RootNotReady, abort, searchFailed, 0, 0, true},
        {Kind::RootNotReady, confirm, searchFailed, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << static_cast<int>(c.kind) << ", policy "
                                          << static_cast<int>(c.policy));
        RunOptions options;
        options.rootWaitSeconds = 0;
        options.folderFailurePolicy = c.policy;
        RecordingProgress progress;
        RecordingLog log;
        ScriptedPrompter prompter;
        prompter.Push(PromptAnswer::No);
        RootRequest root{RootSide::Destination, dir / L"share\\", false, true, false};
        if (c.kind == Kind::MissingSource) root = {RootSide::Source, dir / L"gone\\", false, false, false};
        if (c.kind == Kind::FolderNotCreated) root.path = dir / L"blocker\\dest\\";
        if (c.kind == Kind::DriveRootMissing) root.path = L"Q:\\";
        const std::wstring typed = root.path;
        fs::ScopedAttributeFault unready(dir / L"share\\", ERROR_BAD_NETPATH);

        EXPECT_FALSE(SearchRoot(root, {options, progress, log, prompter}));
        ASSERT_EQ(log.errorLines.size(), 1u);
        EXPECT_TRUE(Contains(log.errorLines[0], c.errorText)) << log.errorLines[0];
        EXPECT_EQ(prompter.Count(PromptKind::Warning), c.warnings);
        EXPECT_EQ(prompter.CountText(L"再試行しますか？"), c.questions);
        EXPECT_EQ(log.lines.back() == L"ﾕｰｻﾞの指示により中断しました。", c.interruptLine);
        EXPECT_FALSE(Exists(typed) && typed != L"Q:\\") << "nothing is made for a root that failed";
    }
}

// Searching again after a failure looks once more, and finds a root that
// has come back meanwhile.
TEST(RootFailurePolicies, ARetryFindsTheRootThatCameBack) {
    ScopedFileOpTimings timings(ShortTimings());
    TempDir dir;
    RunOptions options;
    options.rootWaitSeconds = 0;
    options.folderFailurePolicy = ErrorPolicy::Confirm;
    RecordingProgress progress;
    RecordingLog log;
    ScriptedPrompter prompter;
    prompter.Push(PromptAnswer::Yes);
    RootRequest root{RootSide::Destination, dir.path(), false, true, false};
    fs::ScopedAttributeFault unready(dir.path(), ERROR_NOT_READY, 1);

    ASSERT_TRUE(SearchRoot(root, {options, progress, log, prompter}));
    EXPECT_TRUE(root.isFolder);
    EXPECT_EQ(log.errorLines.size(), 1u);
    EXPECT_EQ(log.lines.back(), L"再試行します。");
    EXPECT_EQ(prompter.unusedAnswers(), 0u);
}


}  // namespace
}  // namespace mirrant
