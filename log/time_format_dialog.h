#pragma once
// The time format dialog ("時刻の書式", IDD_TIME_FORMAT): six switches of a time
// stamp with an example of the current time in the format being edited,
// refreshed every second.
#include <windows.h>

#include "log/time_stamp.h"

namespace mirrant {

// Edits format modally. On OK the edited format is stored in format and the
// result is true; Cancel leaves it unchanged. clock: the time shown in the
// example (null: the local time now).
bool ChooseTimeFormat(HWND owner, unsigned& format, LocalTime (*clock)() = nullptr);

}  // namespace mirrant
