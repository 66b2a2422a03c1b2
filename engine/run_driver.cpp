#include "engine/run_driver.h"

#include <windows.h>

#include <atomic>
#include <optional>
#include <utility>

#include "engine/failure_policy.h"
#include "engine/file_access.h"
#include "engine/root_search.h"
#include "engine/run_guard.h"
#include "engine/set_aside.h"
#include "engine/plan_executor.h"
#include "engine/run_plan.h"
#include "engine/tree_walk.h"
#include "fileops/fs_edge.h"
#include "fileops/path_rules.h"
#include "filter/filter_set.h"
#include "framework/log_sink.h"
#include "framework/profile.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

//  mode                          name                               test   search  reverse pass
const RunModeRow kModes[] = {
    {RunMode::OverwriteTest,      IDS_CAPTION_OVERWRITE_TEST,       true,  false,  0},
    {RunMode::Overwrite,          IDS_CAPTION_OVERWRITE,            false, false,  0},
    {RunMode::SyncTest,           IDS_CAPTION_SYNC_TEST,            true,  false,  IDS_PASS_REVERSE_TEST},
    {RunMode::Sync,               IDS_CAPTION_SYNC,                 false, false,  IDS_PASS_REVERSE},
    {RunMode::SyncDeletePriority, IDS_CAPTION_SYNC_DELETE_PRIORITY, false, true,   IDS_PASS_REVERSE_DELETE_PRIORITY},
};

// Counts the lines of the run, so that its end knows whether it logged any.
class CountingLog : public LogSink {
public:
    explicit CountingLog(LogSink& inner) : inner_(inner) {}
    void AppendLine(const std::wstring& text, const std::wstring& errorText = {}) override {
        ++count_;
        if (!errorText.empty()) ++errors_;
        inner_.AppendLine(text, errorText);
    }
    size_t count() const { return count_; }
    size_t errors() const { return errors_; }

private:
    LogSink& inner_;
    std::atomic<size_t> count_{0};
    std::atomic<size_t> errors_{0};
};

// The prompts of a run that no one watches: nothing is shown, every question
// gets its safe answer at once, and the log says so. The walk answers the
// questions whose safe answer is not a plain No itself (a newer destination,
// a size difference, an item one side lacks, a folder to delete), so what
// reaches this is a notice or a question outside those; a three-way question
// is cancelled rather than risk a retry that never ends.
class UnattendedPrompter : public EnginePrompter {
public:
    explicit UnattendedPrompter(LogSink& log) : log_(log) {}
    void Warning(const std::wstring& text) override { Notice(text); }
    void Information(const std::wstring& text) override { Notice(text); }
    bool YesNo(const std::wstring& text, bool) override {
        log_.AppendLine(Message(IDS_UNATTENDED_ANSWER, {LoadText(IDS_ANSWER_NO), OneLine(text)}));
        return false;
    }
    PromptAnswer YesNoCancel(const std::wstring& text) override {
        log_.AppendLine(Message(IDS_UNATTENDED_ANSWER, {LoadText(IDS_ANSWER_CANCEL), OneLine(text)}));
        return PromptAnswer::Cancel;
    }
    ItemChoiceAnswer ChooseMissingItem(const ItemChoiceRequest& request) override {
        log_.AppendLine(Message(IDS_UNATTENDED_ANSWER, {request.choiceTexts[2], request.path}));
        return {false, static_cast<int>(MissingPolicy::Ignore), false};
    }
    FolderDeleteAnswer ConfirmFolderDelete(const std::wstring& folder) override {
        log_.AppendLine(Message(IDS_UNATTENDED_FOLDER_KEPT, {folder}));
        return {FolderDeleteButton::No, false};
    }

private:
    void Notice(const std::wstring& text) { log_.AppendLine(Message(IDS_UNATTENDED_NOTICE, {OneLine(text)})); }
    static std::wstring OneLine(std::wstring text) {
        for (wchar_t& c : text)
            if (c == L'\r' || c == L'\n') c = L' ';
        return text;
    }
    LogSink& log_;
};

// The options of a run that no one watches: a failure under "confirm" skips
// the item (it stays an error line), and other errors are logged instead of
// shown.
RunOptions UnattendedOptions(RunOptions options) {
    for (ErrorPolicy* p : {&options.writeFailurePolicy, &options.folderFailurePolicy, &options.deleteFailurePolicy})
        if (*p == ErrorPolicy::Confirm) *p = ErrorPolicy::Skip;
    options.confirmOtherErrors = false;
    return options;
}

