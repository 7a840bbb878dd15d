// The built-in history of the clocks against the system's own time-zone database: every name of its tzdata.zi
// (zones and links) and of its zone tables is known, each country of the country table reads a zone of its own; and
// against the system's own reader of the database, for every
// name, every change from 1900 to 2037 that `zdump -v` reports, the offset and daylight flag on both sides of it,
// and the readings of the clocks a minute before and after it. A second build of the history, independent of the
// generator's own reading of the zone files. One zdump for all zones: about 13 seconds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "input/clock_history.h"
#include "input/country_table.h"
#include "place/country_codes.h"

namespace input {
namespace {

struct DumpLine {
    std::int64_t utc;
    int offset;
    bool dstFlag;
};

int monthOf(const char* name) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int m = 0; m < 12; ++m) {
        if (std::strcmp(name, kMonths[m]) == 0)
            return m + 1;
    }
    return 0;
}

// zone -> its lines, in order: "ZONE  Sat May  3 17:59:59 1986 UT = ... isdst=0 gmtoff=28800".
std::map<std::string, std::vector<DumpLine>> dump(const std::vector<std::string>& zones) {
    std::string command = "'" ZDUMP_PROGRAM "' -v -c 1900,2038";
    for (const std::string& zone : zones)
        command += " '" + zone + "'";
    std::map<std::string, std::vector<DumpLine>> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return lines;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        char zone[128], month[8];
        int day = 0, hour = 0, minute = 0, second = 0, year = 0;
        if (std::sscanf(buffer, "%127s %*s %7s %d %d:%d:%d %d UT", zone, month, &day, &hour, &minute, &second, &year) !=
            7)
            continue;
        const char* isdst = std::strstr(buffer, "isdst=");
        const char* gmtoff = std::strstr(buffer, "gmtoff=");
        if (isdst == nullptr || gmtoff == nullptr)
            continue;
        const LocalMoment utc{year, monthOf(month), day, hour, minute};
        lines[zone].push_back(
            DumpLine{secondsOfReading(utc) + second, std::atoi(gmtoff + 7), std::atoi(isdst + 6) != 0});
    }
    pclose(pipe);
    return lines;
}

LocalMoment readingAt(std::int64_t local) {
    std::int64_t days = local / 86400;
    std::int64_t rest = local % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // civil_from_days
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    return LocalMoment{y, m, d, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60)};
}

bool shows(const ClockReading& reading, int offset) {
    return reading.kind != ClockReading::Kind::kSkipped &&
           (reading.before.offsetSeconds == offset || reading.after.offsetSeconds == offset);
}

// 1900-01-01 and 2038-01-01, 00:00 UTC: zdump's -c 1900,2038.
constexpr std::int64_t kFrom = -2208988800;
constexpr std::int64_t kTo = 2145916800;

// The version of the system's time-zone database, as the package manager knows it; empty elsewhere.
std::string installedTzdata() {
    std::string version;
    FILE* pipe = popen("dpkg-query -W -f='${Version}' tzdata 2>/dev/null", "r");
    if (pipe == nullptr)
        return version;
    for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe))
        version += static_cast<char>(c);
    pclose(pipe);
    return version;
}

constexpr const char* kZoneinfo = "/usr/share/zoneinfo/";

// The words of each line of a database file that is no comment.
std::vector<std::vector<std::string>> linesOf(const std::string& file) {
    std::vector<std::vector<std::string>> lines;
    std::ifstream in(kZoneinfo + file);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;)
            fields.push_back(word);
        lines.push_back(fields);
    }
    return lines;
}

// The names of a database file's lines whose first word is kind (any, when empty), the name being the word at
// position.
std::set<std::string> namesIn(const std::string& file, const std::string& kind, std::size_t position) {
    std::set<std::string> names;
    for (const auto& fields : linesOf(file))
        if (fields.size() > position && (kind.empty() || fields[0] == kind))
            names.insert(fields[position]);
    return names;
}

// tzdata.zi's links: name -> the zone it names.
std::map<std::string, std::string> linksOfTheDatabase() {
    std::map<std::string, std::string> links;
    for (const auto& fields : linesOf("tzdata.zi"))
        if (fields.size() == 3 && fields[0] == "L")
            links[fields[2]] = fields[1];
    return links;
}

// Another database holds other history (new rules, corrected old ones): the comparison holds only against the one
// the built-in history was made from, and scripts/make-clock-zones makes it anew from the one installed.
class ClockHistoryAgainstTheDatabase : public testing::Test {
  protected:
    void SetUp() override {
        const std::string installed = installedTzdata();
        if (!installed.empty() && installed != tzdataVersion())
            GTEST_SKIP() << "the system's tzdata is " << installed << ", the built-in history is of " << tzdataVersion()
                         << ": run scripts/make-clock-zones";
    }
};

