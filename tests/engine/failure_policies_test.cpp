// Every class of failure under Confirm, Skip and Abort: the error line comes
// first, then the policy decides; the three prompt shapes with their answers.
#include "engine_fixture.h"
#include "fileops/error_text.h"
#include "fileops/fs_edge.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

std::wstring ReadOnlyDestination(const std::wstring& path) {
    return L"アクセスは拒否されました。（ｺﾋﾟｰ先ﾌｧｲﾙ" + Q(path) + L"は読み取り専用ﾌｧｲﾙですが、「読み取り専用でも更新」ｵﾌﾟｼｮﾝがｵﾌです。）";
}

class FailurePolicies : public EngineTest {
protected:
    // f.txt cannot be copied: the destination is read-only and older; b.txt
    // copies fine; orphan.txt waits for the reverse pass.
    void MakeCopyFailure() {
        host.options.updateReadOnly = false;
        Src(L"f.txt", "new", 100);
        Dst(L"f.txt", "old", 0);
        SetReadOnly(D(L"f.txt"), true);
        Src(L"b.txt", "b", 0);
        Dst(L"orphan.txt", "o", 0);
    }
    void TearDown() override {
        SetReadOnly(D(L"f.txt"), false);
        EngineTest::TearDown();
    }
    std::wstring CopyFailed() { return NotUpdated(D(L"f.txt")) + L"原因：" + ReadOnlyDestination(D(L"f.txt")); }
    std::vector<std::wstring> Texts(PromptKind kind) {
        std::vector<std::wstring> out;
        for (const auto& p : host.prompter.boxes.prompts())
            if (p.kind == kind) out.push_back(p.text);
        return out;
    }
};

TEST_F(FailurePolicies, WriteFailureSkippedIsLoggedOnceAndTheRunGoesOn) {
    MakeCopyFailure();
    host.options.writeFailurePolicy = ErrorPolicy::Skip;
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_TRUE(SameLines(Errors(), {CopyFailed()}));
    EXPECT_TRUE(SameLines(Lines(), Sorted({NewlyStored(D(L"b.txt")), Deleted(D(L"orphan.txt"))})));
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
    EXPECT_EQ(ReadFile(D(L"f.txt")), "old");
}

TEST_F(FailurePolicies, WriteFailureAbortedStopsTheRun) {
    MakeCopyFailure();
    host.options.writeFailurePolicy = ErrorPolicy::Abort;
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_TRUE(SameLines(Errors(), {CopyFailed()}));
    EXPECT_EQ(CountLines(kInterrupted), 1u);
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
    EXPECT_TRUE(Exists(D(L"orphan.txt")));  // no reverse pass
}

TEST_F(FailurePolicies, WriteFailureConfirmedAnsweredNoThreeTimes) {
    MakeCopyFailure();
    DeleteFileW(S(L"b.txt").c_str());
    host.prompter.boxes.Push(PromptAnswer::No, 3);
    host.prompter.boxes.Push(PromptAnswer::Yes);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    // In order: four failures, three retries between them.
    const std::wstring e = CopyFailed();
    EXPECT_TRUE(SameLines(host.log.lines, {e, kRetrying, e, kRetrying, e, kRetrying, e}));
    EXPECT_EQ(host.log.errorLines.size(), 4u);
    EXPECT_TRUE(SameLines(Texts(PromptKind::Warning), {e, e, e, e}));
    EXPECT_TRUE(SameLines(Texts(PromptKind::YesNoCancel),
                          {kSkipRetryCancel, kSkipRetryCancel, kSkipRetryCancel, kSkipRetryCancel}));
    // Each warning comes before its question.
    const auto& prompts = host.prompter.boxes.prompts();
    for (size_t i = 0; i < prompts.size(); ++i)
        EXPECT_EQ(prompts[i].kind, i % 2 == 0 ? PromptKind::Warning : PromptKind::YesNoCancel);
    EXPECT_EQ(ReadFile(D(L"f.txt")), "old");
}

