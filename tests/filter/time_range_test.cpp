// The time-range record, date shifting and the bounds, in a zone without
// daylight saving (the tests run with TZ=Asia/Tokyo, UTC+9).
#include <windows.h>

#include <gtest/gtest.h>

#include "filter/time_range.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::Utc;
constexpr std::uint64_t kHour = 3600 * kFileTimeSecond;
// A Tokyo wall-clock time as UTC.
std::uint64_t Tokyo(int y, int mo, int d, int h, int mi, int s) { return Utc(y, mo, d, h, mi, s) - 9 * kHour; }

TEST(TimeRangeSpec, FieldsCoverTheDocumentedBitsWithoutOverlap) {
    const TimeField all[] = {
        tf::Kind, tf::AndMark, tf::RangeType, tf::SimpleUnit, tf::StartKind, tf::StartPeriodUnit,
        tf::EndKind, tf::EndPeriodUnit, tf::SimpleCount, tf::StartTodayHour, tf::StartTodayMinute,
        tf::StartTodaySecond, tf::StartPeriodCount, tf::StartPeriodHour, tf::StartPeriodMinute,
        tf::StartPeriodSecond, tf::StartDateChosen, tf::StartDateYear, tf::StartDateMonth,
        tf::StartDateDay, tf::StartDateHour, tf::StartDateMinute, tf::StartDateSecond,
        tf::EndTodayHour, tf::EndTodayMinute, tf::EndTodaySecond, tf::EndPeriodCount,
        tf::EndPeriodHour, tf::EndPeriodMinute, tf::EndPeriodSecond, tf::EndDateChosen,
        tf::EndDateYear, tf::EndDateMonth, tf::EndDateDay, tf::EndDateHour, tf::EndDateMinute,
        tf::EndDateSecond};
    TimeRangeSpec union_;
    for (const TimeField& f : all) {
        TimeRangeSpec one;
        one.Set(f, ~0u);
        EXPECT_EQ(one.Get(f), (1u << f.width) - 1u);
        EXPECT_EQ(union_.words[f.word] & one.words[f.word], 0u) << "overlap in W" << int(f.word);
        union_.words[f.word] |= one.words[f.word];
    }
    // Reserved bits: W0 26-31, W1 14-31, W2..W6 bit 31, W7 22-31.
    const std::array<std::uint32_t, 8> used = {0x03FFFFFFu, 0x00003FFFu, 0x7FFFFFFFu, 0xFFFFFFFFu,
                                               0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 0x003FFFFFu};
    EXPECT_EQ(union_.words, used);
}

TEST(TimeRangeSpec, ValuesLandInTheirWordsAndBytesAreLittleEndian) {
    TimeRangeSpec s;
    s.Set(tf::EndDateYear, 2025);
    s.Set(tf::EndDateMonth, 12);
    s.Set(tf::StartDateYear, 1970);
    s.Set(tf::StartDateChosen, 1);
    s.Set(tf::EndPeriodHour, 23);
    s.Set(tf::StartKind, 3);
    EXPECT_EQ(s.words[6], (2025u << 13) | (12u << 27));
    EXPECT_EQ(s.words[3], (1970u << 18) | (1u << 17));
    EXPECT_EQ(s.words[5], 23u << 26);
    EXPECT_EQ(s.words[0], 3u << 12);
    s.Set(tf::StartKind, 1);  // replaces, leaves the neighbours
    EXPECT_EQ(s.words[0], 1u << 12);

    TimeRangeSpec b;
    b.words[0] = 0x04030201u;
    b.words[7] = 0xA0B0C0D0u;
    const auto bytes = b.ToBytes();
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[3], 0x04);
    EXPECT_EQ(bytes[28], 0xD0);
    EXPECT_EQ(bytes[31], 0xA0);
    TimeRangeSpec back;
    back.OverlayBytes(bytes);
    EXPECT_EQ(back, b);
}

TEST(TimeRangeSpec, DefaultsPerKind) {
    const TimeRangeSpec c = TimeRangeSpec::Defaults(kCreationRecord);
    EXPECT_EQ(c.words, (std::array<std::uint32_t, 8>{1u, 1u, 1u << 17, 0, 0, 1u << 12, 0, 0}));
    const TimeRangeSpec m = TimeRangeSpec::Defaults(kModificationRecord);
    EXPECT_EQ(m.words, (std::array<std::uint32_t, 8>{0u, 1u, 1u << 17, 0, 0, 1u << 12, 0, 0}));
}

struct ShiftCase {
    unsigned unit, count;
    int h, mi, s;
    LocalDateTime base;
    bool ok;
    LocalDateTime result;
    bool error;
};

