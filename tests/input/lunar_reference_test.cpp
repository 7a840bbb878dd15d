// The built-in Chinese calendar against two independent tables that Debian ships, on every day both cover:
// python3-lunardate (lunar years 1900 to 2099), read day by day, and the program lunar (1900-01-31 to 2049-12-31),
// whose first day of every month (lunar -i, and -l for a leap month) determines each of its days. Each test is
// skipped, saying so, where its reference is not installed.
//
// The days on which a reference disagrees are listed below, each run of them with the reason; any other
// disagreement, or a listed one that no longer occurs, fails. The references' tables follow the almanacs as they were
// published; the built-in calendar is computed from the sky in China's time (UTC+8) throughout. Each disagreement is
// one month that begins a day apart, so that every day of it is numbered one apart:
//   - before 1929 China reckoned its calendar for Beijing's meridian (local mean time, UTC+7:45:40): a new moon in
//     the first quarter of an hour after midnight China time fell on the day before there (1914, 1916 — the new year
//     on 3 February instead of the 4th — and 1920);
//   - new moons minutes after midnight that the almanacs of the time, computed by older methods, placed before it
//     (1933-07-23 00:03, 1978-09-03 00:09 China time), and the two disputed months ahead, where the new moon lies
//     within the uncertainty of the earth's rotation (ΔT) decades from now (2057-09-29 00:01, 2097-08-08 00:02);
//   - the eleventh month of 1954 and of 1956, which both references begin a day after the new moon although it fell
//     hours before midnight (1954-11-25 20:30 and 1956-12-02 16:12 China time).
// Both agree with the leap eleventh month of 2033 (the month after the one holding the winter solstice has no
// principal term), where taking the year's first month without one (from 2033-08-25) would give a leap seventh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "input/lunar_calendar.h"

