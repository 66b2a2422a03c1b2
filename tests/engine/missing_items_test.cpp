// Items present on one side only: every policy for files and folders on
// both sides, in test mode and for real; the per-item choice with its check
// box; the folder-delete confirmation.
#include "engine_fixture.h"
#include "fileops/error_text.h"
#include "framework/profile.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

class MissingItems : public EngineTest {
protected:
    int RunForward(MissingPolicy policy, bool test) {
        host.options.missingInDestination = policy;
        return Run(test ? RunMode::OverwriteTest : RunMode::Overwrite);
    }
    int RunReverse(MissingPolicy policy, bool test) {
        host.options.missingInSource = policy;
        return Run(test ? RunMode::SyncTest : RunMode::Sync);
    }
};

TEST_F(MissingItems, FileMissingAtTheDestination) {
    const std::wstring t = S(L"m.txt"), o = D(L"m.txt");
    struct {
        MissingPolicy policy;
        std::wstring testLine;
    } cases[] = {{MissingPolicy::Copy, MissingAtDestination(o)},
                 {MissingPolicy::Delete, MissingAtDestination(o) + WillDeleteSource(t)},
                 {MissingPolicy::Ignore, MissingAtDestination(o) + kIgnoredNotCopied},
                 {MissingPolicy::Ask, MissingAtDestination(o) + kAskAtRun}};
    for (const auto& c : cases) {
        EmptyTrees();
        Src(L"m.txt", "m", 0);
        auto before = Snapshot(temp.path());
        EXPECT_EQ(RunForward(c.policy, true), 1);
        EXPECT_EQ(Snapshot(temp.path()), before);
        EXPECT_TRUE(SameLines(Lines(), {c.testLine}));
    }

    EmptyTrees();
    Src(L"m.txt", "m", 0);
    EXPECT_EQ(RunForward(MissingPolicy::Copy, false), 1);
    EXPECT_TRUE(SameLines(Lines(), {NewlyStored(o)}));
    EXPECT_EQ(ReadFile(o), "m");

    EmptyTrees();
    Src(L"m.txt", "m", 0);
    EXPECT_EQ(RunForward(MissingPolicy::Delete, false), 1);
    EXPECT_TRUE(SameLines(Lines(), {Deleted(t)}));
    EXPECT_FALSE(Exists(t));
    EXPECT_FALSE(Exists(o));

    EmptyTrees();
    Src(L"m.txt", "m", 0);
    EXPECT_EQ(RunForward(MissingPolicy::Ignore, false), 1);
    EXPECT_TRUE(host.log.lines.empty());
    EXPECT_TRUE(Exists(t));
    EXPECT_FALSE(Exists(o));
}

TEST_F(MissingItems, FileMissingAtTheSource) {
    const std::wstring t = D(L"m.txt"), o = S(L"m.txt");
    struct {
        MissingPolicy policy;
        std::wstring testLine;
    } cases[] = {{MissingPolicy::Copy, MissingAtSource(o) + WillCopyToSource(t)},
                 {MissingPolicy::Delete, MissingAtSource(o) + WillDeleteBySync(t)},
                 {MissingPolicy::Ignore, MissingAtSource(o) + kIgnoredNeither},
                 {MissingPolicy::Ask, MissingAtSource(o) + kAskAtRun}};
    for (const auto& c : cases) {
        EmptyTrees();
        Dst(L"m.txt", "m", 0);
        auto before = Snapshot(temp.path());
        EXPECT_EQ(RunReverse(c.policy, true), 1);
        EXPECT_EQ(Snapshot(temp.path()), before);
        EXPECT_TRUE(SameLines(Lines(), {c.testLine}));
    }

    EmptyTrees();
    Dst(L"m.txt", "m", 5);
    EXPECT_EQ(RunReverse(MissingPolicy::Copy, false), 1);
    EXPECT_TRUE(SameLines(Lines(), {NewlyStored(o)}));
    EXPECT_EQ(ReadFile(o), "m");
    EXPECT_EQ(GetWriteTime(o), kBaseTime + 5 * kSecond);

    EmptyTrees();
    Dst(L"m.txt", "m", 0);
    EXPECT_EQ(RunReverse(MissingPolicy::Delete, false), 1);
    EXPECT_TRUE(SameLines(Lines(), {Deleted(t)}));
    EXPECT_FALSE(Exists(t));

    EmptyTrees();
    Dst(L"m.txt", "m", 0);
    EXPECT_EQ(RunReverse(MissingPolicy::Ignore, false), 1);
    EXPECT_TRUE(host.log.lines.empty());
    EXPECT_TRUE(Exists(t));
    EXPECT_FALSE(Exists(o));
}

