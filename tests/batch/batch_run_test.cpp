// Running batch files with a scripted main window: the interactive and the
// unattended start, rows that cannot start, the ask-another questions, the
// history and the other batch menu commands.
#include <gtest/gtest.h>

#include "batch/batch_file.h"
#include "batch/batch_run.h"
#include "engine/texts.h"
#include "settings/settings.h"
#include "framework/profile.h"
#include "framework/recent_files.h"
#include "support/recording_log.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {



using testing::TempDir;

namespace text = testing::text;


// The session and the window of the batch commands, scripted: a batch
// handed over to run is recorded, not run.
class FakeHost : public BatchRuns, public BatchWindow {
public:
    bool scheduled = false;
    bool logToFile = true;
    testing::ScriptedPrompter prompter;
    testing::RecordingLog log;
    std::vector<std::wstring> logsBegun;
    int logsWritten = 0;
    int logsWrittenBeforeFirstBatch = -1;
    bool textDefault = false;
    std::vector<std::vector<BatchRow>> batches;  // handed over to run
    int windowsShown = 0;
    std::wstring windowComment;
    std::vector<BatchRow> windowRows;
    std::function<bool(std::deque<BatchRow>&)> window = [](std::deque<BatchRow>&) { return true; };
    int failures = 0;
    std::deque<std::vector<std::wstring>> choices;  // answers of the file dialog
    int dialogsShown = 0;
    RecentFileList history{L"Recent File List", L"File%d", 16, 48};
    int menuRebuilt = 0;
    bool closed = false;

    BatchContext batch() { return {*this, *this}; }

    // BatchRuns.
    bool Scheduled() override { return scheduled; }
    void BeginBatchLog(const std::wstring& file) override {
        logsBegun.push_back(file);
        log.lines.clear();
        log.errorLines.clear();
    }
    bool LogGoesToFile() override { return logToFile || scheduled; }
    LogSink& Log() override { return log; }
    void WriteRunLog() override { ++logsWritten; }
    void SetTextBatchDefault(bool text) override { textDefault = text; }
    bool StartBatch(std::deque<BatchRow> rows) override {
        if (batches.empty()) logsWrittenBeforeFirstBatch = logsWritten;
        batches.emplace_back(rows.begin(), rows.end());
        return true;
    }
    void BatchFailed() override { ++failures; }
    void EndProgram() override { closed = true; }

    // BatchWindow.
    Prompter& UiPrompter() override { return prompter; }
    bool ShowExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& rows) override {
        ++windowsShown;
        windowComment = comment;
        windowRows.assign(rows.begin(), rows.end());
        return window(rows);
    }
    std::vector<std::wstring> ChooseBatchFiles(bool) override {
        ++dialogsShown;
        if (choices.empty()) return {};
        auto c = choices.front();
        choices.pop_front();
        return c;
    }
    RecentFileList* History() override { return &history; }
    void RebuildBatchMenu() override { ++menuRebuilt; }
};

class BatchRun : public ::testing::Test {
protected:
    void SetUp() override {
        AppProfile().DeleteValue(kSettingsSection, optname::BatchNoticeFlags);
        testing::WriteFile(threeRows, "comment\t\"three rows\"\r\ncopy\tC:\\a\\\tD:\\a\\\r\nsync\tC:\\b\\\tD:\\b\\\r\n"
                                      "copy\tC:\\c\\\tD:\\c\\\r\n");
        testing::WriteFile(ignoredLine, "copy\tC:\\a\\\tD:\\a\\\r\nmove\tC:\\b\\\tD:\\b\\\r\n");
    }
    int Flags() { return AppProfile().GetInt(kSettingsSection, optname::BatchNoticeFlags, 0); }

    TempDir dir;
    std::wstring threeRows = dir / L"three rows.mrt";
    std::wstring ignoredLine = dir / L"ignored.mrt";
    std::wstring missing = dir / L"missing.mrx";
    FakeHost host;
};

