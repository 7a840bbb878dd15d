// The built-in Chinese calendar: known days both ways (new years, leap months, month ends, the ends of the table),
// the lunar dates that name no day, every day of the table there and back, and the written forms.
#include "input/lunar_calendar.h"

#include <gtest/gtest.h>

#include <string>

namespace input {
namespace {

CivilDate nextDay(CivilDate d) {
    constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leapYear = d.year % 4 == 0 && (d.year % 100 != 0 || d.year % 400 == 0);
    if (++d.day > (d.month == 2 && leapYear ? 29 : kMonthDays[d.month - 1])) {
        d.day = 1;
        if (++d.month > 12) {
            d.month = 1;
            ++d.year;
        }
    }
    return d;
}

std::string describe(const CivilDate& d) {
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

TEST(LunarCalendar, KnownDaysBothWays) {
    const struct {
        CivilDate civil;
        LunarDate lunar;
        const char* text;
    } cases[] = {
        {{1991, 1, 2}, {1990, 11, false, 17}, "庚午马年十一月十七"},  // before the new year: the year before's
        {{1991, 2, 14}, {1990, 12, false, 30}, "庚午马年腊月三十"},
        {{1991, 2, 15}, {1991, 1, false, 1}, "辛未羊年正月初一"},
        {{1900, 1, 31}, {1900, 1, false, 1}, "庚子鼠年正月初一"},
        {{1949, 1, 29}, {1949, 1, false, 1}, "己丑牛年正月初一"},
        {{2000, 2, 5}, {2000, 1, false, 1}, "庚辰龙年正月初一"},
        {{2024, 2, 9}, {2023, 12, false, 30}, "癸卯兔年腊月三十"},
        {{2024, 2, 10}, {2024, 1, false, 1}, "甲辰龙年正月初一"},
        {{2025, 1, 28}, {2024, 12, false, 29}, "甲辰龙年腊月廿九"},
        {{1990, 6, 22}, {1990, 5, false, 30}, "庚午马年五月三十"},
        {{1990, 6, 23}, {1990, 5, true, 1}, "庚午马年闰五月初一"},
        {{2020, 5, 30}, {2020, 4, true, 8}, "庚子鼠年闰四月初八"},
        {{2023, 3, 22}, {2023, 2, true, 1}, "癸卯兔年闰二月初一"},
        {{2033, 12, 22}, {2033, 11, true, 1}, "癸丑牛年闰十一月初一"},  // the leap month after the eleventh
        {{2034, 1, 20}, {2033, 12, false, 1}, "癸丑牛年腊月初一"},
        {{1899, 2, 10}, {1899, 1, false, 1}, "己亥猪年正月初一"},  // the first day of the table
        {{1900, 1, 1}, {1899, 12, false, 1}, "己亥猪年腊月初一"},
        {{2100, 2, 9}, {2100, 1, false, 1}, "庚申猴年正月初一"},
        {{2100, 12, 31}, {2100, 12, false, 1}, "庚申猴年腊月初一"},
        {{2101, 1, 28}, {2100, 12, false, 29}, "庚申猴年腊月廿九"},  // the last day of the table
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.civil));
        EXPECT_EQ(lunarDateOf(c.civil), c.lunar);
        const auto back = civilDateOf(c.lunar);
        ASSERT_TRUE(std::holds_alternative<CivilDate>(back));
        EXPECT_EQ(std::get<CivilDate>(back), c.civil);
        EXPECT_EQ(lunarDateText(c.lunar), c.text);
        EXPECT_EQ(lunarDateTextOf(c.civil), c.text);
    }
}

TEST(LunarCalendar, DaysOutsideTheTableOrNoDaysAtAllHaveNoLunarDate) {
    const CivilDate cases[] = {{1899, 2, 9},  {2101, 1, 29}, {1850, 6, 1}, {9999, 1, 1}, {1991, 2, 29},
                               {1991, 4, 31}, {1991, 13, 1}, {1991, 0, 1}, {1991, 1, 0}};
    for (const CivilDate& c : cases) {
        SCOPED_TRACE(describe(c));
        EXPECT_EQ(lunarDateOf(c), std::nullopt);
        EXPECT_EQ(lunarDateTextOf(c), "");
    }
    EXPECT_EQ(firstLunarYear(), 1899);
    EXPECT_EQ(lastLunarYear(), 2100);
}

TEST(LunarCalendar, LunarDatesThatNameNoDaySayWhy) {
    const struct {
        LunarDate lunar;
        LunarDateProblem problem;
    } cases[] = {
        {{1898, 12, false, 1}, LunarDateProblem::kYearOutside}, {{2101, 1, false, 1}, LunarDateProblem::kYearOutside},
        {{1990, 13, false, 1}, LunarDateProblem::kNoSuchMonth}, {{1990, 0, false, 1}, LunarDateProblem::kNoSuchMonth},
        {{1990, 5, false, 31}, LunarDateProblem::kNoSuchMonth}, {{1990, 5, false, 0}, LunarDateProblem::kNoSuchMonth},
        {{1990, 11, true, 1}, LunarDateProblem::kNoLeapMonth},  // 1990 has a leap fifth month
        {{1991, 5, true, 1}, LunarDateProblem::kNoLeapMonth},   // 1991 has none
        {{2024, 12, false, 30}, LunarDateProblem::kNoSuchDay},  // a 29-day month
        {{1990, 5, true, 30}, LunarDateProblem::kNoSuchDay},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.lunar.year) + "/" + std::to_string(c.lunar.month) + (c.lunar.leap ? "L/" : "/") +
                     std::to_string(c.lunar.day));
        const auto result = civilDateOf(c.lunar);
        ASSERT_TRUE(std::holds_alternative<LunarDateProblem>(result));
        EXPECT_EQ(std::get<LunarDateProblem>(result), c.problem);
    }
    EXPECT_EQ(lunarMonthLength(2024, 12, false), 29);
    EXPECT_EQ(lunarMonthLength(1990, 11, false), 30);
    EXPECT_EQ(lunarMonthLength(1990, 11, true), 0);
    EXPECT_EQ(lunarMonthLength(2101, 1, false), 0);
    EXPECT_EQ(leapMonthOf(1990), 5);
    EXPECT_EQ(leapMonthOf(1991), 0);
    EXPECT_EQ(leapMonthOf(1898), std::nullopt);
}

