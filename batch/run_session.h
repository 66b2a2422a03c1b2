#pragma once
// The runs of one main window, on the user-interface thread: starting a run
// from the buttons or a batch row, and its end when the worker has posted
// its outcome — the log file, the result window, the notices, the next
// batch row and, unattended, the end of the program. The session owns what
// lives across runs (options, filter settings, run log, batch queue); the
// window it serves is reached through RunWindow, so the whole path can be
// driven without a window.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_file.h"
#include "batch/batch_run.h"
#include "settings/policy_rules.h"
#include "engine/run_driver.h"
#include "filter/filter_set.h"
#include "log/log_buffer.h"

namespace mirrant {

class EnginePrompter;
class FileAccess;
class Progress;
class Prompter;
class RecentFileList;

enum class PathSide { Source, Destination };

// What a run needs of the main window.
class RunWindow {
public:
    virtual ~RunWindow() = default;
    virtual std::wstring PathText(PathSide side) = 0;
    virtual void SetPathText(PathSide side, const std::wstring& text) = 0;
    virtual bool TestModeChecked() = 0;
    // Disables (true) or re-enables the controls and menus around a run.
    virtual void SetRunActive(bool active) = 0;
    // The progress window of a run or a batch: created hidden and centred,
    // with its detail threshold; the schedule field filled when scheduled.
    // Null when it cannot be created.
    virtual Progress* CreateProgress(int displayThreshold, bool scheduled) = 0;
    virtual void DestroyProgress(Progress* progress) = 0;
    // The window's own message boxes.
    virtual Prompter& UiPrompter() = 0;
    // The prompts of a running worker (boxes and dialogs owned by the window).
    virtual EnginePrompter& RunPrompter() = 0;
    // The result display of an interactive run.
    virtual void ShowRunResult(const LogBuffer& log) = 0;
    // Hands the worker's outcome to the user-interface thread, which then
    // calls RunSession::OnRunEnd with it. Called on the worker thread.
    virtual void PostRunEnd(std::unique_ptr<RunOutcome> outcome) = 0;
    virtual bool ShowExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& rows) = 0;
    virtual std::vector<std::wstring> ChooseBatchFiles(bool several, bool textDefault) = 0;
    virtual RecentFileList* History() = 0;
    virtual void RebuildBatchMenu() = 0;
    // Ends the program.
    virtual void Close() = 0;
};

// How an unattended program ends, for the scheduler that started it.
enum class ExitCode : int {
    Success = 0,         // every row completed without an error line
    ErrorsLogged = 1,    // every row completed, but error lines were logged
    NotCompleted = 2,    // a row did not complete or could not start, or the batch could not be read
};

class RunSession : public BatchHost {
public:
    RunSession(RunWindow& window, FileAccess& files, std::wstring startFolder);

    // Start-up: options, filter settings and log settings from the registry.
    void Load(unsigned timeToleranceSeconds);
    void EnterScheduleMode(bool overwriteLog);
    bool scheduleMode() const { return scheduleMode_; }
    bool scheduleOverwritesLog() const { return scheduleOverwriteLog_; }

    RunOptions& options() { return options_; }
    FilterSet& filterSet() { return filter_; }
    LogBuffer& runLog() { return log_; }
    LogContext& logContext() { return logContext_; }
    FilterModes filterModes() const { return {filter_.destinationOnly, filter_.protectDestination}; }

    // A run or its end is under way: the buttons, the batch commands and
    // closing the window do nothing.
    bool busy() const { return busy_; }

    // "上書き" (sync false) / "同期" (sync true). false when no run started.
    bool OnRunButton(bool sync);
    // The worker's outcome, delivered on the user-interface thread.
    void OnRunEnd(std::unique_ptr<RunOutcome> outcome);

    // The exit code of an unattended program (interactive: Success).
    ExitCode exitCode() const;

    // BatchHost.
    bool Scheduled() override { return scheduleMode_; }
    Prompter& UiPrompter() override;
    std::deque<BatchRow>& BatchQueue() override { return queue_; }
    void BeginBatchLog(const std::wstring& batchFile) override;
    bool LogGoesToFile() override;
    LogSink& Log() override { return log_; }
    void WriteRunLog() override;
    void SetTextBatchDefault(bool text) override { options_.textBatchDefault = text; }
    bool TextBatchDefault() override { return options_.textBatchDefault; }
    bool StartBatchRun(const BatchRow& row, int rowsAfter) override;
    void ReleaseProgress() override;
    bool ShowExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& rows) override;
    std::vector<std::wstring> ChooseBatchFiles(bool several) override;
    RecentFileList* History() override;
    void RebuildBatchMenu() override;
    void CloseMainWindow() override;
    void BatchFailed() override { rowFailed_ = true; }

    // Tests: where the interrupted-batch question is asked once per program.
    static void ResetRunEndNotices();

private:
    void BeginRunLog(RunKind kind);
    bool StartCheckedRun(bool sync, int rowsAfter, bool* pathsValid = nullptr);
    bool StartRun(RunMode mode, const std::wstring& source, const std::wstring& destination, int rowsAfter);
    void ReportStartFailure(unsigned long code);
    void FinishRunDisplay(const RunOutcome& outcome);
    void ContinueOrEndBatch(bool completed);

    RunWindow& window_;
    FileAccess& files_;
    std::wstring startFolder_;
    RunOptions options_;
    FilterSet filter_;
    LogBuffer log_;
    LogContext logContext_;
    PolicyChanges policyChanges_;
    std::deque<BatchRow> queue_;
    std::wstring batchFile_;
    Progress* progress_ = nullptr;
    bool busy_ = false;
    bool scheduleMode_ = false;
    bool scheduleOverwriteLog_ = false;
    bool rowFailed_ = false;
    bool errorsLogged_ = false;
    // The run under way: what its end needs of the request.
    int rowsAfter_ = 0;
};

}  // namespace mirrant
