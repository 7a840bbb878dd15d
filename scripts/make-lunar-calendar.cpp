// The generator of the built-in Chinese calendar (src/generated/lunar_calendar_data.cpp), run by
// scripts/make-lunar-calendar. It links the Swiss Ephemeris (AGPL) and is no part of the program: only the table it
// writes is.
//
// The calendar as China reckons it, in China's time (UTC+8):
//   - a month begins on the day of a new moon (the moon's apparent longitude equal to the sun's);
//   - the principal terms are the days on which the sun's apparent longitude reaches a multiple of 30 degrees; the
//     month holding the winter solstice (270 degrees) is the eleventh;
//   - from one eleventh month to the next there are 12 or 13 months; with 13, the first of them without a principal
//     term is the leap month and takes the number of the month before it;
//   - the lunar year begins with the first month and is named by the Gregorian year in which that day falls.
// Positions come from the ephemeris' built-in analytical theory (no data files), the moment of each event is found
// to a millisecond, and only its day is written, so running it again gives the same bytes.
//
// Usage: make-lunar-calendar FIRST_YEAR LAST_YEAR SOURCE_NAME > lunar_calendar_data.cpp
//        (SOURCE_NAME: the ephemeris and its version as the first line names them)
// Also writes to standard error the new moons and principal terms that fall within ten minutes of midnight: the
// days on which another ephemeris or another rule could place the event on the neighbouring day.
#include <swephexp.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kChinaOffsetDays = 8.0 / 24.0;
constexpr double kSynodicMonth = 29.530588853;
constexpr double kKnownNewMoon = 2451550.09766;  // 2000-01-06 18:14 TT, a new moon
constexpr double kUnixEpochJdn = 2440588;        // the Julian day number of 1970-01-01
constexpr double kCloseMinutes = 10;

double longitude(double jdUt, int body) {
    double position[6];
    char error[AS_MAXCH];
    if (swe_calc_ut(jdUt, body, SEFLG_MOSEPH, position, error) < 0) {
        std::fprintf(stderr, "make-lunar-calendar: %s\n", error);
        std::exit(1);
    }
    return position[0];
}

// An angle brought into (-180, 180].
double wrapped(double degrees) {
    double a = std::fmod(degrees, 360.0);
    if (a <= -180)
        a += 360;
    if (a > 180)
        a -= 360;
    return a;
}

// The moment (UT) near start at which f, an angle growing about rate degrees a day, passes zero: secant steps.
template <typename F>
double rootNear(double start, double rate, F f) {
    double t = start;
    for (int i = 0; i < 50; ++i) {
        const double step = -wrapped(f(t)) / rate;
        t += step;
        if (std::fabs(step) < 1e-8)
            return t;
        // The true rate of the moment, measured over an hour, speeds the next steps.
        rate = wrapped(f(t + 1.0 / 24) - f(t)) * 24;
    }
    std::fprintf(stderr, "make-lunar-calendar: no convergence near JD %.5f\n", start);
    std::exit(1);
}

double newMoonNear(double jd) {
    return rootNear(jd, 12.19, [](double t) { return longitude(t, SE_MOON) - longitude(t, SE_SUN); });
}

double sunAtNear(double target, double jd) {
    return rootNear(jd, 0.9856, [target](double t) { return longitude(t, SE_SUN) - target; });
}

// The day (days since 1970-01-01) on which a moment falls in China, and how many minutes it lies from midnight.
long chinaDay(double jdUt) {
    return static_cast<long>(std::floor(jdUt + 0.5 + kChinaOffsetDays) - kUnixEpochJdn);
}

double minutesFromMidnight(double jdUt) {
    const double local = jdUt + 0.5 + kChinaOffsetDays;
    const double fraction = local - std::floor(local);
    return std::fmin(fraction, 1 - fraction) * 24 * 60;
}

struct Civil {
    int year, month, day;
};

Civil civil(long day) {
    int y = 0, m = 0, d = 0;
    double hour = 0;
    swe_revjul(static_cast<double>(day) + kUnixEpochJdn, SE_GREG_CAL, &y, &m, &d, &hour);
    return {y, m, d};
}

struct Term {
    long day;
    int degrees;  // 0, 30, ..., 330
};

struct Month {
    long start;  // its first day
    int number = 0;
    bool leap = false;
    bool hasTerm = false;
    bool solstice = false;
};