TEST(ShiftDate, CalendarArithmeticClampsAndLimits) {
    const ShiftCase cases[] = {
        {kDaysBefore, 3, 14, 30, 15, {2024, 5, 10, 14, 30, 15}, true, {2024, 5, 7, 14, 30, 15}, false},
        {kDaysBefore, 0, 0, 0, 0, {2024, 5, 10, 14, 30, 15}, true, {2024, 5, 10, 0, 0, 0}, false},
        {kDaysAfter, 1, 8, 0, 0, {2024, 12, 31, 20, 0, 0}, true, {2025, 1, 1, 8, 0, 0}, false},
        {kDaysBefore, 9999, 0, 0, 0, {2024, 5, 10, 0, 0, 0}, true, {1996, 12, 24, 0, 0, 0}, false},
        {kMonthsBefore, 1, 10, 0, 0, {2024, 3, 31, 10, 0, 0}, true, {2024, 2, 29, 10, 0, 0}, false},
        {kMonthsBefore, 13, 1, 2, 3, {2024, 1, 31, 9, 9, 9}, true, {2022, 12, 31, 1, 2, 3}, false},
        {kMonthsAfter, 1, 0, 0, 0, {2023, 1, 30, 0, 0, 0}, true, {2023, 2, 28, 0, 0, 0}, false},
        {kMonthsAfter, 4, 0, 0, 0, {2024, 1, 31, 0, 0, 0}, true, {2024, 5, 31, 0, 0, 0}, false},
        {kMonthsAfter, 3, 0, 0, 0, {2024, 3, 31, 0, 0, 0}, true, {2024, 6, 30, 0, 0, 0}, false},
        {kYearsBefore, 1, 12, 0, 0, {2024, 2, 29, 12, 0, 0}, true, {2023, 2, 28, 12, 0, 0}, false},
        {kYearsAfter, 4, 12, 0, 0, {2096, 2, 29, 12, 0, 0}, true, {2100, 2, 28, 12, 0, 0}, false},
        {kYearsAfter, 4, 12, 0, 0, {1996, 2, 29, 12, 0, 0}, true, {2000, 2, 29, 12, 0, 0}, false},
        {kYearsBefore, 54, 0, 0, 0, {2024, 1, 1, 0, 0, 0}, true, {1970, 1, 1, 0, 0, 0}, false},
        {kYearsBefore, 55, 0, 0, 0, {2024, 1, 1, 0, 0, 0}, false, {}, true},
        {kMonthsBefore, 1, 0, 0, 0, {1970, 1, 15, 0, 0, 0}, false, {}, true},
        {kYearsAfter, 7976, 0, 0, 0, {2024, 1, 1, 0, 0, 0}, false, {}, true},
        {kYearsAfter, 7975, 0, 0, 0, {2024, 1, 1, 0, 0, 0}, true, {9999, 1, 1, 0, 0, 0}, false},
        {kHoursBefore, 5, 7, 7, 7, {2024, 5, 10, 2, 10, 20}, true, {2024, 5, 9, 21, 10, 20}, false},
        {kMinutesAfter, 90, 0, 0, 0, {2024, 2, 28, 23, 0, 5}, true, {2024, 2, 29, 0, 30, 5}, false},
        {kHoursAfter, 9999, 0, 0, 0, {2024, 1, 1, 0, 0, 0}, true, {2025, 2, 20, 15, 0, 0}, false},
        {kDaysBefore, 10000, 0, 0, 0, {2024, 1, 1, 0, 0, 0}, false, {}, false},  // quietly open
        {10, 1, 0, 0, 0, {2024, 1, 1, 0, 0, 0}, false, {}, true},
        {15, 1, 0, 0, 0, {2024, 1, 1, 0, 0, 0}, false, {}, true},
        {kDaysBefore, 1, 24, 0, 0, {2024, 1, 2, 0, 0, 0}, false, {}, true},   // no hour 24
        {kMonthsAfter, 1, 0, 60, 0, {2024, 1, 2, 0, 0, 0}, false, {}, true},  // no minute 60
    };
    for (const ShiftCase& c : cases) {
        LocalDateTime r{1, 1, 1, 1, 1, 1};
        bool error = !c.error;
        const bool ok = ShiftDate(c.unit, c.count, c.h, c.mi, c.s, c.base, r, error);
        SCOPED_TRACE(::testing::Message() << "unit " << c.unit << " count " << c.count << " from "
                                        << c.base.year << "-" << c.base.month << "-" << c.base.day);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(error, c.error);
        if (c.ok) {
            EXPECT_EQ(r, c.result) << r.year << "-" << r.month << "-" << r.day << " " << r.hour
                                   << ":" << r.minute << ":" << r.second;
        }
    }
}

