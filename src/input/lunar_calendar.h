#pragma once

#include <optional>
#include <string>
#include <variant>

// The Chinese calendar (农历) from the lunar year 1899 to 2100, built into the program: a Gregorian date to its lunar
// date and back, and the written forms of lunar dates (庚午马年十一月十七, 闰四月初八, 正月初一, 腊月廿九). Texts are
// GBK.
namespace input {

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

struct LunarDate {
    int year = 0;       // named by the Gregorian year in which its first month begins: 1990 for 庚午
    int month = 0;      // 1..12
    bool leap = false;  // the leap month that follows month `month`
    int day = 0;        // 1..30
    friend bool operator==(const LunarDate&, const LunarDate&) = default;
};

// Why a lunar date names no day.
enum class LunarDateProblem {
    kYearOutside,  // the year lies outside the built-in calendar
    kNoSuchMonth,  // a month outside 1..12, or a day outside 1..30
    kNoLeapMonth,  // the year has no leap month of that number
    kNoSuchDay,    // the 30th of a 29-day month
};

// The lunar years the calendar covers, whole: every Gregorian day from 1900-01-01 to 2100-12-31 lies within them.
int firstLunarYear();
int lastLunarYear();

// The lunar date of a Gregorian date; nothing outside the calendar or for a date that does not exist.
std::optional<LunarDate> lunarDateOf(const CivilDate& date);

// The Gregorian date of a lunar date, or why there is none.
std::variant<CivilDate, LunarDateProblem> civilDateOf(const LunarDate& date);

// The month a year's leap month follows (0: the year has none); nothing outside the calendar.
std::optional<int> leapMonthOf(int year);

// The days of a month (29 or 30); 0 where the calendar has no such month.
int lunarMonthLength(int year, int month, bool leap);

// The written forms: month 正月 二月 … 十月 十一月 腊月, 闰 before a leap month; day 初一 … 初十 十一 … 二十 廿一 …
// 三十; the year's stem and branch (庚午) and animal (马); and the whole date as a card keeps it: 庚午马年十一月十七.
std::string lunarMonthName(int month, bool leap);
std::string lunarDayName(int day);
std::string yearStemBranch(int year);
std::string yearAnimal(int year);
std::string lunarDateText(const LunarDate& date);

// The card's lunar date for a Gregorian date: its written form, empty outside the calendar.
std::string lunarDateTextOf(const CivilDate& date);

}  // namespace input
