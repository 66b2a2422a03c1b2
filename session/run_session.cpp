#include "session/run_session.h"

#include <windows.h>

#include <atomic>

#include "engine/file_access.h"
#include "engine/stored_filter.h"
#include "fileops/error_text.h"
#include "framework/profile.h"
#include "framework/progress.h"
#include "framework/prompts.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace mirrant {

namespace {

// The notice of an interrupted batch asks once per program whether to stop it.
std::atomic<bool> g_askedToSilenceBatchNotice{false};

}  // namespace

void RunSession::ResetRunEndNotices() { g_askedToSilenceBatchNotice = false; }

RunSession::RunSession(RunHost& host, FileAccess& files, std::wstring startFolder)
    : host_(host), files_(files), startFolder_(std::move(startFolder)) {}

void RunSession::Load(unsigned timeToleranceSeconds) {
    ProfileStore& store = AppProfile();
    LoadRunOptions(options_, store);
    options_.timeToleranceSeconds = timeToleranceSeconds;
    LoadFilterSet(filter_, store);
    ApplyStartupConsistency(options_, filterModes(), store);
    logContext_ = LoadLogContext(store, startFolder_);
}

void RunSession::EnterScheduleMode(bool overwriteLog) {
    scheduleMode_ = true;
    scheduleOverwriteLog_ = overwriteLog;
}

bool RunSession::LogGoesToFile() { return scheduleMode_ || log_.settings().saveToFile; }

void RunSession::BeginRunLog(RunKind kind, const std::wstring* folder) {
    RunLogStart start;
    start.kind = kind;
    start.source = folder ? *folder : host_.PathText(PathSide::Source);
    start.destination = host_.PathText(PathSide::Destination);
    start.batchFile = batchFile_;
    start.testMode = host_.TestModeChecked();
    start.scheduleMode = scheduleMode_;
    start.scheduleAppend = !scheduleOverwriteLog_;
    logContext_ = LoadLogContext(AppProfile(), startFolder_);
    log_.BeginRunLog(start, logContext_);
    log_.ClearLog();
}

void RunSession::BeginBatchLog(const std::wstring& batchFile) {
    batchFile_ = batchFile;
    BeginRunLog(RunKind::Batch);
}

void RunSession::WriteRunLog() {
    if (log_.errorLineCount() > 0) errorsLogged_ = true;
    log_.FinishRunLog();
}

bool RunSession::OnRunButton(bool sync) {
    if (busy_) return false;
    queue_.clear();
    BeginRunLog(sync ? RunKind::Synchronize : RunKind::Overwrite);
    bool pathsValid = true;
    const bool started = StartCheckedRun(sync, 0, &pathsValid);
    if (!started && pathsValid) ReleaseProgress();
    if (!started) WriteRunLog();
    return started;
}

bool RunSession::StartBatch(std::deque<BatchRow> rows) {
    queue_ = std::move(rows);
    return StartNextRow();
}

bool RunSession::StartNextRow() {
    if (queue_.empty()) return false;
    const BatchRow row = queue_.front();
    queue_.pop_front();
    const int rowsLeft = static_cast<int>(queue_.size());

    const bool valid = !row.source.empty() && !row.destination.empty() &&
                       (row.operation == kOverwriteLetter || row.operation == kSyncLetter);
    if (valid && StartRow(row, rowsLeft)) return true;
    if (!valid) {
        if (scheduleMode_) log_.AppendError(LoadText(msg::kBadBatchContent));
        else host_.UiPrompter().Warning(LoadText(msg::kBadBatchContent));
    }
    // Nothing runs, so no end-of-run message will come: the batch's log is
    // written now and the progress window of the earlier rows goes. An
    // unattended run ends here, so that a scheduled task never waits for a
    // run that will not come.
    rowFailed_ = true;
    ReleaseProgress();
    if (scheduleMode_ && rowsLeft > 0) log_.AppendLine(LoadText(msg::kBatchInterrupted));
    WriteRunLog();
    if (scheduleMode_) {
        queue_.clear();
        EndProgram();
    }
    return false;
}

