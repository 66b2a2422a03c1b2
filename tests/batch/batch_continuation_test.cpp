// The end-of-run handling of a batch: the next row after a completed run,
// the interrupted notice and its once-per-program question, the notice
// switched off, and an unattended batch ending the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>

#include "engine/run_driver.h"
#include "framework/profile.h"
#include "support/recording_log.h"
#include "support/scripted_prompter.h"

namespace mirrant {
namespace {

const std::wstring kMsg163 = L"ﾊﾞｯﾁﾌｧｲﾙが最後まで実行されずに中断されました。";
const std::wstring kMsg250 = L"今後このﾒｯｾｰｼﾞを表示しないようにしますか？";

// What the end-of-run handler uses of the main window; the rest is never
// reached from there.
class EndHost : public RunHost {
public:
    bool scheduled = false;
    std::deque<int> queue;
    int rowsStarted = 0;
    int progressReleased = 0;
    bool closed = false;
    RunOptions options;
    EngineState state;
    testing::ScriptedPrompter prompter;
    testing::RecordingLog log;

    RunOptions& Options() override { return options; }
    EngineState& State() override { return state; }
    [[noreturn]] const EntryFilter& Filter() override { std::abort(); }
    [[noreturn]] FileAccess& Files() override { std::abort(); }
    std::wstring SourceText() override { return {}; }
    std::wstring DestinationText() override { return {}; }
    bool TestModeChecked() override { return false; }
    bool Scheduled() override { return scheduled; }
    void ClearBatchQueue() override { queue.clear(); }
    bool BatchRowsWaiting() override { return !queue.empty(); }
    void StartNextBatchRow() override {
        queue.pop_front();
        ++rowsStarted;
    }
    void BeginRunLog() override {}
    bool LogGoesToFile() override { return true; }
    void LoadFilterForRun() override {}
    [[noreturn]] Progress& AcquireProgress() override { std::abort(); }
    void ReleaseProgress() override { ++progressReleased; }
    Prompter& UiPrompter() override { return prompter; }
    bool CloseProgramAfterRun() override { return false; }
    void CloseMainWindow() override { closed = true; }
    [[noreturn]] EnginePrompter& Prompts() override { std::abort(); }
    LogSink& Log() override { return log; }
    void SetSourceText(const std::wstring&) override {}
    void SetDestinationText(const std::wstring&) override {}
    void SetRunActive(bool) override {}
    void WriteRunLog() override {}
    void ShowRunResult(bool) override {}
    void PostRunEnd(bool) override {}
};

class BatchContinuation : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRunEndNotices();
        AppProfile().DeleteValue(kSettingsSection, optname::BatchNoticeFlags);
    }
    int Flags() { return AppProfile().GetInt(kSettingsSection, optname::BatchNoticeFlags, 0); }
};

TEST_F(BatchContinuation, CompletedRowsStartTheNextUntilTheLastEndsTheBatch) {
    EndHost host;
    host.queue = {2, 3};
    host.options.suppressFolderDeleteConfirm = true;
    OnRunEnd(host, true);
    OnRunEnd(host, true);
    EXPECT_EQ(host.rowsStarted, 2);
    EXPECT_EQ(host.progressReleased, 0);  // one progress window for the whole batch
    EXPECT_TRUE(host.options.suppressFolderDeleteConfirm);
    OnRunEnd(host, true);  // the last row
    EXPECT_EQ(host.progressReleased, 1);
    EXPECT_FALSE(host.options.suppressFolderDeleteConfirm);
    EXPECT_TRUE(host.prompter.prompts().empty());
    EXPECT_FALSE(host.closed);
}

TEST_F(BatchContinuation, AnInterruptedBatchShowsTheNoticeAndAsksOncePerProgram) {
    EndHost first;
    first.queue = {3};
    first.prompter.Push(mirrant::PromptAnswer::No);  // 250
    OnRunEnd(first, false);
    EXPECT_EQ(first.rowsStarted, 0);
    EXPECT_TRUE(first.queue.empty());
    EXPECT_EQ(first.prompter.CountText(kMsg163), 1u);
    EXPECT_EQ(first.prompter.CountText(kMsg250), 1u);
    EXPECT_EQ(first.progressReleased, 1);
    EXPECT_EQ(Flags(), 0);

    EndHost second;
    second.queue = {3};
    OnRunEnd(second, false);
    EXPECT_EQ(second.prompter.CountText(kMsg163), 1u);
    EXPECT_EQ(second.prompter.CountText(kMsg250), 0u);
}

TEST_F(BatchContinuation, AnsweringYesSilencesTheNoticeFromThenOn) {
    EndHost first;
    first.queue = {3};
    first.prompter.Push(mirrant::PromptAnswer::Yes);
    OnRunEnd(first, false);
    EXPECT_EQ(Flags(), 2);

    EndHost second;
    second.queue = {3};
    OnRunEnd(second, false);
    EXPECT_TRUE(second.prompter.prompts().empty());
    EXPECT_TRUE(second.queue.empty());
}

TEST_F(BatchContinuation, UnattendedBatchEndsTheProgramSilently) {
    EndHost host;
    host.scheduled = true;
    host.queue = {2, 3};
    OnRunEnd(host, true);
    EXPECT_FALSE(host.closed);
    OnRunEnd(host, false);  // the second row did not complete
    EXPECT_TRUE(host.prompter.prompts().empty());
    EXPECT_TRUE(host.queue.empty());
    EXPECT_TRUE(host.closed);
}

}  // namespace
}  // namespace mirrant
