#pragma once
// The result log window ("結果ﾛｸﾞ", IDD_RESULT_LOG): the lines of a run, 100 at a
// time, with an error-only view and saving to a text file. The window holds
// no lines of its own: each page is read from the log's line source when it
// is shown, and a save reads them all in order.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "log/log_buffer.h"

namespace mirrant {

class Prompter;

// What the result window asks of the outside world; tests replace it.
struct ResultWindowSeams {
    // The file to save to, asked on the window's thread; empty: cancelled.
    // Unset: the save-file dialog with the name "結果ﾛｸﾞ".
    std::function<std::wstring(HWND window)> chooseSavePath;
    // Where the outcome of a save is reported (from the save thread).
    // Null: message boxes owned by the result window.
    Prompter* savePrompter = nullptr;
    // Called on the save thread before it writes.
    std::function<void()> saveStarting;
};

// The result display at the end of an interactive run: the result window
// (modal to owner) when the log has lines, unless settings.hideResultDialog;
// msg::kNothingToUpdate in an information box when it has none, unless
// settings.hideNothingToUpdate. prompter: where that box goes (null: a
// message box owned by owner). "最新ﾛｸﾞ表示" calls it only when the log has
// lines, with hideResultDialog switched off.
void ShowRunResult(HWND owner, const LogBuffer& log, LogSettings settings,
                   Prompter* prompter = nullptr);

// Opens the result window modally with these lines; errorLines empty hides
// "ｴﾗｰ表示のみ". The sources must not change while the window is open.
void ShowResultWindow(HWND owner, const LineSource& lines, const LineSource& errorLines,
                      const ResultWindowSeams* seams = nullptr);
void ShowResultWindow(HWND owner, const std::vector<std::wstring>& lines,
                      const std::vector<std::wstring>& errorLines,
                      const ResultWindowSeams* seams = nullptr);

// Lines per page of the result window.
inline constexpr size_t kResultPageLines = 100;

}  // namespace mirrant
