#include "engine/run_driver.h"

#include <windows.h>

#include <atomic>
#include <utility>

#include "engine/failure_policy.h"
#include "engine/file_access.h"
#include "engine/tree_walk.h"
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
    kMsgInvalidPath = 243,
};

const RunModeRow kModes[] = {
    {RunMode::OverwriteTest, IDS_CAPTION_OVERWRITE_TEST, true, false, false},
    {RunMode::Overwrite, IDS_CAPTION_OVERWRITE, false, false, false},
    {RunMode::SyncTest, IDS_CAPTION_SYNC_TEST, true, true, false},
    {RunMode::Sync, IDS_CAPTION_SYNC, false, true, false},
    {RunMode::SyncDeletePriority, IDS_CAPTION_SYNC_DELETE_PRIORITY, false, true, true},
};

// Counts the lines of the run, so that its end knows whether it logged any.
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

}  // namespace

MissingPolicies MissingPolicies::Of(const RunOptions& options) {
    return {options.missingInDestination, options.missingInSource, options.deletePriority};
}

void PolicyChanges::Record(const MissingPolicies& before, const RunOptions& changed, ProfileStore& store) {
    const MissingPolicies p = MissingPolicies::Of(changed);
    if (p.missingInDestination != before.missingInDestination)
        store.SetInt(kSettingsSection, optname::MissingInDestination, static_cast<int>(p.missingInDestination));
    if (p.missingInSource != before.missingInSource)
        store.SetInt(kSettingsSection, optname::MissingInSource, static_cast<int>(p.missingInSource));
    if (p.deletePriority != before.deletePriority)
        store.SetInt(kSettingsSection, optname::DeletePriority, p.deletePriority ? 1 : 0);
    std::lock_guard lock(mutex_);
    pending_ = p;
}

bool PolicyChanges::TakeInto(RunOptions& options) {
    std::lock_guard lock(mutex_);
    if (!pending_) return false;
    options.missingInDestination = pending_->missingInDestination;
    options.missingInSource = pending_->missingInSource;
    options.deletePriority = pending_->deletePriority;
    pending_.reset();
    return true;
}

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

RunPaths CheckRunPaths(FileAccess& files, const std::wstring& source, const std::wstring& destination) {
    RunPaths paths{source, destination};
    const unsigned labels[2] = {IDS_FILEOPS_SOURCE_LABEL, IDS_FILEOPS_DESTINATION_LABEL};
    std::wstring* boxes[2] = {&paths.source, &paths.destination};
    for (int i = 0; i < 2; ++i) {
        std::wstring normalized = *boxes[i];
        if (normalized.empty()) continue;
        if (files.NormalizePath(normalized)) *boxes[i] = normalized;
        else paths.refusals[i] = LoadText(labels[i]) + Message(kMsgInvalidPath, {*boxes[i]});
    }
    return paths;
}

