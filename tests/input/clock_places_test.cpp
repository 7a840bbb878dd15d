// The places whose clocks the history serves. Every place of the build's atlas reads the clocks of its own zone (by
// the zone's name, a link's too) at its own longitude, as the form takes it from the atlas; skipped where the build
// has no atlas. Every country of the country table that an area text names reads the zone of its own country in the
// system's zone table (the only zone there, or the one civil time of a country listed with two), so the table, the
// names' codes and the generated history cannot drift apart; skipped where the system's tzdata is another one.
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
#include "place/atlas.h"
#include "place/country_codes.h"

namespace input {
namespace {

BirthdayResult birthday(int year, int month, int day, std::string time) {
    BirthdayResult b;
    b.year = year;
    b.month = month;
    b.day = day;
    b.timeGiven = true;
    b.timeText = std::move(time);
    return b;
}

class ClockAtlas : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!std::string(QELVO_ATLAS_FILE).empty())
            atlas_ = new place::Atlas(QELVO_ATLAS_FILE);
    }
    static void TearDownTestSuite() {
        delete atlas_;
        atlas_ = nullptr;
    }
    void SetUp() override {
        if (atlas_ == nullptr)
            GTEST_SKIP() << "skipped: this build has no place atlas (scripts/install-deps fetches its source)";
        ASSERT_TRUE(atlas_->isOpen()) << atlas_->problem();
    }
    // The clocks of the atlas's first place of that name, as the form makes them.
    static ClockPlace clocksOf(const char* text) {
        const place::PlaceLookup lookup = atlas_->find(text, 1);
        EXPECT_FALSE(lookup.matches.empty()) << text;
        if (lookup.matches.empty())
            return ClockPlace{};
        const place::Place& p = lookup.matches[0].place;
        return clockPlaceAt(p.name, p.zone, p.longitude()).value_or(ClockPlace{});
    }
    static place::Atlas* atlas_;
};

place::Atlas* ClockAtlas::atlas_ = nullptr;

TEST_F(ClockAtlas, EveryPlaceReadsTheClocksOfItsZone) {
    const place::AtlasFile* file = atlas_->file();
    ASSERT_NE(file, nullptr);
    std::set<std::string> zones;
    std::size_t places = 0;
    for (std::size_t i = 0; i < file->placeCount(); ++i) {
        const place::Place p = file->place(i);
        const auto clocks = clockPlaceAt(p.name, p.zone, p.longitude());
        ASSERT_TRUE(clocks) << p.geonameId << " " << p.zone << " " << p.longitude();
        EXPECT_EQ(clockZoneName(clocks->zone), p.zone);
        zones.emplace(p.zone);
        ++places;
    }
    EXPECT_GT(places, 100000u);
    EXPECT_GT(zones.size(), 350u);
    std::printf("%zu places of the atlas in %zu zones\n", places, zones.size());
}

TEST_F(ClockAtlas, PlacesReadTheirOwnClocks) {
    using Kind = ClockCheck::Kind;
    const struct {
        const char* place;
        BirthdayResult birthday;
        int zoneIndex;  // as the country table gives it
        Kind kind;
        const char* clocks;  // the state of the reading (before a change)
    } cases[] = {
        {"纽约", birthday(1975, 7, 15, "1000"), 18, Kind::kDiffers, "UTC-4（夏令时）"},
        {"芝加哥", birthday(1975, 7, 15, "1000"), 18, Kind::kAgrees, "UTC-5（夏令时）"},
        {"莫斯科", birthday(1990, 7, 15, "1000"), 10, Kind::kDiffers, "UTC+4（夏令时）"},
        {"悉尼", birthday(1990, 1, 15, "1000"), 4, Kind::kDiffers, "UTC+11（夏令时）"},
        {"乌鲁木齐", birthday(1990, 7, 15, "1000"), 5, Kind::kDiffers, "UTC+6（标准时）"},
        {"北京", birthday(1988, 7, 1, "0800"), 5, Kind::kDiffers, "UTC+9（夏令时）"},
        {"汕头", birthday(1900, 6, 1, "0800"), 5, Kind::kNotInList, "UTC+7:46:52（地方平时）"},  // 116.717° E
        {"孟买", birthday(1990, 7, 15, "1000"), 8, Kind::kNotInList, "UTC+5:30（标准时）"},
        {"加德满都", birthday(1990, 7, 15, "1000"), 7, Kind::kNotInList, "UTC+5:45（标准时）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.place);
        const ClockPlace clocks = clocksOf(c.place);
        EXPECT_EQ(clocks.name, c.place);
        const ClockCheck check = checkBirthClock(clocks, c.birthday, c.zoneIndex);
        EXPECT_EQ(check.kind, c.kind);
        EXPECT_EQ(clockStateText(check.reading.before), c.clocks);
    }
}

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