// Whether a folder holds any entry at all; unreadable counts as not empty.
bool HoldsEntries(FileAccess& files, const std::wstring& folder) {
    bool any = false;
    unsigned long error = 0;
    std::wstring cause;
    bool listed = ForEachEntry(
        files, folder,
        [&](const ListedEntry& e) {
            if (e.copyTemporary) return true;
            if (e.isFolder && IsSetAsideFolderName(e.name)) return true;  // the program's own
            any = true;
            return false;
        },
        error, cause);
    return any || (!listed && error != ERROR_FILE_NOT_FOUND);
}

}  // namespace

MissingPolicies MissingPolicies::Of(const RunOptions& options) {
    return {options.missingInDestination, options.missingInSource, options.deletePriority};
}

void PolicyChanges::Record(const RunOptions& changed) {
    const MissingPolicies p = MissingPolicies::Of(changed);
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
    for (const RunModeRow& row : kModes)
        if (row.mode == mode) return row;
    return RunModeInfo(RunMode::Overwrite);
}

std::wstring RunModeCaption(RunMode mode) { return LoadText(RunModeInfo(mode).captionId); }

RunMode ChooseRunMode(bool sync, bool testModeChecked, bool deletePriority) {
    if (!sync) return testModeChecked ? RunMode::OverwriteTest : RunMode::Overwrite;
    if (testModeChecked) return RunMode::SyncTest;
    return deletePriority ? RunMode::SyncDeletePriority : RunMode::Sync;
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

RunPaths CheckRunPaths(const std::wstring& source, const std::wstring& destination) {
    RunPaths paths{source, destination};
    const unsigned labels[2] = {IDS_FILEOPS_SOURCE_LABEL, IDS_FILEOPS_DESTINATION_LABEL};
    std::wstring* boxes[2] = {&paths.source, &paths.destination};
    for (int i = 0; i < 2; ++i) {
        if (boxes[i]->empty()) continue;
        // A path longer than any call of this program takes is refused
        // before any work that grows with its length.
        if (fs::WithinPathLimit(*boxes[i])) {
            std::wstring normalized = *boxes[i];
            if (NormalizePath(normalized)) {
                *boxes[i] = std::move(normalized);
                continue;
            }
        }
        paths.refusals[i] = LoadText(labels[i]) + Message(msg::kInvalidPath, {ShownPath(*boxes[i])});
    }
    return paths;
}

RunOutcome PerformRun(RunContext& run) {
    const RunRequest& request = run.request;
    const bool unattended = request.scheduled;
    if (unattended) run.options = UnattendedOptions(run.options);
    RunOptions& options = run.options;
    const EntryFilter& filter = *run.filter;
    FileAccess& files = run.files;
    Progress& progress = run.progress;
    CountingLog log(run.log);
    UnattendedPrompter unattendedPrompts(log);
    EnginePrompter& prompter = unattended ? unattendedPrompts : run.prompts;
    const RunModeRow& row = RunModeInfo(request.mode);
    RunState state;
    state.testMode = row.test;

    RunOutcome outcome;
    // Where the run keeps what it deletes or replaces; its line comes after
    // the run's lines.
    std::optional<SetAside> setAside;
    // What the run did, summed up after its lines once it has begun to
    // decide: always when unattended (the log is what the user reads), else
    // when it logged anything (otherwise the window says there was nothing
    // to update).
    const ULONGLONG started = GetTickCount64();
    RunTally tally;
    bool summarize = false;
    auto end = [&](bool completed) {
        if (setAside) setAside->Report(log);
        outcome.completed = completed;
        outcome.loggedAnything = log.count() > 0;
        if (summarize && options.runSummary && (outcome.loggedAnything || unattended)) {
            tally.failed = log.errors();
            tally.setAside = setAside ? setAside->total() : 0;
            tally.elapsedMs = GetTickCount64() - started;
            LogSummary(log, tally, state.testMode ? IDS_SUMMARY_TEST : IDS_SUMMARY_RUN);
            outcome.tally = tally;
            outcome.summarized = true;
        }
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
    if (source.empty()) return emptyBox(msg::kSourceEmpty);
    if (destination.empty()) return emptyBox(msg::kDestinationEmpty);

    // The roots: drive or share, reachable, folder or file; a missing
    // destination root folder is created here.
    progress.SetVisible(true);
    const RootServices rootServices{options, progress, log, prompter};
    if (!CheckDriveOrShare(source, rootServices)) return end(false);
    outcome.sourcePath = source;
    if (!CheckDriveOrShare(destination, rootServices)) return end(false);
    outcome.destinationPath = destination;
    RootRequest sourceRoot{RootSide::Source, source, false, false, state.testMode};
    if (!SearchRoot(sourceRoot, rootServices)) return end(false);
    RootRequest destinationRoot{RootSide::Destination, destination, false, sourceRoot.isFolder, state.testMode};
    if (!SearchRoot(destinationRoot, rootServices)) return end(false);
    progress.Reset();
    source = std::move(sourceRoot.path);
    destination = std::move(destinationRoot.path);
    const bool sourceIsFolder = sourceRoot.isFolder, destinationIsFolder = destinationRoot.isFolder;
    ResolveDriveRelative(source, {});
    ResolveDriveRelative(destination, {});
    outcome.sourcePath = source;
    outcome.destinationPath = destination;

    // A root inside a set-aside folder would walk the kept files, and a sync
    // there would delete them.
    for (const std::wstring* root : {&source, &destination}) {
        if (!LiesInSetAsideFolder(*root)) continue;
        const std::wstring text = Message(IDS_ROOT_IN_SET_ASIDE, {*root, kSetAsideFolderName});
        log.AppendError(text);
        if (!unattended && options.confirmOtherErrors) {
            prompter.Warning(text);
            return endToldInBox();
        }
        return end(false);
    }

    RunRoots roots{source, destination};
    WalkContext context{request.mode, options, state, filter, files, prompter, log, run.policyChanges,
                        unattended,   &roots};
    SYSTEMTIME startedAt;
    GetLocalTime(&startedAt);
    setAside.emplace(files, options, state.testMode, startedAt);
    context.setAside = &*setAside;
    context.tally = &tally;

    if (sourceIsFolder && !destinationIsFolder) {
        if (options.confirmOtherErrors) {
            if (prompter.YesNo(LoadText(msg::kFolderOntoFile)))
                prompter.Information(LoadText(IDS_UNSUPPORTED_COMBINATION));
            return endToldInBox();
        }
        log.AppendError(LoadText(IDS_FOLDER_ONTO_FILE) + LoadText(IDS_UNSUPPORTED_COMBINATION));
        return end(false);
    }
    if (!sourceIsFolder) {
        if (row.sync()) {
            if (options.confirmOtherErrors) prompter.Warning(LoadText(msg::kOneSideFile));
            else log.AppendLine(LoadText(msg::kOneSideFile));
        }
        const size_t folderEnd = destination.find_last_of(L'\\');
        setAside->AddSide(destinationIsFolder ? destination : destination.substr(0, folderEnd + 1),
                          IDS_FILEOPS_DESTINATION_LABEL, true);
        summarize = true;
        RunPlan plan;
        PassInfo single;
        single.single = true;
        const std::uint32_t index = plan.AddPass(std::move(single));
        TreeWalk decider(context, progress, plan);
        const bool decided = decider.DecideSingleFile(index, source, destination, destinationIsFolder) == Next::Go;
        setAside->RemoveExpired(options, progress, log);
        PlanExecutor executor(context, progress, decider, plan);
        return end(executor.Run(decided) == Next::Go);
    }

    // Both roots are folders. A run that would write into the folder it reads
    // from, or delete it as an orphan, does not start; a destination inside
    // the source is passed by when the source is walked.
    RootOverlap lie = CompareRoots(source, destination);
    roots.idsKnown = files.GetFolderId(source, roots.sourceId) && files.GetFolderId(destination, roots.destinationId);
    if (roots.idsKnown && roots.sourceId == roots.destinationId) lie = RootOverlap::Same;
    if (lie == RootOverlap::Same || lie == RootOverlap::SourceInsideDestination) {
        const std::wstring text = Message(IDS_ROOTS_OVERLAP, {source, destination});
        log.AppendError(text);
        if (!unattended) {
            prompter.Warning(text);
            return endToldInBox();
        }
        return end(false);
    }
    if (lie == RootOverlap::DestinationInsideSource) {
        roots.skipInSource = destination;
        log.AppendLine(Message(IDS_DESTINATION_INSIDE_SOURCE, {destination}));
    }
    // A sync that would delete everything at the destination because the
    // source is empty (a drive not mounted, a share not connected) asks first,
    // or, unattended, deletes nothing.
    if (row.sync() && !row.test && options.missingInSource == MissingPolicy::Delete && !HoldsEntries(files, source) &&
        HoldsEntries(files, destination)) {
        if (unattended || !prompter.YesNo(Message(IDS_EMPTY_SOURCE_QUESTION, {source}), true)) {
            log.AppendError(Message(IDS_EMPTY_SOURCE_REFUSED, {source}));
            return end(false);
        }
    }

    // The destination first: it may lie inside the source. The source
    // changes in a sync, and where items the destination lacks are deleted.
    setAside->AddSide(destination, IDS_FILEOPS_DESTINATION_LABEL, true);
    setAside->AddSide(source, IDS_FILEOPS_SOURCE_LABEL,
                      row.sync() || options.missingInDestination == MissingPolicy::Delete ||
                          options.missingInDestination == MissingPolicy::Ask);

    // The passes of the mode, each a walk from the two roots, are decided
    // first; then the plan is carried out. A pass that stops ends the
    // deciding, and what was decided is not carried out: only its lines are
    // logged.
    summarize = true;
    RunPlan plan;
    TreeWalk decider(context, progress, plan);
    auto decide = [&](bool forward, bool search, const std::wstring& title, unsigned directionId) {
        PassInfo pass{forward, search, false, decorate(title), directionId, forward ? source : destination,
                      forward ? destination : source};
        return decider.DecidePass(plan.AddPass(std::move(pass))) == Next::Go;
    };
    // Before anything changes: the guard against large changes, then the
    // set-aside folder's clean-up (its lines come before the plan's).
    auto execute = [&](bool decidedWhole) {
        if (decidedWhole && options.guardOn) {
            const GuardVerdict verdict = JudgePlan(plan, state, decider.FilesAtStart(), options);
            switch (ApplyGuard(verdict, options, unattended, state.testMode, prompter, log)) {
            case GuardOutcome::Go: break;
            case GuardOutcome::Stopped: outcome.stoppedByGuard = true; return end(false);
            case GuardOutcome::Declined: return end(false);
            }
        }
        setAside->RemoveExpired(options, progress, log);
        PlanExecutor executor(context, progress, decider, plan);
        return end(executor.Run(decidedWhole) == Next::Go);
    };

    if (!row.sync()) return execute(decide(true, false, caption, 0));
    if (row.searchPasses) {
        const bool searched = decide(true, true, caption + LoadText(IDS_PASS_SEARCHING_SUFFIX), 0) &&
                              decide(false, true, LoadText(IDS_PASS_REVERSE_SEARCH), IDS_DIRECTION_REVERSE);
        // Nothing to copy: what the search passes deleted is all there is.
        if (!searched || !state.workFound) return execute(searched);
    }
    const bool decided = decide(true, false, caption, IDS_DIRECTION_FORWARD) &&
                         decide(false, false, LoadText(row.reverseTitleId), IDS_DIRECTION_REVERSE);
    return execute(decided);
}

namespace {

// The walk recurses once per folder level, about 1.6 KB of stack each. Long
// paths allow some 16,000 levels, and a folder link that points to one of its
// own parents makes a walk go as deep as the paths allow; the reservation
// covers that (only the part in use is committed).
constexpr SIZE_T kWorkerStackBytes = 64u << 20;

struct WorkerStart {
    WorkerJob job;
    RunEndHandler onEnd;
};

DWORD WINAPI WorkerMain(void* parameter) {
    std::unique_ptr<WorkerStart> work(static_cast<WorkerStart*>(parameter));
    SetThreadPriority(GetCurrentThread(), WorkerThreadPriority(work->job.runPriority));
    auto outcome = std::make_unique<RunOutcome>();
    try {
        *outcome = work->job.run();
    } catch (...) {
        outcome->completed = false;
    }
    // The end waits while the user has the run paused (the interrupt
    // question is open), so that the answer still applies to this run.
    while (work->job.progress && work->job.progress->PauseRequested()) Sleep(500);
    work->job.run = nullptr;
    work->onEnd(std::move(outcome));
    return 0;
}

// Set by tests: the next worker thread "cannot be created" with this code.
DWORD g_workerStartFailure = 0;

}  // namespace

bool StartWorkerThread(WorkerJob job, RunEndHandler onEnd, unsigned long& error) {
    auto* work = new (std::nothrow) WorkerStart{std::move(job), std::move(onEnd)};
    if (!work) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    HANDLE thread = nullptr;
    if (DWORD injected = std::exchange(g_workerStartFailure, 0)) {
        SetLastError(injected);
    } else {
        const SIZE_T stack = work->job.stackReservation;
        thread = CreateThread(nullptr, stack, WorkerMain, work, stack ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    }
    if (!thread) {
        error = GetLastError();
        delete work;
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool StartWorker(std::unique_ptr<RunContext> context, RunEndHandler onEnd, unsigned long& error) {
    std::shared_ptr<RunContext> run(std::move(context));
    WorkerJob job{[run]() { return PerformRun(*run); }, run->options.runPriority, &run->progress, kWorkerStackBytes};
    return StartWorkerThread(std::move(job), std::move(onEnd), error);
}

void FailNextWorkerStartForTest(unsigned long code) { g_workerStartFailure = code; }

}  // namespace mirrant