TEST_F(BatchRun, InteractiveShowsTheWindowThenRunsTheRowsInOrderWithOneLog) {
    host.textDefault = false;
    bool askAnother = true;
    EXPECT_EQ(RunBatchFile(host.batch(), threeRows, askAnother, false), 1);
    EXPECT_FALSE(askAnother);
    EXPECT_EQ(host.windowsShown, 1);
    EXPECT_EQ(host.windowComment, L"three rows");
    EXPECT_EQ(host.windowRows, (std::vector<BatchRow>{{L'O', L"C:\\a\\", L"D:\\a\\"},
                                                      {L'S', L"C:\\b\\", L"D:\\b\\"},
                                                      {L'O', L"C:\\c\\", L"D:\\c\\"}}));
    EXPECT_EQ(host.logsBegun, std::vector<std::wstring>{threeRows});
    EXPECT_TRUE(host.textDefault);
    ASSERT_EQ(host.history.size(), 1u);
    EXPECT_EQ(host.history[0], threeRows);
    EXPECT_GE(host.menuRebuilt, 1);
    // The session runs the rows in order.
    EXPECT_EQ(host.batches, std::vector<std::vector<BatchRow>>{host.windowRows});
    EXPECT_TRUE(host.prompter.prompts().empty());
    EXPECT_FALSE(host.closed);
}

TEST_F(BatchRun, TheWindowsEditsReachTheQueue) {
    host.window = [](std::deque<BatchRow>& rows) {
        rows[1] = {L'S', L"D:\\b\\", L"C:\\b\\"};
        return true;
    };
    bool askAnother = false;
    RunBatchFile(host.batch(), threeRows, askAnother, false);
    ASSERT_EQ(host.batches.size(), 1u);
    ASSERT_EQ(host.batches[0].size(), 3u);
    EXPECT_EQ(host.batches[0][1], (BatchRow{L'S', L"D:\\b\\", L"C:\\b\\"}));
}

TEST_F(BatchRun, ClosingTheWindowWithoutRunningDropsTheBatchAndOffersAnotherFile) {
    host.window = [](std::deque<BatchRow>&) { return false; };
    host.prompter.Push(mirrant::PromptAnswer::No);
    bool askAnother = true;
    EXPECT_EQ(RunBatchFile(host.batch(), threeRows, askAnother, false), 1);
    EXPECT_TRUE(host.batches.empty());
    EXPECT_TRUE(host.logsBegun.empty());
    EXPECT_TRUE(host.history.empty());
    EXPECT_EQ(host.prompter.CountText(text::kReadAnother), 1u);
    EXPECT_FALSE(askAnother);
}

TEST_F(BatchRun, UnattendedStartsTheLogFirstShowsNothingAndRunsAtOnce) {
    host.scheduled = true;
    bool askAnother = true;
    EXPECT_EQ(RunBatchFile(host.batch(), threeRows, askAnother, true), 1);
    EXPECT_FALSE(askAnother);
    EXPECT_EQ(host.windowsShown, 0);
    EXPECT_EQ(host.logsBegun, std::vector<std::wstring>{threeRows});
    ASSERT_EQ(host.batches.size(), 1u);
    EXPECT_EQ(host.batches[0].size(), 3u);
    EXPECT_TRUE(host.prompter.prompts().empty());
    EXPECT_FALSE(host.closed);
}

TEST_F(BatchRun, UnattendedUnreadableFileLogsFinishesAndEndsTheProgram) {
    host.scheduled = true;
    bool askAnother = true;
    EXPECT_EQ(RunBatchFile(host.batch(), missing, askAnother, true), 0);
    EXPECT_TRUE(host.prompter.prompts().empty());
    EXPECT_EQ(host.logsBegun, std::vector<std::wstring>{missing});
    ASSERT_EQ(host.log.errorLines.size(), 1u);
    EXPECT_EQ(host.log.errorLines[0].rfind(L"\"" + missing + L"\"の読み出しにｴﾗｰが発生しました。", 0), 0u);
    EXPECT_EQ(host.logsWritten, 1);
    EXPECT_TRUE(host.closed);
    EXPECT_FALSE(askAnother);

    // Wrong content the same way.
    FakeHost other;
    other.scheduled = true;
    testing::WriteFile(dir / L"junk.mrt", "nothing here\r\n");
    EXPECT_EQ(RunBatchFile(other.batch(), dir / L"junk.mrt", askAnother, true), 0);
    EXPECT_EQ(other.log.errorLines, std::vector<std::wstring>{text::kBadBatchContent});
    EXPECT_EQ(other.logsWritten, 1);
    EXPECT_TRUE(other.closed);
}