TEST_F(MissingItems, FolderMissingAtTheDestination) {
    const std::wstring t = S(L"mf\\"), o = D(L"mf\\");
    const std::wstring ti = S(L"mf\\in.txt"), oi = D(L"mf\\in.txt");
    // Test mode descends into the folder in every case.
    struct {
        MissingPolicy policy;
        bool copyEmptyFolders;
        std::vector<std::wstring> lines;
    } cases[] = {
        {MissingPolicy::Copy, true, {FolderMissingAtDestination(o), MissingAtDestination(oi)}},
        {MissingPolicy::Copy, false, {MissingAtDestination(oi)}},
        {MissingPolicy::Delete, true,
         {FolderMissingAtDestination(o) + WillDeleteSourceFolder(t), MissingAtDestination(oi) + WillDeleteSource(ti)}},
        {MissingPolicy::Ignore, true,
         {FolderMissingAtDestination(o) + kIgnoredNotCopied, MissingAtDestination(oi) + kIgnoredNotCopied}},
        {MissingPolicy::Ask, true, {FolderMissingAtDestination(o) + kAskAtRun, MissingAtDestination(oi) + kAskAtRun}},
    };
    for (const auto& c : cases) {
        EmptyTrees();
        Src(L"mf\\in.txt", "i", 0);
        host.options.copyEmptyFolders = c.copyEmptyFolders;
        auto before = Snapshot(temp.path());
        EXPECT_EQ(RunForward(c.policy, true), 1);
        EXPECT_EQ(Snapshot(temp.path()), before);
        EXPECT_TRUE(SameLines(Lines(), Sorted(c.lines)));
    }
    host.options.copyEmptyFolders = true;

    EmptyTrees();
    Src(L"mf\\in.txt", "i", 0);
    MakeFolder(S(L"empty\\"));
    EXPECT_EQ(RunForward(MissingPolicy::Copy, false), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({FolderCreated(o), NewlyStored(oi), FolderCreated(D(L"empty\\"))})));
    EXPECT_EQ(ReadFile(oi), "i");
    EXPECT_TRUE(Exists(D(L"empty\\")));

    // Without empty folders: created by the first copy into it, and a folder
    // with nothing to copy is not created at all.
    EmptyTrees();
    host.options.copyEmptyFolders = false;
    Src(L"mf\\in.txt", "i", 0);
    MakeFolder(S(L"empty\\"));
    EXPECT_EQ(RunForward(MissingPolicy::Copy, false), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({FolderCreated(o), NewlyStored(oi)})));
    EXPECT_EQ(ReadFile(oi), "i");
    EXPECT_FALSE(Exists(D(L"empty\\")));
    host.options.copyEmptyFolders = true;

    EmptyTrees();
    Src(L"mf\\in.txt", "i", 0);
    EXPECT_EQ(RunForward(MissingPolicy::Delete, false), 1);
    EXPECT_TRUE(SameLines(Lines(), {FolderDeleted(t)}));
    EXPECT_FALSE(Exists(t));
    EXPECT_FALSE(Exists(o));

    EmptyTrees();
    Src(L"mf\\in.txt", "i", 0);
    EXPECT_EQ(RunForward(MissingPolicy::Ignore, false), 1);
    EXPECT_TRUE(host.log.lines.empty());
    EXPECT_TRUE(Exists(ti));
    EXPECT_FALSE(Exists(o));
}

