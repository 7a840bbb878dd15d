#include "chart/houses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace chart {
namespace {

// The example card's houses (汕头, 1991.1.2 12:55), as the calculator gives them.
Houses exampleHouses() {
    Houses houses;
    houses.system = HouseSystem::Placidus;
    houses.ascendant = {1, 28.35f};
    houses.midheaven = {10, 20.07f};
    houses.cusps = {{{1, 28.35f},
                     {3, 0.01f},
                     {3, 25.44f},
                     {4, 20.07f},
                     {5, 16.59f},
                     {6, 19.46f},
                     {7, 28.35f},
                     {9, 0.01f},
                     {9, 25.44f},
                     {10, 20.07f},
                     {11, 16.59f},
                     {12, 19.46f}}};
    return houses;
}

// Houses within the polar circles: each cusp at 0 degrees of a sign, the first the ascendant's.
Houses wholeSignHouses() {
    Houses houses;
    houses.system = HouseSystem::WholeSign;
    houses.ascendant = {10, 29.06f};
    houses.midheaven = {10, 27.16f};
    for (int h = 0; h < kHouseCount; ++h)
        houses.cusps[static_cast<std::size_t>(h)] = {(9 + h) % 12 + 1, 0.f};
    return houses;
}

TEST(Houses, ALongitudeReadsTheDegreeAsDegreeAndMinutes) {
    const struct {
        PlanetPosition position;
        double longitude;  // negative: none
    } cases[] = {
        {{10, 11.16f}, 281.0 + 16.0 / 60},  // 11Cap16
        {{1, 0.f}, 0},
        {{1, 28.35f}, 28.0 + 35.0 / 60},
        {{12, 29.59f}, 359.0 + 59.0 / 60},
        {{1, 11.5f}, 11.0 + 50.0 / 60},   // 11 degrees 50 minutes, not eleven and a half
        {{1, 11.87f}, 12.0 + 27.0 / 60},  // 87 minutes carry into the degree
        {{1, 45.f}, 45},                  // degrees are not checked: 45 in Aries is 15 in Taurus
        {{1, -5.f}, 355},                 // and below 0 counts back into Pisces
        {{1, -0.3f}, 359.5},              // as far back as forwards
        {{12, 30.f}, 0},
        {{0, 5.f}, -1},
        {{-1, 5.f}, -1},
        {{13, 5.f}, -1},
        {{1, std::numeric_limits<float>::quiet_NaN()}, -1},
        {{1, std::numeric_limits<float>::infinity()}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position.sign << " " << c.position.degree);
        const std::optional<double> longitude = zodiacLongitude(c.position);
        if (c.longitude < 0) {
            EXPECT_FALSE(longitude);
            continue;
        }
        ASSERT_TRUE(longitude);
        EXPECT_NEAR(*longitude, c.longitude, 1e-4);
        EXPECT_GE(*longitude, 0.0);
        EXPECT_LT(*longitude, 360.0);
    }
}

TEST(Houses, UsableWhenEveryPositionIsOneAndTheCuspsGoRoundOnce) {
    const struct {
        const char* name;
        std::function<void(Houses&)> change;
        bool usable;
    } cases[] = {
        {"as the calculator gives them", [](Houses&) {}, true},
        {"an empty house", [](Houses& h) { h.cusps[3] = h.cusps[2]; }, true},
        {"no ascendant", [](Houses& h) { h.ascendant.sign = 0; }, false},
        {"a midheaven of no number", [](Houses& h) { h.midheaven.degree = std::nanf(""); }, false},
        {"a cusp without a sign", [](Houses& h) { h.cusps[7].sign = -1; }, false},
        {"a cusp of sign 13", [](Houses& h) { h.cusps[11].sign = 13; }, false},
        {"two cusps swapped", [](Houses& h) { std::swap(h.cusps[4], h.cusps[5]); }, false},
        {"the cusps backwards", [](Houses& h) { std::reverse(h.cusps.begin(), h.cusps.end()); }, false},
        {"every cusp at one place",
         [](Houses& h) {
             h.cusps.fill({4, 1.f});
         },
         false},
        {"a default value", [](Houses& h) { h = Houses{}; }, false},
    };
    for (const Houses& base : {exampleHouses(), wholeSignHouses()}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", system " << static_cast<int>(base.system));
            Houses houses = base;
            c.change(houses);
            EXPECT_EQ(housesUsable(houses), c.usable);
            if (!c.usable) {
                EXPECT_EQ(houseOf(houses, 100.0), 0);
            }
        }
    }
}

TEST(Houses, APlaceLiesInTheHouseFromItsCuspToTheNext) {
    const Houses example = exampleHouses();
    const Houses whole = wholeSignHouses();
    Houses empty = exampleHouses();
    empty.cusps[3] = empty.cusps[2];  // house 3 holds nothing
    const struct {
        const char* name;
        const Houses& houses;
        PlanetPosition position;
        int house;
    } cases[] = {
        // The example card's ten planets.
        {"sun 11Cap16", example, {10, 11.16f}, 9},
        {"moon 1Leo14", example, {5, 1.14f}, 4},
        {"mercury 23Sag53", example, {9, 23.53f}, 8},
        {"venus 26Cap13", example, {10, 26.13f}, 10},
        {"mars 27Tau45", example, {2, 27.45f}, 1},
        {"jupiter 11Leo51", example, {5, 11.51f}, 4},
        {"saturn 25Cap48", example, {10, 25.48f}, 10},
        {"uranus 9Cap48", example, {10, 9.48f}, 9},
        {"neptune 14Cap09", example, {10, 14.09f}, 9},
        {"pluto 19Sco37", example, {8, 19.37f}, 7},
        // On a cusp, the house it begins; a minute before, the one before.
        {"on the midheaven", example, {10, 20.07f}, 10},
        {"a minute before it", example, {10, 20.06f}, 9},
        {"on the ascendant", example, {1, 28.35f}, 1},
        {"a minute before it", example, {1, 28.34f}, 12},
        // 19.70 is 20 degrees 10 minutes, behind the cusp at 20 degrees 7 minutes.
        {"19.70 of Capricorn", example, {10, 19.7f}, 10},
        {"19.65 of Capricorn", example, {10, 19.65f}, 9},
        {"across 0 degrees of Aries", example, {1, 5.f}, 12},
        {"at 0 degrees of Aries", example, {1, 0.f}, 12},
        {"beyond the end of Pisces", example, {12, 35.f}, 12},
        {"an empty house", empty, {3, 25.44f}, 4},
        // Whole signs: the ascendant's sign is the first house.
        {"the ascendant", whole, {10, 29.06f}, 1},
        {"0 degrees of Capricorn", whole, {10, 0.f}, 1},
        {"0 degrees of Aquarius", whole, {11, 0.f}, 2},
        {"Sagittarius", whole, {9, 15.f}, 12},
        {"Cancer", whole, {4, 29.59f}, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(houseOf(c.houses, *zodiacLongitude(c.position)), c.house);
    }
    EXPECT_EQ(houseOf(example, std::nan("")), 0);
    EXPECT_EQ(houseOf(example, 360.0 + 295.0), 10);
}

}  // namespace
}  // namespace chart