TimeRangeSpec Detailed(unsigned startKind, unsigned endKind) {
    TimeRangeSpec s = TimeRangeSpec::Defaults(kModificationRecord);
    s.Set(tf::RangeType, kRangeDetailed);
    s.Set(tf::StartKind, startKind);
    s.Set(tf::EndKind, endKind);
    return s;
}

void SetStartDate(TimeRangeSpec& s, int y, int mo, int d, int h, int mi, int sec) {
    s.Set(tf::StartDateYear, y);
    s.Set(tf::StartDateMonth, mo);
    s.Set(tf::StartDateDay, d);
    s.Set(tf::StartDateHour, h);
    s.Set(tf::StartDateMinute, mi);
    s.Set(tf::StartDateSecond, sec);
}

void SetEndDate(TimeRangeSpec& s, int y, int mo, int d, int h, int mi, int sec) {
    s.Set(tf::EndDateYear, y);
    s.Set(tf::EndDateMonth, mo);
    s.Set(tf::EndDateDay, d);
    s.Set(tf::EndDateHour, h);
    s.Set(tf::EndDateMinute, mi);
    s.Set(tf::EndDateSecond, sec);
}

const LocalDateTime kNow{2024, 5, 10, 14, 30, 15};

TEST(ComputeTimeBounds, SimpleRangeIsThePastUnitsUpToNow) {
    TimeRangeSpec s = TimeRangeSpec::Defaults(kCreationRecord);
    s.Set(tf::RangeType, kRangeSimple);
    s.Set(tf::SimpleUnit, kDaysBefore);
    s.Set(tf::SimpleCount, 3);
    TimeBounds b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, Tokyo(2024, 5, 7, 14, 30, 15));
    EXPECT_EQ(b.end, Tokyo(2024, 5, 10, 14, 30, 16));
    EXPECT_FALSE(b.startError || b.endError);

    s.Set(tf::SimpleUnit, kMonthsBefore);
    s.Set(tf::SimpleCount, 1);
    b = ComputeTimeBounds(s, {2024, 3, 31, 10, 0, 0});
    EXPECT_EQ(b.start, Tokyo(2024, 2, 29, 10, 0, 0));
    s.Set(tf::SimpleUnit, kYearsBefore);
    b = ComputeTimeBounds(s, {2024, 2, 29, 10, 0, 0});
    EXPECT_EQ(b.start, Tokyo(2023, 2, 28, 10, 0, 0));
    s.Set(tf::SimpleUnit, kMinutesBefore);
    s.Set(tf::SimpleCount, 90);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, Tokyo(2024, 5, 10, 13, 0, 15));

    // A simple range past the 1970 limit opens its start with the error flag;
    // the end still holds.
    s.Set(tf::SimpleUnit, kYearsBefore);
    s.Set(tf::SimpleCount, 60);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, 0u);
    EXPECT_TRUE(b.startError);
    EXPECT_EQ(b.end, Tokyo(2024, 5, 10, 14, 30, 16));
}

TEST(ComputeTimeBounds, DetailedConditions) {
    // Period of 0 days at 00:00:00: today from midnight.
    TimeRangeSpec s = Detailed(kBoundPeriod, kBoundNone);
    s.Set(tf::StartPeriodUnit, kDaysBefore);
    s.Set(tf::StartPeriodCount, 0);
    TimeBounds b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, Tokyo(2024, 5, 10, 0, 0, 0));
    EXPECT_EQ(b.end, kOpenEnd);

    // Today's time on both sides.
    s = Detailed(kBoundToday, kBoundToday);
    s.Set(tf::StartTodayHour, 9);
    s.Set(tf::EndTodayHour, 17);
    s.Set(tf::EndTodayMinute, 30);
    s.Set(tf::EndTodaySecond, 59);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, Tokyo(2024, 5, 10, 9, 0, 0));
    EXPECT_EQ(b.end, Tokyo(2024, 5, 10, 17, 31, 0));

    // A fixed end date: the named second is inside, the next one is not.
    s = Detailed(kBoundDate, kBoundDate);
    SetStartDate(s, 2024, 1, 1, 0, 0, 0);
    SetEndDate(s, 2024, 12, 31, 23, 59, 59);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, Tokyo(2024, 1, 1, 0, 0, 0));
    EXPECT_EQ(b.end, Tokyo(2025, 1, 1, 0, 0, 0));
    EXPECT_LT(Tokyo(2024, 12, 31, 23, 59, 59) + kFileTimeSecond / 2, b.end);

    // Run start.
    s = Detailed(kBoundNone, kBoundRunStart);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, 0u);
    EXPECT_EQ(b.end, Tokyo(2024, 5, 10, 14, 30, 16));

    // A period after now at a given time.
    s = Detailed(kBoundNone, kBoundPeriod);
    s.Set(tf::EndPeriodUnit, kMonthsAfter);
    s.Set(tf::EndPeriodCount, 2);
    s.Set(tf::EndPeriodHour, 6);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.end, Tokyo(2024, 7, 10, 6, 0, 1));

    // Both sides unspecified: fully open, no error.
    b = ComputeTimeBounds(Detailed(kBoundNone, kBoundNone), kNow);
    EXPECT_EQ(b.start, 0u);
    EXPECT_EQ(b.end, kOpenEnd);
    EXPECT_FALSE(b.startError || b.endError);
}