TEST_F(FailurePolicies, WriteFailureRetriedUntilItSucceedsOrCancelled) {
    MakeCopyFailure();
    int attempts = 0;
    host.files.beforeCopy = [&](const std::wstring& destination) {
        if (destination == D(L"f.txt") && ++attempts == 2) SetReadOnly(destination, false);
    };
    host.prompter.boxes.Push(PromptAnswer::No);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_EQ(ReadFile(D(L"f.txt")), "new");
    auto f = std::find(host.log.lines.begin(), host.log.lines.end(), CopyFailed());
    ASSERT_NE(f, host.log.lines.end());
    ASSERT_LT(f + 2, host.log.lines.end());
    EXPECT_EQ(f[1], kRetrying);
    EXPECT_EQ(f[2], Updated(D(L"f.txt")));

    ClearRecords();
    host.files.beforeCopy = nullptr;
    Src(L"f.txt", "newer", 200);
    SetReadOnly(D(L"f.txt"), true);
    host.prompter.boxes.Push(PromptAnswer::Cancel);
    EXPECT_EQ(Run(RunMode::Overwrite), 0);
    EXPECT_TRUE(SameLines(host.log.lines, {CopyFailed(), kInterrupted}));
}

TEST_F(FailurePolicies, TimeReadFailureFollowsTheWritePolicy) {
    Src(L"f.txt", "new", 100);
    Dst(L"f.txt", "old", 0);
    int failures = 1;
    host.files.failGetFileInfo = [&](const std::wstring& path) { return path == D(L"f.txt") && failures-- > 0; };
    host.prompter.boxes.Push(PromptAnswer::No);  // retry, which works
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(host.log.lines, {TimeReadFailed(D(L"f.txt")), kRetrying, Updated(D(L"f.txt"))}));
    EXPECT_TRUE(SameLines(Texts(PromptKind::Warning), {TimeReadFailed(D(L"f.txt"))}));

    ClearRecords();
    Src(L"f.txt", "newer", 200);
    host.files.failGetFileInfo = [&](const std::wstring& path) { return path == D(L"f.txt"); };
    host.options.writeFailurePolicy = ErrorPolicy::Skip;
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(host.log.lines, {TimeReadFailed(D(L"f.txt"))}));
    EXPECT_EQ(ReadFile(D(L"f.txt")), "new");

    ClearRecords();
    host.options.writeFailurePolicy = ErrorPolicy::Abort;
    EXPECT_EQ(Run(RunMode::Overwrite), 0);
    EXPECT_TRUE(SameLines(host.log.lines, {TimeReadFailed(D(L"f.txt")), kInterrupted}));
    EXPECT_EQ(host.prompter.boxes.prompts().size(), 2u);
}

TEST_F(FailurePolicies, TimeSetFailureCarriesItsCause) {
    Src(L"f.txt", "same", 0);
    Dst(L"f.txt", "same", 100);
    int failures = 2;
    host.files.failSetWriteTime = [&](const std::wstring&) { return failures-- > 0; };
    const std::wstring e = TimeSetFailed(D(L"f.txt")) + L"原因：テスト用の失敗";
    host.prompter.boxes.Push(PromptAnswer::No, 2);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(host.log.lines, {e, kRetrying, e, kRetrying, TimesMatched(D(L"f.txt"))}));
    EXPECT_EQ(GetWriteTime(D(L"f.txt")), kBaseTime);

    ClearRecords();
    Dst(L"f.txt", "same", 100);
    failures = 1;
    host.options.writeFailurePolicy = ErrorPolicy::Skip;
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(host.log.lines, {e}));
    EXPECT_EQ(GetWriteTime(D(L"f.txt")), kBaseTime + 100 * kSecond);
}

class FolderFailures : public FailurePolicies {
protected:
    // The source has sub\a.txt; the destination's folder "sub" cannot be
    // made (the name is taken).
    void SetUp() override {
        FailurePolicies::SetUp();
        Src(L"sub\\a.txt", "a", 0);
        Src(L"z.txt", "z", 0);
        host.files.createFolderError = [this](const std::wstring& folder) {
            return folder == D(L"sub\\") ? 183ul : 0ul;
        };
    }
    std::wstring Failed() { return FolderNotCreated(D(L"sub\\"), SystemErrorText(183)); }
};