void reportClose(const char* what, double jdUt) {
    const double minutes = minutesFromMidnight(jdUt);
    if (minutes >= kCloseMinutes)
        return;
    const long day = chinaDay(jdUt);
    const double local = jdUt + 0.5 + kChinaOffsetDays;
    const bool before = local - std::floor(local) > 0.5;
    const Civil c = civil(day);
    std::fprintf(stderr, "%s %04d-%02d-%02d, %.1f minutes %s midnight (UTC+8)\n", what, c.year, c.month, c.day, minutes,
                 before ? "before the next" : "after");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make-lunar-calendar FIRST_YEAR LAST_YEAR SOURCE_NAME\n");
        return 2;
    }
    const int firstYear = std::atoi(argv[1]);
    const int lastYear = std::atoi(argv[2]);
    const std::string source = argv[3];

    // Events from two years before the first lunar year to two after the last, so that the eleventh months on both
    // sides of every covered year are known.
    const double from = swe_julday(firstYear - 2, 1, 1, 0, SE_GREG_CAL);
    const double to = swe_julday(lastYear + 3, 1, 1, 0, SE_GREG_CAL);

    std::vector<Month> months;
    for (long k = std::lround(std::floor((from - kKnownNewMoon) / kSynodicMonth));; ++k) {
        const double jd = newMoonNear(kKnownNewMoon + static_cast<double>(k) * kSynodicMonth);
        if (jd > to)
            break;
        if (jd < from)
            continue;
        reportClose("new moon", jd);
        months.push_back(Month{chinaDay(jd)});
    }
    std::vector<Term> terms;
    for (int year = firstYear - 2; year <= lastYear + 2; ++year) {
        const double equinox = swe_julday(year, 3, 20, 12, SE_GREG_CAL);
        for (int k = 0; k < 12; ++k) {
            const double jd = sunAtNear(30.0 * k, equinox + k * 365.2422 / 12);
            if (jd < from || jd > to)
                continue;
            reportClose(k == 9 ? "winter solstice" : "principal term", jd);
            terms.push_back(Term{chinaDay(jd), 30 * k});
        }
    }
    // Each month's principal terms: those on its days.
    for (const Term& term : terms) {
        for (std::size_t i = 0; i + 1 < months.size(); ++i) {
            if (term.day >= months[i].start && term.day < months[i + 1].start) {
                months[i].hasTerm = true;
                months[i].solstice = months[i].solstice || term.degrees == 270;
            }
        }
    }
    // Numbering from each eleventh month to the next.
    std::vector<std::size_t> elevenths;
    for (std::size_t i = 0; i + 1 < months.size(); ++i) {
        if (months[i].solstice)
            elevenths.push_back(i);
    }
    for (std::size_t e = 0; e + 1 < elevenths.size(); ++e) {
        const std::size_t begin = elevenths[e];
        const std::size_t end = elevenths[e + 1];
        const std::size_t count = end - begin;
        if (count != 12 && count != 13) {
            std::fprintf(stderr, "make-lunar-calendar: %zu months between two winter solstices\n", count);
            return 1;
        }
        bool leapTaken = count == 12;
        int number = 11;
        months[begin].number = 11;
        for (std::size_t i = begin + 1; i < end; ++i) {
            if (!leapTaken && !months[i].hasTerm) {
                months[i].number = number;
                months[i].leap = true;
                leapTaken = true;
                continue;
            }
            number = number % 12 + 1;
            months[i].number = number;
        }
    }

    // The lunar years: from each first month to the next.
    struct Year {
        int year;
        long newYear;
        int leapMonth = 0;
        unsigned longMonths = 0;
        int monthCount = 0;
    };
    std::vector<Year> years;
    for (std::size_t i = 0; i + 1 < months.size(); ++i) {
        if (months[i].number == 0)
            continue;
        if (months[i].number == 1 && !months[i].leap) {
            const int year = civil(months[i].start).year;
            if (year > lastYear + 1)
                break;
            years.push_back(Year{year, months[i].start});
        }
        if (years.empty())
            continue;
        Year& y = years.back();
        const long length = months[i + 1].start - months[i].start;
        if (length != 29 && length != 30) {
            std::fprintf(stderr, "make-lunar-calendar: a month of %ld days\n", length);
            return 1;
        }
        if (months[i].leap)
            y.leapMonth = months[i].number;
        if (length == 30)
            y.longMonths |= 1u << y.monthCount;
        ++y.monthCount;
    }

    std::printf("// Generated by scripts/make-lunar-calendar from %s; do not edit.\n", source.c_str());
    std::printf(
        "// The Chinese calendar of the lunar years %d to %d, in China's time (UTC+8): for each year the day of its\n"
        "// first month's first day, its leap month and which of its months are long (30 days).\n",
        firstYear, lastYear);
    std::printf("#include \"input/lunar_calendar_data.h\"\n\nnamespace input::lunardata {\n\n");
    std::printf(
        "// year, first day (days since 1970-01-01), leap month (0: none), long months (bit n: the year's month\n"
        "// n + 1 in order, a leap month counted where it stands)\n");
    std::printf("const LunarYear kYears[] = {\n");
    std::size_t written = 0;
    for (std::size_t i = 0; i < years.size(); ++i) {
        const Year& y = years[i];
        if (y.year < firstYear || y.year > lastYear)
            continue;
        const int expected = y.leapMonth == 0 ? 12 : 13;
        if (y.monthCount != expected) {
            std::fprintf(stderr, "make-lunar-calendar: lunar year %d has %d months\n", y.year, y.monthCount);
            return 1;
        }
        const Civil c = civil(y.newYear);
        std::printf("    {%d, %ld, %d, 0x%04x},  // %04d-%02d-%02d\n", y.year, y.newYear, y.leapMonth, y.longMonths,
                    c.year, c.month, c.day);
        ++written;
    }
    // The day after the last year's last month, which ends it.
    for (const Year& y : years) {
        if (y.year == lastYear + 1) {
            const Civil c = civil(y.newYear);
            std::printf("};\n\nconst std::size_t kYearCount = %zu;\n", written);
            std::printf("// The first day of the lunar year %d (%04d-%02d-%02d), the end of the table.\n", y.year,
                        c.year, c.month, c.day);
            std::printf("const std::int32_t kEndDay = %ld;\n\n}  // namespace input::lunardata\n", y.newYear);
            swe_close();
            return 0;
        }
    }
    std::fprintf(stderr, "make-lunar-calendar: the year after the last was not reached\n");
    return 1;
}