TEST(ComputeTimeBounds, ImpossibleConditionsOpenTheirSide) {
    // Years after beyond 9999: error, open.
    TimeRangeSpec s = Detailed(kBoundPeriod, kBoundPeriod);
    s.Set(tf::StartPeriodUnit, kYearsAfter);
    s.Set(tf::StartPeriodCount, 8000);
    s.Set(tf::EndPeriodUnit, kDaysBefore);
    s.Set(tf::EndPeriodCount, 1);
    TimeBounds b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, 0u);
    EXPECT_TRUE(b.startError);
    EXPECT_EQ(b.end, Tokyo(2024, 5, 9, 0, 0, 1));
    EXPECT_FALSE(b.endError);

    // A hand-edited count of 10000: open without an error flag.
    s.Set(tf::StartPeriodUnit, kDaysBefore);
    s.Set(tf::StartPeriodCount, 10000);
    s.Set(tf::EndPeriodCount, 10000);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, 0u);
    EXPECT_EQ(b.end, kOpenEnd);
    EXPECT_FALSE(b.startError || b.endError);

    // February 30 and a date never picked (all zero).
    s = Detailed(kBoundDate, kBoundDate);
    SetStartDate(s, 2024, 2, 30, 0, 0, 0);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_EQ(b.start, 0u);
    EXPECT_EQ(b.end, kOpenEnd);
    EXPECT_TRUE(b.startError);
    EXPECT_TRUE(b.endError);

    // Times out of range in today's condition.
    s = Detailed(kBoundToday, kBoundToday);
    s.Set(tf::StartTodayHour, 24);
    s.Set(tf::EndTodaySecond, 60);
    b = ComputeTimeBounds(s, kNow);
    EXPECT_TRUE(b.startError && b.endError);
    EXPECT_EQ(b.start, 0u);
    EXPECT_EQ(b.end, kOpenEnd);

    // Unknown kinds: 4 to 7 at the start, 5 to 7 at the end.
    for (unsigned k = 4; k <= 7; ++k) {
        b = ComputeTimeBounds(Detailed(k, k == 4 ? kBoundNone : k), kNow);
        EXPECT_TRUE(b.startError) << k;
        EXPECT_EQ(b.endError, k != 4) << k;
        EXPECT_EQ(b.start, 0u);
        EXPECT_EQ(b.end, kOpenEnd);
    }

    // Range types other than simple and detailed: nothing, no error.
    for (unsigned t : {0u, 3u, 7u}) {
        s = Detailed(kBoundDate, kBoundRunStart);
        s.Set(tf::RangeType, t);
        b = ComputeTimeBounds(s, kNow);
        EXPECT_EQ(b.start, 0u);
        EXPECT_EQ(b.end, kOpenEnd);
        EXPECT_FALSE(b.startError || b.endError);
    }
}

TEST(LocalToUtcFileTime, ConvertsBothWaysAndRejectsImpossibleDates) {
    std::uint64_t ft = 0;
    ASSERT_TRUE(LocalToUtcFileTime({2024, 5, 10, 9, 0, 0}, ft));
    EXPECT_EQ(ft, Utc(2024, 5, 10, 0, 0, 0));
    LocalDateTime back;
    ASSERT_TRUE(UtcFileTimeToLocal(ft, back));
    EXPECT_EQ(back, (LocalDateTime{2024, 5, 10, 9, 0, 0}));
    EXPECT_TRUE(LocalToUtcFileTime({9999, 12, 31, 23, 59, 59}, ft));
    EXPECT_FALSE(LocalToUtcFileTime({2023, 2, 29, 0, 0, 0}, ft));
    EXPECT_FALSE(LocalToUtcFileTime({0, 0, 0, 0, 0, 0}, ft));
    EXPECT_FALSE(UtcFileTimeToLocal(kOpenEnd, back));
}

}  // namespace
}  // namespace mirrant
