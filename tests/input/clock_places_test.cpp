// The places whose clocks the history serves. Every country of the country table that an area text names reads the
// zone of its own country in the system's zone table (the only zone there, or the one civil time of a country listed
// with two), so the table, the names' codes and the generated history cannot drift apart; skipped where the system's
// tzdata is another one.
#include <gtest/gtest.h>

#include <cstdio>
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

constexpr const char* kZoneTable = "/usr/share/zoneinfo/zone.tab";

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

// zone.tab: a country's code -> its zones, in the table's order.
std::map<std::string, std::vector<std::string>> zonesByCountry() {
    std::map<std::string, std::vector<std::string>> zones;
    std::ifstream in(kZoneTable);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string code, coordinates, zone;
        std::getline(fields, code, '\t');
        std::getline(fields, coordinates, '\t');
        std::getline(fields, zone, '\t');
        zones[code].push_back(zone);
    }
    return zones;
}

TEST(ClockCountries, EachCountryOfTheTableReadsAZoneOfItsOwn) {
    const std::string installed = installedTzdata();
    if (installed != tzdataVersion())
        GTEST_SKIP() << "skipped: the system's tzdata is " << (installed.empty() ? "missing" : installed)
                     << ", the built-in history is of " << tzdataVersion();
    const auto zones = zonesByCountry();
    ASSERT_GT(zones.size(), 200u);
    // Listed with two zones, keeping one civil time: China (the second is Xinjiang's unofficial time) and Germany
    // (the second is the Swiss-timed exclave Büsingen).
    const std::map<std::string, std::string> oneCivilTime = {{"CN", "Asia/Shanghai"}, {"DE", "Europe/Berlin"}};
    std::vector<std::string_view> names = {"香港", "澳门", "台湾"};  // the regions, searched first
    for (const CountryZone& country : countryTable())
        if (!country.nameText().empty())
            names.push_back(country.nameText());
    std::size_t withZone = 0;
    for (const std::string_view name : names) {
        SCOPED_TRACE(std::string(name));
        const std::string code(place::countryCodeForName(name));
        ASSERT_EQ(code.size(), 2u);
        const auto listed = zones.find(code);
        const std::vector<std::string> own = listed == zones.end() ? std::vector<std::string>{} : listed->second;
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

}  // namespace
}  // namespace input
