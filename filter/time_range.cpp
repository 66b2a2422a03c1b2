#include "filter/time_range.h"

#include <windows.h>

namespace mirrant {

namespace {

constexpr std::uint64_t kTopBit = 1ULL << 63;
constexpr int kMaxCount = 9999;

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back; plain
// arithmetic so that shifting by days or hours needs no platform call.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// A date and time that exists on the calendar, within maxYear.
bool IsValidDateTime(const LocalDateTime& t, int maxYear = 9999) {
    return t.year >= 1601 && t.year <= maxYear && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

SYSTEMTIME ToSystemTime(const LocalDateTime& t) {
    SYSTEMTIME st{};
    auto field = [](int v) { return static_cast<WORD>(v < 0 || v > 0xFFFF ? 0xFFFF : v); };
    st.wYear = field(t.year);
    st.wMonth = field(t.month);
    st.wDay = field(t.day);
    st.wHour = field(t.hour);
    st.wMinute = field(t.minute);
    st.wSecond = field(t.second);
    return st;
}

std::uint64_t FromFileTime(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// The local date-time of a detailed condition kept in the record.
LocalDateTime TodayAt(const LocalDateTime& now, unsigned h, unsigned m, unsigned s) {
    return {now.year, now.month, now.day, static_cast<int>(h), static_cast<int>(m),
            static_cast<int>(s)};
}

}  // namespace

LocalDateTime CurrentLocalTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

TimeRangeSpec TimeRangeSpec::Defaults(unsigned kind) {
    TimeRangeSpec s;
    s.Set(tf::Kind, kind);
    s.Set(tf::SimpleCount, 1);
    s.Set(tf::StartPeriodCount, 1);
    s.Set(tf::EndPeriodCount, 1);
    return s;
}

std::vector<std::uint8_t> TimeRangeSpec::ToBytes() const {
    std::vector<std::uint8_t> bytes(32);
    for (std::size_t i = 0; i < 32; ++i) bytes[i] = static_cast<std::uint8_t>(words[i / 4] >> (8 * (i % 4)));
    return bytes;
}

void TimeRangeSpec::OverlayBytes(const std::vector<std::uint8_t>& bytes) {
    const std::size_t n = bytes.size() < 32 ? bytes.size() : 32;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned shift = 8 * (i % 4);
        words[i / 4] = (words[i / 4] & ~(0xFFu << shift)) | (std::uint32_t{bytes[i]} << shift);
    }
}

bool LocalToUtcFileTime(const LocalDateTime& local, std::uint64_t& fileTime) {
    // The date must exist (February 30 fails); the check is ours because
    // Wine's calendar conversion takes February 29 in every year. The zone
    // step then applies the offset in force at that date.
    if (!IsValidDateTime(local, 30827)) return false;
    const SYSTEMTIME st = ToSystemTime(local);
    FILETIME localFt;
    if (!SystemTimeToFileTime(&st, &localFt) || (FromFileTime(localFt) & kTopBit)) return false;
    SYSTEMTIME utc;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &st, &utc)) return false;
    FILETIME utcFt;
    if (!SystemTimeToFileTime(&utc, &utcFt)) return false;
    const std::uint64_t value = FromFileTime(utcFt);
    if (value & kTopBit) return false;
    fileTime = value;
    return true;
}

bool UtcFileTimeToLocal(std::uint64_t fileTime, LocalDateTime& local) {
    if (fileTime & kTopBit) return false;
    FILETIME ft{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    SYSTEMTIME utc, st;
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &st))
        return false;
    local = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
}

bool ShiftDate(unsigned unit, unsigned count, int hour, int minute, int second,
               const LocalDateTime& base, LocalDateTime& result, bool& error) {
    error = false;
    if (count > static_cast<unsigned>(kMaxCount)) return false;
    if (unit >= 10) {
        error = true;
        return false;
    }
    const int direction = unit >= 5 ? 1 : -1;
    const unsigned u = unit >= 5 ? unit - 5 : unit;
    const int n = static_cast<int>(count);

    LocalDateTime r{base.year, base.month, base.day, hour, minute, second};
    switch (u) {
    case kDaysBefore: {
        if (base.month < 1 || base.month > 12) break;  // left to the validity check
        CivilFromDays(DaysFromCivil(base.year, base.month, base.day) + direction * n, r.year,
                      r.month, r.day);
        break;
    }
    case kMonthsBefore:
    case kYearsBefore: {
        if (u == kMonthsBefore) {
            // Month by month, carrying into the year.
            long long months = static_cast<long long>(r.year) * 12 + (r.month - 1) + direction * n;
            r.year = static_cast<int>(months >= 0 ? months / 12 : (months - 11) / 12);
            r.month = static_cast<int>(months - static_cast<long long>(r.year) * 12) + 1;
        } else {
            r.year += direction * n;
        }
        // The same day of the shifted month, cut to that month's length.
        if (r.day == 31 && (r.month == 4 || r.month == 6 || r.month == 9 || r.month == 11)) r.day = 30;
        if (r.month == 2 && r.day > 28) r.day = IsLeapYear(r.year) ? 29 : 28;
        if (r.year < 1970 || r.year > 9999) {
            error = true;
            return false;
        }
        break;
    }
    case kHoursBefore:
    case kMinutesBefore: {
        if (!IsValidDateTime(base)) break;  // left to the validity check
        const long long step = u == kHoursBefore ? 3600 : 60;
        const long long secs = DaysFromCivil(base.year, base.month, base.day) * 86400 +
                               base.hour * 3600LL + base.minute * 60LL + base.second +
                               direction * step * n;
        const long long days = secs >= 0 ? secs / 86400 : (secs - 86399) / 86400;
        const long long rest = secs - days * 86400;
        CivilFromDays(days, r.year, r.month, r.day);
        r.hour = static_cast<int>(rest / 3600);
        r.minute = static_cast<int>(rest / 60 % 60);
        r.second = static_cast<int>(rest % 60);
        break;
    }
    }
    if (!IsValidDateTime(r)) {
        error = true;
        return false;
    }
    result = r;
    return true;
}

