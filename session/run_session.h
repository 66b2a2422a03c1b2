#pragma once
// The runs of one main window, on the window's thread: a run started from
// the buttons or a batch row, its end when the worker has posted its outcome
// (the log file, the result window, the notices), the next row of a batch
// and, unattended, the end of the program. The session owns what lives
// across runs (options, filter settings, run log, batch queue); the window
// it serves is reached through RunHost, so the whole path can be driven
// without a window.
#include <deque>
#include <memory>
#include <string>

#include "engine/restore.h"
#include "engine/run_tally.h"
#include "engine/run_driver.h"
#include "filter/filter_set.h"
#include "log/log_buffer.h"
#include "session/batch_row.h"
#include "session/run_host.h"
#include "settings/policy_rules.h"

namespace mirrant {

class FileAccess;

// How an unattended program ends, for the scheduler that started it.
enum class ExitCode : int {
    Success = 0,         // every row completed without an error line
    ErrorsLogged = 1,    // every row completed, but error lines were logged
    NotCompleted = 2,    // a row did not complete or could not start, or the batch could not be read
    StoppedByGuard = 3,  // a row was stopped by the guard against large changes; nothing of it was changed
};

// What reading and starting a batch file asks of the session. The session
// is its one implementation; the batch tests script it.
class BatchRuns {
public:
    virtual ~BatchRuns() = default;
    // Unattended run from the command line: no window and no message box.
    virtual bool Scheduled() = 0;
    // Clears the run's log lines and starts the run log for the batch file.
    virtual void BeginBatchLog(const std::wstring& batchFile) = 0;
    // The run log is saved to a file: failures are logged too.
    virtual bool LogGoesToFile() = 0;
    virtual LogSink& Log() = 0;
    // Finishes the run log (writes it to its file).
    virtual void WriteRunLog() = 0;
    // Sets textBatchDefault in memory (not written, menu check unchanged).
    virtual void SetTextBatchDefault(bool text) = 0;
    // Queues the rows and starts the first; false when it did not start
    // (see RunSession::StartNextRow).
    virtual bool StartBatch(std::deque<BatchRow> rows) = 0;
    // The batch file could not be read or a row was refused as it was read:
    // an unattended program reports it in its exit code.
    virtual void BatchFailed() = 0;
    // Ends the program (closes the main window).
    virtual void EndProgram() = 0;
};

class RunSession : public BatchRuns {
public:
    RunSession(RunHost& host, FileAccess& files, std::wstring startFolder);

    // Start-up: options, filter settings and log settings from the registry.
    void Load(unsigned timeToleranceSeconds);
    void EnterScheduleMode(bool overwriteLog);

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
    // Brings set-aside files back below request.root (the restore window's
    // buttons): a run of its own kind, with the progress window, the run log
    // and the result window; the test-mode box decides request.testMode.
    // false when no restore started.
    bool StartRestore(RestoreRequest request);
    // The worker's outcome, delivered on the window's thread.
    void OnRunEnd(std::unique_ptr<RunOutcome> outcome);

    // Takes the front row off the queue and starts it as the "上書き" or
    // "同期" button would; false when nothing started. A row that cannot
    // start writes the batch's log; unattended, it ends the batch and the
    // program, so that a scheduled task never waits for a run that will
    // not come.
    bool StartNextRow();
    const std::deque<BatchRow>& queue() const { return queue_; }

    // The exit code of an unattended program (interactive: Success).
    ExitCode exitCode() const;

    // BatchRuns.
    bool Scheduled() override { return scheduleMode_; }
    void BeginBatchLog(const std::wstring& batchFile) override;
    bool LogGoesToFile() override;
    LogSink& Log() override { return log_; }
    void WriteRunLog() override;
    void SetTextBatchDefault(bool text) override { options_.textBatchDefault = text; }
    bool StartBatch(std::deque<BatchRow> rows) override;
    void BatchFailed() override { rowFailed_ = true; }
    void EndProgram() override { host_.Close(); }

    // Tests: where the interrupted-batch question is asked once per program.
    static void ResetRunEndNotices();

private:
    void BeginRunLog(RunKind kind, const std::wstring* folder = nullptr);
    bool StartRow(const BatchRow& row, int rowsAfter);
    bool StartCheckedRun(bool sync, int rowsAfter, bool* pathsValid = nullptr);
    bool StartRun(RunMode mode, const std::wstring& source, const std::wstring& destination, int rowsAfter);
    void ReportStartFailure(unsigned long code);
    void FinishRunDisplay(const RunOutcome& outcome);
    void ContinueOrEndBatch(bool completed);
    void ReleaseProgress();

    RunHost& host_;
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
    bool rowStoppedByGuard_ = false;
    bool errorsLogged_ = false;
    // The summaries of a batch's rows, for the batch's own.
    RunTally batchTally_;
    int rowsSummarized_ = 0;
    // The run under way: what its end needs of the request.
    int rowsAfter_ = 0;
};

}  // namespace mirrant