TEST_F(FolderFailures, SkippedAbortedAndConfirmed) {
    host.options.folderFailurePolicy = ErrorPolicy::Skip;
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Errors(), {Failed()}));
    EXPECT_TRUE(SameLines(Lines(), {NewlyStored(D(L"z.txt"))}));
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());

    ClearRecords();
    RemoveTree(D(L"z.txt"));
    host.options.folderFailurePolicy = ErrorPolicy::Abort;
    EXPECT_EQ(Run(RunMode::Overwrite), 0);
    EXPECT_TRUE(SameLines(Errors(), {Failed()}));
    EXPECT_EQ(CountLines(kInterrupted), 1u);
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());

    ClearRecords();
    host.options.folderFailurePolicy = ErrorPolicy::Confirm;
    host.prompter.boxes.Push(PromptAnswer::No);
    host.prompter.boxes.Push(PromptAnswer::Yes);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    auto f = std::find(host.log.lines.begin(), host.log.lines.end(), Failed());
    ASSERT_LT(f + 2, host.log.lines.end());
    EXPECT_EQ(f[1], kRetrying);
    EXPECT_EQ(f[2], Failed());
    EXPECT_TRUE(SameLines(Texts(PromptKind::Warning), {Failed(), Failed()}));
    EXPECT_TRUE(SameLines(Texts(PromptKind::YesNoCancel), {kSkipRetryCancel, kSkipRetryCancel}));
    EXPECT_FALSE(Exists(D(L"sub")));
}

TEST_F(FolderFailures, BeforeTheFirstCopyOnlyRetryOrStop) {
    // Without empty folders the folder is made by the first copy into it:
    // the question is "再試行しますか？", and No stops the run.
    host.options.copyEmptyFolders = false;
    host.prompter.boxes.Push(PromptAnswer::Yes);
    host.prompter.boxes.Push(PromptAnswer::No);
    EXPECT_EQ(Run(RunMode::Overwrite), 0);
    EXPECT_EQ(std::count(host.log.lines.begin(), host.log.lines.end(), Failed()), 2);
    EXPECT_EQ(CountLines(kRetrying), 1u);
    EXPECT_EQ(CountLines(kInterrupted), 0u);
    EXPECT_TRUE(SameLines(Texts(PromptKind::Warning), {Failed(), Failed()}));
    EXPECT_TRUE(SameLines(Texts(PromptKind::YesNo), {kRetryQuestion, kRetryQuestion}));
}

class DeleteFailures : public FailurePolicies {
protected:
    void SetUp() override {
        FailurePolicies::SetUp();
        host.options.updateReadOnly = false;
        Src(L"keep.txt", "k", 0);  // a source that is not empty
        Dst(L"keep.txt", "k", 0);
        for (const wchar_t* name : {L"r1.txt", L"r2.txt"}) {
            Dst(name, "r", 0);
            SetReadOnly(D(name), true);
        }
    }
    void TearDown() override {
        SetReadOnly(D(L"r1.txt"), false);
        SetReadOnly(D(L"r2.txt"), false);
        FailurePolicies::TearDown();
    }
    std::vector<std::wstring> Failed() {
        return {NotDeleted(D(L"r1.txt"), ReadOnlyRefused(D(L"r1.txt"))),
                NotDeleted(D(L"r2.txt"), ReadOnlyRefused(D(L"r2.txt")))};
    }
};

TEST_F(DeleteFailures, ConfirmedYesAsksAgainAndNoSilencesTheRestOfTheRun) {
    host.prompter.boxes.Push(PromptAnswer::Yes, 2);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_TRUE(SameLines(Errors(), Failed()));
    EXPECT_EQ(Sorted(Texts(PromptKind::Warning)), Failed());
    EXPECT_TRUE(SameLines(Texts(PromptKind::YesNoCancel), {kDeleteNotice, kDeleteNotice}));
    EXPECT_EQ(CountLines(kRetrying), 0u);

    ClearRecords();
    host.prompter.boxes.Push(PromptAnswer::No);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_TRUE(SameLines(Errors(), Failed()));
    EXPECT_EQ(Texts(PromptKind::YesNoCancel).size(), 3u);  // one more, then silence

    // The next run asks again: the silence belonged to the run.
    ClearRecords();
    host.prompter.boxes.Push(PromptAnswer::Cancel);
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_EQ(Texts(PromptKind::YesNoCancel).size(), 4u);
    EXPECT_EQ(host.log.errorLines.size(), 1u);
    EXPECT_EQ(CountLines(kInterrupted), 1u);
}

