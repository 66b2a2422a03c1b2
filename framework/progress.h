#pragma once
// What a running worker tells the progress window, and the two flags through
// which the user reaches the worker. The program's window lives in ui/; tests
// use a recording implementation (tests/support/recording_progress.h).
// Implementations never make the worker wait for a window: a call records the
// latest state and returns, and the window shows it shortly after.
#include <cstdint>
#include <string>

namespace mirrant {

// Detail levels: a text is shown only when the window's threshold is below it.
namespace level {
inline constexpr int File = 10;
inline constexpr int Folder = 20;
inline constexpr int DeletingFile = 30;
inline constexpr int DeletingFolder = 40;
inline constexpr int CreatingFolder = 60;
inline constexpr int Copying = 80;
inline constexpr int RootWait = 100;
}  // namespace level

// The thresholds the display settings offer, from the most shown to the least.
namespace display {
inline constexpr int Largest = 0;                // "最大": folder and file names while comparing
inline constexpr int Medium = level::File;       // "中": folder names, no file names
inline constexpr int Small = level::Folder;      // "小": neither while comparing
inline constexpr int Smallest = level::Copying;  // "最小": not even while copying or deleting
}  // namespace display

// How far a run is: the files and bytes it has copied against all it
// decided to copy, and the seconds it has left (negative: not known yet).
struct ProgressTotals {
    std::uint64_t filesDone = 0;
    std::uint64_t filesTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    long long secondsLeft = -1;
};

class Progress {
public:
    virtual ~Progress() = default;
    virtual void Show(const std::wstring& text, int level) = 0;
    virtual void SetStatus(const std::wstring& text) = 0;
    // The last status text set (not what the window shows at this moment),
    // which the copy and the comparison put back after showing their
    // percentage behind it.
    virtual std::wstring StatusText() const { return {}; }
    virtual void Reset() = 0;
    virtual void SetDirection(const std::wstring& text) = 0;
    virtual void SetTitle(const std::wstring& text) = 0;
    virtual void SetVisible(bool visible) = 0;
    // A run that copies says how far it is after each file.
    virtual void SetTotals(const ProgressTotals&) {}
    virtual bool CancelRequested() const = 0;
    virtual bool PauseRequested() const = 0;
};

// Sleeps in 500 ms steps while the user has the run paused; then answers
// whether the user asked to interrupt. Called after every entry and inside
// every wait.
bool StopRequested(const Progress& progress);

// Sleeps for ms milliseconds in steps of at most 500 ms, honouring pause and
// interrupt; false when the run is to stop.
bool InterruptibleSleep(const Progress& progress, unsigned ms);

}  // namespace mirrant