TEST_F(BatchRun, IgnoredLinesWarnButTheLogStaysOpenForTheRun) {
    host.scheduled = true;
    bool askAnother = false;
    EXPECT_EQ(RunBatchFile(host.batch(), ignoredLine, askAnother, true), 1);
    EXPECT_EQ(host.log.errorLines, std::vector<std::wstring>{L"ﾊﾞｯﾁﾌｧｲﾙの構文と異なる1行を無視しました。"});
    EXPECT_EQ(host.logsWrittenBeforeFirstBatch, 0);
    EXPECT_EQ(host.batches.size(), 1u);
    EXPECT_FALSE(host.closed);
}

TEST_F(BatchRun, InteractiveReadLogsGoIntoTheBatchsOwnLog) {
    // A failure starts a log of its own for the attempt and finishes it,
    // rather than writing the previous run's log again.
    host.log.AppendLine(L"line of the previous run");
    bool askAnother = false;
    EXPECT_EQ(RunBatchFile(host.batch(), missing, askAnother, false), 0);
    EXPECT_EQ(host.logsBegun, std::vector<std::wstring>{missing});
    ASSERT_EQ(host.log.lines.size(), 1u);
    EXPECT_EQ(host.log.lines[0].rfind(L"\"" + missing + L"\"の読み出しにｴﾗｰが発生しました。", 0), 0u);
    EXPECT_EQ(host.logsWritten, 1);

    // The count of ignored lines is kept for the batch's log after "実行".
    FakeHost other;
    EXPECT_EQ(RunBatchFile(other.batch(), ignoredLine, askAnother, false), 1);
    EXPECT_EQ(other.logsBegun, std::vector<std::wstring>{ignoredLine});
    EXPECT_EQ(other.log.errorLines, std::vector<std::wstring>{L"ﾊﾞｯﾁﾌｧｲﾙの構文と異なる1行を無視しました。"});
    EXPECT_EQ(other.logsWritten, 0);

    // Without a log file nothing is logged or written.
    FakeHost quiet;
    quiet.logToFile = false;
    EXPECT_EQ(RunBatchFile(quiet.batch(), missing, askAnother, false), 0);
    EXPECT_TRUE(quiet.logsBegun.empty());
    EXPECT_EQ(quiet.logsWritten, 0);
    EXPECT_EQ(quiet.prompter.prompts().size(), 1u);
}

TEST_F(BatchRun, CommandLineFailureAsksAnotherThenOffersToEndAtOnceFromNowOn) {
    // No to 161, Yes to 251: the flag is stored and the program ends.
    host.prompter.Push(mirrant::PromptAnswer::No);
    host.prompter.Push(mirrant::PromptAnswer::Yes);
    RunBatchFromCommandLine(host.batch(), missing);
    ASSERT_EQ(host.prompter.prompts().size(), 3u);
    EXPECT_EQ(host.prompter.prompts()[0].kind, mirrant::PromptKind::Warning);
    EXPECT_EQ(host.prompter.prompts()[1].text, text::kReadAnother);
    EXPECT_EQ(host.prompter.prompts()[2].text, text::kEndAtOnceFromNowOn);
    EXPECT_EQ(Flags(), 1);  // "end at once" from now on
    EXPECT_TRUE(host.closed);
    EXPECT_EQ(host.dialogsShown, 0);

    // From now on the program ends without asking.
    FakeHost next;
    RunBatchFromCommandLine(next.batch(), missing);
    EXPECT_EQ(next.prompter.prompts().size(), 1u);  // the read error only
    EXPECT_TRUE(next.closed);
}

TEST_F(BatchRun, CommandLineFailureAnsweredNoTwiceKeepsTheProgramOpen) {
    host.prompter.Push(mirrant::PromptAnswer::No);
    host.prompter.Push(mirrant::PromptAnswer::No);
    RunBatchFromCommandLine(host.batch(), missing);
    EXPECT_FALSE(host.closed);
    EXPECT_EQ(Flags(), 0);
}

