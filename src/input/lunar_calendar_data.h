#pragma once

#include <cstddef>
#include <cstdint>

// The generated Chinese calendar (src/generated/lunar_calendar_data.cpp, written by scripts/make-lunar-calendar):
// one row per lunar year, in order, and the day that ends the last one.
namespace input::lunardata {

struct LunarYear {
    std::int16_t year;         // named by the Gregorian year in which its first month begins
    std::int32_t firstDay;     // the first month's first day (正月初一), days since 1970-01-01
    std::int8_t leapMonth;     // 0: none; n: the leap month follows month n
    std::uint16_t longMonths;  // bit k: the year's month k + 1 in order (a leap month where it stands) has 30 days
};

extern const LunarYear kYears[];
extern const std::size_t kYearCount;
// The first day after the table: the next year's first day.
extern const std::int32_t kEndDay;

}  // namespace input::lunardata
