// The answers against an independent program: the ephemeris library's own command-line tool, given the same
// moments in universal time (converted here, by the calendar of <chrono>, not by the code under test). Every item
// must equal the tool's longitude cut to whole minutes.
//
// The answers come from this process, or, when CORVINA_ANSWERER is set, from the shell command it names, which
// reads one request per line and writes one answer line for each (corvina --answers): so the Windows program is
// checked the same way, under Wine.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "chart/zodiac_sign_table.h"
#include "ephemeris/request_answer.h"
#include "util/format.h"

namespace corvina {
namespace {

using namespace std::chrono;

constexpr int kMinutesPerCircle = 360 * 60;

struct Moment {
    int year, month, day, hour, minute;
};

// A moment moved by whole minutes in the proleptic Gregorian calendar.
Moment shifted(const Moment& m, int minutes) {
    const sys_days day = year_month_day{year{m.year}, month{static_cast<unsigned>(m.month)},
                                        std::chrono::day{static_cast<unsigned>(m.day)}};
    const sys_time<std::chrono::minutes> t = day + hours{m.hour} + std::chrono::minutes{m.minute + minutes};
    const sys_days newDay = floor<days>(t);
    const year_month_day ymd{newDay};
    const hh_mm_ss<std::chrono::minutes> clock{t - newDay};
    return Moment{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                  static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count())};
}

// The tool's ten longitudes (degrees, seven decimals) for a moment in universal time; the tool reads dates up to
// 4 October 1582 as Julian, like the calculator.
std::vector<double> toolLongitudes(const Moment& ut) {
    const std::string command = util::format("'%s' -b%d.%d.%d -ut%d:%02d:00 -p0123456789 -fl -emos -head 2>&1",
                                             CORVINA_SWETEST, ut.day, ut.month, ut.year, ut.hour, ut.minute);
    std::vector<double> longitudes;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return longitudes;
    double value = 0;
    while (longitudes.size() < 10 && std::fscanf(pipe, "%lf", &value) == 1)
        longitudes.push_back(value);
    pclose(pipe);
    return longitudes;
}

// A running answerer command, asked one request at a time.
class Answerer {
  public:
    explicit Answerer(const char* command) {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[1]);
            close(fromChild[0]);
            execl("/bin/sh", "sh", "-c", command, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        in_ = fdopen(toChild[1], "w");
        out_ = fdopen(fromChild[0], "r");
    }
    ~Answerer() {
        if (in_ != nullptr)
            fclose(in_);
        if (out_ != nullptr)
            fclose(out_);
        if (pid_ > 0)
            waitpid(pid_, nullptr, 0);
    }
    Answerer(const Answerer&) = delete;
    Answerer& operator=(const Answerer&) = delete;

    // The answer line, without its line break; empty when the command is gone.
    std::string ask(const std::string& request) {
        if (in_ == nullptr || out_ == nullptr)
            return {};
        std::fprintf(in_, "%s\n", request.c_str());
        std::fflush(in_);
        std::string line;
        for (int c = std::fgetc(out_); c != EOF && c != '\n'; c = std::fgetc(out_))
            line += static_cast<char>(c);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }

  private:
    pid_t pid_ = -1;
    FILE* in_ = nullptr;
    FILE* out_ = nullptr;
};

// The answer's text without its NUL, or nothing (and the reason) when there is no answer.
std::optional<std::string> answerOf(const std::string& request, std::string& reason) {
    if (const char* command = std::getenv("CORVINA_ANSWERER"); command != nullptr && *command != '\0') {
        static Answerer answerer(command);
        std::string line = answerer.ask(request);
        if (line.find('|') == std::string::npos) {
            reason = line.empty() ? "the answerer command gave no line" : line;
            return std::nullopt;
        }
        return line;
    }
    const RequestAnswer result = answerRequest(request);
    if (!result.answer) {
        reason = result.reason;
        return std::nullopt;
    }
    return std::string(result.answer->c_str());
}

// Minutes of the circle an item names, or -1 when it is no item.
int itemMinutes(const std::string& item) {
    int degrees = -1;
    int minutes = -1;
    char key[4] = {};
    if (std::sscanf(item.c_str(), "%d%3[A-Za-z]%d", &degrees, key, &minutes) != 3)
        return -1;
    for (int sign = 1; sign <= chart::kSignCount; ++sign) {
        if (chart::signKey(sign) == key && degrees >= 0 && degrees < 30 && minutes >= 0 && minutes < 60 &&
            util::format("%d%s%02d", degrees, key, minutes) == item)
            return (sign - 1) * 30 * 60 + degrees * 60 + minutes;
    }
    return -1;
}

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> items(1);
    for (const char c : text) {
        if (c == '|')
            items.emplace_back();
        else
            items.back() += c;
    }
    return items;
}

