#include "engine/run_driver.h"

#include <atomic>
#include <memory>
#include <utility>

#include "engine/failure_policy.h"
#include "engine/file_access.h"
#include "engine/tree_walk.h"
#include "fileops/error_text.h"
#include "filter/filter_set.h"
#include "framework/log_sink.h"
#include "framework/profile.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {

enum : unsigned {
    kMsgSourceEmpty = 118,
    kMsgDestinationEmpty = 119,
    kMsgOneSideFile = 120,
    kMsgFolderOntoFile = 152,
    kMsgBatchInterrupted = 163,
    kMsgInvalidPath = 243,
    kMsgDontShowAgain = 250,
};

// Bit 1 of "op17": the batch-interrupted notice is not shown any more.
constexpr int kBatchInterruptedNoticeOff = 2;

const RunModeRow kModes[] = {
    {RunMode::OverwriteTest, IDS_CAPTION_OVERWRITE_TEST, true, false, false},
    {RunMode::Overwrite, IDS_CAPTION_OVERWRITE, false, false, false},
    {RunMode::SyncTest, IDS_CAPTION_SYNC_TEST, true, true, false},
    {RunMode::Sync, IDS_CAPTION_SYNC, false, true, false},
    {RunMode::SyncDeletePriority, IDS_CAPTION_SYNC_DELETE_PRIORITY, false, true, true},
};

// Counts the lines of the run, so that the end knows whether it logged any.
class CountingLog : public LogSink {
public:
    explicit CountingLog(LogSink& inner) : inner_(inner) {}
    void AppendLine(const std::wstring& text, const std::wstring& errorText = {}) override {
        ++count_;
        inner_.AppendLine(text, errorText);
    }
    size_t count() const { return count_; }

private:
    LogSink& inner_;
    std::atomic<size_t> count_{0};
};

// The notice of an interrupted batch asks once per program whether to stop it.
std::atomic<bool> g_askedToSilenceBatchNotice{false};

}  // namespace

const RunModeRow& RunModeInfo(RunMode mode) {
    int i = static_cast<int>(mode);
    if (i < 0 || i > 4) i = 1;
    return kModes[i];
}

std::wstring RunModeCaption(RunMode mode) { return LoadText(RunModeInfo(mode).captionId); }

RunMode ChooseRunMode(bool sync, bool testModeChecked, bool deletePriority) {
    if (!sync) return testModeChecked ? RunMode::OverwriteTest : RunMode::Overwrite;
    if (testModeChecked) return RunMode::SyncTest;
    return deletePriority ? RunMode::SyncDeletePriority : RunMode::Sync;
}

void PathSet::Add(const std::wstring& path) {
    std::wstring key = path;
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    set_.insert(std::move(key));
}

bool PathSet::Contains(const std::wstring& path) const {
    std::wstring key = path;
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return set_.count(key) != 0;
}

int WorkerThreadPriority(int runPriority) {
    switch (runPriority) {
    case 2: return THREAD_PRIORITY_HIGHEST;
    case 1: return THREAD_PRIORITY_ABOVE_NORMAL;
    case -1: return THREAD_PRIORITY_BELOW_NORMAL;
    case -2: return THREAD_PRIORITY_LOWEST;
    default: return THREAD_PRIORITY_NORMAL;
    }
}