// Puts the row's paths into the boxes and starts it as the button would.
bool RunSession::StartRow(const BatchRow& row, int rowsAfter) {
    host_.SetPathText(PathSide::Source, row.source);
    host_.SetPathText(PathSide::Destination, row.destination);
    return StartCheckedRun(row.operation == kSyncLetter, rowsAfter);
}

// The start behind both buttons and every batch row: the boxes are checked
// and normalised (each refusal logged when the log goes to a file, shown
// unless unattended), then the run of the chosen mode starts.
bool RunSession::StartCheckedRun(bool sync, int rowsAfter, bool* pathsValid) {
    RunPaths paths = CheckRunPaths(host_.PathText(PathSide::Source), host_.PathText(PathSide::Destination));
    if (pathsValid) *pathsValid = paths.valid();
    if (!paths.valid()) {
        for (const std::wstring& text : paths.refusals) {
            if (text.empty()) continue;
            if (LogGoesToFile()) log_.AppendError(text);
            if (!scheduleMode_) host_.UiPrompter().Warning(text);
        }
        return false;
    }
    if (!paths.source.empty()) host_.SetPathText(PathSide::Source, paths.source);
    if (!paths.destination.empty()) host_.SetPathText(PathSide::Destination, paths.destination);
    RunMode mode = ChooseRunMode(sync, host_.TestModeChecked(), options_.deletePriority);
    return StartRun(mode, paths.source, paths.destination, rowsAfter);
}