struct Comparison {
    int moments = 0;
    int items = 0;
    int worstMinutes = 0;    // the largest difference from the tool's cut longitude
    int nearMinuteEdge = 0;  // tool values within the tool's rounding of a minute's edge
};

// One item against the tool's longitude in degrees: equal to it cut to whole minutes.
void compareItem(const char* what, const std::string& item, double toolDegrees, Comparison& comparison) {
    const int ours = itemMinutes(item);
    const double exact = toolDegrees * 60.0;
    const int cut = static_cast<int>(std::floor(exact)) % kMinutesPerCircle;
    // The tool prints 7 decimals, rounded: a value that close to a minute's edge may belong to either side.
    const bool nearEdge = std::fabs(exact - std::round(exact)) < 1e-5;
    const int roundedEdge = static_cast<int>(std::round(exact)) % kMinutesPerCircle;
    const bool matches =
        ours == cut ||
        (nearEdge && (ours == roundedEdge || ours == (roundedEdge + kMinutesPerCircle - 1) % kMinutesPerCircle));
    EXPECT_TRUE(matches) << what << ": " << item << ", tool " << toolDegrees;
    int difference = ours < 0 ? kMinutesPerCircle : std::abs(ours - cut);
    difference = std::min(difference, kMinutesPerCircle - difference);
    if (!nearEdge)
        comparison.worstMinutes = std::max(comparison.worstMinutes, difference);
    comparison.nearMinuteEdge += nearEdge ? 1 : 0;
    ++comparison.items;
}

// Asks the calculator for the local moment in zone and compares its items with the tool's values; returns the
// answer's planet items.
std::vector<std::string> compare(const Moment& local, int zone, Comparison& comparison) {
    const std::string request = util::format("$mvQelvo#%d.%d.%d,%02d%02d:%d", local.year, local.month, local.day,
                                             local.hour, local.minute, zone);
    SCOPED_TRACE(request);
    std::string reason;
    const std::optional<std::string> answer = answerOf(request, reason);
    if (!answer) {
        ADD_FAILURE() << reason;
        return {};
    }
    // Julian-calendar moments are drawn so that the day stays the same in universal time (this test has no Julian
    // calendar of its own).
    Moment ut = local;
    if (local.year > 1582)
        ut = shifted(local, -(13 - zone) * 60);
    else
        ut.hour -= 13 - zone;
    EXPECT_TRUE(ut.hour >= 0 && ut.hour <= 23);
    const std::vector<double> tool = toolLongitudes(ut);
    const std::vector<std::string> items = split(*answer);
    if (tool.size() != 10 || items.size() != 11) {
        ADD_FAILURE() << "tool values " << tool.size() << ", answer " << *answer;
        return {};
    }
    EXPECT_EQ(items[0],
              util::format("%d.%d.%d,%02d%02d:%d", local.year, local.month, local.day, local.hour, local.minute, zone));
    ++comparison.moments;
    for (int p = 0; p < 10; ++p)
        compareItem(util::format("planet %d", p).c_str(), items[p + 1], tool[p], comparison);
    return std::vector<std::string>(items.begin() + 1, items.end());
}

void report(const char* what, const Comparison& c) {
    std::printf("%s: %d moments, %d items, largest difference %d minutes, %d values at a minute's edge\n", what,
                c.moments, c.items, c.worstMinutes, c.nearMinuteEdge);
}

