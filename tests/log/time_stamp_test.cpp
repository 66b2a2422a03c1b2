#include <gtest/gtest.h>

#include "framework/edition.h"
#include "log/log_names.h"
#include "log/log_settings.h"
#include "log/time_stamp.h"

namespace mirrant {
namespace {

// Tuesday 5 March 2024, 14:07:09.
const LocalTime kExample = MakeLocalTime(2024, 3, 5, 14, 7, 9);

TEST(TimeStamp, ExamplesOfEachSwitch) {
    struct Case {
        unsigned format;
        const wchar_t* text;
    } cases[] = {
        {7, L"2024年 3月 5日(火) 14時 7分 9秒 >> "},
        {0, L" 3/ 5 14: 7: 9 >> "},
        {2, L"2024/ 3/ 5 14: 7: 9 >> "},
        {34, L"24/ 3/ 5 14: 7: 9 >> "},
        {6, L"2024/ 3/ 5(火) 14: 7: 9 >> "},
        {8, L" 3/ 5 PM 2: 7: 9 >> "},
        {9, L" 3月 5日 午後 2時 7分 9秒 >> "},
        {16, L"14: 7: 9 >> "},
        {17, L"14時 7分 9秒 >> "},
        {24, L"PM 2: 7: 9 >> "},
        {63, L"午後 2時 7分 9秒 >> "},
        {39, L"24年 3月 5日(火) 14時 7分 9秒 >> "},
    };
    for (const Case& c : cases) EXPECT_EQ(TimeStampText(c.format, kExample), c.text) << "format " << c.format;
}

TEST(TimeStamp, NoonAndMidnightOnTheTwelveHourClock) {
    LocalTime noon = MakeLocalTime(2024, 3, 5, 12, 30, 0);
    LocalTime midnight = MakeLocalTime(2024, 3, 5, 0, 0, 5);
    LocalTime lastMinute = MakeLocalTime(2024, 3, 5, 23, 59, 59);
    EXPECT_EQ(TimeStampText(8, noon), L" 3/ 5 PM 0:30: 0 >> ");
    EXPECT_EQ(TimeStampText(8, midnight), L" 3/ 5 AM 0: 0: 5 >> ");
    EXPECT_EQ(TimeStampText(8, lastMinute), L" 3/ 5 PM11:59:59 >> ");
    EXPECT_EQ(TimeStampText(9, midnight), L" 3月 5日 午前 0時 0分 5秒 >> ");
    EXPECT_EQ(TimeStampText(11, MakeLocalTime(2024, 3, 5, 11, 59, 59)), L"2024年 3月 5日 午前11時59分59秒 >> ");
}

TEST(TimeStamp, TwoDigitYearKeepsItsLeadingZero) {
    LocalTime t = MakeLocalTime(2005, 12, 31, 9, 5, 1);
    EXPECT_EQ(TimeStampText(34, t), L"05/12/31  9: 5: 1 >> ");
    EXPECT_EQ(TimeStampText(39, t), L"05年12月31日(土)  9時 5分 1秒 >> ");
    // Without the year switch the digit switch does nothing.
    EXPECT_EQ(TimeStampText(32, t), TimeStampText(0, t));
}

TEST(TimeStamp, WithoutTheDateYearDigitsAndWeekdayDoNothing) {
    for (unsigned f = 0; f < 64; ++f) {
        if (!(f & timefmt::NoDate)) continue;
        unsigned plain = f & (timefmt::KanjiUnits | timefmt::AmPm | timefmt::NoDate);
        EXPECT_EQ(TimeStampText(f, kExample), TimeStampText(plain, kExample)) << "format " << f;
    }
}

TEST(TimeStamp, WeekdaysRunFromSundayToSaturday) {
    const wchar_t* names[] = {L"日", L"月", L"火", L"水", L"木", L"金", L"土"};
    for (int d = 0; d < 7; ++d) {
        LocalTime t = MakeLocalTime(2024, 3, 3 + d, 0, 0, 0);  // 3 March 2024 was a Sunday
        EXPECT_EQ(t.weekday, d);
        EXPECT_EQ(DayName(t.weekday), names[d]);
    }
    EXPECT_EQ(MakeLocalTime(2000, 2, 29, 0, 0, 0).weekday, 2);
    EXPECT_EQ(MakeLocalTime(2100, 1, 1, 0, 0, 0).weekday, 5);
}

TEST(TimeStamp, FileTimesBecomeLocalTime) {
    // 2020-01-01 00:00:00 UTC is 09:00 in Tokyo, where the tests run.
    LocalTime t = LocalTimeFromFileTime(132223104000000000ULL);
    EXPECT_EQ(t.year, 2020);
    EXPECT_EQ(t.hour, 9);
    EXPECT_EQ(t.weekday, 3);
}

TEST(LogNames, EveryCodeOfTheTemplate) {
    struct Case {
        const wchar_t* pattern;
        const wchar_t* expanded;
    } cases[] = {
        {L"%Y", L"2024"}, {L"%y", L"24"},     {L"%M", L"03"},     {L"%D", L"05"},
        {L"%H", L"14"},   {L"%h", L"PM02"},   {L"%m", L"07"},     {L"%s", L"09"},
        {L"%T", L"140709"}, {L"%t", L"PM020709"}, {L"%U", L"tanaka"}, {L"%%", L"%"},
        {L"C:\\logs\\run_%Y%M%D_%T.txt", L"C:\\logs\\run_20240305_140709.txt"},
        {L"100%%", L"100%"},
        {L"%%Y%%%Y", L"%Y%2024"},
        {L"%x%Q%1%", L"%x%Q%1%"},
        {L"%U\\%u_%d.txt", L"tanaka\\%u_%d.txt"},
        {L"plain.txt", L"plain.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandLogName(c.pattern, kExample, L"tanaka"), c.expanded) << c.pattern;
}

TEST(LogNames, TwelveHourFormAtNoonAndMidnight) {
    EXPECT_EQ(ExpandLogName(L"%h|%t", MakeLocalTime(2024, 3, 5, 12, 0, 0), L""), L"PM00|PM000000");
    EXPECT_EQ(ExpandLogName(L"%h|%t", MakeLocalTime(2024, 3, 5, 0, 1, 2), L""), L"AM00|AM000102");
    EXPECT_EQ(ExpandLogName(L"%h", MakeLocalTime(2024, 3, 5, 11, 0, 0), L""), L"AM11");
    EXPECT_EQ(ExpandLogName(L"%y", MakeLocalTime(2005, 3, 5, 11, 0, 0), L""), L"05");
}

TEST(LogNames, UserCodeUsesTheRunningUser) {
    std::wstring user = CurrentUserName();
    ASSERT_FALSE(user.empty());
    EXPECT_EQ(ExpandLogName(L"a_%U.txt", kExample), L"a_" + user + L".txt");
}

TEST(LogNames, DefaultNames) {
    std::wstring product = kNarrowBuild ? L"Mirrant" : L"Mirrant(Unicode版)";
    EXPECT_EQ(DefaultLogFileName(false, false), product + L"実行ﾛｸﾞ.txt");
    EXPECT_EQ(DefaultLogFileName(true, false), product + L"ｽｹｼﾞｭｰﾙ実行ﾛｸﾞ.txt");
    EXPECT_EQ(DefaultLogFileName(true, true), product + L"ｽｹｼﾞｭｰﾙ実行ﾛｸﾞ_%U.txt");
    EXPECT_EQ(FolderPart(L"C:\\a\\b.txt"), L"C:\\a\\");
    EXPECT_EQ(NamePart(L"C:\\a\\b.txt"), L"b.txt");
    EXPECT_EQ(FolderPart(L"b.txt"), L"");
    EXPECT_EQ(NamePart(L"b.txt"), L"b.txt");
}

TEST(LogSettingsWord, DefaultWordAndScheduleForcedSwitches) {
    LogSettings normal = DecodeLogSettings(kDefaultLogSettingsWord, false);
    EXPECT_FALSE(normal.saveToFile);
    EXPECT_FALSE(normal.append);
    EXPECT_FALSE(normal.hideResultDialog);
    EXPECT_FALSE(normal.hideNothingToUpdate);
    EXPECT_FALSE(normal.exitWhenDone);
    EXPECT_FALSE(normal.stampLines);
    EXPECT_EQ(normal.timeFormat, 7u);
    EXPECT_FALSE(normal.saveInTestMode || normal.writeDuringRun || normal.noBuffering || normal.noAlternative);

    LogSettings sched = DecodeLogSettings(kDefaultLogSettingsWord, true, false);
    EXPECT_TRUE(sched.saveToFile && sched.hideResultDialog && sched.hideNothingToUpdate && sched.exitWhenDone &&
                sched.saveInTestMode);
    EXPECT_FALSE(sched.append);
    EXPECT_EQ(sched.timeFormat, 7u);
    EXPECT_TRUE(DecodeLogSettings(0, true, true).append);

    // Each interactive switch and its scheduled twin are separate bits.
    std::uint32_t w = (1u << 10) | (1u << 26) | (1u << 28) | (1u << 30) | (1u << 0) | (1u << 2) | (1u << 24);
    w = WithTimeFormat(w, false, 17);
    w = WithTimeFormat(w, true, 40);
    LogSettings a = DecodeLogSettings(w, false);
    EXPECT_TRUE(a.stampLines && a.writeDuringRun && a.noBuffering && a.noAlternative && a.saveToFile && a.append &&
                a.saveInTestMode);
    EXPECT_EQ(a.timeFormat, 17u);
    LogSettings b = DecodeLogSettings(w, true);
    EXPECT_FALSE(b.stampLines || b.writeDuringRun || b.noBuffering || b.noAlternative);
    EXPECT_EQ(b.timeFormat, 40u);
    LogSettings c = DecodeLogSettings((1u << 11) | (1u << 27) | (1u << 29) | (1u << 31), true);
    EXPECT_TRUE(c.stampLines && c.writeDuringRun && c.noBuffering && c.noAlternative);
    EXPECT_EQ(TimeFormatOf(kDefaultLogSettingsWord, true), 7u);
}

}  // namespace
}  // namespace mirrant