TEST_F(BatchRun, CommandLineFailureAnsweredYesOpensTheFileDialogLoop) {
    host.prompter.Push(mirrant::PromptAnswer::Yes);
    host.choices.push_back({threeRows});
    RunBatchFromCommandLine(host.batch(), missing);
    EXPECT_EQ(host.dialogsShown, 1);
    EXPECT_EQ(host.batches.size(), 1u);
    EXPECT_FALSE(host.closed);
}

TEST_F(BatchRun, PathWithoutADotDoesNothing) {
    bool askAnother = true;
    EXPECT_EQ(RunBatchFile(host.batch(), dir / L"nodot", askAnother, false), 0);
    EXPECT_TRUE(host.prompter.prompts().empty());
    EXPECT_TRUE(askAnother);
}

TEST_F(BatchRun, FileCommandRepeatsWhileTheUserAsksForAnotherAndSetsTheDefaultFormat) {
    host.choices.push_back({missing});
    host.choices.push_back({threeRows});
    host.prompter.Push(mirrant::PromptAnswer::Yes);  // 161: another file
    RunBatchFileCommand(host.batch());
    EXPECT_EQ(host.dialogsShown, 2);
    EXPECT_EQ(host.batches.size(), 1u);
    EXPECT_TRUE(host.textDefault);

    FakeHost other;
    other.textDefault = true;
    other.choices.push_back({missing});
    other.prompter.Push(mirrant::PromptAnswer::No);
    RunBatchFileCommand(other.batch());
    EXPECT_EQ(other.dialogsShown, 1);
    EXPECT_FALSE(other.textDefault);  // chosen "mrx"
}

TEST_F(BatchRun, HistoryEntryOfAMissingFileOffersRemoval) {
    host.history.Add(missing);
    host.history.Add(threeRows);  // index 0; missing is index 1
    host.prompter.Push(mirrant::PromptAnswer::No);
    RunBatchHistoryEntry(host.batch(), 1);
    EXPECT_EQ(host.prompter.CountText(text::kRemoveFromHistory), 1u);
    EXPECT_EQ(host.prompter.CountText(text::kReadAnother), 0u);
    EXPECT_EQ(host.history.size(), 2u);

    host.prompter.Push(mirrant::PromptAnswer::Yes);
    RunBatchHistoryEntry(host.batch(), 1);
    ASSERT_EQ(host.history.size(), 1u);
    EXPECT_EQ(host.history[0], threeRows);

    // A readable entry runs and moves to the front.
    RunBatchHistoryEntry(host.batch(), 0);
    EXPECT_EQ(host.batches.size(), 1u);
}

TEST_F(BatchRun, DeleteCommandDeletesEachChosenFileAndStopsAtTheFirstFailure) {
    const std::wstring a = dir / L"a.mrx", b = dir / L"b.mrx";
    testing::WriteFile(a, "x");
    testing::WriteFile(b, "x");
    host.textDefault = true;
    host.choices.push_back({a, b});
    DeleteBatchFilesCommand(host.batch());
    EXPECT_FALSE(testing::Exists(a));
    EXPECT_FALSE(testing::Exists(b));
    EXPECT_EQ(host.prompter.CountText(L"削除しました。"), 1u);
    EXPECT_FALSE(host.textDefault);

    FakeHost other;
    testing::WriteFile(b, "x");
    other.choices.push_back({missing, b});
    DeleteBatchFilesCommand(other.batch());
    ASSERT_EQ(other.prompter.prompts().size(), 1u);
    EXPECT_EQ(other.prompter.prompts()[0].text.rfind(L"\"" + missing + L"\"は削除できません。原因：", 0), 0u);
    EXPECT_TRUE(testing::Exists(b));
}

TEST_F(BatchRun, ClearHistoryAsksFirst) {
    host.history.Add(threeRows);
    host.history.Add(missing);
    host.prompter.Push(mirrant::PromptAnswer::No);
    ClearBatchHistoryCommand(host.batch());
    EXPECT_EQ(host.history.size(), 2u);
    ClearBatchHistoryCommand(host.batch());
    EXPECT_TRUE(host.history.empty());
    EXPECT_EQ(host.prompter.CountText(L"ﾊﾞｯﾁﾌｧｲﾙの履歴を削除します。よろしいですか？"), 2u);
}

}  // namespace
}  // namespace mirrant
