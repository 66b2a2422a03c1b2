#pragma once
// The small settings dialogs of the options menu: display detail
// (IDD_DISPLAY_SETTINGS, command ID_DISPLAY_SETTINGS), run priority
// (IDD_PRIORITY, ID_PRIORITY), time tolerance (IDD_TOLERANCE, ID_TOLERANCE)
// and the confirmation options (IDD_CONFIRM_OPTIONS, ID_CONFIRM_OPTIONS). Each Show function runs its dialog
// modally on the user-interface thread; it changes the options and writes
// them to the program's settings only when the dialog is closed with OK, and
// then returns true (the caller re-derives its menus). With runActive the
// dialog only shows the values: its controls and OK are disabled.
#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "settings/run_options.h"

namespace mirrant {

bool ShowDisplaySettingsDialog(HWND owner, RunOptions& options, bool runActive);
bool ShowPriorityDialog(HWND owner, RunOptions& options, bool runActive);
bool ShowToleranceDialog(HWND owner, RunOptions& options, bool runActive);
// Keeping what a run deletes or replaces (IDD_SET_ASIDE, command ID_SET_ASIDE): the
// switch and the days to keep ("SetAside", "SetAsideDays").
bool ShowSetAsideDialog(HWND owner, RunOptions& options, bool runActive);
// The guard against large changes (IDD_GUARD, command ID_GUARD): the switch,
// the share of a side's files and the least number of files ("GuardOn",
// "GuardPercent", "GuardMinimum").
bool ShowGuardDialog(HWND owner, RunOptions& options, bool runActive);
// Also sets suppressFolderDeleteConfirm to the negation of the new
// confirmFolderDelete, as the menu command does.
bool ShowConfirmOptionsDialog(HWND owner, RunOptions& options, bool runActive);

// Track bar position (0 top "最大" .. 3 bottom "最小") for a stored display
// level (framework/progress.h): display::Medium → 1, display::Small → 2,
// display::Smallest or a level that hides more than "小" → 3, anything else → 0.
int DisplayPositionFromLevel(int stored);
// The display level stored for a position: display::Largest, Medium, Small,
// Smallest (others → Largest).
int DisplayLevelFromPosition(int position);

// Track bar position (0 top "＋２" .. 4 bottom "－２") for a stored priority:
// +2 → 0, +1 → 1, -1 → 3, -2 → 4, anything else → 2.
int PriorityPositionFromValue(int priority);
// The priority stored for a position: +2, +1, 0, -1, -2 (others → 0).
int PriorityValueFromPosition(int position);

// The tolerance box's text as seconds: an unsigned decimal integer from 1 to
// 360 (leading and trailing blanks allowed), otherwise nothing.
std::optional<unsigned> ParseTolerance(const std::wstring& text);
// The same for any range: an unsigned decimal integer from min to max.
std::optional<unsigned> ParseNumberInRange(const std::wstring& text, unsigned min, unsigned max);
inline constexpr unsigned kMinSetAsideDays = static_cast<unsigned>(setting::SetAsideDays.min);
inline constexpr unsigned kMaxSetAsideDays = static_cast<unsigned>(setting::SetAsideDays.max);
inline constexpr unsigned kMinGuardPercent = static_cast<unsigned>(setting::GuardPercent.min);
inline constexpr unsigned kMaxGuardPercent = static_cast<unsigned>(setting::GuardPercent.max);
inline constexpr unsigned kMinGuardMinimum = static_cast<unsigned>(setting::GuardMinimum.min);
inline constexpr unsigned kMaxGuardMinimum = static_cast<unsigned>(setting::GuardMinimum.max);
inline constexpr unsigned kMinTolerance = static_cast<unsigned>(setting::TimeDelta.min);
inline constexpr unsigned kMaxTolerance = static_cast<unsigned>(setting::TimeDelta.max);

// The seven radio groups of the confirmation options dialog, top to bottom.
// Each holds the index of the selected button within its group (0 first);
// -1 means no button selected and reads as the first (confirming) button.
enum ConfirmGroup {
    kGroupFolderDelete,
    kGroupSameTimeDifferentSize,
    kGroupNewerDestination,
    kGroupWriteFailure,
    kGroupFolderFailure,
    kGroupDeleteFailure,
    kGroupOtherErrors,
    kConfirmGroupCount
};
using ConfirmChoices = std::array<int, kConfirmGroupCount>;
// Number of buttons in a group (2 or 3).
int ConfirmGroupSize(int group);
ConfirmChoices ConfirmChoicesFromOptions(const RunOptions& options);
// Sets the seven fields from the choices (does not write anything).
void ApplyConfirmChoices(const ConfirmChoices& choices, RunOptions& options);
// Writes "op2", "op4", "op11" and the packed "op12" to the program's settings.
void SaveConfirmOptions(const RunOptions& options);

}  // namespace mirrant