TEST_F(ClockHistoryAgainstTheDatabase, KnowsEveryZoneAndLinkByName) {
    const std::set<std::string> zones = namesIn("tzdata.zi", "Z", 1);
    const std::set<std::string> links = namesIn("tzdata.zi", "L", 2);
    ASSERT_GT(zones.size(), 400u);
    ASSERT_GT(links.size(), 100u);
    std::set<std::string> known;
    for (std::size_t z = 0; z < clockZoneCount(); ++z)
        known.emplace(clockZoneName(z));
    std::set<std::string> expected = zones;
    expected.insert(links.begin(), links.end());
    EXPECT_EQ(known, expected);
    for (const char* table : {"zone.tab", "zone1970.tab"}) {
        const std::set<std::string> tabled = namesIn(table, "", 2);
        EXPECT_GT(tabled.size(), 300u) << table;
        for (const std::string& name : tabled)
            EXPECT_TRUE(clockZoneNamed(name)) << table << ": " << name;
    }
    std::printf("%zu zones and %zu links of tzdata %s\n", zones.size(), links.size(), tzdataVersion().data());
}

// Every country of the country table that an area text names, and the regions searched before it, reads the zone of
// its own country in zone.tab: the only zone listed there, or the one civil time of a country listed with two; so the
// table, the names' codes and the generated history cannot drift apart.
TEST_F(ClockHistoryAgainstTheDatabase, EachCountryOfTheTableReadsAZoneOfItsOwn) {
    std::map<std::string, std::vector<std::string>> zones;
    for (const auto& fields : linesOf("zone.tab"))
        if (fields.size() >= 3)
            zones[fields[0]].push_back(fields[2]);
    ASSERT_GT(zones.size(), 200u);
    // Listed with two zones, keeping one civil time: China (the second is Xinjiang's unofficial time) and Germany
    // (the second is the Swiss-timed exclave Büsingen).
    const std::map<std::string, std::string> oneCivilTime = {{"CN", "Asia/Shanghai"}, {"DE", "Europe/Berlin"}};
    std::vector<std::string_view> names = {"香港", "澳门", "台湾"};
    for (const CountryZone& country : countryTable())
        if (!country.nameText().empty())
            names.push_back(country.nameText());
    std::size_t withZone = 0;
    for (const std::string_view name : names) {
        SCOPED_TRACE(std::string(name));
        const std::string code(place::countryCodeForName(name));
        ASSERT_EQ(code.size(), 2u);
        const std::vector<std::string>& own = zones[code];
        const auto civil = oneCivilTime.find(code);
        const auto clocks = clockPlaceForArea(name);
        if (civil == oneCivilTime.end() && own.size() != 1) {
            EXPECT_FALSE(clocks) << clockZoneName(clocks->zone);
            continue;
        }
        ASSERT_TRUE(clocks);
        EXPECT_EQ(clocks->name, name);
        EXPECT_EQ(clockZoneName(clocks->zone), civil == oneCivilTime.end() ? own[0] : civil->second);
        ++withZone;
    }
    EXPECT_GT(withZone, 150u);
}

// A link is compared with what zdump reports for its zone (its compiled file is the zone's), so zdump reads each
// zone once.
TEST_F(ClockHistoryAgainstTheDatabase, EveryChangeOfEveryZoneAndLinkFrom1900To2037AsZdumpReportsIt) {
    const std::map<std::string, std::string> links = linksOfTheDatabase();
    ASSERT_GT(links.size(), 100u);
    std::vector<std::string> zones;
    for (std::size_t z = 0; z < clockZoneCount(); ++z)
        if (links.count(std::string(clockZoneName(z))) == 0)
            zones.emplace_back(clockZoneName(z));
    ASSERT_GT(zones.size(), 400u);
    const auto lines = dump(zones);
    int changes = 0;
    for (std::size_t z = 0; z < clockZoneCount(); ++z) {
        const std::string name(clockZoneName(z));
        SCOPED_TRACE(name);
        const auto link = links.find(name);
        const auto found = lines.find(link == links.end() ? name : link->second);
        const std::vector<DumpLine> zone = found == lines.end() ? std::vector<DumpLine>{} : found->second;
        ASSERT_EQ(zone.size() % 2, 0u);
        EXPECT_EQ(clockChangeCount(z, kFrom, kTo), zone.size() / 2);
        for (std::size_t i = 0; i < zone.size(); i += 2) {
            const DumpLine& last = zone[i];       // the last second before the change
            const DumpLine& first = zone[i + 1];  // the first second after it
            SCOPED_TRACE(first.utc);
            ASSERT_EQ(first.utc, last.utc + 1);
            ++changes;
            for (const auto& [utc, line] :
                 {std::pair{last.utc, last}, {last.utc - 59, last}, {first.utc, first}, {first.utc + 59, first}}) {
                const ClockState state = clockStateAt(z, utc);
                EXPECT_EQ(state.offsetSeconds, line.offset) << "at " << utc;
                EXPECT_EQ(state.dstFlag, line.dstFlag) << "at " << utc;
            }
            // The clocks' readings a minute before and a minute after the change.
            EXPECT_TRUE(shows(readClock(z, readingAt(last.utc - 59 + last.offset)), last.offset));
            EXPECT_TRUE(shows(readClock(z, readingAt(first.utc + 60 + first.offset)), first.offset));
        }
    }
    EXPECT_GT(changes, 35000);
    std::printf("%d changes of %zu zones and %zu links compared with zdump\n", changes, zones.size(), links.size());
}

}  // namespace
}  // namespace input