int PerformRun(RunHost& host, Progress& progress, const RunRequest& request) {
    RunOptions& options = host.Options();
    EngineState& state = host.State();
    const EntryFilter& filter = host.Filter();
    FileAccess& files = host.Files();
    EnginePrompter& prompter = host.Prompts();
    CountingLog log(host.Log());
    FailureHandler failures(options, prompter, log, progress);
    const RunModeRow& row = RunModeInfo(request.mode);

    state.forwardPass = true;
    state.executePhase = true;
    state.testMode = row.test;

    // Every title of the run: pass text, filter marker, destination markers.
    auto decorate = [&](const std::wstring& text) {
        return text + TitleMarkers(filter.NameListsInUse(), filter.DestinationOnly(), filter.ProtectDestination());
    };
    const std::wstring caption = RunModeCaption(request.mode);
    progress.SetTitle(decorate(caption));
    host.SetRunActive(true);

    // Step 9: the end common to every run.
    auto done = [&](int result) {
        state.ClearPathSets();
        host.SetRunActive(false);
        return result;
    };
    // Step 8: finishing with the log and the result display.
    auto finish = [&](int result) {
        if (result == 1 && request.rowsAfter > 0) return done(result);  // the batch goes on
        progress.SetVisible(false);
        if (result == 0 && log.count() == 0) {
            host.WriteRunLog();
            return done(result);
        }
        while (progress.PauseRequested()) Sleep(500);
        if (request.scheduled) {
            if (result == 0 && request.rowsAfter > 0) log.AppendLine(LoadText(kMsgBatchInterrupted));
            host.WriteRunLog();
        } else {
            host.WriteRunLog();
            host.ShowRunResult(log.count() == 0);
        }
        return done(result);
    };
    // An empty box: shown and ended quietly, or logged and finished.
    auto emptyBox = [&](unsigned id) {
        if (options.confirmOtherErrors) {
            prompter.Warning(LoadText(id));
            progress.SetVisible(false);
            host.WriteRunLog();
            return done(0);
        }
        log.AppendError(LoadText(id));
        return finish(0);
    };

    std::wstring source = request.sourcePath;
    std::wstring destination = request.destinationPath;
    if (source.empty()) return emptyBox(kMsgSourceEmpty);
    if (destination.empty()) return emptyBox(kMsgDestinationEmpty);

    progress.SetVisible(true);
    std::wstring before = source;
    if (!files.CheckDriveOrShare(source, options, prompter, log)) return finish(0);
    if (source != before) host.SetSourceText(source);
    before = destination;
    if (!files.CheckDriveOrShare(destination, options, prompter, log)) return finish(0);
    if (destination != before) host.SetDestinationText(destination);
    bool sourceIsFolder = false, destinationIsFolder = false;
    if (!files.SearchRoot(RootSide::Source, source, sourceIsFolder, false, state.testMode, options, progress,
                          prompter, log))
        return finish(0);
    if (!files.SearchRoot(RootSide::Destination, destination, destinationIsFolder, sourceIsFolder,
                          state.testMode, options, progress, prompter, log))
        return finish(0);
    progress.Reset();
    files.ResolveDriveRelative(source);
    host.SetSourceText(source);
    files.ResolveDriveRelative(destination);
    host.SetDestinationText(destination);

    WalkContext context{request.mode, options, state, filter, files, prompter, log};

    if (sourceIsFolder && !destinationIsFolder) {
        if (options.confirmOtherErrors) {
            if (prompter.YesNo(LoadText(kMsgFolderOntoFile)))
                prompter.Information(LoadText(IDS_UNSUPPORTED_COMBINATION));
            progress.SetVisible(false);
            host.WriteRunLog();
            return done(0);
        }
        log.AppendError(LoadText(IDS_FOLDER_ONTO_FILE) + LoadText(IDS_UNSUPPORTED_COMBINATION));
        return finish(0);
    }
    if (!sourceIsFolder) {
        if (row.sync) {
            if (options.confirmOtherErrors) prompter.Warning(LoadText(kMsgOneSideFile));
            else log.AppendLine(LoadText(kMsgOneSideFile));
        }
        state.executePhase = true;
        TreeWalk walk(context, progress);
        return finish(walk.RunSingleFile(source, destination, destinationIsFolder));
    }

    // Both roots are folders: the passes of the mode.
    state.ClearPathSets();
    state.workFound = false;
    auto pass = [&](bool forward, bool execute, const std::wstring& title, unsigned directionId) {
        state.forwardPass = forward;
        state.executePhase = execute;
        progress.SetTitle(decorate(title));
        if (directionId) progress.SetDirection(LoadText(directionId));
        TreeWalk walk(context, progress);
        return forward ? walk.CompareFolder(source, true, destination)
                       : walk.CompareFolder(destination, true, source);
    };

    int result = 1;
    if (!row.sync) {
        result = pass(true, true, caption, 0);
        return finish(result);
    }
    if (row.searchPasses) {
        result = pass(true, false, caption + LoadText(IDS_PASS_SEARCHING_SUFFIX), 0);
        if (result == 1) result = pass(false, false, LoadText(IDS_PASS_REVERSE_SEARCH), IDS_DIRECTION_REVERSE);
        state.forwardPass = true;
        state.executePhase = true;
        if (result == 0) return finish(0);
        if (!state.workFound) return finish(1);  // nothing to copy
        state.workFound = false;
    }
    result = pass(true, true, caption, IDS_DIRECTION_FORWARD);
    if (result == 1) {
        unsigned reverseTitle = request.mode == RunMode::SyncDeletePriority ? IDS_PASS_REVERSE_DELETE_PRIORITY
                                : request.mode == RunMode::SyncTest          ? IDS_PASS_REVERSE_TEST
                                                                             : IDS_PASS_REVERSE;
        result = pass(false, true, LoadText(reverseTitle), IDS_DIRECTION_REVERSE);
    }
    state.forwardPass = true;
    return finish(result);
}

