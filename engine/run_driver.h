#pragma once
// Starting and ending a run. The main window (the run host) calls
// OnRunButton for "上書き"/"同期", StartRun for a batch row, and OnRunEnd on
// the end-of-run message 1124. The run itself happens on a worker thread
// that sees only the prompts, the progress window, the log and data.
#include <atomic>
#include <string>
#include <unordered_set>

#include <windows.h>

#include "engine/engine_prompts.h"
#include "engine/entry_filter.h"
#include "settings/run_options.h"

namespace mirrant {

class FileAccess;
class LogSink;
class Progress;

// Private window messages of the main window.
inline constexpr UINT kRunEndMessage = WM_USER + 100;          // 1124, wParam 0, lParam 1 = completed
inline constexpr UINT kDestroyModelessMessage = WM_USER + 200; // 1224

enum class RunMode : int {
    OverwriteTest = 0,
    Overwrite = 1,
    SyncTest = 2,
    Sync = 3,
    SyncDeletePriority = 4,
};

// One row of the mode table: caption (progress window title) and passes.
struct RunModeRow {
    RunMode mode;
    unsigned captionId;
    bool test;
    bool sync;            // a reverse pass follows the forward pass
    bool searchPasses;    // two search passes come first (delete priority)
};
const RunModeRow& RunModeInfo(RunMode mode);
std::wstring RunModeCaption(RunMode mode);

// The mode of the buttons "上書き" (sync false) and "同期" (sync true).
RunMode ChooseRunMode(bool sync, bool testModeChecked, bool deletePriority);

struct RunRequest {
    RunMode mode = RunMode::Overwrite;
    std::wstring sourcePath;
    std::wstring destinationPath;
    int rowsAfter = 0;       // batch rows still waiting after this run
    bool scheduled = false;  // unattended (schedule) mode
};

// A set of paths, compared without regard to case as the file system does.
class PathSet {
public:
    void Add(const std::wstring& path);
    bool Contains(const std::wstring& path) const;
    void Clear() { set_.clear(); }
    bool Empty() const { return set_.empty(); }
    size_t Size() const { return set_.size(); }

private:
    std::unordered_set<std::wstring> set_;
};

// Engine state of the run, held by the main window beside the options.
struct EngineState {
    std::atomic<bool> busy{false};
    bool testMode = false;
    bool forwardPass = true;
    bool executePhase = true;
    bool workFound = false;
    PathSet pendingActions;
    PathSet reverseMarks;
    PathSet declinedFolders;

    void ClearPathSets() {
        pendingActions.Clear();
        reverseMarks.Clear();
        declinedFolders.Clear();
    }
};

// What the main window provides to the run. Methods marked "worker" are
// called on the worker thread and may make synchronous calls into the
// user-interface thread (which keeps pumping messages during a run).
class RunHost {
public:
    virtual ~RunHost() = default;

    // Shared by both threads (the worker reads without locks, see rule 6).
    virtual RunOptions& Options() = 0;
    virtual EngineState& State() = 0;
    virtual const EntryFilter& Filter() = 0;
    virtual FileAccess& Files() = 0;

    // User-interface thread.
    virtual std::wstring SourceText() = 0;
    virtual std::wstring DestinationText() = 0;
    virtual bool TestModeChecked() = 0;
    virtual bool Scheduled() = 0;
    virtual void ClearBatchQueue() = 0;
    virtual bool BatchRowsWaiting() = 0;
    virtual void StartNextBatchRow() = 0;
    // Prepares the run log (BeginRunLog) and clears the previous lines.
    virtual void BeginRunLog() = 0;
    // The log is saved to a file (failures before a run are logged then).
    virtual bool LogGoesToFile() = 0;
    // Reloads the filter settings for the run (LoadFilterSet).
    virtual void LoadFilterForRun() = 0;
    // Creates the progress window if none exists (hidden, centred, threshold
    // from displayLevel, schedule field filled in schedule mode) or reuses it.
    virtual Progress& AcquireProgress() = 0;
    // Destroys the progress window (message 1224) and forgets it.
    virtual void ReleaseProgress() = 0;
    // Prompts shown on the user-interface thread (end of run, path checks).
    virtual Prompter& UiPrompter() = 0;
    // The log setting "end the program when the run is complete".
    virtual bool CloseProgramAfterRun() = 0;
    virtual void CloseMainWindow() = 0;

    // Worker thread.
    virtual EnginePrompter& Prompts() = 0;
    virtual LogSink& Log() = 0;
    // Writes a root path back into its box (normalised or resolved).
    virtual void SetSourceText(const std::wstring& text) = 0;
    virtual void SetDestinationText(const std::wstring& text) = 0;
    // Disables (true) or re-enables the controls and menus by rule 6.
    virtual void SetRunActive(bool active) = 0;
    // Writes the run log to its file (FinishRunLog).
    virtual void WriteRunLog() = 0;
    // Shows the result log window; nothingLogged: the run logged no line.
    virtual void ShowRunResult(bool nothingLogged) = 0;
    // Posts message 1124 with the result to the main window.
    virtual void PostRunEnd(bool completed) = 0;
};

// "上書き" / "同期" pressed (user-interface thread): does nothing while busy;
// validates both paths and starts the run. false when no run started.
bool OnRunButton(RunHost& host, bool sync);

// The start behind both buttons and every batch row: validates and
// normalises the two boxes (message 243 for each failure, logged when the
// log goes to a file, shown unless unattended), chooses the mode from the
// button and the test-mode box and starts the run. false when no run
// started; pathsValid tells whether the paths passed.
bool StartCheckedRun(RunHost& host, bool sync, int rowsAfter, bool* pathsValid = nullptr);

// Starts a run with the given mode and paths on a worker thread at the
// priority of runPriority. false only when the run could not be started.
bool StartRun(RunHost& host, RunMode mode, const std::wstring& source, const std::wstring& destination,
              int rowsAfter);

// Tests: the next worker thread cannot be created, failing with this code.
void FailNextWorkerStartForTest(unsigned long code);

// The end-of-run message 1124 (user-interface thread).
void OnRunEnd(RunHost& host, bool completed);
// The question that silences the batch-interrupted notice is asked once per
// program; tests start over with this.
void ResetRunEndNotices();

// The run itself (worker thread): root checks, the folder/file cases, the
// passes of the mode, finishing. 1 completed, 0 failed or aborted. Exposed
// for tests, which call it directly.
int PerformRun(RunHost& host, Progress& progress, const RunRequest& request);

// Thread priority for a stored runPriority (any value outside -2..2: normal).
int WorkerThreadPriority(int runPriority);

}  // namespace mirrant