namespace {

// The fields of one side of a detailed range: its kind and the values of
// each kind.
struct BoundFields {
    TimeField kind;
    TimeField todayHour, todayMinute, todaySecond;
    TimeField periodUnit, periodCount, periodHour, periodMinute, periodSecond;
    TimeField dateYear, dateMonth, dateDay, dateHour, dateMinute, dateSecond;
    bool mayBeRunStart;  // only the end may be the start of the run
};
constexpr BoundFields kStartFields{tf::StartKind,        tf::StartTodayHour,   tf::StartTodayMinute,
                                   tf::StartTodaySecond, tf::StartPeriodUnit,  tf::StartPeriodCount,
                                   tf::StartPeriodHour,  tf::StartPeriodMinute, tf::StartPeriodSecond,
                                   tf::StartDateYear,    tf::StartDateMonth,   tf::StartDateDay,
                                   tf::StartDateHour,    tf::StartDateMinute,  tf::StartDateSecond,
                                   false};
constexpr BoundFields kEndFields{tf::EndKind,        tf::EndTodayHour,   tf::EndTodayMinute, tf::EndTodaySecond,
                                 tf::EndPeriodUnit,  tf::EndPeriodCount, tf::EndPeriodHour,  tf::EndPeriodMinute,
                                 tf::EndPeriodSecond, tf::EndDateYear,   tf::EndDateMonth,   tf::EndDateDay,
                                 tf::EndDateHour,    tf::EndDateMinute,  tf::EndDateSecond,  true};

enum class Bound { Open, At, Error };

// One side of a detailed range at the moment `now`: open, a local time (in
// at), or a setting that cannot be computed. A period that cannot be shifted
// without an error stays open.
Bound SideBound(const TimeRangeSpec& record, const BoundFields& f, const LocalDateTime& now, LocalDateTime& at) {
    const auto get = [&](TimeField field) { return static_cast<int>(record.Get(field)); };
    switch (record.Get(f.kind)) {
    case kBoundNone: return Bound::Open;
    case kBoundToday:
        at = TodayAt(now, record.Get(f.todayHour), record.Get(f.todayMinute), record.Get(f.todaySecond));
        return Bound::At;
    case kBoundPeriod: {
        bool error = false;
        if (ShiftDate(record.Get(f.periodUnit), record.Get(f.periodCount), record.Get(f.periodHour),
                      record.Get(f.periodMinute), record.Get(f.periodSecond), now, at, error))
            return Bound::At;
        return error ? Bound::Error : Bound::Open;
    }
    case kBoundDate:
        at = {get(f.dateYear), get(f.dateMonth), get(f.dateDay), get(f.dateHour), get(f.dateMinute), get(f.dateSecond)};
        return Bound::At;
    case kBoundRunStart:
        if (!f.mayBeRunStart) return Bound::Error;
        at = now;
        return Bound::At;
    default: return Bound::Error;
    }
}

}  // namespace

TimeBounds ComputeTimeBounds(const TimeRangeSpec& record, const LocalDateTime& now) {
    TimeBounds b;
    const auto setStart = [&](const LocalDateTime& t) {
        std::uint64_t v;
        if (LocalToUtcFileTime(t, v))
            b.start = v;
        else
            b.startError = true;
    };
    const auto setEnd = [&](const LocalDateTime& t) {
        std::uint64_t v;
        if (LocalToUtcFileTime(t, v))
            b.end = v + kFileTimeSecond;
        else
            b.endError = true;
    };

    switch (record.rangeType()) {
    case kRangeSimple: {
        LocalDateTime t;
        bool error = false;
        if (ShiftDate(record.Get(tf::SimpleUnit), record.Get(tf::SimpleCount), now.hour, now.minute,
                      now.second, now, t, error))
            setStart(t);
        else
            b.startError = error;
        setEnd(now);
        break;
    }
    case kRangeDetailed: {
        LocalDateTime t;
        switch (SideBound(record, kStartFields, now, t)) {
        case Bound::At: setStart(t); break;
        case Bound::Error: b.startError = true; break;
        case Bound::Open: break;
        }
        switch (SideBound(record, kEndFields, now, t)) {
        case Bound::At: setEnd(t); break;
        case Bound::Error: b.endError = true; break;
        case Bound::Open: break;
        }
        break;
    }
    default:
        break;
    }
    return b;
}

TimeBounds ComputeTimeBounds(const TimeRangeSpec& record) {
    return ComputeTimeBounds(record, CurrentLocalTime());
}

}  // namespace mirrant
