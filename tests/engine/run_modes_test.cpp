// Every mode against the same small tree, the passes with their titles,
// delete priority when its search passes find nothing, the single-file run
// and the checks before the passes.
#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

class RunModes : public EngineTest {
protected:
    // same.txt equal on both sides; newer.txt newer in the source; older.txt
    // newer (and different) in the destination; onlysrc.txt and sub\ only in
    // the source; onlydst.txt and dsub\ only in the destination; both\ on
    // both sides with equal contents.
    void MakeTree() {
        Src(L"same.txt", "same", 0);
        Dst(L"same.txt", "same", 0);
        Src(L"newer.txt", "new!", 100);
        Dst(L"newer.txt", "old!", 0);
        Src(L"older.txt", "old", 0);
        Dst(L"older.txt", "newer and longer", 100);
        Src(L"onlysrc.txt", "s", 0);
        Src(L"sub\\a.txt", "a", 0);
        Dst(L"onlydst.txt", "d", 0);
        Dst(L"dsub\\x.txt", "x", 0);
        Src(L"both\\inner.txt", "i", 0);
        Dst(L"both\\inner.txt", "i", 0);
    }

    std::vector<std::wstring> ForwardTestLines() {
        return {OlderThan(D(L"newer.txt"), S(L"newer.txt")), OverwriteNewer(S(L"older.txt"), D(L"older.txt")),
                MissingAtDestination(D(L"onlysrc.txt")), FolderMissingAtDestination(D(L"sub\\")),
                MissingAtDestination(D(L"sub\\a.txt"))};
    }
    std::vector<std::wstring> ForwardLines() {
        return {Updated(D(L"newer.txt")),        OverwriteNewer(S(L"older.txt"), D(L"older.txt")),
                Updated(D(L"older.txt")),        NewlyStored(D(L"onlysrc.txt")),
                FolderCreated(D(L"sub\\")),      NewlyStored(D(L"sub\\a.txt"))};
    }
    void ExpectForwardCopied() {
        EXPECT_EQ(ReadFile(D(L"newer.txt")), "new!");
        EXPECT_EQ(ReadFile(D(L"older.txt")), "old");
        EXPECT_EQ(GetWriteTime(D(L"older.txt")), kBaseTime);
        EXPECT_EQ(ReadFile(D(L"onlysrc.txt")), "s");
        EXPECT_EQ(ReadFile(D(L"sub\\a.txt")), "a");
    }
    // A sync's end: the forward copies, and the destination-only items deleted.
    void ExpectSynced() {
        auto expected = ForwardLines();
        expected.push_back(Deleted(D(L"onlydst.txt")));
        expected.push_back(FolderDeleted(D(L"dsub\\")));
        EXPECT_TRUE(SameLines(Lines(), Sorted(expected)));
        ExpectForwardCopied();
        EXPECT_FALSE(Exists(D(L"onlydst.txt")));
        EXPECT_FALSE(Exists(D(L"dsub\\")));
    }
};

TEST_F(RunModes, OverwriteTestReportsEveryDecisionAndChangesNothing) {
    MakeTree();
    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::OverwriteTest), 1);
    EXPECT_EQ(Snapshot(temp.path()), before);
    EXPECT_TRUE(SameLines(Lines(), Sorted(ForwardTestLines())));
    EXPECT_TRUE(SameLines(Errors(), {}));
    EXPECT_EQ(host.progress.titles.back(), L"上書きｺﾋﾟｰ ﾃｽﾄﾓｰﾄﾞ");
    EXPECT_TRUE(lastOutcome.loggedAnything);
    EXPECT_FALSE(lastOutcome.toldInBox);
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
}

TEST_F(RunModes, OverwriteCopiesForwardAndLeavesDestinationOnlyItems) {
    MakeTree();
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted(ForwardLines())));
    ExpectForwardCopied();
    EXPECT_TRUE(Exists(D(L"onlydst.txt")));
    EXPECT_TRUE(Exists(D(L"dsub\\x.txt")));
    EXPECT_FALSE(Exists(S(L"onlydst.txt")));
    EXPECT_TRUE(SameLines(host.progress.titles, (std::vector<std::wstring>{L"上書きｺﾋﾟｰ", L"上書きｺﾋﾟｰ"})));
}

