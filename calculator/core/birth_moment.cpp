#include "core/birth_moment.h"

#include <cstdint>

// Day numbers are counted in 64 bits with floor division, so that any year an int holds gives a well-defined (if
// far) moment; whether the ephemeris covers it is decided later.
namespace corvina {
namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

bool isLeapYear(std::int64_t year, bool julian) {
    if (julian)
        return floorDiv(year, 4) * 4 == year;
    return (floorDiv(year, 4) * 4 == year && floorDiv(year, 100) * 100 != year) || floorDiv(year, 400) * 400 == year;
}

int daysInMonth(std::int64_t year, int month, bool julian) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year, julian) ? 29 : kDays[month - 1];
}

// Julian day number of the day that begins at noon of the given civil date.
std::int64_t julianDayNumber(std::int64_t year, int month, int day, bool julian) {
    const std::int64_t a = (14 - month) / 12;
    const std::int64_t y = year + 4800 - a;
    const std::int64_t m = month + 12 * a - 3;
    std::int64_t n = day + (153 * m + 2) / 5 + 365 * y + floorDiv(y, 4);
    if (julian)
        return n - 32083;
    return n - floorDiv(y, 100) + floorDiv(y, 400) - 32045;
}

}  // namespace

MomentResult birthMoment(const CalculatorRequest& r) {
    const bool gap = r.year == 1582 && r.month == 10 && r.day > 4 && r.day < 15;
    if (gap)
        return MomentResult{std::nullopt, "1582年10月5日至14日并不存在：格里历从15日开始"};
    const bool julian = r.year < 1582 || (r.year == 1582 && (r.month < 10 || (r.month == 10 && r.day <= 4)));
    if (r.month < 1 || r.month > 12 || r.day < 1 || r.day > daysInMonth(r.year, r.month, julian))
        return MomentResult{std::nullopt, "该月没有这一天"};

    BirthMoment m;
    m.julianCalendar = julian;
    m.zoneDefaulted = r.zoneIndex < 1 || r.zoneIndex > 25;
    m.zoneIndex = m.zoneDefaulted ? kDefaultZoneIndex : r.zoneIndex;
    m.offsetMinutes = r.place ? r.place->offsetMinutes : zoneOffsetHours(m.zoneIndex) * 60;
    const int minutesAfterMidnightUt = r.hour * 60 + r.minute - m.offsetMinutes;
    m.julianDayUt =
        static_cast<double>(julianDayNumber(r.year, r.month, r.day, julian)) - 0.5 + minutesAfterMidnightUt / 1440.0;
    return MomentResult{m, {}};
}

}  // namespace corvina
