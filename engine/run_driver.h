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

#include "engine/run_context.h"
#include "engine/run_state.h"

namespace mirrant {

class FileAccess;
class Progress;

// One row of the mode table: the mode's name, its passes and their titles,
// and whether it only tells what it would do.
struct RunModeRow {
    RunMode mode;
    unsigned captionId;       // the name: the progress window's title and the forward pass's
    bool test;                // test mode: logs what it would do, changes nothing
    bool searchPasses;        // two search passes come first (delete priority)
    unsigned reverseTitleId;  // a reverse pass follows the forward pass, under this title; 0: none
    bool sync() const { return reverseTitleId != 0; }
};
// The row of a mode (a value outside the table: the row of Overwrite).
const RunModeRow& RunModeInfo(RunMode mode);
std::wstring RunModeCaption(RunMode mode);

// The mode of the buttons "上書き" (sync false) and "同期" (sync true).
RunMode ChooseRunMode(bool sync, bool testModeChecked, bool deletePriority);

// Thread priority for a stored runPriority (any value outside -2..2: normal).
int WorkerThreadPriority(int runPriority);

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

// The work of a worker thread: run (what it holds is released before onEnd
// is called), at runPriority, with this much stack reserved (0: the
// default), waiting at its end while the user has it paused.
struct WorkerJob {
    std::function<RunOutcome()> run;
    int runPriority = 0;
    const Progress* progress = nullptr;
    unsigned long stackReservation = 0;
};
bool StartWorkerThread(WorkerJob job, RunEndHandler onEnd, unsigned long& error);

// Tests: the next worker thread cannot be created, failing with this code.
void FailNextWorkerStartForTest(unsigned long code);

}  // namespace mirrant