TEST_F(RunModes, SyncTestReportsBothPassesAndChangesNothing) {
    MakeTree();
    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    EXPECT_EQ(Snapshot(temp.path()), before);
    auto expected = ForwardTestLines();
    expected.push_back(MissingAtSource(S(L"onlydst.txt")) + WillDeleteBySync(D(L"onlydst.txt")));
    expected.push_back(FolderMissingAtSource(S(L"dsub\\")) + WillDeleteFolderBySync(D(L"dsub\\")));
    EXPECT_TRUE(SameLines(Lines(), Sorted(expected)));
    EXPECT_EQ(host.progress.titles,
              (std::vector<std::wstring>{L"同期ｺﾋﾟｰ ﾃｽﾄﾓｰﾄﾞ", L"同期ｺﾋﾟｰ ﾃｽﾄﾓｰﾄﾞ", L"逆向き照合 ﾃｽﾄﾓｰﾄﾞ"}));
    EXPECT_TRUE(SameLines(host.progress.directions, (std::vector<std::wstring>{L"ｺﾋﾟｰ元 → ｺﾋﾟｰ先", L"ｺﾋﾟｰ元 ← ｺﾋﾟｰ先"})));
}

TEST_F(RunModes, SyncCopiesForwardThenDeletesDestinationOnlyItems) {
    MakeTree();
    EXPECT_EQ(Run(RunMode::Sync), 1);
    ExpectSynced();
    EXPECT_TRUE(SameLines(host.progress.titles, (std::vector<std::wstring>{L"同期ｺﾋﾟｰ", L"同期ｺﾋﾟｰ", L"逆向き照合"})));
}

TEST_F(RunModes, SyncDeletePrioritySearchesFirstAndEndsLikeSync) {
    MakeTree();
    EXPECT_EQ(Run(RunMode::SyncDeletePriority), 1);
    ExpectSynced();
    EXPECT_EQ(host.progress.titles,
              (std::vector<std::wstring>{L"同期ｺﾋﾟｰ 削除優先", L"同期ｺﾋﾟｰ 削除優先（削除項目検索中）",
                                         L"逆向き照合 削除優先（削除項目検索中）", L"同期ｺﾋﾟｰ 削除優先",
                                         L"逆向き照合 削除優先"}));
    // The deletions happen while searching, before anything is copied.
    auto deleted = std::find(host.log.lines.begin(), host.log.lines.end(), Deleted(D(L"onlydst.txt")));
    auto copied = std::find(host.log.lines.begin(), host.log.lines.end(), Updated(D(L"newer.txt")));
    EXPECT_LT(deleted, copied);
}

TEST_F(RunModes, DeletePriorityEndsAfterSearchingWhenNothingIsToBeCopied) {
    Src(L"same.txt", "same", 0);
    Dst(L"same.txt", "same", 0);
    EXPECT_EQ(Run(RunMode::SyncDeletePriority), 1);
    EXPECT_TRUE(host.log.lines.empty());
    EXPECT_FALSE(lastOutcome.loggedAnything);
    EXPECT_EQ(host.progress.titles.back(), L"逆向き照合 削除優先（削除項目検索中）");

    // Only deletions found: they are done by the search pass and are all
    // the result shows.
    ClearRecords();
    host.progress.titles.clear();
    Dst(L"orphan.txt", "o", 0);
    EXPECT_EQ(Run(RunMode::SyncDeletePriority), 1);
    EXPECT_TRUE(SameLines(Lines(), (std::vector<std::wstring>{Deleted(D(L"orphan.txt"))})));
    EXPECT_FALSE(Exists(D(L"orphan.txt")));
    EXPECT_EQ(host.progress.titles.back(), L"逆向き照合 削除優先（削除項目検索中）");
    EXPECT_TRUE(lastOutcome.loggedAnything);
}

TEST_F(RunModes, AFailedPassEndsTheRunAndNoLaterPassRuns) {
    MakeTree();
    host.options.confirmNewerDestination = true;
    host.prompter.boxes.Push(PromptAnswer::Cancel);  // msg::kOverwriteNewerQuestion + 150
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_EQ(CountLines(kInterrupted), 1u);
    EXPECT_TRUE(Exists(D(L"onlydst.txt")));  // the reverse pass did not run
    EXPECT_EQ(host.progress.titles.back(), L"同期ｺﾋﾟｰ");
    EXPECT_TRUE(lastOutcome.loggedAnything);
}

TEST_F(RunModes, SingleFileIntoAFolderAndOntoAFile) {
    Src(L"f.txt", "file", 100);
    EXPECT_EQ(Run(RunMode::Overwrite, S(L"f.txt"), dst), 1);
    EXPECT_EQ(ReadFile(D(L"f.txt")), "file");
    EXPECT_TRUE(SameLines(Lines(), (std::vector<std::wstring>{NewlyStored(D(L"f.txt"))})));

    // Onto a file of another name that is older.
    ClearRecords();
    Dst(L"g.txt", "older", 0);
    EXPECT_EQ(Run(RunMode::Overwrite, S(L"f.txt"), D(L"g.txt")), 1);
    EXPECT_EQ(ReadFile(D(L"g.txt")), "file");
    EXPECT_TRUE(SameLines(Lines(), (std::vector<std::wstring>{Updated(D(L"g.txt"))})));

    // Into a folder that does not exist yet: it is created first.
    ClearRecords();
    EXPECT_EQ(Run(RunMode::Overwrite, S(L"f.txt"), D(L"new\\")), 1);
    EXPECT_EQ(ReadFile(D(L"new\\f.txt")), "file");
    EXPECT_EQ(CountLines(NewlyStored(D(L"new\\f.txt"))), 1u);
}

