#include "input/country_table.h"

#include <gtest/gtest.h>

#include <map>

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
        {"格林纳达", 21},
        {"英国伦敦", 12},   // the table's codes, not the countries' offsets
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
    const std::map<int, int> expected = {{-12, 8}, {-11, 3}, {-10, 1}, {-9, 5},  {-8, 9},  {-7, 6},
                                         {-6, 4},  {-5, 9},  {-4, 8},  {-3, 19}, {-2, 28}, {-1, 43},
                                         {0, 15},  {3, 7},   {4, 12},  {5, 10},  {6, 5},   {8, 1}};
    EXPECT_EQ(countriesByCode, expected);
}

}  // namespace
}  // namespace input
