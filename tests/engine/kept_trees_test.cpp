// What a run must keep whatever its policies say: the folders that hold its
// destination, a user's own folder that happens to bear the set-aside name,
// and the kept versions when the clock cannot be trusted.
#include <windows.h>

#include "engine/set_aside.h"
#include "engine_fixture.h"
#include "fileops/error_text.h"
#include "fileops/fs_edge.h"
#include "support/temp_dir.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using text::Q;

using KeptTrees = EngineTest;

// The destination nested two levels inside the source, and the policy that
// deletes source items the destination lacks: the folder holding the
// destination is neither deleted nor asked about; the rest goes by the policy.
TEST_F(KeptTrees, AFolderHoldingTheDestinationIsNeverDeleted) {
    const std::wstring nested = S(L"a\\b\\");
    for (MissingPolicy policy : {MissingPolicy::Delete, MissingPolicy::Ask}) {
        SCOPED_TRACE(static_cast<int>(policy));
        StartAfresh();
        Src(L"a\\x.txt", "next to the backup", 0);
        Src(L"top.txt", "top", 0);
        MakeFolder(nested);
        host.options.missingInDestination = policy;
        host.prompter.choiceAnswers.push_back({false, static_cast<int>(MissingPolicy::Delete), false});

        EXPECT_EQ(Run(RunMode::Overwrite, src, nested), 1);
        EXPECT_EQ(ReadFile(S(L"a\\x.txt")), "next to the backup");
        EXPECT_TRUE(Exists(nested));
        EXPECT_TRUE(Errors().empty());
        for (const ItemChoiceRequest& asked : host.prompter.choiceRequests)
            EXPECT_NE(asked.path, S(L"a\\")) << "never asked about the folder that holds the destination";
        // top.txt went by the policy (deleted, or deleted as answered).
        EXPECT_FALSE(Exists(S(L"top.txt")));
    }
}

// The search pass of delete priority met a folder it could not list inside
// a source folder that the destination lacks: the execute pass, under the
// policy "delete", leaves the whole folder that holds it.
TEST_F(KeptTrees, AFolderHoldingAnUnknownFolderIsNeverDeleted) {
    Src(L"a\\other.txt", "beside the unreadable folder", 0);
    Src(L"a\\deny\\x.txt", "unreadable", 0);
    host.scheduled = true;
    host.options.deletePriority = true;
    host.options.missingInDestination = MissingPolicy::Delete;
    fs::ScopedListingFault denied(S(L"a\\deny\\"), ERROR_ACCESS_DENIED, 0);

    EXPECT_EQ(Run(RunMode::SyncDeletePriority), 1);
    EXPECT_EQ(ReadFile(S(L"a\\other.txt")), "beside the unreadable folder");
    EXPECT_EQ(Errors(), std::vector<std::wstring>{L"ｺﾋﾟｰ元" + Q(S(L"a\\deny\\")) +
                                                  L"を検索中にｴﾗｰが発生しました。原因：" +
                                                  SystemErrorText(ERROR_ACCESS_DENIED)});
}

// Deeper than a root, a folder named as the set-aside folder is the user's
// and is backed up; at the source root a file of that name is not copied
// (it would block the destination's own folder), and said so once.
TEST_F(KeptTrees, TheSetAsideNameIsReservedAtTheRootsOnly) {
    const std::wstring name = kSetAsideFolderName;
    Src(L"work\\" + name + L"\\notes.txt", "mine", 0);
    Src(name, "a file in the way", 0);
    host.options.setAsideFiles = true;

    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(ReadFile(D(L"work\\" + name + L"\\notes.txt")), "mine");
    EXPECT_FALSE(Exists(D(name)));
    EXPECT_EQ(CountLines(Q(S(name)) + L"は退避ﾌｫﾙﾀﾞと同じ名前のため、ｺﾋﾟｰしません。"), 1u);
    EXPECT_TRUE(Errors().empty());
}

// A root inside a set-aside folder would walk, or delete, what is kept.
TEST_F(KeptTrees, ARootInsideASetAsideFolderIsRefused) {
    const std::wstring kept = D(std::wstring(kSetAsideFolderName) + L"\\2026-12-01_020000\\");
    Src(L"a.txt", "a", 0);
    Dst(std::wstring(kSetAsideFolderName) + L"\\2026-12-01_020000\\old.txt", "kept", 0);
    host.scheduled = true;
    for (bool intoKept : {true, false}) {
        ClearRecords();
        const std::wstring& source = intoKept ? src : kept;
        const std::wstring& destination = intoKept ? kept : dst;
        EXPECT_EQ(Run(RunMode::Sync, source, destination), 0);
        EXPECT_EQ(Errors(), std::vector<std::wstring>{Q(intoKept ? kept : kept) + L"は退避ﾌｫﾙﾀﾞ\"" +
                                                      kSetAsideFolderName + L"\"の中にあるため、実行できません。"});
        EXPECT_EQ(ReadFile(kept + L"old.txt"), "kept");
        EXPECT_FALSE(Exists(kept + L"a.txt"));
    }
}

// A run folder dated after the run's start: the clock went back, or was set
// ahead for an earlier run. Nothing is removed on the strength of the dates.
TEST_F(KeptTrees, RetentionRemovesNothingWhenTheClockWentBack) {
    const std::wstring folder = std::wstring(kSetAsideFolderName) + L"\\";
    for (const wchar_t* run : {L"2020-01-01_000000", L"2020-02-01_000000", L"2020-03-01_000000",
                               L"2020-04-01_000000", L"2099-01-01_000000"})
        Dst(folder + run + L"\\k.txt", "kept", 0);
    host.options.setAsideFiles = true;

    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    for (const wchar_t* run : {L"2020-01-01_000000", L"2020-04-01_000000", L"2099-01-01_000000"})
        EXPECT_TRUE(Exists(D(folder + run + L"\\k.txt"))) << run;
    EXPECT_EQ(Lines(), std::vector<std::wstring>{L"退避ﾌｫﾙﾀﾞ" + Q(D(folder + L"2099-01-01_000000\\")) +
                                                 L"の日時が実行開始より後のため（時計が戻った可能性があります）、"
                                                 L"今回は保存期間を過ぎた退避ﾌｫﾙﾀﾞを削除しません。"});
}

}  // namespace
}  // namespace mirrant::testing
