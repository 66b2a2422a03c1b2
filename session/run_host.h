#pragma once
// What a run needs of whoever started it: the main window in the program, a
// scripted stand-in in the tests. Every call comes on the window's thread
// except PostRunEnd, which the worker makes when it is done; the worker's
// own questions go through RunPrompter, which shows them on the window's
// thread and hands the answer back.
#include <memory>
#include <string>

namespace mirrant {

class EnginePrompter;
class LogBuffer;
class Progress;
class Prompter;
struct RunOutcome;

enum class PathSide { Source, Destination };

class RunHost {
public:
    virtual ~RunHost() = default;

    // The two path boxes and the test-mode box.
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
    // The questions of a running worker, shown on the window's thread.
    virtual EnginePrompter& RunPrompter() = 0;
    // The result display of an interactive run.
    virtual void ShowRunResult(const LogBuffer& log) = 0;
    // Hands the worker's outcome to the window's thread, which then calls
    // RunSession::OnRunEnd with it. Called on the worker thread.
    virtual void PostRunEnd(std::unique_ptr<RunOutcome> outcome) = 0;
    // Ends the program.
    virtual void Close() = 0;
};

}  // namespace mirrant
