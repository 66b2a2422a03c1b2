#pragma once
// Starting a real program of the build and finding its windows.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace mirrant::testing {

class RunningProgram {
public:
    // Starts bin\<exe> with the arguments, in the given current folder
    // (empty: the test's own).
    RunningProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& currentFolder = L"");
    ~RunningProgram();

    bool started() const { return process_ != nullptr; }
    DWORD processId() const { return pid_; }
    // Waits for a top-level window of this process whose title matches.
    HWND WaitForWindow(const std::function<bool(const std::wstring& title)>& match, DWORD timeoutMs = 20000);
    HWND WaitForWindowTitled(const std::wstring& title, DWORD timeoutMs = 20000);
    // Waits for the process to end; false on timeout.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    std::vector<HWND> TopLevelWindows() const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

std::wstring WindowText(HWND hwnd);
std::wstring BinPath(const std::wstring& exe);
// The static text of a message box (its prompt).
std::wstring MessageBoxText(HWND box);
// Presses a button of a dialog by its id (BM_CLICK through the owner thread).
void PressButton(HWND dialog, int id);

}  // namespace mirrant::testing
