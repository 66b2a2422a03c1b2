#pragma once
// The run on its worker thread, top to bottom: root checks, the folder or
// single-file case, the passes of the mode. The worker receives one
// RunContext, touches no window except through its prompts and progress
// display, and ends by handing a RunOutcome to whoever started it (the
// user-interface thread then writes the log file, shows the result and
// continues a batch).
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "engine/run_context.h"

namespace mirrant {

class FileAccess;

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

// Thread priority for a stored runPriority (any value outside -2..2: normal).
int WorkerThreadPriority(int runPriority);

// A set of paths, compared without regard to case as the file system does.
class PathSet {
public:
    void Add(const std::wstring& path);
    bool Contains(const std::wstring& path) const;
    // Whether the set holds folder itself or a path below it.
    bool AnyUnder(const std::wstring& folder) const;
    void Clear() { set_.clear(); }
    bool Empty() const { return set_.empty(); }
    size_t Size() const { return set_.size(); }

private:
    std::unordered_set<std::wstring> set_;
};

// The worker's own state during one run: which pass is walking, and what the
// search passes and the reverse marks recorded.
struct RunState {
    bool testMode = false;
    bool forwardPass = true;
    bool executePhase = true;
    bool workFound = false;
    PathSet pendingActions;
    PathSet reverseMarks;
    PathSet declinedFolders;
    PathSet leftoversMet;  // copy leftovers already removed or reported
    // Folders of either side that could not be listed (at once or part-way):
    // their contents are unknown for the rest of the run, so nothing under
    // them or under their counterparts is decided.
    PathSet unknownFolders;
    // Entries whose look failed, or that are a file on one side and a folder
    // on the other, with their counterparts (without a trailing backslash):
    // reported once, and left alone with their counterparts in every pass.
    PathSet unknownItems;
};

// The two path boxes as the user typed them, checked before a run starts:
// each is normalised in place, or gets its refusal text ("ｺﾋﾟｰ元" or
// "ｺﾋﾟｰ先" followed by msg::kInvalidPath; a path longer than this program can
// ever use is refused before it is normalised, and shown shortened). An
// empty box is not refused here: the run reports it as empty.
struct RunPaths {
    std::wstring source;
    std::wstring destination;
    std::wstring refusals[2];
    bool valid() const { return refusals[0].empty() && refusals[1].empty(); }
};
RunPaths CheckRunPaths(const std::wstring& source, const std::wstring& destination);

// The run itself, on the worker thread (tests call it directly).
RunOutcome PerformRun(RunContext& context);

// Starts the worker thread for the context at the priority of the options'
// runPriority; onEnd gets the outcome on the worker thread (it posts it to
// the user-interface thread). false with the system's error code when no
// thread could be started; onEnd is then never called.
using RunEndHandler = std::function<void(std::unique_ptr<RunOutcome>)>;
bool StartWorker(std::unique_ptr<RunContext> context, RunEndHandler onEnd, unsigned long& error);

// Tests: the next worker thread cannot be created, failing with this code.
void FailNextWorkerStartForTest(unsigned long code);

}  // namespace mirrant