namespace input {
namespace {

struct Disagreement {
    CivilDate from;
    CivilDate to;
    const char* why;
};

std::string dateText(const CivilDate& d) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    return text;
}

std::string lunarText(const std::optional<LunarDate>& d) {
    if (!d)
        return "none";
    return std::to_string(d->year) + "/" + (d->leap ? "L" : "") + std::to_string(d->month) + "/" +
           std::to_string(d->day);
}

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

bool before(const CivilDate& a, const CivilDate& b) {
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

// The standard output of a shell command; nothing when it could not be run or failed.
std::optional<std::string> outputOf(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string output;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    return pclose(pipe) == 0 ? std::optional<std::string>(output) : std::nullopt;
}

// Compares the reference's days with the built-in calendar's and checks the runs of disagreeing days against the
// expected ones. Returns how many days were compared.
int compare(const std::map<std::string, std::pair<CivilDate, LunarDate>>& reference,
            const std::vector<Disagreement>& expected) {
    std::vector<std::pair<CivilDate, CivilDate>> runs;
    std::string shown;
    CivilDate last{};
    for (const auto& [key, day] : reference) {
        const std::optional<LunarDate> ours = lunarDateOf(day.first);
        if (ours == day.second)
            continue;
        if (!runs.empty() && nextDay(last) == day.first) {
            runs.back().second = day.first;
        } else {
            runs.emplace_back(day.first, day.first);
            shown += "  " + key + ": built-in " + lunarText(ours) + ", reference " + lunarText(day.second) + "\n";
        }
        last = day.first;
    }
    for (const auto& run : runs) {
        bool listed = false;
        for (const Disagreement& e : expected)
            listed = listed || (e.from == run.first && e.to == run.second);
        EXPECT_TRUE(listed) << "an unexpected disagreement from " << dateText(run.first) << " to "
                            << dateText(run.second) << "; where each run begins:\n"
                            << shown;
    }
    for (const Disagreement& e : expected) {
        bool seen = false;
        for (const auto& run : runs)
            seen = seen || (e.from == run.first && e.to == run.second);
        EXPECT_TRUE(seen) << "the expected disagreement from " << dateText(e.from) << " to " << dateText(e.to) << " ("
                          << e.why << ") no longer occurs";
    }
    return static_cast<int>(reference.size());
}

constexpr const char* kBeijingMeridian = "before 1929: the new moon before midnight at Beijing's meridian";
constexpr const char* kOlderAlmanac = "the almanac of the time put the new moon before midnight";
constexpr const char* kDisputed = "a new moon within the uncertainty of the earth's rotation from midnight";
constexpr const char* kDayLate = "the almanac begins the month a day after the new moon";

// The disagreements of both references, 1900 to 2049.
const std::vector<Disagreement> kBothReferences = {
    {{1914, 11, 17}, {1914, 12, 16}, kBeijingMeridian},  // new moon 1914-11-18 00:02 China time
    {{1916, 2, 3}, {1916, 3, 3}, kBeijingMeridian},      // 1916-02-04 00:05: the new year
    {{1920, 11, 10}, {1920, 12, 9}, kBeijingMeridian},   // 1920-11-11 00:05
    {{1933, 7, 22}, {1933, 8, 20}, kOlderAlmanac},       // 1933-07-23 00:03
    {{1954, 11, 25}, {1954, 12, 24}, kDayLate},          // 1954-11-25 20:30
    {{1956, 12, 2}, {1956, 12, 31}, kDayLate},           // 1956-12-02 16:12
    {{1978, 9, 2}, {1978, 10, 1}, kOlderAlmanac},        // 1978-09-03 00:09
};

// python3-lunardate: Debian's module, seen by Debian's own Python (another python3 may come first on the path).
std::optional<std::string> lunardateDays() {
    const char* script =
        "import datetime, lunardate\n"
        "d = datetime.date(1900, 1, 31)\n"
        "last = lunardate.LunarDate(2099, 1, 1).toSolarDate()\n"
        "while True:\n"
        "    l = lunardate.LunarDate.fromSolarDate(d.year, d.month, d.day)\n"
        "    # past its last day the module starts its last year again\n"
        "    if d > last and (l.month, l.day, l.isLeapMonth) == (1, 1, False): break\n"
        "    print(d.isoformat(), l.year, l.month, l.day, int(l.isLeapMonth))\n"
        "    d += datetime.timedelta(days=1)\n";
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        const std::string probe = std::string("'") + python + "' -c 'import lunardate' 2>/dev/null";
        if (!outputOf(probe))
            continue;
        return outputOf(std::string("'") + python + "' -c '" + script + "'");
    }
    return std::nullopt;
}

TEST(LunarAgainstLunardate, EveryDayBothCover) {
    const std::optional<std::string> days = lunardateDays();
    if (!days)
        GTEST_SKIP() << "python3-lunardate is not installed (Debian: apt-get install python3-lunardate)";
    std::map<std::string, std::pair<CivilDate, LunarDate>> reference;
    for (const char* line = days->c_str(); *line != '\0';) {
        CivilDate c;
        LunarDate l;
        int leap = 0;
        ASSERT_EQ(
            std::sscanf(line, "%d-%d-%d %d %d %d %d", &c.year, &c.month, &c.day, &l.year, &l.month, &l.day, &leap), 7);
        l.leap = leap != 0;
        reference[dateText(c)] = {c, l};
        const char* end = std::strchr(line, '\n');
        line = end == nullptr ? line + std::strlen(line) : end + 1;
    }
    std::vector<Disagreement> expected = kBothReferences;
    expected.push_back({{2057, 9, 28}, {2057, 10, 27}, kDisputed});  // new moon 2057-09-29 00:01 China time
    expected.push_back({{2097, 8, 7}, {2097, 9, 5}, kDisputed});     // 2097-08-08 00:02
    const int compared = compare(reference, expected);
    EXPECT_EQ(compared, 73'058);  // 1900-01-31 to 2100-02-08
    std::printf("python3-lunardate: %d days compared, %zu runs of days disagree as expected\n", compared,
                expected.size());
}

// The first day of each month as the program lunar gives it ("Solar : 1990.6.23.0 ..." for lunar -i -l 1990 5 1),
// after a line "Q 1990 5 1" naming the month (year, month, 1 for a leap month). One shell runs every query.
std::optional<std::string> lunarProgramStarts(const std::vector<LunarDate>& months) {
    std::string script;
    for (const LunarDate& m : months) {
        const std::string month = std::to_string(m.year) + " " + std::to_string(m.month);
        script += "echo Q " + month + (m.leap ? " 1;lunar -i -l " : " 0;lunar -i ") + month + " 1;";
    }
    return outputOf(script + " true 2>&1");
}

std::map<std::string, CivilDate> readStarts(const std::string& output) {
    std::map<std::string, CivilDate> starts;
    std::string query;
    for (std::size_t pos = 0; pos < output.size();) {
        const std::size_t end = std::min(output.find('\n', pos), output.size());
        const std::string line = output.substr(pos, end - pos);
        pos = end + 1;
        CivilDate c;
        if (line.rfind("Q ", 0) == 0)
            query = line.substr(2);
        else if (std::sscanf(line.c_str(), "Solar : %d.%d.%d", &c.year, &c.month, &c.day) == 3)
            starts[query] = c;
    }
    return starts;
}

TEST(LunarAgainstTheLunarProgram, EveryDayBothCover) {
    if (!outputOf("command -v lunar >/dev/null"))
        GTEST_SKIP() << "the program lunar is not installed (Debian: apt-get install lunar)";
    constexpr int kFirst = 1900;
    constexpr int kLast = 2049;
    const CivilDate kEnd{2050, 1, 1};  // the first day it does not cover
    std::vector<LunarDate> months;
    for (int year = kFirst; year <= kLast; ++year) {
        for (int month = 1; month <= 12; ++month)
            months.push_back(LunarDate{year, month, false, 1});
    }
    const std::optional<std::string> output = lunarProgramStarts(months);
    ASSERT_TRUE(output.has_value());
    std::map<std::string, CivilDate> starts = readStarts(*output);
    // More than 30 days before the next month's first day: a leap month lies between, ask for it.
    const auto key = [](const LunarDate& m) { return std::to_string(m.year) + " " + std::to_string(m.month) + " 0"; };
    std::vector<LunarDate> leapMonths;
    for (std::size_t i = 0; i + 1 < months.size(); ++i) {
        ASSERT_TRUE(starts.count(key(months[i])) && starts.count(key(months[i + 1]))) << key(months[i]);
        int length = 0;
        for (CivilDate d = starts[key(months[i])]; !(d == starts[key(months[i + 1])]) && length <= 60; d = nextDay(d))
            ++length;
        if (length > 30)
            leapMonths.push_back(LunarDate{months[i].year, months[i].month, true, 1});
    }
    const std::optional<std::string> leapOutput = lunarProgramStarts(leapMonths);
    ASSERT_TRUE(leapOutput.has_value());
    for (const auto& [query, start] : readStarts(*leapOutput))
        starts[query] = start;

    // Every month's first day in order, leap months where they stand, then each day from them.
    std::vector<std::pair<CivilDate, LunarDate>> firstDays;
    for (const auto& [query, start] : starts) {
        LunarDate m;
        int leap = 0;
        ASSERT_EQ(std::sscanf(query.c_str(), "%d %d %d", &m.year, &m.month, &leap), 3);
        m.leap = leap != 0;
        m.day = 1;
        firstDays.emplace_back(start, m);
    }
    std::sort(firstDays.begin(), firstDays.end(),
              [](const auto& a, const auto& b) { return before(a.first, b.first); });
    std::map<std::string, std::pair<CivilDate, LunarDate>> reference;
    for (std::size_t i = 0; i < firstDays.size(); ++i) {
        const CivilDate end = i + 1 < firstDays.size() ? firstDays[i + 1].first : kEnd;
        LunarDate l = firstDays[i].second;
        for (CivilDate d = firstDays[i].first; before(d, end); d = nextDay(d), ++l.day)
            reference[dateText(d)] = {d, l};
        ASSERT_LE(l.day - 1, 30) << dateText(firstDays[i].first);
    }
    EXPECT_EQ(reference.begin()->first, "1900-01-31");
    const std::vector<Disagreement>& expected = kBothReferences;
    const int compared = compare(reference, expected);
    EXPECT_EQ(compared, 54'757);  // 1900-01-31 to 2049-12-31
    std::printf("lunar: %d days compared (%zu months), %zu runs of days disagree as expected\n", compared,
                firstDays.size(), expected.size());
}

}  // namespace
}  // namespace input
