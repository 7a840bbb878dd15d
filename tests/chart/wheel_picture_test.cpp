#include "chart/wheel_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "chart/dignity_table.h"
#include "chart/wheel_svg.h"
#include "chart/zodiac_sign_table.h"

namespace chart {
namespace {

constexpr double kSizes[] = {300, 600, 1200};

WheelChart chartOf(std::initializer_list<std::tuple<int, int, float>> placed) {
    WheelChart chart;
    for (const auto& [planet, sign, degree] : placed)
        chart.planets[static_cast<std::size_t>(planet)] = {sign, degree};
    return chart;
}

// The screen angle of a point seen from the centre: degrees counter-clockwise from the right, 0..360.
double angleOf(const WheelPicture& picture, Point p) {
    const double a = std::atan2(picture.center.y - p.y, p.x - picture.center.x) * 180.0 / std::numbers::pi;
    return a < 0 ? a + 360.0 : a;
}

double angularDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

const PlacedPlanet* placedOf(const WheelPicture& picture, int planet) {
    for (const PlacedPlanet& p : picture.planets)
        if (p.planet == planet)
            return &p;
    return nullptr;
}

std::vector<const TextShape*> textsOf(const WheelPicture& picture) {
    std::vector<const TextShape*> texts;
    for (const Shape& shape : picture.shapes)
        if (const auto* text = std::get_if<TextShape>(&shape))
            texts.push_back(text);
    return texts;
}

// The aspects as the engine's seven texts name them: (kind, first, second), read back from the abbreviations.
std::set<std::tuple<AspectKind, int, int>> pairsOfTexts(const AspectTexts& texts) {
    std::map<std::string, int> planetOf;
    for (int p = 0; p < kPlanetCount; ++p)
        planetOf[std::string(planetAbbreviation(p))] = p;
    std::set<std::tuple<AspectKind, int, int>> pairs;
    const std::pair<AspectKind, const std::string*> kinds[] = {
        {AspectKind::Square, &texts.square},           {AspectKind::Opposition, &texts.opposition},
        {AspectKind::Conjunction, &texts.conjunction}, {AspectKind::Trine, &texts.trine},
        {AspectKind::Sextile, &texts.sextile},         {AspectKind::PlumBlossom, &texts.plumBlossom}};
    for (const auto& [kind, text] : kinds) {
        std::vector<int> named;
        for (std::size_t i = 0; i + 1 < text->size();) {
            if (static_cast<unsigned char>((*text)[i]) >= 0x81) {
                named.push_back(planetOf.at(text->substr(i, 2)));
                i += 2;
            } else {
                ++i;
            }
        }
        for (std::size_t k = 0; k + 1 < named.size(); k += 2)
            pairs.insert({kind, named[k], named[k + 1]});
    }
    return pairs;
}

// Everything a picture promises, for any chart at any size.
void expectSoundPicture(const WheelChart& chart, const WheelPicture& picture) {
    // Texts never overlap: sign names, labels, degrees, marks, legend.
    const std::vector<const TextShape*> texts = textsOf(picture);
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t j = i + 1; j < texts.size(); ++j)
            EXPECT_FALSE(texts[i]->box.overlaps(texts[j]->box)) << texts[i]->text << " / " << texts[j]->text;
    for (const PlacedPlanet& p : picture.planets) {
        SCOPED_TRACE(p.planet);
        // The exact place lies at the planet's longitude on the inside of the sign ring, and the leader starts there
        // and ends on the edge of the label.
        EXPECT_NEAR(angleOf(picture, p.place), p.screenAngle, 1e-6);
        EXPECT_NEAR(angularDistance(p.screenAngle, 180.0 + p.longitude), 0.0, 1e-9);
        EXPECT_LT(distance(picture.center, p.place), picture.ringInner);
        EXPECT_EQ(p.leader.from.x, p.place.x);
        EXPECT_EQ(p.leader.from.y, p.place.y);
        const Box& b = p.label;
        const Point to = p.leader.to;
        const bool onEdge = (std::fabs(to.x - b.left) < 1e-6 || std::fabs(to.x - b.right) < 1e-6 ||
                             std::fabs(to.y - b.top) < 1e-6 || std::fabs(to.y - b.bottom) < 1e-6) &&
                            to.x >= b.left - 1e-6 && to.x <= b.right + 1e-6 && to.y >= b.top - 1e-6 &&
                            to.y <= b.bottom + 1e-6;
        EXPECT_TRUE(onEdge);
        // The label stands between the aspect circle and the sign ring.
        for (const Point corner :
             {Point{b.left, b.top}, Point{b.right, b.top}, Point{b.left, b.bottom}, Point{b.right, b.bottom}}) {
            EXPECT_LT(distance(picture.center, corner), picture.ringInner);
            EXPECT_GT(distance(picture.center, corner), picture.aspectRadius);
        }
        for (const PlacedPlanet& q : picture.planets)
            if (q.planet > p.planet) {
                EXPECT_FALSE(p.label.overlaps(q.label)) << p.planet << " / " << q.planet;
            }
    }
    // The aspect lines are exactly the pairs the aspect engine writes into its texts.
    std::set<std::tuple<AspectKind, int, int>> drawn;
    for (const AspectLine& line : picture.aspects) {
        drawn.insert({line.aspect.kind, line.aspect.first, line.aspect.second});
        EXPECT_NEAR(distance(line.from, placedOf(picture, line.aspect.first)->aspectPoint), 0.0, 1e-9);
        EXPECT_NEAR(distance(line.to, placedOf(picture, line.aspect.second)->aspectPoint), 0.0, 1e-9);
    }
    EXPECT_EQ(drawn.size(), picture.aspects.size());
    EXPECT_EQ(drawn, pairsOfTexts(computeAspects(chart.planets)));
    // Everything stays inside the picture.
    for (const TextShape* text : texts) {
        EXPECT_GE(text->box.left, 0) << text->text;
        EXPECT_LE(text->box.right, picture.width) << text->text;
        EXPECT_GE(text->box.top, 0) << text->text;
        EXPECT_LE(text->box.bottom, picture.height) << text->text;
    }
}

TEST(WheelPicture, SignsRunCounterClockwiseFromAriesAtTheLeft) {
    for (double size : kSizes) {
        SCOPED_TRACE(size);
        const WheelPicture picture = drawWheel(WheelChart{}, size, size * 1.2);
        for (int s = 1; s <= kSignCount; ++s) {
            SCOPED_TRACE(s);
            int found = 0;
            for (const TextShape* text : textsOf(picture)) {
                if (text->text != signComboText(s))
                    continue;
                ++found;
                const Point middle{(text->box.left + text->box.right) / 2, (text->box.top + text->box.bottom) / 2};
                EXPECT_LT(angularDistance(angleOf(picture, middle), 180.0 + (s - 0.5) * 30.0), 1.0);
                const double r = distance(picture.center, middle);
                EXPECT_GT(r, picture.ringInner);
                EXPECT_LT(r, picture.ringOuter);
            }
            EXPECT_EQ(found, 1);
        }
    }
}

TEST(WheelPicture, PlacesEachPlanetAtItsSignAndDegree) {
    const struct {
        int sign;
        float degree;
        double longitude;
        double screenAngle;
    } cases[] = {
        {1, 10.f, 10, 190},                             // Aries: left, a little below the middle
        {4, 0.5f, 90.5, 270.5},                         // Cancer: at the bottom
        {7, 15.f, 195, 15},                             // Libra: right, a little above
        {10, 0.5f, 270.5, 90.5},                        // Capricorn: at the top
        {12, 29.5f, 359.5, 179.5}, {1, 45.f, 45, 225},  // degrees are not checked: 45 in Aries is 15 in Taurus
        {1, -5.f, 355, 175},                            // and below 0 counts back into Pisces
        {2, 0.f, 30, 210},                              // no degree entered: the start of the sign
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sign << " " << c.degree);
        const WheelPicture picture = drawWheel(chartOf({{3, c.sign, c.degree}}), 600, 700);
        ASSERT_EQ(picture.planets.size(), 1u);
        const PlacedPlanet& p = picture.planets[0];
        EXPECT_EQ(p.planet, 3);
        EXPECT_NEAR(p.longitude, c.longitude, 1e-4);
        EXPECT_NEAR(p.screenAngle, c.screenAngle, 1e-4);
        EXPECT_NEAR(angleOf(picture, p.place), c.screenAngle, 1e-4);
        EXPECT_NEAR(angleOf(picture, p.aspectPoint), c.screenAngle, 1e-4);
        // Alone, its label stays at its place.
        EXPECT_NEAR(p.labelAngle, c.screenAngle, 1e-6);
    }
}