TEST_F(MissingItems, FolderMissingAtTheSource) {
    const std::wstring t = D(L"mf\\"), o = S(L"mf\\");
    const std::wstring ti = D(L"mf\\in.txt"), oi = S(L"mf\\in.txt");
    // Test mode does not descend, except for copying without empty folders.
    struct {
        MissingPolicy policy;
        bool copyEmptyFolders;
        std::vector<std::wstring> lines;
    } cases[] = {
        {MissingPolicy::Copy, true, {FolderMissingAtSource(o) + WillCopyFolderToSource(t)}},
        {MissingPolicy::Copy, false, {MissingAtSource(oi) + WillCopyToSource(ti)}},
        {MissingPolicy::Delete, true, {FolderMissingAtSource(o) + WillDeleteFolderBySync(t)}},
        {MissingPolicy::Ignore, true, {FolderMissingAtSource(o) + kIgnoredNeither}},
        {MissingPolicy::Ask, true, {FolderMissingAtSource(o) + kAskAtRun}},
    };
    for (const auto& c : cases) {
        EmptyTrees();
        Dst(L"mf\\in.txt", "i", 0);
        host.options.copyEmptyFolders = c.copyEmptyFolders;
        auto before = Snapshot(temp.path());
        EXPECT_EQ(RunReverse(c.policy, true), 1);
        EXPECT_EQ(Snapshot(temp.path()), before);
        EXPECT_TRUE(SameLines(Lines(), Sorted(c.lines)));
    }
    host.options.copyEmptyFolders = true;

    EmptyTrees();
    Dst(L"mf\\in.txt", "i", 0);
    EXPECT_EQ(RunReverse(MissingPolicy::Copy, false), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({FolderCreated(o), NewlyStored(oi)})));
    EXPECT_EQ(ReadFile(oi), "i");

    EmptyTrees();
    Dst(L"mf\\in.txt", "i", 0);
    EXPECT_EQ(RunReverse(MissingPolicy::Delete, false), 1);
    EXPECT_TRUE(SameLines(Lines(), {FolderDeleted(t)}));
    EXPECT_FALSE(Exists(t));

    EmptyTrees();
    Dst(L"mf\\in.txt", "i", 0);
    EXPECT_EQ(RunReverse(MissingPolicy::Ignore, false), 1);
    EXPECT_TRUE(host.log.lines.empty());
    EXPECT_TRUE(Exists(ti));
    EXPECT_FALSE(Exists(o));
}

TEST_F(MissingItems, ReadOnlyOrphanStaysWhenReadOnlyFilesAreNotUpdated) {
    host.options.updateReadOnly = false;
    host.options.deleteFailurePolicy = ErrorPolicy::Skip;
    Dst(L"ro.txt", "r", 0);
    SetReadOnly(D(L"ro.txt"), true);
    EXPECT_EQ(RunReverse(MissingPolicy::Delete, false), 1);
    EXPECT_TRUE(SameLines(Errors(), {NotDeleted(D(L"ro.txt"), ReadOnlyRefused(D(L"ro.txt")))}));
    EXPECT_TRUE(Exists(D(L"ro.txt")));
    SetReadOnly(D(L"ro.txt"), false);

    // With the option on, the attribute is cleared and the file deleted.
    ClearRecords();
    host.options.updateReadOnly = true;
    SetReadOnly(D(L"ro.txt"), true);
    EXPECT_EQ(RunReverse(MissingPolicy::Delete, false), 1);
    EXPECT_TRUE(SameLines(Lines(), {Deleted(D(L"ro.txt"))}));
    EXPECT_FALSE(Exists(D(L"ro.txt")));
}

TEST_F(MissingItems, PerItemChoiceWithTheCheckBoxChangesTheStoredPolicy) {
    host.options.missingInSource = MissingPolicy::Ask;
    host.options.deletePriority = false;
    Dst(L"a.txt", "a", 0);
    Dst(L"b.txt", "b", 0);
    host.prompter.choiceAnswers.push_back({false, 1, true});
    host.prompter.boxes.Push(PromptAnswer::Yes);  // msg::kDeletePriorityOnQuestion
    EXPECT_EQ(Run(RunMode::Sync), 1);

    ASSERT_EQ(host.prompter.choiceRequests.size(), 1u);
    const ItemChoiceRequest& r = host.prompter.choiceRequests[0];
    EXPECT_EQ(r.side, MissingSide::Source);
    EXPECT_FALSE(r.isFolder);
    EXPECT_EQ(r.title, L"同期時にｺﾋﾟｰ元にない場合の処理の選択");
    EXPECT_EQ(r.message, L"以下のｺﾋﾟｰ先のﾌｧｲﾙがｺﾋﾟｰ元にありません。");
    EXPECT_EQ(r.choiceTexts[0], L"ｺﾋﾟｰ先からｺﾋﾟｰ元へｺﾋﾟｰする");
    EXPECT_EQ(r.choiceTexts[1], L"ｺﾋﾟｰ先を削除する");
    EXPECT_EQ(r.choiceTexts[2], L"ｺﾋﾟｰも削除もしない");
    EXPECT_EQ(r.checkBoxText, L"以後、「毎回処理を選択する」を、上の設定に変更する");
    EXPECT_EQ(r.preselected, 1);
    const std::wstring asked = r.path;
    const std::wstring name = asked.substr(dst.size());

    EXPECT_TRUE(SameLines(
        Lines(), Sorted({MissingAtSource(S(name)) + L"「ｺﾋﾟｰ先を削除する」が選択されました。",
                         L"同期時にｺﾋﾟｰ元にない場合の処理の選択で、設定が「毎回処理を選択する」から「ｺﾋﾟｰ先を削除する」に変更されました。",
                         Deleted(D(L"a.txt")), Deleted(D(L"b.txt"))})));
    ASSERT_EQ(host.prompter.boxes.prompts().size(), 1u);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].kind, PromptKind::YesNo);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].text, kDeletePriorityOnQuestion);
    EXPECT_EQ(host.options.missingInSource, MissingPolicy::Delete);
    EXPECT_TRUE(host.options.deletePriority);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op15", -1), 1);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op1", -1), 1);

    // Choosing something else with the box ticked switches delete priority
    // off again.
    ClearRecords();
    host.options.missingInSource = MissingPolicy::Ask;
    Dst(L"c.txt", "c", 0);
    host.prompter.choiceAnswers.push_back({false, 2, true});
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(host.prompter.boxes.prompts().back().kind, PromptKind::Information);
    EXPECT_EQ(host.prompter.boxes.prompts().back().text, kDeletePriorityOff);
    EXPECT_FALSE(host.options.deletePriority);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op1", -1), 0);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op15", -1), 2);
    EXPECT_TRUE(Exists(D(L"c.txt")));
}

