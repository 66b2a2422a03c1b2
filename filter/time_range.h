#pragma once
// The stored time-range record ("TmFilterC", "TmFilterM") and the bounds a run
// derives from it. A record holds local wall-clock values relative to the day
// or the moment of the run; ComputeTimeBounds turns it into an inclusive start
// and an exclusive end as UTC file times (100-ns units since 1601-01-01).
#include <array>
#include <cstdint>
#include <vector>

namespace mirrant {

// A local wall-clock date and time in whole seconds.
struct LocalDateTime {
    int year = 0;
    int month = 0;   // 1-12
    int day = 0;     // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// The current local date and time, milliseconds dropped.
LocalDateTime CurrentLocalTime();

// One bit field of the record: word W0..W7, lowest bit, width in bits.
struct TimeField {
    std::uint8_t word;
    std::uint8_t low;
    std::uint8_t width;
};

// The fields of the record, each in its word as stored.
namespace tf {
inline constexpr TimeField Kind{0, 0, 2};            // 1 creation record, 0 modification record
inline constexpr TimeField AndMark{0, 2, 3};         // 1 (creation) / 2 (modification) when AND
inline constexpr TimeField RangeType{0, 5, 3};       // 0 none, 1 simple, 2 detailed
inline constexpr TimeField SimpleUnit{0, 8, 4};      // PeriodUnit 0-4
inline constexpr TimeField StartKind{0, 12, 3};      // 0 none, 1 today's time, 2 period, 3 date
inline constexpr TimeField StartPeriodUnit{0, 15, 4};
inline constexpr TimeField EndKind{0, 19, 3};        // as StartKind, plus 4 run start
inline constexpr TimeField EndPeriodUnit{0, 22, 4};
inline constexpr TimeField SimpleCount{1, 0, 14};
inline constexpr TimeField StartTodayHour{2, 0, 5};
inline constexpr TimeField StartTodayMinute{2, 5, 6};
inline constexpr TimeField StartTodaySecond{2, 11, 6};
inline constexpr TimeField StartPeriodCount{2, 17, 14};
inline constexpr TimeField StartPeriodHour{3, 0, 5};
inline constexpr TimeField StartPeriodMinute{3, 5, 6};
inline constexpr TimeField StartPeriodSecond{3, 11, 6};
inline constexpr TimeField StartDateChosen{3, 17, 1};
inline constexpr TimeField StartDateYear{3, 18, 14};
inline constexpr TimeField StartDateMonth{4, 0, 4};
inline constexpr TimeField StartDateDay{4, 4, 5};
inline constexpr TimeField StartDateHour{4, 9, 5};
inline constexpr TimeField StartDateMinute{4, 14, 6};
inline constexpr TimeField StartDateSecond{4, 20, 6};
inline constexpr TimeField EndTodayHour{4, 26, 5};
inline constexpr TimeField EndTodayMinute{5, 0, 6};
inline constexpr TimeField EndTodaySecond{5, 6, 6};
inline constexpr TimeField EndPeriodCount{5, 12, 14};
inline constexpr TimeField EndPeriodHour{5, 26, 5};
inline constexpr TimeField EndPeriodMinute{6, 0, 6};
inline constexpr TimeField EndPeriodSecond{6, 6, 6};
inline constexpr TimeField EndDateChosen{6, 12, 1};
inline constexpr TimeField EndDateYear{6, 13, 14};
inline constexpr TimeField EndDateMonth{6, 27, 4};
inline constexpr TimeField EndDateDay{7, 0, 5};
inline constexpr TimeField EndDateHour{7, 5, 5};
inline constexpr TimeField EndDateMinute{7, 10, 6};
inline constexpr TimeField EndDateSecond{7, 16, 6};
}  // namespace tf

// Values of tf::RangeType, tf::StartKind and tf::EndKind.
enum RangeTypeValue : unsigned { kRangeNone = 0, kRangeSimple = 1, kRangeDetailed = 2 };
enum BoundKind : unsigned {
    kBoundNone = 0,
    kBoundToday = 1,     // today's date at the stored time
    kBoundPeriod = 2,    // a period before or after now
    kBoundDate = 3,      // a fixed date and time
    kBoundRunStart = 4,  // the moment of loading (end side only)
};

// PeriodUnit as stored: 0-4 before now, 5-9 after now (the same units + 5).
enum PeriodUnit : unsigned {
    kDaysBefore = 0, kMonthsBefore = 1, kYearsBefore = 2, kHoursBefore = 3, kMinutesBefore = 4,
    kDaysAfter = 5, kMonthsAfter = 6, kYearsAfter = 7, kHoursAfter = 8, kMinutesAfter = 9,
};

// Values of tf::Kind.
inline constexpr unsigned kModificationRecord = 0;
inline constexpr unsigned kCreationRecord = 1;

// The 32-byte record: eight little-endian 32-bit words W0..W7.
struct TimeRangeSpec {
    std::array<std::uint32_t, 8> words{};