TEST(WheelPicture, PushesCloseLabelsApartEachWithALeaderToItsPlace) {
    const struct {
        const char* name;
        WheelChart chart;
    } cases[] = {
        {"five within four degrees",
         chartOf({{0, 10, 12.f}, {1, 10, 13.f}, {2, 10, 14.f}, {3, 10, 15.f}, {4, 10, 16.f}})},
        {"five at one degree", chartOf({{0, 4, 7.f}, {1, 4, 7.f}, {2, 4, 7.f}, {3, 4, 7.f}, {4, 4, 7.f}})},
        {"five across 0 degrees of Aries",
         chartOf({{0, 12, 28.f}, {1, 12, 29.5f}, {2, 1, 0.5f}, {3, 1, 1.f}, {4, 1, 2.f}})},
        {"all ten within nine degrees", chartOf({{0, 7, 1.f},
                                                 {1, 7, 2.f},
                                                 {2, 7, 3.f},
                                                 {3, 7, 4.f},
                                                 {4, 7, 5.f},
                                                 {5, 7, 6.f},
                                                 {6, 7, 7.f},
                                                 {7, 7, 8.f},
                                                 {8, 7, 9.f},
                                                 {9, 7, 9.5f}})},
        {"two clusters that meet", chartOf({{0, 3, 1.f},
                                            {1, 3, 2.f},
                                            {2, 3, 3.f},
                                            {3, 3, 15.f},
                                            {4, 3, 16.f},
                                            {5, 3, 17.f},
                                            {6, 3, 28.f},
                                            {7, 4, 1.f}})},
    };
    for (const auto& c : cases) {
        for (double size : kSizes) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << size);
            const WheelPicture picture = drawWheel(c.chart, size, wheelHeightForWidth(c.chart, size));
            expectSoundPicture(c.chart, picture);
        }
    }
    // Pushed apart, the five of the first case keep their order along the zodiac and stay near their places.
    const WheelPicture picture = drawWheel(cases[0].chart, 600, 700);
    for (int p = 0; p + 1 < 5; ++p)
        EXPECT_LT(picture.planets[p].labelAngle, picture.planets[p + 1].labelAngle);
    for (const PlacedPlanet& p : picture.planets)
        EXPECT_LT(angularDistance(p.labelAngle, p.screenAngle), 45.0) << p.planet;
}