TEST_F(MissingItems, PerItemChoiceWithoutTheCheckBoxAsksForEveryItemAndRemembersTheChoice) {
    host.options.missingInDestination = MissingPolicy::Ask;
    Src(L"mf\\in.txt", "i", 0);
    host.prompter.choiceAnswers.push_back({false, 0, false});  // the folder: copy
    host.prompter.choiceAnswers.push_back({false, 2, false});  // the file inside: leave
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    ASSERT_EQ(host.prompter.choiceRequests.size(), 2u);
    EXPECT_EQ(host.prompter.choiceRequests[0].title, L"上書き・同期時にｺﾋﾟｰ先にない場合の処理の選択");
    EXPECT_EQ(host.prompter.choiceRequests[0].message, L"以下のｺﾋﾟｰ元のﾌｫﾙﾀﾞがｺﾋﾟｰ先にありません。");
    EXPECT_EQ(host.prompter.choiceRequests[0].path, S(L"mf\\"));
    EXPECT_EQ(host.prompter.choiceRequests[0].preselected, 0);
    EXPECT_EQ(host.prompter.choiceRequests[1].message, L"以下のｺﾋﾟｰ元のﾌｧｲﾙがｺﾋﾟｰ先にありません。");
    EXPECT_EQ(host.prompter.choiceRequests[1].preselected, 0);
    EXPECT_TRUE(SameLines(Lines(), Sorted({FolderMissingAtDestination(D(L"mf\\")) + L"「ｺﾋﾟｰ元からｺﾋﾟｰ先へｺﾋﾟｰする」が選択されました。",
                                           FolderCreated(D(L"mf\\")),
                                           MissingAtDestination(D(L"mf\\in.txt")) + L"「ｺﾋﾟｰしない」が選択されました。"})));
    EXPECT_FALSE(Exists(D(L"mf\\in.txt")));
    EXPECT_EQ(host.options.missingInDestination, MissingPolicy::Ask);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op14", -1), -1);

    // The next question opens with the last choice.
    ClearRecords();
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    ASSERT_EQ(host.prompter.choiceRequests.size(), 3u);
    EXPECT_EQ(host.prompter.choiceRequests[2].preselected, 2);

    // "中断" ends the run.
    ClearRecords();
    host.prompter.choiceAnswers.push_back({true, 0, false});
    EXPECT_EQ(Run(RunMode::Overwrite), 0);
    EXPECT_TRUE(SameLines(Lines(), {kInterrupted}));
    EXPECT_FALSE(Exists(D(L"mf\\in.txt")));
}

class FolderDeleteConfirmation : public MissingItems {
protected:
    void SetUp() override {
        MissingItems::SetUp();
        host.options.confirmFolderDelete = true;
        host.options.suppressFolderDeleteConfirm = false;
        Src(L"keep.txt", "k", 0);  // a source that is not empty
        Dst(L"keep.txt", "k", 0);
    }
};

TEST_F(FolderDeleteConfirmation, DeclinedOnceIsNotAskedAgainInTheSameRun) {
    // Delete priority: the reverse search pass asks, the reverse pass that
    // follows (there is a file to copy) does not ask again.
    Dst(L"orphan\\x.txt", "x", 0);
    Src(L"newer.txt", "new", 100);
    Dst(L"newer.txt", "old", 0);
    host.prompter.folderAnswers.push_back({FolderDeleteButton::No, false});
    EXPECT_EQ(Run(RunMode::SyncDeletePriority), 1);
    EXPECT_TRUE(SameLines(host.prompter.folderRequests, {D(L"orphan\\")}));
    EXPECT_TRUE(Exists(D(L"orphan\\x.txt")));
    EXPECT_TRUE(SameLines(Lines(), {Updated(D(L"newer.txt"))}));

    // The next run asks again.
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(host.prompter.folderRequests.size(), 2u);
    EXPECT_FALSE(Exists(D(L"orphan\\")));
}