bool RunSession::StartRun(RunMode mode, const std::wstring& source, const std::wstring& destination,
                          int rowsAfter) {
    LoadFilterSet(filter_, AppProfile());
    if (!progress_) progress_ = host_.CreateProgress(options_.displayLevel, scheduleMode_);
    if (!progress_) {
        ReportStartFailure(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    progress_->SetTitle(RunModeCaption(mode));
    progress_->SetDirection(LoadText(IDS_DIRECTION_FORWARD));

    RunRequest request{mode, source, destination, rowsAfter < 0 ? 0 : rowsAfter, scheduleMode_};
    auto context = std::make_unique<RunContext>(request, options_, std::make_shared<StoredFilter>(filter_), files_,
                                                host_.RunPrompter(), *progress_, log_, &policyChanges_);
    // Busy from here, so that a second click that arrives before the worker
    // has begun cannot start a second run; the controls and menus go gray.
    busy_ = true;
    rowsAfter_ = request.rowsAfter;
    host_.SetRunActive(true);
    unsigned long error = 0;
    RunHost& host = host_;
    if (StartWorker(std::move(context), [&host](std::unique_ptr<RunOutcome> o) { host.PostRunEnd(std::move(o)); },
                    error))
        return true;
    busy_ = false;
    host_.SetRunActive(false);
    ReportStartFailure(error);
    return false;
}

bool RunSession::StartRestore(RestoreRequest request) {
    if (busy_) return false;
    queue_.clear();
    request.testMode = host_.TestModeChecked();
    BeginRunLog(RunKind::Restore, &request.root);
    if (!progress_) progress_ = host_.CreateProgress(options_.displayLevel, scheduleMode_);
    if (!progress_) {
        ReportStartFailure(ERROR_NOT_ENOUGH_MEMORY);
        WriteRunLog();
        return false;
    }
    progress_->SetTitle(RestoreCaption(request.testMode));
    progress_->SetDirection(L"");
    auto context = std::make_unique<RestoreContext>(std::move(request), options_, files_, *progress_, log_);
    busy_ = true;
    rowsAfter_ = 0;
    host_.SetRunActive(true);
    unsigned long error = 0;
    RunHost& host = host_;
    if (StartRestoreWorker(std::move(context),
                           [&host](std::unique_ptr<RunOutcome> o) { host.PostRunEnd(std::move(o)); }, error))
        return true;
    busy_ = false;
    host_.SetRunActive(false);
    ReportStartFailure(error);
    ReleaseProgress();
    WriteRunLog();
    return false;
}

// A run whose worker cannot start says why: in the log, and in a warning
// unless unattended. No end-of-run message will come for it.
void RunSession::ReportStartFailure(unsigned long code) {
    const std::wstring text = Message(IDS_RUN_NOT_STARTED, {SystemErrorText(code)});
    log_.AppendError(text);
    if (!scheduleMode_) host_.UiPrompter().Warning(text);
}

void RunSession::OnRunEnd(std::unique_ptr<RunOutcome> outcome) {
    if (!outcome) return;
    if (!outcome->sourcePath.empty()) host_.SetPathText(PathSide::Source, outcome->sourcePath);
    if (!outcome->destinationPath.empty()) host_.SetPathText(PathSide::Destination, outcome->destinationPath);
    FinishRunDisplay(*outcome);
    // The per-item choice may have changed policies for good during the run.
    policyChanges_.TakeInto(options_);
    host_.SetRunActive(false);
    busy_ = false;
    // A row the guard stopped changed nothing: the batch goes on with the
    // next, and the exit code tells it.
    if (outcome->stoppedByGuard) rowStoppedByGuard_ = true;
    else if (!outcome->completed) rowFailed_ = true;
    ContinueOrEndBatch(outcome->completed || outcome->stoppedByGuard);
}

// The log file and the result display of a run that has ended. A completed
// batch row writes nothing yet: the batch's last row does it for all.
void RunSession::FinishRunDisplay(const RunOutcome& outcome) {
    if (outcome.summarized) {
        batchTally_.Add(outcome.tally);
        ++rowsSummarized_;
    }
    const bool batchGoesOn = (outcome.completed || outcome.stoppedByGuard) && rowsAfter_ > 0;
    if (batchGoesOn) return;
    // A batch of several rows ends with the summary of them all.
    if (rowsSummarized_ > 1) LogSummary(log_, batchTally_, IDS_SUMMARY_BATCH);
    batchTally_ = {};
    rowsSummarized_ = 0;
    if (progress_) progress_->SetVisible(false);
    if (outcome.toldInBox || (!outcome.completed && !outcome.loggedAnything)) {
        WriteRunLog();
        return;
    }
    if (scheduleMode_) {
        if (!outcome.completed && rowsAfter_ > 0) log_.AppendLine(LoadText(msg::kBatchInterrupted));
        WriteRunLog();
    } else {
        WriteRunLog();
        host_.ShowRunResult(log_);
    }
}

// After a run: the next batch row, or the end of the batch with its notice,
// and, unattended or when the log settings ask for it, the end of the program.
void RunSession::ContinueOrEndBatch(bool completed) {
    if (!queue_.empty()) {
        if (completed) {
            StartNextRow();
            return;
        }
        if (!scheduleMode_) {
            ProfileStore& store = AppProfile();
            int flags = ReadSetting(store, setting::BatchNoticeFlags);
            if (!(flags & batchnotice::InterruptedNoticeOff)) {
                Prompter& ui = host_.UiPrompter();
                ui.Information(LoadText(msg::kBatchInterrupted));
                if (!g_askedToSilenceBatchNotice.exchange(true) && ui.YesNo(LoadText(msg::kDontShowAgain), true)) {
                    WriteSetting(store, setting::BatchNoticeFlags, flags | batchnotice::InterruptedNoticeOff);
                }
            }
        }
    }
    queue_.clear();
    ReleaseProgress();
    options_.suppressFolderDeleteConfirm = false;
    options_.suppressDeleteFailureMessages = false;
    if (scheduleMode_ || log_.settings().exitWhenDone) EndProgram();
}

void RunSession::ReleaseProgress() {
    if (progress_) host_.DestroyProgress(progress_);
    progress_ = nullptr;
}

ExitCode RunSession::exitCode() const {
    if (!scheduleMode_) return ExitCode::Success;
    if (rowStoppedByGuard_) return ExitCode::StoppedByGuard;
    if (rowFailed_) return ExitCode::NotCompleted;
    return errorsLogged_ ? ExitCode::ErrorsLogged : ExitCode::Success;
}

}  // namespace mirrant
