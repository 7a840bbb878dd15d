#include "chart/chart_engine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <ostream>
#include <utility>

#include "chart/wheel_picture.h"
#include "chart/zodiac_sign_table.h"
#include "util/format.h"

namespace chart {

void PrintTo(const AspectTexts& t, std::ostream* os) {
    *os << "[" << t.square << "][" << t.opposition << "][" << t.conjunction << "][" << t.trine << "][" << t.sextile
        << "][" << t.plumBlossom << "][" << t.sunMoon << "]";
}

namespace {

struct Placed {
    int planet, sign;
    float degree;
};

// Ten positions with the given planets placed and every other one without a sign.
PlanetPositions chartOf(std::initializer_list<Placed> placed) {
    PlanetPositions planets{};
    for (const Placed& p : placed)
        planets[p.planet] = {p.sign, p.degree};
    return planets;
}

TEST(AspectEngine, WritesTheSevenTextsOfWholeCharts) {
    PlanetPositions eachInItsOwnSign{};
    for (int p = 0; p < kPlanetCount; ++p)
        eachInItsOwnSign[p] = {p + 1, 10.f + static_cast<float>(p)};
    const struct {
        const char* name;
        PlanetPositions planets;
        AspectTexts expected;
    } cases[] = {
        {"nothing placed", chartOf({}), {}},
        {"every degree 0", chartOf({{0, 1, 0.f}, {1, 1, 0.f}, {2, 1, 0.f}}), {}},
        {"sun at 0 degrees", chartOf({{0, 1, 0.f}, {1, 1, 10.f}, {2, 1, 11.f}}), {.conjunction = "月水"}},
        {"sun, moon, mercury",
         chartOf({{0, 1, 10.f}, {1, 1, 12.f}, {2, 5, 15.f}}),
         {.conjunction = "日月", .trine = " ( 日~水 ) ,月水", .sunMoon = "2.00"}},
        {"pair order",
         chartOf({{0, 1, 10.f}, {1, 1, 11.f}, {2, 1, 12.f}}),
         {.conjunction = "日月,日水,月水", .sunMoon = "1.00"}},
        {"neighbouring signs", chartOf({{0, 1, 10.f}, {1, 2, 12.f}}), {.sunMoon = "32.00"}},
        {"true angle 92, orb 28", chartOf({{0, 1, 29.f}, {1, 5, 1.f}}), {.sunMoon = "92.00"}},
        // A sign list without a selection is no sign: it is not paired by the difference of indices.
        {"no selection", chartOf({{0, -1, 10.f}, {1, 1, 10.f}, {2, 3, 10.f}}), {.sextile = "月水"}},
        {"index beyond the table", chartOf({{0, 13, 10.f}, {1, 1, 10.f}}), {}},
        {"each planet in its own sign",
         eachInItsOwnSign,
         {.square = "日金,月火,水木,金土,火天,木海,土冥",
          .opposition = " ( 日~土 ) , ( 月~天 ) , ( 水~海 ) , ( 金~冥 ) ",
          .trine = "日火, ( 日~海 ) ,月木, ( 月~冥 ) ,水土,金天,火海,木冥",
          .sextile = "日水,月金,水火,金木,火土,木天,土海,天冥",
          .plumBlossom =
              " ( 日~木 ) , ( 日~天 ) , ( 月~土 ) , ( 月~海 ) , ( 水~天 ) , ( 水~冥 ) , ( 金~海 ) , ( 火~冥 ) ",
          .sunMoon = "31.00"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(computeAspects(c.planets), c.expected);
    }
}

TEST(AspectEngine, ADegreeThatIsNoFiniteNumberPairsWithNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        PlanetPositions planets;
        AspectTexts expected;
    } cases[] = {
        {"nan", chartOf({{0, 1, nan}, {1, 1, 10.f}}), {}},
        {"-nan", chartOf({{0, 1, -nan}, {1, 1, 10.f}}), {}},
        {"inf with inf", chartOf({{0, 1, inf}, {1, 1, inf}}), {}},
        {"the others keep theirs",
         chartOf({{0, 1, 10.f}, {1, 5, 12.f}, {2, 1, nan}, {3, 5, -inf}}),
         {.trine = "日月", .sunMoon = "122.00"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(computeAspects(c.planets), c.expected);
        // The wheel draws the same pairs, none to a planet it cannot place.
        EXPECT_EQ(drawWheel(WheelChart{c.planets, ""}, 400, 400).aspects.size(), findAspects(c.planets).size());
    }
}

// The texts that hold anything, by letter: Square, Opposition, Conjunction, Trine, seXtile, Plum blossom.
std::string kindsOf(const AspectTexts& t) {
    const std::pair<const std::string*, char> texts[] = {{&t.square, 'S'}, {&t.opposition, 'O'}, {&t.conjunction, 'C'},
                                                         {&t.trine, 'T'},  {&t.sextile, 'X'},    {&t.plumBlossom, 'P'}};
    std::string kinds;
    for (const auto& [text, letter] : texts) {
        if (!text->empty())
            kinds += letter;
    }
    return kinds;
}

TEST(AspectEngine, ChoosesTheTextBySignDistance) {
    const char* const kindByDistance[12] = {"C", "", "X", "S", "T", "P", "O", "P", "T", "S", "X", ""};
    for (int distance = 0; distance < 12; ++distance) {
        SCOPED_TRACE(distance);
        EXPECT_EQ(kindsOf(computeAspects(chartOf({{0, 1, 10.f}, {1, 1 + distance, 10.f}}))), kindByDistance[distance]);
        EXPECT_EQ(kindsOf(computeAspects(chartOf({{0, 12 - distance, 10.f}, {1, 12, 10.f}}))),
                  kindByDistance[distance]);
    }
}

TEST(AspectEngine, TestsTheOrbExactlyAndWidthInSinglePrecision) {
    const struct {
        float sun, moon;
        const char* conjunction;
    } cases[] = {
        {10.f, 18.f, " ( 日~月 ) "},        // orb 8 itself counts
        {18.f, 10.f, " ( 日~月 ) "},        // the first planet of the pair is named first
        {10.f, 18.5f, ""},                  //
        {3.1f, 11.1f, ""},                  // exact orb 8.0000005, though it rounds to 8 in single precision
        {10.f, 14.f, "日月"},               // orb 4 is not wide
        {0.01f, 4.01f, "日月"},             // exact orb 4.0000002 rounds to 4: close
        {10.f, 14.000001f, " ( 日~月 ) "},  // the next float above 4: wide
        {-3.f, 5.f, " ( 日~月 ) "},         // degrees are used unchecked
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sun << " and " << c.moon);
        EXPECT_EQ(computeAspects(chartOf({{0, 1, c.sun}, {1, 1, c.moon}})).conjunction, c.conjunction);
    }
}

TEST(AspectEngine, SignsTheSunMoonDistanceOnlyAcrossZeroFromBelowHalfCircle) {
    const struct {
        int sunSign;
        float sunDegree;
        int moonSign;
        float moonDegree;
        const char* expected;
    } cases[] = {
        {1, 10.f, 7, 15.f, "-175.00"},      {7, 15.f, 1, 10.f, "175.00"},      {1, 10.f, 1, 12.f, "2.00"},
        {1, 10.f, 7, 10.f, "180.00"},       {1, 5.f, 12, 20.f, "-15.00"},      {12, 20.f, 1, 5.f, "15.00"},
        {6, 29.9998f, 12, 45.f, "-165.00"}, {6, 29.9999f, 12, 45.f, "165.00"},  // within 0.0001 of 180: not below
        {-1, 10.f, 1, 12.f, "2.00"},        {0, 10.f, 13, 12.f, "2.00"},        // no sign: longitude base 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sunSign << " " << c.sunDegree << ", " << c.moonSign << " "
                                        << c.moonDegree);
        EXPECT_EQ(util::format("%.2f", sunMoonDistance(c.sunSign, c.sunDegree, c.moonSign, c.moonDegree)), c.expected);
        if (isZodiacSign(c.sunSign) && isZodiacSign(c.moonSign)) {
            EXPECT_EQ(computeAspects(chartOf({{0, c.sunSign, c.sunDegree}, {1, c.moonSign, c.moonDegree}})).sunMoon,
                      c.expected);
        }
    }
}

}  // namespace
}  // namespace chart
