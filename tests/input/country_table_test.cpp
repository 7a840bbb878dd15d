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
        {"美国", 18},
        {"冰岛", 13},
        {"新西兰", 1},
        {"格林纳达", 21},  // the table's code 8, not the country's offset
        {"英国伦敦", 12},  // the table's code -1 for "英国"
        {"中国北京", 5},
        {"美国纽约", 18},
        {"中国和美国", 5},  // the first slot wins, not the first name in the text
        {"美国和中国", 5},
        {"印度尼西亚", 6},  // not the "印度" that it contains
        {"印度", 8},
        {"南苏丹", 11},
        {"苏丹", 11},
        {"索马里", 10},
        {"马里", 13},
        {"赤道几内亚", 12},
        {"几内亚比绍", 13},
        {"白俄罗斯", 10},
        {"刚果(金)", 12},
        {"刚果", std::nullopt},
        {"南极洲", std::nullopt},
        {"", std::nullopt},
        {"爸泄鶣", std::nullopt},  // holds the bytes of "中国" across three characters
        {"\xD6", std::nullopt},    // a lead byte cut off at the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.area);
        EXPECT_EQ(timeZoneIndexForArea(c.area), c.zoneIndex);
    }
}

TEST(CountryTable, HoldsEveryCountryOnceAndFindsEachByItsOwnName) {
    const auto& table = countryTable();
    std::map<int, int> countriesByCode;
    for (std::size_t slot = 0; slot < kCountrySlots; ++slot) {
        SCOPED_TRACE(slot + 1);
        const CountryZone& country = table[slot];
        EXPECT_EQ(country.name[kCountryNameSize - 1], '\0');
        EXPECT_EQ(country.spare[0], '\0');
        if (slot >= 193) {
            EXPECT_EQ(country.nameText(), "");
            EXPECT_EQ(country.zoneCode, 0);
            continue;
        }
        ASSERT_NE(country.nameText(), "");
        ++countriesByCode[country.zoneCode];
        // Every name that contains another stands before it, so each country's own name finds its own zone.
        EXPECT_EQ(timeZoneIndexForArea(country.nameText()), country.zoneCode + kTimeZoneIndexOffset);
    }
    const std::map<int, int> expected = {{-12, 8}, {-11, 3}, {-10, 1}, {-9, 5},  {-8, 9},  {-7, 6},
                                         {-6, 4},  {-5, 9},  {-4, 8},  {-3, 19}, {-2, 28}, {-1, 43},
                                         {0, 15},  {3, 7},   {4, 12},  {5, 10},  {6, 5},   {8, 1}};
    EXPECT_EQ(countriesByCode, expected);
    EXPECT_EQ(table[0].nameText(), "中国");
    EXPECT_EQ(table[192].nameText(), "瓦努阿图");
}

}  // namespace
}  // namespace input