namespace {

// The walk recurses once per folder level, about 1.6 KB of stack each. Long
// paths allow some 16,000 levels, and a folder link that points to one of its
// own parents makes a walk go as deep as the paths allow; the reservation
// covers that (only the part in use is committed).
constexpr SIZE_T kWorkerStackBytes = 64u << 20;

struct WorkerStart {
    RunHost& host;
    Progress& progress;
    int priority;
    std::unique_ptr<RunRequest> request;
};

DWORD WINAPI WorkerMain(void* parameter) {
    std::unique_ptr<WorkerStart> work(static_cast<WorkerStart*>(parameter));
    RunHost& host = work->host;
    SetThreadPriority(GetCurrentThread(), work->priority);
    host.State().busy = true;
    int result = 0;
    try {
        result = PerformRun(host, work->progress, *work->request);
    } catch (...) {
        result = 0;
    }
    work.reset();
    host.State().busy = false;
    host.PostRunEnd(result == 1);
    return 0;
}

}  // namespace

namespace {

// Set by tests: the next worker thread "cannot be created" with this code.
DWORD g_workerStartFailure = 0;

// A run whose worker cannot start says why: in the log, and in a warning
// unless unattended. No end-of-run message will come for it.
void ReportStartFailure(RunHost& host, DWORD code) {
    const std::wstring text = Message(IDS_RUN_NOT_STARTED, {SystemErrorText(code)});
    host.Log().AppendError(text);
    if (!host.Scheduled()) host.UiPrompter().Warning(text);
}

}  // namespace