TEST(WheelPicture, AnyChartAtAnySizeKeepsItsPromises) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> sign(-1, 13);
    std::uniform_real_distribution<float> degree(0.f, 30.f);
    std::uniform_real_distribution<double> size(300, 1200);
    for (int round = 0; round < 150; ++round) {
        WheelChart chart;
        // Often crowded: half of the charts put every planet into three neighbouring signs.
        const int base = round % 2 ? 1 + round % 12 : 0;
        for (PlanetPosition& p : chart.planets)
            p = {base ? 1 + (base + sign(random) % 3 + 12) % 12 : sign(random), degree(random)};
        const double width = size(random);
        SCOPED_TRACE(testing::Message() << "round " << round << " width " << width);
        expectSoundPicture(chart, drawWheel(chart, width, wheelHeightForWidth(chart, width)));
    }
}

TEST(WheelPicture, NamesThePlanetsWithoutASignAndLeavesThemOut) {
    WheelChart chart = chartOf({{0, 1, 10.f}, {1, 0, 12.f}, {3, -1, 5.f}, {5, 13, 4.f}, {6, 2, NAN}});
    const WheelPicture picture = drawWheel(chart, 600, 700);
    ASSERT_EQ(picture.planets.size(), 1u);
    EXPECT_EQ(picture.planets[0].planet, 0);
    EXPECT_EQ(picture.unplaced, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    int found = 0;
    for (const TextShape* text : textsOf(picture)) {
        if (text->text == "未定：月 水 金 火 木 土 天 海 冥") {
            ++found;
            EXPECT_GE(text->box.top, picture.legend.top);
        }
    }
    EXPECT_EQ(found, 1);

    // With every planet placed there is no such text.
    for (int p = 0; p < kPlanetCount; ++p)
        chart.planets[static_cast<std::size_t>(p)] = {p + 1, 10.f};
    const WheelPicture placed = drawWheel(chart, 600, 700);
    for (const TextShape* text : textsOf(placed))
        EXPECT_EQ(text->text.find("未定"), std::string::npos);
}

TEST(WheelPicture, ShowsTheDignityMarkInsideThePlanetsLabel) {
    // Sun in Aries 旺, moon in Taurus 旺, mercury in Pisces 弱, venus in Gemini (none).
    const WheelChart chart = chartOf({{0, 1, 10.f}, {1, 2, 10.f}, {2, 12, 10.f}, {3, 3, 10.f}});
    const WheelPicture picture = drawWheel(chart, 600, 700);
    for (const PlacedPlanet& p : picture.planets) {
        SCOPED_TRACE(p.planet);
        const int sign = chart.planets[static_cast<std::size_t>(p.planet)].sign;
        EXPECT_EQ(p.mark, markFor(p.planet, sign));
        std::vector<std::string> inside;
        for (const TextShape* text : textsOf(picture)) {
            const Point middle{(text->box.left + text->box.right) / 2, (text->box.top + text->box.bottom) / 2};
            if (middle.x > p.label.left && middle.x < p.label.right && middle.y > p.label.top &&
                middle.y < p.label.bottom)
                inside.push_back(text->text);
        }
        std::vector<std::string> expected = {std::string(planetAbbreviation(p.planet))};
        if (!p.mark.empty())
            expected.push_back(std::string(p.mark));
        expected.push_back("10°");
        EXPECT_EQ(inside, expected);
    }
}

TEST(WheelPicture, DrawsEachAspectKindInItsOwnColourAndAddsALegend) {
    // Sun 白羊 10 and moon 天秤 12: opposition; mercury 狮子 11: trine with the sun, sextile with the moon.
    const WheelChart chart = chartOf({{0, 1, 10.f}, {1, 7, 12.f}, {2, 5, 11.f}});
    const WheelPicture picture = drawWheel(chart, 600, 700);
    std::map<std::tuple<std::uint8_t, std::uint8_t, std::uint8_t>, int> lines;
    for (const Shape& shape : picture.shapes)
        if (const auto* line = std::get_if<LineShape>(&shape))
            ++lines[{line->stroke.color.r, line->stroke.color.g, line->stroke.color.b}];
    std::set<std::string> legendNames;
    for (const TextShape* text : textsOf(picture))
        if (text->box.top >= picture.legend.top)
            legendNames.insert(text->text);
    std::set<Color, bool (*)(const Color&, const Color&)> colours(
        [](const Color& a, const Color& b) { return std::tie(a.r, a.g, a.b) < std::tie(b.r, b.g, b.b); });
    for (int k = 0; k < kAspectKindCount; ++k) {
        const AspectStyle& style = aspectStyles()[static_cast<std::size_t>(k)];
        SCOPED_TRACE(style.name);
        colours.insert(style.color);
        EXPECT_EQ(legendNames.count(std::string(style.name)), 1u);
        // One line in the legend, and one per aspect of the kind.
        const int expected =
            1 + (k == static_cast<int>(AspectKind::Opposition) || k == static_cast<int>(AspectKind::Trine) ||
                 k == static_cast<int>(AspectKind::Sextile));
        EXPECT_EQ((lines[{style.color.r, style.color.g, style.color.b}]), expected);
    }
    EXPECT_EQ(colours.size(), static_cast<std::size_t>(kAspectKindCount));
}

TEST(WheelPicture, TextsGrowWithThePictureAndKeepAReadableSize) {
    const WheelChart chart = chartOf({{0, 1, 10.f}});
    auto smallest = [&](double size) {
        double least = 1e9;
        const WheelPicture picture = drawWheel(chart, size, size);
        for (const TextShape* text : textsOf(picture))
            least = std::min(least, text->size);
        return least;
    };
    EXPECT_GE(smallest(150), 10.0);
    EXPECT_GE(smallest(300), 10.0);
    EXPECT_GT(smallest(1200), 2 * smallest(300));
    // Sizes that make no sense still give a picture.
    for (double size : {0.0, -5.0, std::nan(""), HUGE_VAL}) {
        const WheelPicture picture = drawWheel(chart, size, size);
        EXPECT_GE(picture.width, 1.0);
        EXPECT_FALSE(picture.shapes.empty());
    }
}

TEST(WheelPicture, DegreeLabels) {
    const struct {
        float degree;
        const char* label;
    } cases[] = {{10.f, "10°"},   {15.23f, "15.23°"}, {29.5f, "29.5°"}, {0.f, "0°"},
                 {-0.001f, "0°"}, {7.005f, "7.01°"},  {1e7f, "1e+07°"}, {NAN, "?"}};
    for (const auto& c : cases)
        EXPECT_EQ(degreeLabel(c.degree), c.label) << c.degree;
}

TEST(WheelSvg, WritesOneElementPerShapeWithTextsInUtf8AndEscaped) {
    const WheelChart chart = chartOf({{0, 1, 10.f}, {1, 7, 12.f}});
    const WheelPicture picture = drawWheel(chart, 400, wheelHeightForWidth(chart, 400));
    const std::string svg = wheelSvg(picture, "李<明>&\"x'\x01");
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
    EXPECT_NE(svg.find("<title>\xE6\x9D\x8E&lt;\xE6\x98\x8E&gt;&amp;&quot;x&apos;</title>"), std::string::npos);
    EXPECT_NE(svg.find(">\xE7\x99\xBD\xE7\xBE\x8A</text>"), std::string::npos);  // 白羊
    EXPECT_NE(svg.find("WenQuanYi Micro Hei"), std::string::npos);
    std::size_t elements = 0;
    for (const char* tag : {"<polygon ", "<circle ", "<line ", "<text "})
        for (std::size_t at = svg.find(tag); at != std::string::npos; at = svg.find(tag, at + 1))
            ++elements;
    EXPECT_EQ(elements, picture.shapes.size());
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

}  // namespace
}  // namespace chart
