#include "input/country_table.h"

#include <gtest/gtest.h>

#include <map>

#include "input/clock_history.h"

namespace input {
namespace {

TEST(CountryTable, SelectsTheZoneOfTheFirstSlotWhoseNameTheAreaContains) {
    const struct {
        const char* area;
        std::optional<int> zoneIndex;
    } cases[] = {
        {"中国", 5},
        {"美国纽约", 18},
        {"冰岛", 13},
        {"新西兰", 1},
        {"格林纳达", 17},
        {"英国伦敦", 13},
        {"爱尔兰", 12},     // Ireland's standard time is UTC+1, its winter time UTC+0
        {"美国和中国", 5},  // the first slot wins, not the first name in the text
        {"印度尼西亚", 6},
        {"印度", 8},
        {"索马里", 10},
        {"马里", 13},
        {"刚果(金)", 12},
        {"刚果", std::nullopt},
        {"南极洲", std::nullopt},
        {"", std::nullopt},
        {"爸泄鶣", std::nullopt},  // holds the bytes of "中国" across three characters
        {"\xD6", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.area);
        EXPECT_EQ(timeZoneIndexForArea(c.area), c.zoneIndex);
    }
}

TEST(CountryTable, HoldsEveryCountryOnceAndFindsEachByItsOwnName) {
    std::map<int, int> countriesByCode;
    for (std::size_t slot = 0; slot < kCountrySlots; ++slot) {
        SCOPED_TRACE(slot + 1);
        const CountryZone& country = countryTable()[slot];
        EXPECT_EQ(country.name[kCountryNameSize - 1], '\0');
        EXPECT_EQ(country.nameText().empty(), slot >= 193);
        if (country.nameText().empty())
            continue;
        ++countriesByCode[country.zoneCode];
        // Every name that contains another stands before it, so each country's own name finds its own zone.
        EXPECT_EQ(timeZoneIndexForArea(country.nameText()), country.zoneCode + kTimeZoneIndexOffset);
    }
    const std::map<int, int> expected = {{-12, 8}, {-11, 3}, {-10, 1}, {-9, 6},  {-8, 6},  {-7, 5},
                                         {-6, 5},  {-5, 8},  {-4, 8},  {-3, 21}, {-2, 27}, {-1, 43},
                                         {0, 16},  {1, 1},   {3, 6},   {4, 12},  {5, 10},  {6, 7}};
    EXPECT_EQ(countriesByCode, expected);
}

TEST(CountryTable, ChoosesTheStandardTimeOfEachCountryWithOneCivilTime) {
    // The clocks' standard offset in January and in July of a recent year, where the list holds it as a whole hour.
    const std::int64_t january = secondsOfReading({2025, 1, 15, 12, 0});
    const std::int64_t july = secondsOfReading({2025, 7, 15, 12, 0});
    int checked = 0;
    for (const CountryZone& country : countryTable()) {
        const std::string_view name = country.nameText();
        const auto place = clockPlaceForArea(name);
        if (name.empty() || !place || place->name != name)
            continue;
        SCOPED_TRACE(std::string(name) + " " + std::string(clockZoneName(place->zone)));
        const std::int32_t standard = clockStateAt(place->zone, january).standardOffsetSeconds;
        EXPECT_EQ(clockStateAt(place->zone, july).standardOffsetSeconds, standard);
        if (const auto index = timeZoneIndexOfOffset(standard)) {
            EXPECT_EQ(country.zoneCode + kTimeZoneIndexOffset, *index);
            ++checked;
        }
    }
    EXPECT_GT(checked, 150);
}

}  // namespace
}  // namespace input
