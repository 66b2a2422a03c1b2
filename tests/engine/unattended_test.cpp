// Runs that no one watches and the checks that keep a run from losing a
// backup: every question of a scheduled run answered at once with its safe
// answer, no deletion once the other side's root is gone, an empty source,
// roots that overlap, copy leftovers and names the program cannot reach.
#include "engine_fixture.h"
#include "texts.h"
#include "fileops/fs_edge.h"
#include "fileops/path_rules.h"
#include "framework/edition.h"

namespace mirrant::testing {
namespace {

using namespace text;

const std::wstring kScheduled = L"ｽｹｼﾞｭｰﾙ実行中のため、";

class Unattended : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        host.scheduled = true;
    }
    // Nothing was shown and nothing was asked.
    void ExpectNoPrompt() {
        EXPECT_TRUE(host.prompter.boxes.prompts().empty());
        EXPECT_TRUE(host.prompter.choiceRequests.empty());
        EXPECT_TRUE(host.prompter.folderRequests.empty());
    }
};

// Each question a run would wait at, its safe answer, and the line that
// says so; the tree is left as the safe answer leaves it.
TEST_F(Unattended, EveryQuestionGetsItsSafeAnswerAtOnceAndIsLogged) {
    struct Case {
        const char* what;
        RunMode mode;
        std::function<void()> setUp;
        std::function<void()> expectDisk;
        std::function<std::wstring()> line;
        int result;
    };
    auto newerDestination = [&] {
        host.options.confirmNewerDestination = true;
        Src(L"f.txt", "old", 0);
        Dst(L"f.txt", "newer", 100);
    };
    auto newerKept = [&] {
        EXPECT_EQ(ReadFile(D(L"f.txt")), "newer");
        EXPECT_EQ(ReadFile(S(L"f.txt")), "old");
    };
    auto bothKeptLine = [&] {
        return kScheduled + L"\"" + S(L"f.txt") + L"\"と\"" + D(L"f.txt") + L"\"はどちらも上書きせずにそのままにしました。";
    };
    const Case cases[] = {
        {"newer destination, overwrite", RunMode::Overwrite, newerDestination, newerKept, bothKeptLine, 1},
        {"newer destination, sync", RunMode::Sync, newerDestination, newerKept, bothKeptLine, 1},
        {"same time, other size", RunMode::Overwrite,
         [&] {
             host.options.confirmSameTimeDifferentSize = true;
             Src(L"f.txt", "longer", 0);
             Dst(L"f.txt", "short", 0);
         },
         [&] { EXPECT_EQ(ReadFile(D(L"f.txt")), "short"); },
         [&] { return kScheduled + L"\"" + S(L"f.txt") + L"\"はｺﾋﾟｰしませんでした。"; }, 1},
        {"an item missing at the source, policy ask", RunMode::Sync,
         [&] {
             host.options.missingInSource = MissingPolicy::Ask;
             Src(L"keep.txt", "k", 0);
             Dst(L"keep.txt", "k", 0);
             Dst(L"orphan.txt", "o", 0);
         },
         [&] { EXPECT_TRUE(Exists(D(L"orphan.txt"))); EXPECT_FALSE(Exists(S(L"orphan.txt"))); },
         [&] { return MissingAtSource(S(L"orphan.txt")) + kScheduled + L"ｺﾋﾟｰも削除もしませんでした。"; }, 1},
        {"a folder to delete", RunMode::Sync,
         [&] {
             host.options.confirmFolderDelete = true;
             host.options.suppressFolderDeleteConfirm = false;
             Src(L"keep.txt", "k", 0);
             Dst(L"keep.txt", "k", 0);
             Dst(L"old\\x.txt", "x", 0);
         },
         [&] { EXPECT_TRUE(Exists(D(L"old\\x.txt"))); },
         [&] { return kScheduled + L"ﾌｫﾙﾀﾞ\"" + D(L"old\\") + L"\"は削除しませんでした。"; }, 1},
        {"a file that cannot be written, policy confirm", RunMode::Overwrite,
         [&] {
             host.options.writeFailurePolicy = ErrorPolicy::Confirm;
             Src(L"a.txt", "a", 0);
             Src(L"b.txt", "b", 0);
             host.files.beforeCopy = [&](const std::wstring& d) {
                 if (d == D(L"a.txt")) host.files.failNextCopy = true;
             };
         },
         [&] { EXPECT_FALSE(Exists(D(L"a.txt"))); EXPECT_EQ(ReadFile(D(L"b.txt")), "b"); },
         [&] { return NotUpdated(D(L"a.txt")) + L"原因：テスト用の失敗"; }, 1},
        {"an empty source box", RunMode::Overwrite, [&] { host.options.confirmOtherErrors = true; }, [] {},
         [] { return std::wstring(L"ｺﾋﾟｰ元が空欄です。"); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartAfresh();
        host.options.confirmSameTimeDifferentSize = false;
        c.setUp();
        const bool emptyBox = std::string(c.what) == "an empty source box";
        EXPECT_EQ(emptyBox ? Run(c.mode, L"", dst) : Run(c.mode), c.result);
        c.expectDisk();
        ExpectNoPrompt();
        EXPECT_EQ(CountLines(c.line()), 1u) << "missing line";
    }
}

// The walk lists the destination folder once and copies into the names it
// lacks; a file that another program puts there meanwhile is never simply
// replaced: it is compared as two files are, and a newer one stays when
// the newer destination would be asked about.
TEST_F(Unattended, AFileThatAppearsAfterTheListingIsKept) {
    host.options.confirmNewerDestination = true;
    Src(L"a.txt", "a", 0);
    Src(L"late.txt", "from the source", 0);
    host.files.beforeCopy = [&](const std::wstring& destination) {
        if (destination == D(L"late.txt")) WriteFile(destination, "written meanwhile");
    };
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_EQ(ReadFile(D(L"late.txt")), "written meanwhile");
    EXPECT_EQ(ReadFile(D(L"a.txt")), "a");
    EXPECT_EQ(Snapshot(dst).size(), 2u);  // no temporary file is left
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(CountLines(NameAppeared(D(L"late.txt"))), 1u);
    EXPECT_EQ(CountLines(UnattendedKeepBoth(S(L"late.txt"), D(L"late.txt"))), 1u);
    ExpectNoPrompt();
}

// The source share drops or the drive is pulled between the passes: the
// reverse pass would take every backup file for an orphan.
TEST_F(Unattended, NoDeletionOnceTheSourceIsGone) {
    for (int i = 0; i < 3; ++i) Src(L"f" + std::to_wstring(i) + L".txt", "s", 0);
    for (int i = 0; i < 12; ++i) Dst(L"f" + std::to_wstring(i) + L".txt", "s", 0);
    auto before = Snapshot(dst);
    const std::wstring moved = temp / L"moved\\";
    bool pulled = false;
    host.files.onLookAt = [&](const std::wstring& path) {
        // The first lookup of the reverse pass looks at the source side.
        if (!pulled && path.rfind(src, 0) == 0) {
            pulled = true;
            ASSERT_TRUE(MoveFileW(src.c_str(), moved.c_str()));
        }
    };
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_TRUE(pulled);
    EXPECT_EQ(Snapshot(dst), before);
    EXPECT_EQ(Errors(), std::vector<std::wstring>{L"ｺﾋﾟｰ元\"" + src +
                                                  L"\"が見つからないか、実行開始時と別のﾌｫﾙﾀﾞになりました。これ以上削除せずに中断します。"});
    ExpectNoPrompt();
}

TEST_F(Unattended, AnEmptySourceDeletesNothingAndTheRunFails) {
    Dst(L"a.txt", "a", 0);
    Dst(L"sub\\b.txt", "b", 0);
    auto before = Snapshot(dst);
    for (RunMode mode : {RunMode::Sync, RunMode::SyncDeletePriority}) {
        ClearRecords();
        EXPECT_EQ(Run(mode), 0);
        EXPECT_EQ(Snapshot(dst), before);
        EXPECT_EQ(Errors(), std::vector<std::wstring>{L"ｺﾋﾟｰ元\"" + src + L"\"が空のため、ｺﾋﾟｰ先から何も削除せずに中断しました。"});
    }
    ExpectNoPrompt();
}

using Safety = EngineTest;

TEST_F(Safety, AnEmptySourceAsksOnceAndNoDeletesNothing) {
    Dst(L"a.txt", "a", 0);
    const std::wstring question =
        L"ｺﾋﾟｰ元\"" + src + L"\"は空です。ｺﾋﾟｰ先にあるﾌｧｲﾙとﾌｫﾙﾀﾞを、ｺﾋﾟｰ元にないものとして削除しますか？";
    host.prompter.boxes.Push(PromptAnswer::No);
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_TRUE(Exists(D(L"a.txt")));
    ASSERT_EQ(host.prompter.boxes.prompts().size(), 1u);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].text, question);

    // Yes: the user means it.
    host.prompter.boxes.Push(PromptAnswer::Yes);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_FALSE(Exists(D(L"a.txt")));
    EXPECT_EQ(host.prompter.boxes.prompts().size(), 2u);

    // Test mode and policies that delete nothing never ask.
    Dst(L"a.txt", "a", 0);
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    host.options.missingInSource = MissingPolicy::Copy;
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(host.prompter.boxes.prompts().size(), 2u);
}

