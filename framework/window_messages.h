#pragma once
// The program's private window messages, numbered from the first user
// message number (1024), each defined here once.
#include <windows.h>

namespace mirrant {

// Main window: a run has ended. First parameter: the worker's RunOutcome
// (the receiver takes ownership); second: 1 completed, 0 failed or aborted.
inline constexpr UINT kRunEndMessage = WM_USER + 100;  // 1124
// Main window: process the command line, once, after start-up.
inline constexpr UINT kCommandLineMessage = WM_USER + 101;  // 1125
// Main window: the filter sheet was closed with OK.
inline constexpr UINT kFilterSheetOkMessage = WM_USER + 102;  // 1126
// A modeless window of the program (progress window, log saving dialog)
// destroys itself.
inline constexpr UINT kDestroySelfMessage = WM_USER + 200;  // 1224
// A WindowThread's message-only window: run the work a worker handed over
// (the second parameter points to it) on the window's thread.
inline constexpr UINT kWindowThreadWorkMessage = WM_APP + 1;
// Progress window: show the worker's latest texts now.
inline constexpr UINT kProgressRefreshMessage = WM_APP + 130;

}  // namespace mirrant
