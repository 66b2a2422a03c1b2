#pragma once
// The log settings sheet "ﾛｸﾞ設定": the normal-run page
// (IDD_NORMAL_LOG_SETTINGS) and the scheduled-run page
// (IDD_SCHEDULE_LOG_SETTINGS), two instances of one page class. Both pages edit one working copy of the log
// settings word and their own log folder and file name; nothing is stored
// before the sheet is closed with OK. While a run is active the sheet only
// shows the settings: every control and OK are disabled, since the worker
// reads them at the start and the end of a run.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "log/time_stamp.h"

namespace mirrant {

class Prompter;

struct LogSettingsRequest {
    // In: the current values. Out, after OK: the stored ones.
    std::uint32_t settingsWord = 0;
    std::wstring userLog;      // "UserLog": folder and name template
    std::wstring scheduleLog;  // "ScheduleLog"
    // The page shown first (0 normal, 1 scheduled); the page shown last when
    // the sheet closes, with OK or Cancel.
    int page = 0;
    std::wstring startFolder;  // with trailing backslash: replaces unusable folders
    bool runActive = false;
    // Where the warnings go; null: message boxes owned by the sheet and,
    // after it closed, by the owner.
    Prompter* prompter = nullptr;
    // The folder browser behind "選択": the prompt and the folder to start
    // from; returns the chosen folder with a trailing backslash or empty.
    std::function<std::wstring(HWND owner, const std::wstring& prompt, const std::wstring& initial)> chooseFolder;
    // The clock of the time format dialog's example (null: now).
    LocalTime (*clock)() = nullptr;
};

// Shows the sheet modally. On OK (never while a run is active) writes "op16",
// "UserLog" and "ScheduleLog" through the settings module, updates the
// request to what was written and returns true. A complete path that is no
// usable path keeps its previous value after msg::kInvalidPath.
bool ShowLogSettingsSheet(HWND owner, LogSettingsRequest& request);

// Splits a stored log path at its last backslash; a path without one gives
// startFolder and the whole text as name.
void SplitLogPath(const std::wstring& path, const std::wstring& startFolder, std::wstring& folder,
                  std::wstring& name);

}  // namespace mirrant