TEST_F(FolderDeleteConfirmation, YesWithTheCheckBoxDeletesLaterFoldersWithoutAsking) {
    Dst(L"one\\x.txt", "x", 0);
    Dst(L"two\\y.txt", "y", 0);
    host.prompter.folderAnswers.push_back({FolderDeleteButton::Yes, true});
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(host.prompter.folderRequests.size(), 1u);
    ASSERT_EQ(host.prompter.boxes.prompts().size(), 1u);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].kind, PromptKind::Information);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].text, kFolderDeleteHint);
    EXPECT_TRUE(SameLines(Lines(), Sorted({FolderDeleted(D(L"one\\")), FolderDeleted(D(L"two\\"))})));
    EXPECT_FALSE(Exists(D(L"one\\")));
    EXPECT_FALSE(Exists(D(L"two\\")));

    // The suppression belonged to the run: the next run asks again.
    Dst(L"three\\z.txt", "z", 0);
    host.prompter.folderAnswers.push_back({FolderDeleteButton::No, false});
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(host.prompter.folderRequests.size(), 2u);
    EXPECT_TRUE(Exists(D(L"three\\z.txt")));
}

TEST_F(FolderDeleteConfirmation, InterruptButtonAsksWhetherToStop) {
    Dst(L"orphan\\x.txt", "x", 0);
    host.prompter.folderAnswers.push_back({FolderDeleteButton::Interrupt, false});
    host.prompter.boxes.Push(PromptAnswer::No);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    ASSERT_EQ(host.prompter.boxes.prompts().size(), 1u);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].text, kInterruptQuestion);
    EXPECT_TRUE(Exists(D(L"orphan\\x.txt")));
    EXPECT_TRUE(host.log.lines.empty());

    ClearRecords();
    host.prompter.folderAnswers.push_back({FolderDeleteButton::Interrupt, false});
    host.prompter.boxes.Push(PromptAnswer::Yes);
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_TRUE(SameLines(Lines(), {kInterrupted}));
    EXPECT_TRUE(Exists(D(L"orphan\\x.txt")));
}

class FolderLeftover : public EngineTest {};

TEST_F(FolderLeftover, AFolderThatCannotBeEmptiedIsReportedWithWhatRemains) {
    host.options.updateReadOnly = false;
    Dst(L"keep\\ro.txt", "r", 0);
    Dst(L"keep\\gone.txt", "g", 0);
    SetReadOnly(D(L"keep\\ro.txt"), true);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    SetReadOnly(D(L"keep\\ro.txt"), false);
    EXPECT_TRUE(SameLines(
        Errors(), Sorted({NotDeleted(D(L"keep\\ro.txt"), ReadOnlyRefused(D(L"keep\\ro.txt"))),
                          NotDeleted(D(L"keep\\"), ReplaceLongPaths(SystemErrorText(ERROR_DIR_NOT_EMPTY), {D(L"keep\\")})),
                          FolderNotDeleted(D(L"keep\\"), 1)})));
    EXPECT_TRUE(Exists(D(L"keep\\ro.txt")));
    EXPECT_FALSE(Exists(D(L"keep\\gone.txt")));
}

class FolderLinks : public EngineTest {};

// A folder link in the destination that the source lacks: deleting it
// removes the link, never what it points to outside the tree.
TEST_F(FolderLinks, DeletingALinkedFolderLeavesItsTargetAlone) {
    const std::wstring outside = temp / L"outside\\";
    MakeFolder(outside);
    WriteFile(outside + L"precious.txt", "keep");
    // Wine may report success and make no link a listing would show.
    CreateSymbolicLinkW(D(L"lnk").c_str(), (temp / L"outside").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    if (Snapshot(dst).count(L"lnk\\") == 0) GTEST_SKIP() << "folder links cannot be made here";
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(ReadFile(outside + L"precious.txt"), "keep");
    EXPECT_FALSE(Exists(D(L"lnk")));
    EXPECT_TRUE(SameLines(host.log.lines, {FolderDeleted(D(L"lnk\\"))}));
}

}  // namespace
}  // namespace mirrant::testing
