#pragma once
// Plays the user for dialogs that a test thread runs modally: a helper thread
// waits for a window of the test thread to appear and then sets controls and
// presses buttons by messages, while the test thread sits in the modal loop.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace mirrant::testing {

// The visible top-level window of `thread` with this exact title, waiting up
// to timeoutMs; null when none appeared.
HWND WaitForWindow(DWORD thread, const std::wstring& title, int timeoutMs = 10000);
// A top-level window of `thread` with this exact title, shown or hidden,
// now (null when there is none).
HWND ThreadWindowTitled(DWORD thread, const wchar_t* title);
// The first window of the thread that `match` accepts, or null.
HWND ThreadWindowWhere(DWORD thread, const std::function<bool(HWND)>& match);
// Throws (ending the user script as a failure) when w is null.
HWND Need(HWND w, const char* what);
// Waits until the window is gone or hidden; false on timeout.
bool WaitGone(HWND window, int timeoutMs = 10000);

// Presses a button of a dialog or message box (posted, so a handler that
// opens another modal window does not block the helper).
void Press(HWND dialog, int buttonId);
std::wstring TextOf(HWND dialog, int itemId);
// The text of a message box (its static text item).
std::wstring MessageBoxText(HWND box);
void SetRadio(HWND dialog, int id, bool checked);
bool Checked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);

// Runs `script` on a helper thread; Join() waits for it. If the script fails
// to find its window, it closes every dialog of the test thread so that the
// test does not hang, and the test fails.
class UserScript {
public:
    explicit UserScript(std::function<void(DWORD testThread)> script);
    ~UserScript();
    void Join();

private:
    std::thread thread_;
};

// Dispatches messages on this thread until `done` returns true (or timeout).
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// A hidden top-level window to own dialogs, as the main window does.
class OwnerWindow {
public:
    OwnerWindow();
    ~OwnerWindow();
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_;
};

}  // namespace mirrant::testing
