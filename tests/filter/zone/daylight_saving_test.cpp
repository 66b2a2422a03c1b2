// Bounds across a daylight-saving change. This program runs with
// TZ=Europe/Berlin (UTC+1, summer UTC+2 from the last Sunday of March 02:00
// to the last Sunday of October 03:00).
#include <windows.h>

#include <gtest/gtest.h>

#include "filter/time_range.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::Utc;

TEST(DaylightSaving, TheZoneIsInForce) {
    std::uint64_t winter = 0, summer = 0;
    ASSERT_TRUE(LocalToUtcFileTime({2024, 1, 15, 12, 0, 0}, winter));
    ASSERT_TRUE(LocalToUtcFileTime({2024, 7, 15, 12, 0, 0}, summer));
    EXPECT_EQ(winter, Utc(2024, 1, 15, 11, 0, 0));
    EXPECT_EQ(summer, Utc(2024, 7, 15, 10, 0, 0));
    LocalDateTime back;
    ASSERT_TRUE(UtcFileTimeToLocal(Utc(2024, 10, 27, 0, 59, 59), back));  // last summer second
    EXPECT_EQ(back, (LocalDateTime{2024, 10, 27, 2, 59, 59}));
    ASSERT_TRUE(UtcFileTimeToLocal(Utc(2024, 10, 27, 1, 0, 0), back));
    EXPECT_EQ(back, (LocalDateTime{2024, 10, 27, 2, 0, 0}));
}

TEST(DaylightSaving, EachBoundTakesTheOffsetOfItsOwnDate) {
    // Computed in summer, a winter start date keeps its winter offset.
    TimeRangeSpec s = TimeRangeSpec::Defaults(kModificationRecord);
    s.Set(tf::RangeType, kRangeDetailed);
    s.Set(tf::StartKind, kBoundDate);
    s.Set(tf::StartDateYear, 2024);
    s.Set(tf::StartDateMonth, 1);
    s.Set(tf::StartDateDay, 15);
    s.Set(tf::EndKind, kBoundRunStart);
    TimeBounds b = ComputeTimeBounds(s, {2024, 5, 10, 14, 30, 15});
    EXPECT_EQ(b.start, Utc(2024, 1, 14, 23, 0, 0));
    EXPECT_EQ(b.end, Utc(2024, 5, 10, 12, 30, 16));
    EXPECT_FALSE(b.startError || b.endError);

    // Three days back across the spring change: 72 wall-clock hours, 71 real.
    TimeRangeSpec simple = TimeRangeSpec::Defaults(kCreationRecord);
    simple.Set(tf::RangeType, kRangeSimple);
    simple.Set(tf::SimpleUnit, kDaysBefore);
    simple.Set(tf::SimpleCount, 3);
    b = ComputeTimeBounds(simple, {2024, 3, 31, 12, 0, 0});
    EXPECT_EQ(b.start, Utc(2024, 3, 28, 11, 0, 0));
    EXPECT_EQ(b.end, Utc(2024, 3, 31, 10, 0, 1));

    // Today from midnight on the autumn change day (still summer time then).
    TimeRangeSpec today = TimeRangeSpec::Defaults(kModificationRecord);
    today.Set(tf::RangeType, kRangeDetailed);
    today.Set(tf::StartKind, kBoundToday);
    b = ComputeTimeBounds(today, {2024, 10, 27, 18, 0, 0});
    EXPECT_EQ(b.start, Utc(2024, 10, 26, 22, 0, 0));
    EXPECT_EQ(b.end, kOpenEnd);
}

}  // namespace
}  // namespace mirrant
