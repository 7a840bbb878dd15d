// The places of the build's atlas and their clocks: every place reads the clocks of its own zone (by the zone's name,
// a link's too) at its own longitude, as the form takes it from the atlas. Skipped where the build has no atlas.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "input/clock_history.h"
#include "place/atlas.h"

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
        {"悉尼", birthday(1990, 1, 15, "1000"), 4, Kind::kDiffers, "UTC+11（夏令时）"},
        {"乌鲁木齐", birthday(1990, 7, 15, "1000"), 5, Kind::kDiffers, "UTC+6（标准时）"},
        {"汕头", birthday(1900, 6, 1, "0800"), 5, Kind::kNotInList, "UTC+7:46:52（地方平时）"},  // 116.717° E
        {"孟买", birthday(1990, 7, 15, "1000"), 8, Kind::kNotInList, "UTC+5:30（标准时）"},
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

}  // namespace
}  // namespace input