    // Every bit 0 except the kind, the simple count and both period counts (1).
    static TimeRangeSpec Defaults(unsigned kind);

    unsigned Get(TimeField f) const {
        return (words[f.word] >> f.low) & ((1u << f.width) - 1u);
    }
    // Stores the low f.width bits of value; the other bits of the word stay.
    void Set(TimeField f, unsigned value) {
        const std::uint32_t mask = ((1u << f.width) - 1u) << f.low;
        words[f.word] = (words[f.word] & ~mask) | ((value << f.low) & mask);
    }

    unsigned rangeType() const { return Get(tf::RangeType); }
    unsigned andMark() const { return Get(tf::AndMark); }

    // The record as stored in the registry (32 bytes, W0 first, little-endian).
    std::vector<std::uint8_t> ToBytes() const;
    // Copies stored bytes over the record: at most 32; shorter data changes
    // only its own length and the rest keeps what the record held.
    void OverlayBytes(const std::vector<std::uint8_t>& bytes);

    friend bool operator==(const TimeRangeSpec&, const TimeRangeSpec&) = default;
};
static_assert(sizeof(TimeRangeSpec) == 32);

inline constexpr std::uint64_t kFileTimeSecond = 10000000ULL;
inline constexpr std::uint64_t kOpenEnd = ~0ULL;

struct TimeBounds {
    std::uint64_t start = 0;        // inclusive
    std::uint64_t end = kOpenEnd;   // exclusive
    bool startError = false;        // the start condition could not be computed
    bool endError = false;          // the end condition could not be computed
};

// The bounds of one record at the moment `now` (local). Never fails as a
// whole: a side that cannot be computed stays open (start 0, end all bits
// set), and its error flag tells why for settings the user should fix.
// Every end bound carries one extra second, so that a file stamped anywhere
// within the named second is still inside.
TimeBounds ComputeTimeBounds(const TimeRangeSpec& record, const LocalDateTime& now);
// The same at the current local time.
TimeBounds ComputeTimeBounds(const TimeRangeSpec& record);

// Moves base by count units (PeriodUnit) in its direction. Days, months and
// years keep base's date but take the given hour, minute and second; months
// and years clamp the day to the month's length and must stay within
// 1970-9999. Hours and minutes move base itself and ignore hour/minute/second.
// Returns false when the shift is impossible; `error` is then set, except for
// a count above 9999, which only opens the side quietly.
bool ShiftDate(unsigned unit, unsigned count, int hour, int minute, int second,
               const LocalDateTime& base, LocalDateTime& result, bool& error);

// Local wall-clock time to a UTC file time, using the time-zone rules in force
// at that date (so a date across a daylight-saving change gets its own
// offset). Fails for an impossible date or time, or when a value would have
// its top bit set.
bool LocalToUtcFileTime(const LocalDateTime& local, std::uint64_t& fileTime);
// The reverse, for showing a bound; false for a value outside the calendar.
bool UtcFileTimeToLocal(std::uint64_t fileTime, LocalDateTime& local);

}  // namespace mirrant