// Every day from the table's first to its last goes there and back, and the lunar dates run as a calendar does: the
// next day, or the first of the next month after 29 or 30 days, a leap month only where the year has one, and 12 or
// 13 months from one new year to the next.
TEST(LunarCalendar, EveryDayOfTheTableThereAndBackInCalendarOrder) {
    CivilDate civil{1899, 2, 10};
    LunarDate previous = *lunarDateOf(civil);
    int monthsInYear = 1;
    int days = 1;
    for (civil = nextDay(civil); !(civil == CivilDate{2101, 1, 29}); civil = nextDay(civil)) {
        SCOPED_TRACE(describe(civil));
        const std::optional<LunarDate> lunar = lunarDateOf(civil);
        ASSERT_TRUE(lunar.has_value());
        const auto back = civilDateOf(*lunar);
        ASSERT_TRUE(std::holds_alternative<CivilDate>(back));
        ASSERT_EQ(std::get<CivilDate>(back), civil);
        if (lunar->day != 1) {
            ASSERT_EQ(*lunar, (LunarDate{previous.year, previous.month, previous.leap, previous.day + 1}));
        } else {
            ASSERT_TRUE(previous.day == 29 || previous.day == 30);
            ASSERT_EQ(lunarMonthLength(previous.year, previous.month, previous.leap), previous.day);
            if (lunar->leap) {
                ASSERT_EQ(lunar->year, previous.year);
                ASSERT_EQ(lunar->month, previous.month);
                ASSERT_EQ(leapMonthOf(lunar->year), lunar->month);
                ++monthsInYear;
            } else if (lunar->month == 1) {
                ASSERT_EQ(lunar->year, previous.year + 1);
                ASSERT_EQ(previous.month, 12);
                ASSERT_EQ(monthsInYear, leapMonthOf(previous.year) == 0 ? 12 : 13);
                monthsInYear = 1;
            } else {
                ASSERT_EQ(lunar->year, previous.year);
                ASSERT_EQ(lunar->month, previous.month + 1);
                ++monthsInYear;
            }
        }
        previous = *lunar;
        ++days;
    }
    EXPECT_EQ(previous, (LunarDate{2100, 12, false, 29}));
    EXPECT_EQ(days, 73'767);  // 1899-02-10 to 2101-01-28
}

TEST(LunarCalendar, WrittenForms) {
    const char* const months[] = {"正月", "二月", "三月", "四月", "五月",   "六月",
                                  "七月", "八月", "九月", "十月", "十一月", "腊月"};
    for (int m = 1; m <= 12; ++m) {
        SCOPED_TRACE(m);
        EXPECT_EQ(lunarMonthName(m, false), months[m - 1]);
        EXPECT_EQ(lunarMonthName(m, true), std::string("闰") + months[m - 1]);
    }
    const char* const days[] = {"初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
                                "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "二十",
                                "廿一", "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十"};
    for (int d = 1; d <= 30; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(lunarDayName(d), days[d - 1]);
    }
    for (const int bad : {0, 13, -1}) {
        EXPECT_EQ(lunarMonthName(bad, false), "");
        EXPECT_EQ(lunarDayName(bad == 13 ? 31 : bad), "");
    }
    const struct {
        int year;
        const char* stemBranch;
        const char* animal;
    } years[] = {{1984, "甲子", "鼠"}, {1990, "庚午", "马"}, {1899, "己亥", "猪"}, {1900, "庚子", "鼠"},
                 {2024, "甲辰", "龙"}, {2043, "癸亥", "猪"}, {2100, "庚申", "猴"}, {1, "辛酉", "鸡"}};
    for (const auto& y : years) {
        SCOPED_TRACE(y.year);
        EXPECT_EQ(yearStemBranch(y.year), y.stemBranch);
        EXPECT_EQ(yearAnimal(y.year), y.animal);
    }
}

}  // namespace
}  // namespace input
