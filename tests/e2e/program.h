#pragma once
// Starting a real program of the build and finding its windows.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace mirrant::testing {

class RunningProgram {
public:
    // Starts bin\<exe> (or exe itself when it is a path) with the arguments,
    // in the given current folder (empty: the test's own).
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

// One of the two programs of the build.
struct Edition {
    const wchar_t* exe;
    const wchar_t* title;         // the main window's title
    const wchar_t* registryRoot;  // its settings key under HKCU
    bool narrow;
};
inline const Edition kWideProgram{L"Mirrant_U.exe", L"Mirrant(Unicode版)", L"Software\\qorvane\\Mirrant_U", false};
inline const Edition kNarrowProgram{L"Mirrant.exe", L"Mirrant", L"Software\\qorvane\\Mirrant", true};
// Names the parameterised cases after the program.
struct EditionName {
    template <class Info>
    std::string operator()(const Info& info) const { return info.param.narrow ? "Narrow" : "Wide"; }
};

// The whole text of a window or control of another process (WM_GETTEXT:
// GetWindowText does not ask another process's edit box).
std::wstring WindowText(HWND hwnd);
std::wstring BinPath(const std::wstring& exe);
// The static text of a message box (its prompt).
std::wstring MessageBoxText(HWND box);
// A log file of one of the programs as text: UTF-16 after its byte order
// mark (wide program) or code page 932 (narrow); empty when there is none.
std::wstring ReadLogText(const std::wstring& path, bool narrow);
// Presses a button of a dialog by its id (BM_CLICK through the owner thread).
void PressButton(HWND dialog, int id);

}  // namespace mirrant::testing

// Runs every test of a fixture against both programs, each case named after
// its program.
#define MIRRANT_FOR_BOTH_PROGRAMS(Fixture)                                                                    \
    INSTANTIATE_TEST_SUITE_P(BothPrograms, Fixture,                                                           \
                             ::testing::Values(::mirrant::testing::kWideProgram, ::mirrant::testing::kNarrowProgram), \
                             ::mirrant::testing::EditionName())