TEST_F(RunModes, SingleFileInSyncModesCountsAsOverwrite) {
    Src(L"f.txt", "file", 0);
    Dst(L"f.txt", "newer destination", 100);
    host.options.confirmNewerDestination = true;
    host.prompter.boxes.Push(PromptAnswer::Yes);
    EXPECT_EQ(Run(RunMode::Sync, S(L"f.txt"), dst), 1);
    const auto& prompts = host.prompter.boxes.prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].kind, PromptKind::Warning);
    EXPECT_EQ(prompts[0].text, kOneSideFile);
    // The overwrite question, without the reverse notice.
    EXPECT_EQ(prompts[1].kind, PromptKind::YesNo);
    EXPECT_EQ(prompts[1].text, OverwriteNewerQuestion(S(L"f.txt"), D(L"f.txt")));
    EXPECT_EQ(ReadFile(D(L"f.txt")), "file");

    // Without boxes for other errors the notice is a normal line.
    ClearRecords();
    host.options.confirmOtherErrors = false;
    host.options.confirmNewerDestination = false;
    Dst(L"f.txt", "newer destination", 100);
    EXPECT_EQ(Run(RunMode::SyncDeletePriority, S(L"f.txt"), dst), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({kOneSideFile, OverwriteNewer(S(L"f.txt"), D(L"f.txt")), Updated(D(L"f.txt"))})));
}

TEST_F(RunModes, SingleFileInTestMode) {
    Src(L"f.txt", "file", 0);
    Dst(L"f.txt", "newer destination", 100);
    host.options.missingInDestination = MissingPolicy::Ignore;
    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::OverwriteTest, S(L"f.txt"), dst), 1);
    EXPECT_EQ(Run(RunMode::OverwriteTest, S(L"f.txt"), D(L"other\\")), 1);
    EXPECT_EQ(Snapshot(temp.path()), before);
    // A newer, different destination is reported as 131 and 148, never 232;
    // a missing destination folder is reported by the root search.
    EXPECT_TRUE(SameLines(Lines(), Sorted({NewerThan(D(L"f.txt"), S(L"f.txt")), DifferentContent(D(L"f.txt"), S(L"f.txt")),
                                           MissingAtDestination(D(L"other\\")),
                                           MissingAtDestination(D(L"other\\f.txt")) + kSingleFileCopiedAnyway})));
}

TEST_F(RunModes, EmptyBoxesEndTheRunBeforeAnyPass) {
    EXPECT_EQ(Run(RunMode::Overwrite, L"", dst), 0);
    ASSERT_EQ(host.prompter.boxes.prompts().size(), 1u);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].text, kSourceEmpty);
    EXPECT_TRUE(host.log.lines.empty());
    EXPECT_TRUE(lastOutcome.toldInBox);

    host.options.confirmOtherErrors = false;
    EXPECT_EQ(Run(RunMode::Overwrite, src, L""), 0);
    EXPECT_TRUE(SameLines(Errors(), (std::vector<std::wstring>{kDestinationEmpty})));
    EXPECT_FALSE(lastOutcome.toldInBox);
    EXPECT_TRUE(lastOutcome.loggedAnything);
    EXPECT_EQ(host.prompter.boxes.prompts().size(), 1u);
}

TEST_F(RunModes, FolderOntoFileIsNotSupported) {
    Dst(L"file.txt", "x", 0);
    host.prompter.boxes.Push(PromptAnswer::Yes);
    EXPECT_EQ(Run(RunMode::Overwrite, src, D(L"file.txt")), 0);
    const auto& prompts = host.prompter.boxes.prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].text, kFolderOntoFileQuestion);
    EXPECT_EQ(prompts[1].text, kUnsupported);
    EXPECT_EQ(ReadFile(D(L"file.txt")), "x");
    EXPECT_TRUE(lastOutcome.toldInBox);

    host.options.confirmOtherErrors = false;
    EXPECT_EQ(Run(RunMode::Overwrite, src, D(L"file.txt")), 0);
    EXPECT_TRUE(SameLines(Errors(), (std::vector<std::wstring>{kFolderOntoFileLine})));
    EXPECT_EQ(host.prompter.boxes.prompts().size(), 2u);
}

}  // namespace
}  // namespace mirrant::testing