bool StartRun(RunHost& host, RunMode mode, const std::wstring& source, const std::wstring& destination,
              int rowsAfter) {
    std::unique_ptr<RunRequest> request(new (std::nothrow) RunRequest);
    if (!request) return false;
    host.LoadFilterForRun();
    Progress& progress = host.AcquireProgress();
    progress.SetTitle(RunModeCaption(mode));
    progress.SetDirection(LoadText(IDS_DIRECTION_FORWARD));
    request->mode = mode;
    request->sourcePath = source;
    request->destinationPath = destination;
    request->rowsAfter = rowsAfter < 0 ? 0 : rowsAfter;
    request->scheduled = host.Scheduled();

    // Set here as well as by the worker, so that a second click that arrives
    // before the worker has begun cannot start a second run.
    host.State().busy = true;
    auto* work = new (std::nothrow) WorkerStart{host, progress, WorkerThreadPriority(host.Options().runPriority),
                                                std::move(request)};
    if (!work) {
        host.State().busy = false;
        ReportStartFailure(host, ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    HANDLE thread = nullptr;
    if (DWORD injected = std::exchange(g_workerStartFailure, 0)) {
        SetLastError(injected);
    } else {
        thread = CreateThread(nullptr, kWorkerStackBytes, WorkerMain, work, STACK_SIZE_PARAM_IS_A_RESERVATION,
                              nullptr);
    }
    if (!thread) {
        const DWORD code = GetLastError();
        delete work;
        host.State().busy = false;
        ReportStartFailure(host, code);
        return false;
    }
    CloseHandle(thread);
    return true;
}

void FailNextWorkerStartForTest(unsigned long code) { g_workerStartFailure = code; }

bool StartCheckedRun(RunHost& host, bool sync, int rowsAfter, bool* pathsValid) {
    FileAccess& files = host.Files();
    std::wstring source = host.SourceText();
    std::wstring destination = host.DestinationText();
    std::wstring failures[2];
    // An empty box is not an invalid path: the run reports it as empty
    // ("ｺﾋﾟｰ元が空欄です。").
    std::wstring normalized = source;
    if (source.empty()) {
    } else if (files.NormalizePath(normalized)) {
        source = normalized;
        host.SetSourceText(source);
    } else {
        failures[0] = LoadText(IDS_FILEOPS_SOURCE_LABEL) + Message(kMsgInvalidPath, {source});
    }
    normalized = destination;
    if (destination.empty()) {
    } else if (files.NormalizePath(normalized)) {
        destination = normalized;
        host.SetDestinationText(destination);
    } else {
        failures[1] = LoadText(IDS_FILEOPS_DESTINATION_LABEL) + Message(kMsgInvalidPath, {destination});
    }
    if (pathsValid) *pathsValid = failures[0].empty() && failures[1].empty();
    if (!failures[0].empty() || !failures[1].empty()) {
        for (const std::wstring& text : failures) {
            if (text.empty()) continue;
            if (host.LogGoesToFile()) host.Log().AppendError(text);
            if (!host.Scheduled()) host.UiPrompter().Warning(text);
        }
        return false;
    }
    RunMode mode = ChooseRunMode(sync, host.TestModeChecked(), host.Options().deletePriority);
    return StartRun(host, mode, source, destination, rowsAfter);
}

bool OnRunButton(RunHost& host, bool sync) {
    if (host.State().busy) return false;
    host.ClearBatchQueue();
    host.BeginRunLog();
    bool pathsValid = true;
    const bool started = StartCheckedRun(host, sync, 0, &pathsValid);
    if (!started && pathsValid) host.ReleaseProgress();
    if (!started) host.WriteRunLog();
    return started;
}

void ResetRunEndNotices() { g_askedToSilenceBatchNotice = false; }

void OnRunEnd(RunHost& host, bool completed) {
    if (host.BatchRowsWaiting()) {
        if (completed) {
            host.StartNextBatchRow();
            return;
        }
        if (!host.Scheduled()) {
            ProfileStore& store = AppProfile();
            int flags = store.GetInt(kSettingsSection, optname::BatchNoticeFlags, 0);
            if (!(flags & kBatchInterruptedNoticeOff)) {
                Prompter& ui = host.UiPrompter();
                ui.Information(LoadText(kMsgBatchInterrupted));
                if (!g_askedToSilenceBatchNotice.exchange(true) && ui.YesNo(LoadText(kMsgDontShowAgain), true)) {
                    store.SetInt(kSettingsSection, optname::BatchNoticeFlags, flags | kBatchInterruptedNoticeOff);
                }
            }
        }
    }
    host.ClearBatchQueue();
    host.ReleaseProgress();
    RunOptions& options = host.Options();
    options.suppressFolderDeleteConfirm = false;
    options.suppressDeleteFailureMessages = false;
    if (host.Scheduled() || host.CloseProgramAfterRun()) host.CloseMainWindow();
}

}  // namespace mirrant