TEST(SwetestAccuracy, RandomMomentsFrom1900To2100InEveryZone) {
    std::mt19937 random(20240601);
    Comparison comparison;
    for (int i = 0; i < 1000; ++i) {
        const int y = 1900 + static_cast<int>(random() % 201);
        const int m = 1 + static_cast<int>(random() % 12);
        const year_month_day_last last{year{y} / month{static_cast<unsigned>(m)} / std::chrono::last};
        const int d = 1 + static_cast<int>(random() % static_cast<unsigned>(last.day()));
        const Moment local{y, m, d, static_cast<int>(random() % 24), static_cast<int>(random() % 60)};
        compare(local, 1 + i % 25, comparison);
    }
    report("1900..2100", comparison);
    EXPECT_EQ(comparison.moments, 1000);
    EXPECT_EQ(comparison.worstMinutes, 0);
}

// Julian-calendar dates, with local times whose day is also the day in universal time.
TEST(SwetestAccuracy, JulianCalendarDatesBefore1582) {
    std::mt19937 random(1582);
    Comparison comparison;
    for (int i = 0; i < 150; ++i) {
        const int zone = 1 + i % 25;
        const int offset = 13 - zone;
        const int firstHour = std::max(0, -offset);  // in universal time
        const int lastHour = std::min(23, 23 - offset);
        const int y = 1000 + static_cast<int>(random() % 582);
        const int m = 1 + static_cast<int>(random() % 12);
        const int d = 1 + static_cast<int>(random() % 28);
        const int h = firstHour + static_cast<int>(random() % static_cast<unsigned>(lastHour - firstHour + 1));
        compare(Moment{y, m, d, h + offset, static_cast<int>(random() % 60)}, zone, comparison);
    }
    const Moment leapDay{1500, 2, 29, 12, 0};  // no such day in the Gregorian calendar
    compare(leapDay, 13, comparison);
    const std::vector<std::string> lastJulian = compare(Moment{1582, 10, 4, 12, 0}, 13, comparison);
    const std::vector<std::string> firstGregorian = compare(Moment{1582, 10, 15, 12, 0}, 13, comparison);
    ASSERT_FALSE(lastJulian.empty());
    ASSERT_FALSE(firstGregorian.empty());
    const int sunStep = itemMinutes(firstGregorian[0]) - itemMinutes(lastJulian[0]);
    EXPECT_TRUE(sunStep > 50 && sunStep < 70) << "the two days are consecutive: the sun moves about a degree";
    report("before 1582", comparison);
    EXPECT_EQ(comparison.worstMinutes, 0);
}

// Minute by minute across the sun's entry into Capricorn (21 December 2020, about 10:02 UT) and Aries (20 March
// 2000, about 07:35 UT): the last minute before the cusp is 29 and 59 of the old sign, never rounded into the next.
TEST(SwetestAccuracy, SignCusps) {
    const struct {
        Moment ut;
        const char* before;
        const char* after;
    } cusps[] = {
        {{2020, 12, 21, 10, 2}, "29Sag59", "0Cap00"},
        {{2000, 3, 20, 7, 35}, "29Pis59", "0Ari00"},
    };
    Comparison comparison;
    for (const auto& cusp : cusps) {
        bool sawBefore = false;
        bool sawAfter = false;
        for (int minutes = -45; minutes <= 45; ++minutes) {
            const int zone = 5;
            const Moment local = shifted(cusp.ut, minutes + (13 - zone) * 60);
            const std::vector<std::string> items = compare(local, zone, comparison);
            if (items.empty())
                continue;
            sawBefore = sawBefore || items[0] == cusp.before;
            sawAfter = sawAfter || items[0] == cusp.after;
        }
        EXPECT_TRUE(sawBefore) << cusp.before;
        EXPECT_TRUE(sawAfter) << cusp.after;
    }
    report("sign cusps", comparison);
    EXPECT_EQ(comparison.worstMinutes, 0);
}

// The tool's values for a Julian day in universal time at a place: the ten planets, then the twelve cusps, the
// ascendant and the midheaven of the house system; nothing when the tool says that the system fails there (it then
// gives other cusps).
struct ToolHouses {
    std::vector<double> values;
    bool systemFailed = false;
};