TEST_F(DeleteFailures, SkippedAndAborted) {
    host.options.deleteFailurePolicy = ErrorPolicy::Skip;
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_TRUE(SameLines(Errors(), Failed()));
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());

    ClearRecords();
    host.options.deleteFailurePolicy = ErrorPolicy::Abort;
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_EQ(host.log.errorLines.size(), 1u);
    EXPECT_EQ(CountLines(kInterrupted), 1u);
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
}

TEST_F(FailurePolicies, AnInterruptEndsARetryLoopWithoutAsking) {
    Src(L"f.txt", "same", 0);
    Dst(L"f.txt", "same", 100);
    // The user interrupts while the time is being set, which then fails.
    host.files.failSetWriteTime = [&](const std::wstring&) {
        host.progress.cancel = true;
        return true;
    };
    EXPECT_EQ(Run(RunMode::Overwrite), 0);
    EXPECT_TRUE(SameLines(host.log.lines, {TimeSetFailed(D(L"f.txt")) + L"原因：テスト用の失敗", kInterrupted}));
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
}

class ReadErrors : public EngineTest {};

// A destination that cannot be read is reported and left alone, whatever
// else would have been done with it.
TEST_F(ReadErrors, AComparisonThatCannotReadIsReportedAndNothingIsCopied) {
    host.options.sameTimeSameSizeIsSame = false;
    Src(L"f.txt", "AAAA", 0);
    Dst(L"f.txt", "aaaa", 0);
    const std::wstring t = S(L"f.txt"), o = D(L"f.txt");
    HANDLE lock = CreateFileW(o.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const std::wstring cause =
        ReplaceLongPaths(ExceptionText({FileStep::Open, ERROR_SHARING_VIOLATION, fs::SystemForm(o)}), {t, o});
    const std::wstring line = Q(o) + L"と" + Q(t) + L"を比較中にﾌｧｲﾙ読み出しｴﾗｰが発生しました。原因：" + cause;
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_EQ(Run(RunMode::OverwriteTest), 1);
    CloseHandle(lock);
    EXPECT_TRUE(SameLines(Errors(), {line, line}));
    EXPECT_TRUE(SameLines(Lines(), {}));
    EXPECT_EQ(host.files.copies, 0);
    EXPECT_EQ(ReadFile(o), "aaaa");
}

// The destination root cannot be made (a file stands where a folder of its
// path should be): there is nothing to skip, so every answer but a retry
// ends the run.
class RootFailures : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Src(L"a.txt", "a", 0);
        Dst(L"blocker", "in the way", 0);
        root = D(L"blocker\\sub\\");
    }
    std::wstring Failed() { return FolderNotCreated(root, SystemErrorText(ERROR_ALREADY_EXISTS)); }
    std::wstring root;
};

TEST_F(RootFailures, SkipAndAbortEndTheRun) {
    host.options.folderFailurePolicy = ErrorPolicy::Skip;
    EXPECT_EQ(Run(RunMode::Overwrite, src, root), 0);
    EXPECT_TRUE(SameLines(Errors(), {Failed()}));
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
    EXPECT_EQ(host.files.copies, 0);

    ClearRecords();
    host.options.folderFailurePolicy = ErrorPolicy::Abort;
    EXPECT_EQ(Run(RunMode::Overwrite, src, root), 0);
    EXPECT_TRUE(SameLines(host.log.lines, {Failed(), kInterrupted}));
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
}

TEST_F(RootFailures, ConfirmAsksWhetherToRetry) {
    host.prompter.boxes.Push(PromptAnswer::Yes);
    host.prompter.boxes.Push(PromptAnswer::No);
    EXPECT_EQ(Run(RunMode::Overwrite, src, root), 0);
    EXPECT_TRUE(SameLines(host.log.lines, {Failed(), kRetrying, Failed()}));
    const auto& prompts = host.prompter.boxes.prompts();
    ASSERT_EQ(prompts.size(), 4u);
    EXPECT_EQ(prompts[0].kind, PromptKind::Warning);
    EXPECT_EQ(prompts[0].text, Failed());
    EXPECT_EQ(prompts[1].kind, PromptKind::YesNo);
    EXPECT_EQ(prompts[1].text, kRetryQuestion);
    EXPECT_EQ(ReadFile(D(L"blocker")), "in the way");
}

}  // namespace
}  // namespace mirrant::testing
