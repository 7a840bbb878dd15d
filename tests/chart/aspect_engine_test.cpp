#include "chart/aspect_engine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>

#include "util/format.h"

namespace chart {

void PrintTo(const AspectTexts& t, std::ostream* os) {
    *os << "{square \"" << t.square << "\", opposition \"" << t.opposition << "\", conjunction \"" << t.conjunction
        << "\", trine \"" << t.trine << "\", sextile \"" << t.sextile << "\", plumBlossom \"" << t.plumBlossom
        << "\", sunMoon \"" << t.sunMoon << "\"}";
}

namespace {

struct Placed {
    int planet;
    int sign;
    float degree;
};

// Ten positions with the given planets placed and every other one without a sign.
PlanetPositions chartOf(std::initializer_list<Placed> placed) {
    PlanetPositions planets{};
    for (const Placed& p : placed)
        planets[p.planet] = {p.sign, p.degree};
    return planets;
}

constexpr int kMercury = 2;

TEST(AspectEngine, WritesTheSevenTextsOfWholeCharts) {
    PlanetPositions everyPlanetPlaced{};
    for (int p = 0; p < kPlanetCount; ++p)
        everyPlanetPlaced[p] = {p + 1, 10.f + static_cast<float>(p)};
    const struct {
        const char* name;
        PlanetPositions planets;
        AspectTexts expected;
    } cases[] = {
        {"nothing placed", chartOf({}), {}},
        {"every degree 0", chartOf({{0, 1, 0.f}, {1, 1, 0.f}, {kMercury, 1, 0.f}}), {}},
        {"sun at 0 degrees pairs with nobody",
         chartOf({{0, 1, 0.f}, {1, 1, 10.f}, {kMercury, 1, 11.f}}),
         {.conjunction = "月水"}},
        {"sun, moon, mercury",
         chartOf({{0, 1, 10.f}, {1, 1, 12.f}, {kMercury, 5, 15.f}}),
         {.conjunction = "日月", .trine = " ( 日~水 ) ,月水", .sunMoon = "2.00"}},
        {"three conjunctions in pair order",
         chartOf({{0, 1, 10.f}, {1, 1, 11.f}, {kMercury, 1, 12.f}}),
         {.conjunction = "日月,日水,月水", .sunMoon = "1.00"}},
        {"neighbouring signs", chartOf({{0, 1, 10.f}, {1, 2, 12.f}}), {.sunMoon = "32.00"}},
        {"true angle 92, orb 28", chartOf({{0, 1, 29.f}, {1, 5, 1.f}}), {.sunMoon = "92.00"}},
        {"a sign list without selection",
         chartOf({{0, -1, 10.f}, {1, 1, 10.f}, {kMercury, 3, 10.f}}),
         {.sextile = "月水"}},
        {"a sign index beyond the table", chartOf({{0, 13, 10.f}, {1, 1, 10.f}}), {}},
        {"each planet in its own sign",
         everyPlanetPlaced,
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

TEST(AspectEngine, ChoosesTheTextBySignDistance) {
    const char* const expectedBySecondSign[] = {
        "conjunction", "",      "sextile", "square",  "trine", "plumBlossom", "opposition",
        "plumBlossom", "trine", "square",  "sextile", "",
    };
    for (int moonSign = 1; moonSign <= 12; ++moonSign) {
        SCOPED_TRACE(moonSign);
        const AspectTexts t = computeAspects(chartOf({{0, 1, 10.f}, {1, moonSign, 10.f}}));
        const std::string expected = expectedBySecondSign[moonSign - 1];
        EXPECT_EQ(t.conjunction, expected == "conjunction" ? "日月" : "");
        EXPECT_EQ(t.square, expected == "square" ? "日月" : "");
        EXPECT_EQ(t.opposition, expected == "opposition" ? "日月" : "");
        EXPECT_EQ(t.trine, expected == "trine" ? "日月" : "");
        EXPECT_EQ(t.sextile, expected == "sextile" ? "日月" : "");
        EXPECT_EQ(t.plumBlossom, expected == "plumBlossom" ? "日月" : "");
    }
}

TEST(AspectEngine, TestsTheOrbExactlyAndWidthInSinglePrecision) {
    const struct {
        float sun;
        float moon;
        const char* conjunction;
    } cases[] = {
        {10.f, 18.f, " ( 日~月 ) "},  // orb 8 itself counts
        {18.f, 10.f, " ( 日~月 ) "},  // the first planet of the pair is named first whatever the degrees
        {10.f, 18.5f, ""},
        {3.1f, 11.1f, ""},                  // exact orb 8.0000005: above 8, though it rounds to 8 in single precision
        {10.f, 14.f, "日月"},               // orb 4 is not wide
        {0.01f, 4.01f, "日月"},             // exact orb 4.0000002 rounds to 4: close
        {10.f, 14.000001f, " ( 日~月 ) "},  // the next float above: wide
        {-3.f, 5.f, " ( 日~月 ) "},         // degrees are used unchecked
        {35.f, 31.f, "日月"},
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
        {1, 10.f, 7, 15.f, "-175.00"},     {7, 15.f, 1, 10.f, "175.00"}, {1, 10.f, 1, 12.f, "2.00"},
        {1, 10.f, 7, 10.f, "180.00"},  // exactly half a circle keeps its sign
        {1, 5.f, 12, 20.f, "-15.00"},      {12, 20.f, 1, 5.f, "15.00"},  {6, 29.9998f, 12, 45.f, "-165.00"},
        {6, 29.9999f, 12, 45.f, "165.00"},  // a sun within 0.0001 of 180 counts as not below it
        {-1, 10.f, 1, 12.f, "2.00"},        // no selection: longitude base 0
        {0, 10.f, 13, 12.f, "2.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sunSign << " " << c.sunDegree << ", " << c.moonSign << " "
                                        << c.moonDegree);
        EXPECT_EQ(util::format("%.2f", sunMoonDistance(c.sunSign, c.sunDegree, c.moonSign, c.moonDegree)), c.expected);
        if (c.sunSign >= 1 && c.sunSign <= 12 && c.moonSign >= 1 && c.moonSign <= 12) {
            EXPECT_EQ(computeAspects(chartOf({{0, c.sunSign, c.sunDegree}, {1, c.moonSign, c.moonDegree}})).sunMoon,
                      c.expected);
        }
    }
}

}  // namespace
}  // namespace chart