TEST_F(Safety, RootsThatOverlapAreRefusedOrPassedBy) {
    Src(L"a.txt", "a", 0);
    struct Case {
        const char* what;
        std::wstring source, destination;
        bool refused;
    } cases[] = {
        {"the same folder", src, src, true},
        {"the same folder, other spelling", src, temp / L"SRC\\.\\", true},
        {"the source inside the destination", src, temp.path(), true},
        {"the source inside the destination, climbing", src, src + L"..\\", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // As the run buttons and batch rows pass them on.
        std::wstring source = c.source, destination = c.destination;
        ASSERT_TRUE(NormalizePath(source));
        ASSERT_TRUE(NormalizePath(destination));
        for (RunMode mode : {RunMode::Overwrite, RunMode::Sync}) {
            ClearRecords();
            auto before = Snapshot(temp.path());
            EXPECT_EQ(Run(mode, source, destination), 0);
            EXPECT_EQ(Snapshot(temp.path()), before);
            ASSERT_EQ(Errors().size(), 1u);
            EXPECT_NE(Errors()[0].find(L"が同じﾌｫﾙﾀﾞか、一方がもう一方の中にあるため、実行できません。"), std::wstring::npos);
        }
    }
    // Interactive: the refusal is also shown.
    EXPECT_EQ(host.prompter.boxes.Count(PromptKind::Warning), 8u);

    // A destination inside the source: the copy does not copy itself.
    ClearRecords();
    const std::wstring inside = src + L"backup\\";
    EXPECT_EQ(Run(RunMode::Sync, src, inside), 1);
    EXPECT_EQ(ReadFile(inside + L"a.txt"), "a");
    EXPECT_FALSE(Exists(inside + L"backup\\"));
    EXPECT_EQ(CountLines(L"ｺﾋﾟｰ先\"" + inside + L"\"はｺﾋﾟｰ元の中にあるため、ｺﾋﾟｰ元としては扱いません。"), 1u);
}

TEST_F(Safety, CopyLeftoversAreRemovedWhenMetAndOnlyThose) {
    Src(L"a.txt", "a", 0);
    Dst(L"~mrt0000abcd.tmp", "half", 0);           // left by a killed copy
    Dst(L"~mrt0000abcd.tmp.keep", "mine", 0);      // looks alike, is the user's
    Src(L"sub\\~mrt1234ABCD.tmp", "half", 0);      // a killed copy back to the source
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_FALSE(Exists(D(L"~mrt0000abcd.tmp")));
    EXPECT_FALSE(Exists(S(L"sub\\~mrt1234ABCD.tmp")));
    EXPECT_EQ(ReadFile(D(L"~mrt0000abcd.tmp.keep")), "mine");
    EXPECT_EQ(CountLines(L"中断されたｺﾋﾟｰの一時ﾌｧｲﾙ\"" + D(L"~mrt0000abcd.tmp") + L"\"を削除しました。"), 1u);

    // In use by another program: left, and said so.
    Dst(L"~mrt00000001.tmp", "busy", 0);
    Src(L"b.txt", "b", 0);
    HANDLE held = CreateFileW(D(L"~mrt00000001.tmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ClearRecords();
    EXPECT_EQ(Run(RunMode::Sync), 1);
    CloseHandle(held);
    EXPECT_TRUE(Exists(D(L"~mrt00000001.tmp")));
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].rfind(L"中断されたｺﾋﾟｰの一時ﾌｧｲﾙ\"" + D(L"~mrt00000001.tmp") + L"\"は削除できません。原因：", 0), 0u);

    // Test mode changes nothing.
    ClearRecords();
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    EXPECT_TRUE(Exists(D(L"~mrt00000001.tmp")));
}

// A name the program cannot reach is an error where it was met, and its
// counterpart is never taken for missing: nothing is deleted or claimed to be.
TEST_F(Safety, NamesTheProgramCannotReachAreReportedAndLeftAlone) {
    for (const wchar_t* name : {L"odd.txt", L"odd\\in.txt", L"fine.txt"}) {
        Src(name, "s", 0);
        Dst(name, "s", 0);
    }
    host.files.canAddress = [&](const std::wstring& path) { return path.find(L"odd") == std::wstring::npos; };
    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(Snapshot(temp.path()), before);
    const std::wstring tail = L"\"はこのﾌﾟﾛｸﾞﾗﾑでは扱えない名前のため、ｽｷｯﾌﾟしました。";
    EXPECT_TRUE(SameLines(Errors(), Sorted({L"\"" + S(L"odd.txt") + tail, L"\"" + S(L"odd\\") + tail,
                                           L"\"" + D(L"odd.txt") + tail, L"\"" + D(L"odd\\") + tail})));
    EXPECT_TRUE(Lines().empty());
}

// A folder whose listing fails while it is deleted is a failure, never
// "deleted".
TEST_F(Safety, AFolderThatCannotBeListedIsNotReportedDeleted) {
    Src(L"keep.txt", "k", 0);
    Dst(L"keep.txt", "k", 0);
    Dst(L"orphan\\x.txt", "x", 0);
    fs::ScopedListingFault fault(D(L"orphan\\"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_TRUE(Exists(D(L"orphan\\x.txt")));
    EXPECT_EQ(CountLines(FolderDeleted(D(L"orphan\\"))), 0u);
    EXPECT_EQ(CountLines(FolderNotDeleted(D(L"orphan\\"), 1)), 1u);
}

// The narrow program on real names it cannot hold: an identical mirror
// stays identical, and the log says which names were passed by.
TEST_F(Safety, TheNarrowProgramPassesByNamesItCannotHold) {
    if (!kNarrowBuild) GTEST_SKIP() << "the wide program reaches every name";
    auto make = [](const std::wstring& path) {
        HANDLE h = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot make the test file";
        DWORD written = 0;
        ::WriteFile(h, "m", 1, &written, nullptr);
        CloseHandle(h);
    };
    for (const std::wstring& name : {std::wstring(L"caf\u00e9\uD55C.txt"), std::wstring(L"dot."), std::wstring(L"blank ")}) {
        make(src + name);
        make(dst + name);
    }
    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(Snapshot(temp.path()), before);
    EXPECT_EQ(Errors().size(), 6u);  // each name on each side where it was met
    for (const std::wstring& line : Errors())
        EXPECT_NE(line.find(L"はこのﾌﾟﾛｸﾞﾗﾑでは扱えない名前のため、ｽｷｯﾌﾟしました。"), std::wstring::npos) << line.size();
    EXPECT_TRUE(Lines().empty());
}

}  // namespace
}  // namespace mirrant::testing