ToolHouses toolHouses(double julianDayUt, const std::string& longitude, const std::string& latitude, char system) {
    const std::string command = util::format("'%s' -bj%.17g -ut -p0123456789 -house%s,%s,%c -fl -emos -head 2>&1",
                                             CORVINA_SWETEST, julianDayUt, longitude.c_str(), latitude.c_str(), system);
    ToolHouses tool;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return tool;
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        if (std::strstr(line, "failed") != nullptr)
            tool.systemFailed = true;
        else if (tool.values.size() < 24)
            tool.values.push_back(std::atof(line));
    }
    pclose(pipe);
    return tool;
}

std::string tenThousandthsText(int value) {
    return util::format("%s%d.%04d", value < 0 ? "-" : "", std::abs(value) / 10000, std::abs(value) % 10000);
}

struct HouseComparison {
    Comparison planets;
    Comparison houses;  // ascendant, midheaven and cusps
    int placidus = 0;
    int wholeSign = 0;
    int southern = 0;
    int western = 0;
    int polar = 0;  // beyond 66.5 degrees north or south
    int notWholeHours = 0;
};

// Random moments 1700..2300 at random places: both hemispheres, longitudes all round, a third of the places near or
// beyond the polar circles, offsets of whole hours, half and three-quarter hours, the local mean time of the
// longitude, and any minute up to 18 hours. The tool is given the moment as the Julian day that the calculator
// computes from the local time and the offset (the calendar here is <chrono>'s): near the polar circles the
// ascendant moves fast enough for a difference in the last bit of the moment to show in the minutes.
TEST(SwetestAccuracy, HousesAtRandomPlacesAndMoments) {
    std::mt19937 random(19910102);
    const auto uniform = [&](int low, int high) {
        return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1));
    };
    static constexpr int kUsualOffsets[] = {330, 345, -210, 570, 525, 765, -570, 630, 390, 20};
    HouseComparison c;
    constexpr int kMoments = 1200;
    for (int i = 0; i < kMoments; ++i) {
        const int y = uniform(1700, 2300);
        const int m = uniform(1, 12);
        const year_month_day_last last{year{y} / month{static_cast<unsigned>(m)} / std::chrono::last};
        const int d = uniform(1, static_cast<int>(static_cast<unsigned>(last.day())));
        const int hour = uniform(0, 23);
        const int minute = uniform(0, 59);
        const int hemisphere = random() % 2 == 0 ? 1 : -1;
        int latitude = 0;  // ten-thousandths of a degree
        switch (i % 8) {
            case 0:
            case 1:
            case 2:
            case 3:
                latitude = hemisphere * uniform(0, 660000);
                break;
            case 4:
            case 5:
                latitude = hemisphere * uniform(666000, 900000);  // within the polar circles
                break;
            case 6:
                latitude = hemisphere * uniform(655000, 675000);  // about the polar circles
                break;
            default:
                latitude = uniform(-900000, 900000);
                break;
        }
        const int longitude = uniform(-1800000, 1800000);
        int offset = 0;
        switch (i % 5) {
            case 0:
                offset = uniform(-12, 14) * 60;
                break;
            case 1:
                offset = uniform(-9, 13) * 60 + (random() % 2 == 0 ? 30 : 45);
                break;
            case 2:
                offset = static_cast<int>(std::lround(longitude / 10000.0 * 4));  // local mean time, to the minute
                break;
            case 3:
                offset = uniform(-kMaxOffsetMinutes, kMaxOffsetMinutes);
                break;
            default:
                offset = kUsualOffsets[random() % std::size(kUsualOffsets)];
                break;
        }
        const int zone = uniform(0, 26);  // echoed, not used: 0 and 26 are echoed as the default, 5
        const std::string latitudeText = tenThousandthsText(latitude);
        const std::string longitudeText = tenThousandthsText(longitude);
        const std::string request = util::format("$mvQelvo#%d.%d.%d,%02d%02d:%d@%s,%s,%+d", y, m, d, hour, minute, zone,
                                                 latitudeText.c_str(), longitudeText.c_str(), offset);
        SCOPED_TRACE(request);
        std::string reason;
        const std::optional<std::string> answer = answerOf(request, reason);
        if (!answer) {
            ADD_FAILURE() << reason;
            continue;
        }
        const sys_days localDay =
            year_month_day{year{y}, month{static_cast<unsigned>(m)}, std::chrono::day{static_cast<unsigned>(d)}};
        const double julianDayUt = static_cast<double>(localDay.time_since_epoch().count()) + 2440587.5 +
                                   (hour * 60 + minute - offset) / 1440.0;
        ToolHouses tool = toolHouses(julianDayUt, longitudeText, latitudeText, 'P');
        const bool wholeSign = tool.systemFailed;
        if (wholeSign)
            tool = toolHouses(julianDayUt, longitudeText, latitudeText, 'W');
        const std::vector<std::string> items = split(*answer);
        if (tool.values.size() != 24 || tool.systemFailed || items.size() != 26) {
            ADD_FAILURE() << "tool values " << tool.values.size() << ", answer " << *answer;
            continue;
        }
        EXPECT_EQ(items[0],
                  util::format("%d.%d.%d,%02d%02d:%d", y, m, d, hour, minute, zone < 1 || zone > 25 ? 5 : zone));
        for (int p = 0; p < 10; ++p)
            compareItem(util::format("planet %d", p).c_str(), items[1 + p], tool.values[p], c.planets);
        EXPECT_EQ(items[11], wholeSign ? "W" : "P");
        compareItem("ascendant", items[12], tool.values[22], c.houses);
        compareItem("midheaven", items[13], tool.values[23], c.houses);
        for (int house = 1; house <= 12; ++house) {
            compareItem(util::format("cusp %d", house).c_str(), items[13 + house], tool.values[9 + house], c.houses);
            if (wholeSign) {  // 0 degrees of the n-th sign from the ascendant's
                const int sign = (itemMinutes(items[12]) / 1800 + house - 1) % 12 + 1;
                EXPECT_EQ(items[13 + house], util::format("0%s00", std::string(chart::signKey(sign)).c_str()));
            }
        }
        ++c.planets.moments;
        ++c.houses.moments;
        c.wholeSign += wholeSign ? 1 : 0;
        c.placidus += wholeSign ? 0 : 1;
        c.southern += latitude < 0 ? 1 : 0;
        c.western += longitude < 0 ? 1 : 0;
        c.polar += std::abs(latitude) > 665000 ? 1 : 0;
        c.notWholeHours += offset % 60 != 0 ? 1 : 0;
    }
    report("houses, planets", c.planets);
    report("houses, ascendant, midheaven and cusps", c.houses);
    std::printf(
        "houses: %d Placidus, %d whole signs; %d southern, %d western, %d beyond 66.5 degrees, %d offsets "
        "not whole hours\n",
        c.placidus, c.wholeSign, c.southern, c.western, c.polar, c.notWholeHours);
    EXPECT_EQ(c.houses.moments, kMoments);
    EXPECT_EQ(c.houses.worstMinutes, 0);
    EXPECT_EQ(c.planets.worstMinutes, 0);
    EXPECT_GT(c.wholeSign, kMoments / 5);
    EXPECT_GT(c.placidus, kMoments / 2);
}

TEST(SwetestAccuracy, MomentsBeyondTheEphemerisGetNoAnswer) {
    const char* requests[] = {"$mvQelvo#9000.1.1,1200:5", "$mvQelvo#-5000.1.1,1200:5",
                              "$mvQelvo#2147483647.12.31,2359:25", "$mvQelvo#-2147483648.1.1,0000:1"};
    for (const char* request : requests) {
        SCOPED_TRACE(request);
        std::string reason;
        EXPECT_FALSE(answerOf(request, reason));
        if (std::getenv("CORVINA_ANSWERER") == nullptr) {  // an answerer's reason is in its terminal's encoding
            EXPECT_NE(reason.find("星历"), std::string::npos) << reason;
        }
    }
}

}  // namespace
}  // namespace corvina
