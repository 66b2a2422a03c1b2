// The run buttons, the worker thread and the end-of-run handling.
#include <chrono>
#include <thread>

#include "engine_fixture.h"
#include "framework/profile.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

class Driver : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ResetRunEndNotices();
        AppProfile().SetInt(kSettingsSection, L"op17", 0);
    }
    // Waits for the worker's end notification.
    bool WaitForRunEnd(size_t count = 1) {
        for (int i = 0; i < 500; ++i) {
            if (host.runEnds.size() >= count && !host.state.busy) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

TEST_F(Driver, ModeTableAndPriorities) {
    EXPECT_EQ(ChooseRunMode(false, false, true), RunMode::Overwrite);
    EXPECT_EQ(ChooseRunMode(false, true, true), RunMode::OverwriteTest);
    EXPECT_EQ(ChooseRunMode(true, true, true), RunMode::SyncTest);
    EXPECT_EQ(ChooseRunMode(true, false, true), RunMode::SyncDeletePriority);
    EXPECT_EQ(ChooseRunMode(true, false, false), RunMode::Sync);
    EXPECT_EQ(RunModeCaption(RunMode::OverwriteTest), L"上書きｺﾋﾟｰ ﾃｽﾄﾓｰﾄﾞ");
    EXPECT_EQ(RunModeCaption(RunMode::Overwrite), L"上書きｺﾋﾟｰ");
    EXPECT_EQ(RunModeCaption(RunMode::SyncTest), L"同期ｺﾋﾟｰ ﾃｽﾄﾓｰﾄﾞ");
    EXPECT_EQ(RunModeCaption(RunMode::Sync), L"同期ｺﾋﾟｰ");
    EXPECT_EQ(RunModeCaption(RunMode::SyncDeletePriority), L"同期ｺﾋﾟｰ 削除優先");
    EXPECT_EQ(WorkerThreadPriority(2), THREAD_PRIORITY_HIGHEST);
    EXPECT_EQ(WorkerThreadPriority(1), THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(WorkerThreadPriority(0), THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(WorkerThreadPriority(-1), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(WorkerThreadPriority(-2), THREAD_PRIORITY_LOWEST);
    EXPECT_EQ(WorkerThreadPriority(5), THREAD_PRIORITY_NORMAL);
}

TEST_F(Driver, RunButtonStartsAWorkerThatPostsTheEnd) {
    Src(L"a.txt", "a", 0);
    host.sourceText = src;
    host.destinationText = dst;
    host.batchRows = 3;
    ASSERT_TRUE(OnRunButton(host, false));
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(host.runEnds, (std::vector<bool>{true}));
    EXPECT_EQ(host.batchRows, 0);  // a run from the buttons ends any batch
    EXPECT_EQ(ReadFile(D(L"a.txt")), "a");
    EXPECT_EQ(host.progress.titles.front(), L"上書きｺﾋﾟｰ");
    EXPECT_EQ(host.progress.directions.front(), L"ｺﾋﾟｰ元 → ｺﾋﾟｰ先");

    // While a run is active the buttons do nothing.
    host.state.busy = true;
    EXPECT_FALSE(OnRunButton(host, true));
    host.state.busy = false;

    // The test-mode box chooses the test modes.
    host.testModeChecked = true;
    Src(L"b.txt", "b", 0);
    ASSERT_TRUE(OnRunButton(host, true));
    ASSERT_TRUE(WaitForRunEnd(2));
    EXPECT_FALSE(Exists(D(L"b.txt")));
    EXPECT_EQ(host.progress.titles.back(), L"逆向き照合 ﾃｽﾄﾓｰﾄﾞ");
}

TEST_F(Driver, InvalidPathsAreRefusedBeforeAnyRun) {
    host.sourceText = L"C:\\a|b";
    host.destinationText = L"C:\\x<y";
    EXPECT_FALSE(OnRunButton(host, false));
    const std::wstring s = L"ｺﾋﾟｰ元\"C:\\a|b\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。";
    const std::wstring d = L"ｺﾋﾟｰ先\"C:\\x<y\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。";
    ASSERT_EQ(host.uiPrompter.prompts().size(), 2u);
    EXPECT_EQ(host.uiPrompter.prompts()[0].text, s);
    EXPECT_EQ(host.uiPrompter.prompts()[1].text, d);
    EXPECT_TRUE(host.log.lines.empty());
    EXPECT_EQ(host.logWrites, 1);
    EXPECT_TRUE(host.runEnds.empty());

    // Logged when the log goes to a file; no boxes in schedule mode.
    host.logGoesToFile = true;
    host.scheduled = true;
    host.sourceText = L"C:\\a|b";
    host.destinationText = dst;
    EXPECT_FALSE(OnRunButton(host, false));
    EXPECT_TRUE(SameLines(Errors(), {s}));
    EXPECT_EQ(host.uiPrompter.prompts().size(), 2u);
    EXPECT_FALSE(host.state.busy);
}

TEST_F(Driver, AWorkerThatCannotStartIsReportedAndLeavesNothingBehind) {
    host.sourceText = src;
    host.destinationText = dst;
    FailNextWorkerStartForTest(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(OnRunButton(host, false));
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].rfind(L"処理を開始できません。原因：", 0), 0u) << Errors()[0];
    EXPECT_GT(Errors()[0].size(), std::wstring(L"処理を開始できません。原因：").size());  // the system's text
    ASSERT_EQ(host.uiPrompter.prompts().size(), 1u);
    EXPECT_EQ(host.uiPrompter.prompts()[0].text, Errors()[0]);
    EXPECT_FALSE(host.state.busy);
    EXPECT_EQ(host.progressReleased, 1);
    EXPECT_EQ(host.logWrites, 1);
    EXPECT_TRUE(host.runEnds.empty());

    // Unattended: the log says it, no box.
    ClearRecords();
    host.scheduled = true;
    FailNextWorkerStartForTest(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(OnRunButton(host, false));
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(host.uiPrompter.prompts().size(), 1u);  // none added
}

TEST_F(Driver, AnEmptyBoxIsReportedAsEmptyNotAsAnInvalidPath) {
    host.sourceText = L"";
    host.destinationText = dst;
    ASSERT_TRUE(OnRunButton(host, false));
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(host.runEnds, (std::vector<bool>{false}));
    EXPECT_TRUE(host.uiPrompter.prompts().empty());
    ASSERT_EQ(host.prompter.boxes.prompts().size(), 1u);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].text, kSourceEmpty);
}

TEST_F(Driver, EndOfRunContinuesABatchOrEndsIt) {
    host.batchRows = 2;
    OnRunEnd(host, true);
    EXPECT_EQ(host.startedBatchRows, 1);
    EXPECT_EQ(host.progressReleased, 0);

    // A failed row: the notice, and once per program the question that
    // silences it.
    host.options.suppressDeleteFailureMessages = true;
    host.options.suppressFolderDeleteConfirm = true;
    host.uiPrompter.Push(PromptAnswer::No);
    OnRunEnd(host, false);
    EXPECT_EQ(host.startedBatchRows, 1);
    EXPECT_EQ(host.batchRows, 0);
    EXPECT_EQ(host.progressReleased, 1);
    EXPECT_FALSE(host.options.suppressDeleteFailureMessages);
    EXPECT_FALSE(host.options.suppressFolderDeleteConfirm);
    EXPECT_EQ(host.mainWindowClosed, 0);
    ASSERT_EQ(host.uiPrompter.prompts().size(), 2u);
    EXPECT_EQ(host.uiPrompter.prompts()[0].kind, PromptKind::Information);
    EXPECT_EQ(host.uiPrompter.prompts()[0].text, kBatchInterrupted);
    EXPECT_EQ(host.uiPrompter.prompts()[1].text, kDontShowAgain);

    host.batchRows = 1;
    OnRunEnd(host, false);
    EXPECT_EQ(host.uiPrompter.prompts().size(), 3u);  // the notice only
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op17", -1), 0);

    // In schedule mode no box, and the program closes.
    host.batchRows = 1;
    host.scheduled = true;
    OnRunEnd(host, false);
    EXPECT_EQ(host.uiPrompter.prompts().size(), 3u);
    EXPECT_EQ(host.mainWindowClosed, 1);
}

TEST_F(Driver, SilencedBatchNoticeStaysSilent) {
    host.batchRows = 1;
    host.uiPrompter.Push(PromptAnswer::Yes);
    OnRunEnd(host, false);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op17", -1), 2);
    host.batchRows = 1;
    OnRunEnd(host, false);
    EXPECT_EQ(host.uiPrompter.prompts().size(), 2u);

    // The log setting that ends the program after a run.
    host.closeAfterRun = true;
    OnRunEnd(host, true);
    EXPECT_EQ(host.mainWindowClosed, 1);
}

}  // namespace
}  // namespace mirrant::testing

namespace mirrant::testing {
namespace {

// The walk recurses once per folder level; the worker's stack is reserved
// for a tree as deep as long paths allow (a tree that deep takes minutes to
// build under Wine, so the reservation itself is checked).
TEST_F(Driver, WorkerStackHoldsTheDeepestTree) {
    Src(L"a.txt", "a", 0);
    SIZE_T reserved = 0;
    host.files.onIsFile = [&](const std::wstring&) {
        MEMORY_BASIC_INFORMATION info{};
        VirtualQuery(&info, &info, sizeof info);
        auto* tib = reinterpret_cast<NT_TIB*>(NtCurrentTeb());
        reserved = static_cast<SIZE_T>(static_cast<char*>(tib->StackBase) - static_cast<char*>(info.AllocationBase));
    };
    host.sourceText = src;
    host.destinationText = dst;
    ASSERT_TRUE(OnRunButton(host, false));
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(host.runEnds, (std::vector<bool>{true}));
    // 16,000 levels of about 1.6 KB.
    EXPECT_GE(reserved, SIZE_T(32) << 20);
}

}  // namespace
}  // namespace mirrant::testing
