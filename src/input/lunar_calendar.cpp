#include "input/lunar_calendar.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "input/lunar_calendar_data.h"

// The calendar is a table of lunar years (lunar_calendar_data.h): the day each year begins, its leap month and which
// of its months are long. A day is found by the year whose first day is the last not after it, then by walking that
// year's months; a lunar date the other way round. Days are counted from 1970-01-01 in the proleptic Gregorian
// calendar, which is the civil calendar throughout the table's range.
namespace input {
namespace {

using lunardata::kYears;
using lunardata::LunarYear;

constexpr std::array<const char*, 12> kMonthNames = {"正月", "二月", "三月", "四月", "五月",   "六月",
                                                     "七月", "八月", "九月", "十月", "十一月", "腊月"};
constexpr std::array<const char*, 10> kDigitNames = {"十", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
constexpr std::array<const char*, 10> kStems = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
constexpr std::array<const char*, 12> kBranches = {"子", "丑", "寅", "卯", "辰", "巳",
                                                   "午", "未", "申", "酉", "戌", "亥"};
constexpr std::array<const char*, 12> kAnimals = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                                  "马", "羊", "猴", "鸡", "狗", "猪"};
// 甲子 began the cycle in the year 4 (and again in 1984).
constexpr int kCycleStart = 4;

// Days since 1970-01-01 of a Gregorian date, and back (the usual era-based arithmetic).
std::int64_t daysFromCivil(const CivilDate& date) {
    const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (date.month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return CivilDate{static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

bool isGregorianDate(const CivilDate& date) {
    if (date.month < 1 || date.month > 12 || date.day < 1)
        return false;
    constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leapYear = date.year % 4 == 0 && (date.year % 100 != 0 || date.year % 400 == 0);
    return date.day <= (date.month == 2 && leapYear ? 29 : kMonthDays[date.month - 1]);
}

const LunarYear* yearRow(int year) {
    const int first = kYears[0].year;
    if (year < first || year >= first + static_cast<int>(lunardata::kYearCount))
        return nullptr;
    return &kYears[year - first];
}

int monthCount(const LunarYear& row) {
    return row.leapMonth == 0 ? 12 : 13;
}

int lengthAt(const LunarYear& row, int index) {
    return (row.longMonths >> index & 1u) != 0 ? 30 : 29;
}

// The position of a month in its year's order, the leap month where it stands; -1 when the year has no such month.
int indexOf(const LunarYear& row, int month, bool leap) {
    if (leap)
        return row.leapMonth == month ? month : -1;
    return row.leapMonth != 0 && month > row.leapMonth ? month : month - 1;
}

}  // namespace

int firstLunarYear() {
    return kYears[0].year;
}

int lastLunarYear() {
    return kYears[lunardata::kYearCount - 1].year;
}

std::optional<LunarDate> lunarDateOf(const CivilDate& date) {
    if (!isGregorianDate(date))
        return std::nullopt;
    const std::int64_t day = daysFromCivil(date);
    if (day < kYears[0].firstDay || day >= lunardata::kEndDay)
        return std::nullopt;
    const LunarYear* end = kYears + lunardata::kYearCount;
    const LunarYear& row =
        *(std::upper_bound(kYears, end, day, [](std::int64_t d, const LunarYear& y) { return d < y.firstDay; }) - 1);
    std::int64_t start = row.firstDay;
    for (int index = 0; index < monthCount(row); ++index) {
        const int length = lengthAt(row, index);
        if (day < start + length) {
            const bool leap = row.leapMonth != 0 && index == row.leapMonth;
            const int month = row.leapMonth != 0 && index >= row.leapMonth ? index : index + 1;
            return LunarDate{row.year, month, leap, static_cast<int>(day - start) + 1};
        }
        start += length;
    }
    return std::nullopt;  // not reached: the months fill the year up to the next one's first day
}

std::variant<CivilDate, LunarDateProblem> civilDateOf(const LunarDate& date) {
    const LunarYear* row = yearRow(date.year);
    if (row == nullptr)
        return LunarDateProblem::kYearOutside;
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 30)
        return LunarDateProblem::kNoSuchMonth;
    const int index = indexOf(*row, date.month, date.leap);
    if (index < 0)
        return LunarDateProblem::kNoLeapMonth;
    if (date.day > lengthAt(*row, index))
        return LunarDateProblem::kNoSuchDay;
    std::int64_t day = row->firstDay + date.day - 1;
    for (int i = 0; i < index; ++i)
        day += lengthAt(*row, i);
    return civilFromDays(day);
}

std::optional<int> leapMonthOf(int year) {
    const LunarYear* row = yearRow(year);
    if (row == nullptr)
        return std::nullopt;
    return row->leapMonth;
}

int lunarMonthLength(int year, int month, bool leap) {
    const LunarYear* row = yearRow(year);
    if (row == nullptr || month < 1 || month > 12)
        return 0;
    const int index = indexOf(*row, month, leap);
    return index < 0 ? 0 : lengthAt(*row, index);
}

std::string lunarMonthName(int month, bool leap) {
    if (month < 1 || month > 12)
        return {};
    return std::string(leap ? "闰" : "") + kMonthNames[static_cast<std::size_t>(month - 1)];
}

std::string lunarDayName(int day) {
    if (day < 1 || day > 30)
        return {};
    const auto units = static_cast<std::size_t>(day % 10);
    if (day <= 10)
        return std::string("初") + kDigitNames[units];
    if (day < 20)
        return std::string("十") + kDigitNames[units];
    if (day == 20)
        return "二十";
    if (day < 30)
        return std::string("廿") + kDigitNames[units];
    return "三十";
}

std::string yearStemBranch(int year) {
    const int cycle = ((year - kCycleStart) % 60 + 60) % 60;
    return std::string(kStems[static_cast<std::size_t>(cycle % 10)]) + kBranches[static_cast<std::size_t>(cycle % 12)];
}

std::string yearAnimal(int year) {
    const int cycle = ((year - kCycleStart) % 12 + 12) % 12;
    return kAnimals[static_cast<std::size_t>(cycle)];
}

std::string lunarDateText(const LunarDate& date) {
    return yearStemBranch(date.year) + yearAnimal(date.year) + "年" + lunarMonthName(date.month, date.leap) +
           lunarDayName(date.day);
}

std::string lunarDateTextOf(const CivilDate& date) {
    const std::optional<LunarDate> lunar = lunarDateOf(date);
    return lunar ? lunarDateText(*lunar) : std::string();
}

}  // namespace input
