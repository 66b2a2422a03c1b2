#pragma once
// The log settings word ("op16"): interactive and scheduled runs each have
// their own switches packed into one 32-bit value, decoded at the start of
// every run into the active settings.
#include <cstdint>

#include "settings/settings.h"

namespace mirrant {

inline constexpr std::uint32_t kDefaultLogSettingsWord =
    static_cast<std::uint32_t>(setting::LogSettings.defaultValue);

// Bit numbers in the settings word. Interactive runs use the even bits of
// the pairs, scheduled runs the odd ones; the rest of the scheduled run's
// switches are forced.
namespace logbit {
inline constexpr int SaveToFile = 0;
inline constexpr int Append = 2;
inline constexpr int HideResultDialog = 4;
inline constexpr int HideNothingToUpdate = 6;
inline constexpr int ExitWhenDone = 8;
inline constexpr int StampLines = 10;               // schedule: 11
inline constexpr int TimeFormatShift = 12;          // 6 bits; schedule: 18
inline constexpr int SaveInTestMode = 24;
inline constexpr int WriteDuringRun = 26;           // schedule: 27
inline constexpr int NoBuffering = 28;              // schedule: 29
inline constexpr int NoAlternative = 30;            // schedule: 31
inline constexpr int ScheduleStampLines = 11;
inline constexpr int ScheduleTimeFormatShift = 18;
inline constexpr int ScheduleWriteDuringRun = 27;
inline constexpr int ScheduleNoBuffering = 29;
inline constexpr int ScheduleNoAlternative = 31;
}  // namespace logbit

inline bool LogBit(std::uint32_t word, int bit) { return (word >> bit) & 1u; }
inline std::uint32_t WithLogBit(std::uint32_t word, int bit, bool on) {
    return on ? (word | (1u << bit)) : (word & ~(1u << bit));
}
// The 6-bit time format of interactive (schedule false) or scheduled runs.
unsigned TimeFormatOf(std::uint32_t word, bool schedule);
std::uint32_t WithTimeFormat(std::uint32_t word, bool schedule, unsigned format);

struct LogSettings {
    bool saveToFile = false;
    bool append = false;
    bool hideResultDialog = false;
    bool hideNothingToUpdate = false;
    bool exitWhenDone = false;
    bool stampLines = false;
    unsigned timeFormat = 7;
    bool saveInTestMode = false;
    bool writeDuringRun = false;
    bool noBuffering = false;
    bool noAlternative = false;
};

// The active settings of a run. In schedule mode saving, no result dialog,
// no "nothing to update" notice, ending the program and saving in test mode
// are forced on, and appending follows the command line's switch ("/S"
// appends, "/s" overwrites).
LogSettings DecodeLogSettings(std::uint32_t word, bool schedule, bool scheduleAppend = true);

}  // namespace mirrant
