#include "log/time_stamp.h"

#include <windows.h>

#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {

LocalTime FromSystemTime(const SYSTEMTIME& st) {
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.weekday = st.wDayOfWeek;
    return t;
}

// Day of the week of a Gregorian date, 0 = Sunday.
int Weekday(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    int m = (month >= 1 && month <= 12) ? month : 1;
    return ((year + year / 4 - year / 100 + year / 400 + offsets[m - 1] + day) % 7 + 7) % 7;
}

}  // namespace

LocalTime LocalTimeNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return FromSystemTime(st);
}

LocalTime MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    t.weekday = Weekday(year, month, day);
    return t;
}

LocalTime LocalTimeFromFileTime(std::uint64_t utcFileTime) {
    FILETIME ft{static_cast<DWORD>(utcFileTime), static_cast<DWORD>(utcFileTime >> 32)};
    SYSTEMTIME utc, local;
    FileTimeToSystemTime(&ft, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    return FromSystemTime(local);
}

std::wstring DayName(int weekday) {
    return LoadText(IDS_DAY_SUNDAY + static_cast<unsigned>(((weekday % 7) + 7) % 7));
}

std::wstring TimeStampText(unsigned format, const LocalTime& t) {
    const bool kanji = format & timefmt::KanjiUnits;
    std::wstring year;
    if (format & timefmt::ShowYear) {
        std::wstring unit = kanji ? LoadText(IDS_STAMP_YEAR_KANJI) : std::wstring(L"/");
        year = (format & timefmt::TwoDigitYear) ? FormatText(L"%02d%s", {t.year % 100, unit})
                                                : FormatText(L"%d%s", {t.year, unit});
    }
    std::wstring weekday;
    if (format & timefmt::ShowWeekday) weekday = Message(IDS_STAMP_WEEKDAY, {DayName(t.weekday)});
    int hour = t.hour;
    std::wstring word;
    if (format & timefmt::AmPm) {
        bool afternoon = hour >= 12;
        word = LoadText(kanji ? (afternoon ? IDS_STAMP_AFTERNOON_KANJI : IDS_STAMP_MORNING_KANJI)
                              : (afternoon ? IDS_STAMP_AFTERNOON : IDS_STAMP_MORNING));
        if (afternoon) hour -= 12;
    }
    std::wstring text;
    if (format & timefmt::NoDate) {
        text = Message(kanji ? IDS_STAMP_TIME_KANJI : IDS_STAMP_TIME, {word, hour, t.minute, t.second});
    } else {
        text = Message(kanji ? IDS_STAMP_DATE_KANJI : IDS_STAMP_DATE,
                       {year, t.month, t.day, weekday, word, hour, t.minute, t.second});
    }
    return text + LoadText(IDS_STAMP_END);
}

}  // namespace mirrant
