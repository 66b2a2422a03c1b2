#pragma once
// Time stamps of log lines and of the start line of a run, in one of 64
// shapes chosen by six switches (the "time format"). Everything that depends
// on the clock takes the moment as a parameter, so tests are exact.
#include <cstdint>
#include <string>

namespace mirrant {

// A moment as local wall-clock time.
struct LocalTime {
    int year = 0;
    int month = 0;    // 1-12
    int day = 0;      // 1-31
    int hour = 0;     // 0-23
    int minute = 0;
    int second = 0;
    int weekday = 0;  // 0 Sunday .. 6 Saturday
};

// The local time now (the system's time zone).
LocalTime LocalTimeNow();
// A local time from its fields; the weekday is computed.
LocalTime MakeLocalTime(int year, int month, int day, int hour, int minute, int second);
// A UTC file time (100-ns units since 1601) as local time.
LocalTime LocalTimeFromFileTime(std::uint64_t utcFileTime);

// The switches of a time format.
namespace timefmt {
inline constexpr unsigned KanjiUnits = 1;   // 年月日時分秒 and 午前/午後
inline constexpr unsigned ShowYear = 2;
inline constexpr unsigned ShowWeekday = 4;
inline constexpr unsigned AmPm = 8;         // 12-hour clock with a word
inline constexpr unsigned NoDate = 16;      // time only
inline constexpr unsigned TwoDigitYear = 32;
inline constexpr unsigned Mask = 63;
inline constexpr unsigned Default = 7;
}  // namespace timefmt

// The weekday name, Sunday (0) to Saturday (6): "日" .. "土".
std::wstring DayName(int weekday);

// The stamp for the moment in the given format, ending in " >> ".
std::wstring TimeStampText(unsigned format, const LocalTime& time);

}  // namespace mirrant