RunOutcome PerformRun(RunContext& run) {
    RunOptions& options = run.options;
    const EntryFilter& filter = *run.filter;
    FileAccess& files = run.files;
    EnginePrompter& prompter = run.prompts;
    Progress& progress = run.progress;
    const RunRequest& request = run.request;
    CountingLog log(run.log);
    const RunModeRow& row = RunModeInfo(request.mode);
    RunState state;
    state.testMode = row.test;

    RunOutcome outcome;
    auto end = [&](bool completed) {
        outcome.completed = completed;
        outcome.loggedAnything = log.count() > 0;
        return outcome;
    };
    // The run could not go on, and a box has told the user why.
    auto endToldInBox = [&] {
        outcome.toldInBox = true;
        return end(false);
    };

    // Every title of the run: pass text, filter marker, destination markers.
    auto decorate = [&](const std::wstring& text) {
        return text + TitleMarkers(filter.NameListsInUse(), filter.DestinationOnly(), filter.ProtectDestination());
    };
    const std::wstring caption = RunModeCaption(request.mode);
    progress.SetTitle(decorate(caption));

    // An empty box: shown and ended quietly, or logged and finished.
    auto emptyBox = [&](unsigned id) {
        if (options.confirmOtherErrors) {
            prompter.Warning(LoadText(id));
            return endToldInBox();
        }
        log.AppendError(LoadText(id));
        return end(false);
    };
    std::wstring source = request.sourcePath;
    std::wstring destination = request.destinationPath;
    if (source.empty()) return emptyBox(kMsgSourceEmpty);
    if (destination.empty()) return emptyBox(kMsgDestinationEmpty);

    // The roots: drive or share, reachable, folder or file; a missing
    // destination root folder is created here.
    progress.SetVisible(true);
    if (!files.CheckDriveOrShare(source, options, prompter, log)) return end(false);
    outcome.sourcePath = source;
    if (!files.CheckDriveOrShare(destination, options, prompter, log)) return end(false);
    outcome.destinationPath = destination;
    bool sourceIsFolder = false, destinationIsFolder = false;
    if (!files.SearchRoot(RootSide::Source, source, sourceIsFolder, false, state.testMode, options, progress,
                          prompter, log))
        return end(false);
    if (!files.SearchRoot(RootSide::Destination, destination, destinationIsFolder, sourceIsFolder,
                          state.testMode, options, progress, prompter, log))
        return end(false);
    progress.Reset();
    files.ResolveDriveRelative(source);
    files.ResolveDriveRelative(destination);
    outcome.sourcePath = source;
    outcome.destinationPath = destination;

    WalkContext context{request.mode, options, state, filter, files, prompter, log, run.policyChanges};

    if (sourceIsFolder && !destinationIsFolder) {
        if (options.confirmOtherErrors) {
            if (prompter.YesNo(LoadText(kMsgFolderOntoFile)))
                prompter.Information(LoadText(IDS_UNSUPPORTED_COMBINATION));
            return endToldInBox();
        }
        log.AppendError(LoadText(IDS_FOLDER_ONTO_FILE) + LoadText(IDS_UNSUPPORTED_COMBINATION));
        return end(false);
    }
    if (!sourceIsFolder) {
        if (row.sync) {
            if (options.confirmOtherErrors) prompter.Warning(LoadText(kMsgOneSideFile));
            else log.AppendLine(LoadText(kMsgOneSideFile));
        }
        TreeWalk walk(context, progress);
        return end(walk.RunSingleFile(source, destination, destinationIsFolder) == 1);
    }

    // Both roots are folders: the passes of the mode, each a walk from the
    // two roots. A pass that stops ends the run; later passes do not run.
    auto pass = [&](bool forward, bool execute, const std::wstring& title, unsigned directionId) {
        state.forwardPass = forward;
        state.executePhase = execute;
        progress.SetTitle(decorate(title));
        if (directionId) progress.SetDirection(LoadText(directionId));
        TreeWalk walk(context, progress);
        int r = forward ? walk.CompareFolder(source, true, destination)
                        : walk.CompareFolder(destination, true, source);
        return r == 1;
    };

    if (!row.sync) return end(pass(true, true, caption, 0));
    if (row.searchPasses) {
        bool searched = pass(true, false, caption + LoadText(IDS_PASS_SEARCHING_SUFFIX), 0) &&
                        pass(false, false, LoadText(IDS_PASS_REVERSE_SEARCH), IDS_DIRECTION_REVERSE);
        if (!searched) return end(false);
        if (!state.workFound) return end(true);  // nothing to copy or delete
        state.workFound = false;
    }
    if (!pass(true, true, caption, IDS_DIRECTION_FORWARD)) return end(false);
    unsigned reverseTitle = request.mode == RunMode::SyncDeletePriority ? IDS_PASS_REVERSE_DELETE_PRIORITY
                            : request.mode == RunMode::SyncTest          ? IDS_PASS_REVERSE_TEST
                                                                         : IDS_PASS_REVERSE;
    return end(pass(false, true, LoadText(reverseTitle), IDS_DIRECTION_REVERSE));
}

namespace {

// The walk recurses once per folder level, about 1.6 KB of stack each. Long
// paths allow some 16,000 levels, and a folder link that points to one of its
// own parents makes a walk go as deep as the paths allow; the reservation
// covers that (only the part in use is committed).
constexpr SIZE_T kWorkerStackBytes = 64u << 20;

struct WorkerStart {
    std::unique_ptr<RunContext> context;
    RunEndHandler onEnd;
};

DWORD WINAPI WorkerMain(void* parameter) {
    std::unique_ptr<WorkerStart> work(static_cast<WorkerStart*>(parameter));
    SetThreadPriority(GetCurrentThread(), WorkerThreadPriority(work->context->options.runPriority));
    auto outcome = std::make_unique<RunOutcome>();
    try {
        *outcome = PerformRun(*work->context);
    } catch (...) {
        outcome->completed = false;
    }
    // The end waits while the user has the run paused (the interrupt
    // question is open), so that the answer still applies to this run.
    while (work->context->progress.PauseRequested()) Sleep(500);
    work->context.reset();
    work->onEnd(std::move(outcome));
    return 0;
}

// Set by tests: the next worker thread "cannot be created" with this code.
DWORD g_workerStartFailure = 0;

}  // namespace

bool StartWorker(std::unique_ptr<RunContext> context, RunEndHandler onEnd, unsigned long& error) {
    auto* work = new (std::nothrow) WorkerStart{std::move(context), std::move(onEnd)};
    if (!work) {
        error = ERROR_NOT_ENOUGH_MEMORY;
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
        error = GetLastError();
        delete work;
        return false;
    }
    CloseHandle(thread);
    return true;
}

void FailNextWorkerStartForTest(unsigned long code) { g_workerStartFailure = code; }

}  // namespace mirrant
