#include "chart/wheel_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "chart/dignity_table.h"
#include "chart/houses.h"
#include "chart/wheel_svg.h"
#include "chart/zodiac_sign_table.h"
#include "wheel_geometry.h"

namespace chart {
namespace {

using namespace wheeltest;

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

// The arc of the circle a box covers seen from the centre, in degrees.
double arcOf(const WheelPicture& picture, const Box& box) {
    const Point middle{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    double least = 0, most = 0;
    for (const Point corner : {Point{box.left, box.top}, Point{box.right, box.top}, Point{box.left, box.bottom},
                               Point{box.right, box.bottom}}) {
        double d = angleOf(picture, corner) - angleOf(picture, middle);
        d = d > 180 ? d - 360 : d < -180 ? d + 360 : d;
        least = std::min(least, d);
        most = std::max(most, d);
    }
    return most - least;
}

int signOf(const PlacedPlanet& p) {
    return static_cast<int>(p.longitude / 30.0) % 12;
}

// Whether a screen angle lies in a sign (0 for Aries), whose arc starts at 180 degrees on the screen when the wheel
// is not turned, and the longitude at the left further clockwise when it is.
bool insideSign(double screenAngle, int sign, double leftLongitude) {
    const double from = 180.0 + sign * 30.0 - leftLongitude;
    return std::fmod(screenAngle - from + 720.0, 360.0) <= 30.0;
}

// How far a label may stand from its planet along the circle, where all labels together take no more than twice
// that side by side.
constexpr double kLabelReach = 60.0;

// The labels and their leaders: each label near its planet, inside its sign where the signs round it have room, no
// leader across another leader or a label not its own.
void expectClearLabels(const WheelPicture& picture) {
    std::array<double, 12> arcs{};
    double allArcs = 0;
    for (const PlacedPlanet& p : picture.planets) {
        arcs[static_cast<std::size_t>(signOf(p))] += arcOf(picture, p.label);
        allArcs += arcOf(picture, p.label);
    }
    // A crowd of labels reaches as far as half the arc it takes side by side.
    const double reach = std::max(kLabelReach, allArcs / 2);
    for (const PlacedPlanet& p : picture.planets) {
        SCOPED_TRACE(testing::Message() << "planet " << p.planet << " at " << p.screenAngle << ", label at "
                                        << p.labelAngle);
        EXPECT_LE(angularDistance(p.labelAngle, p.screenAngle), reach);
        const int sign = signOf(p);
        // The sign has room when its labels fit into it side by side, and so do those of every sign near enough
        // for its labels to be pushed over it.
        bool room = true;
        const int near = static_cast<int>(std::ceil(reach / 30.0));
        for (int other = sign - near; other <= sign + near; ++other)
            room = room && arcs[static_cast<std::size_t>((other + 12) % 12)] <= 30.0;
        if (room) {
            EXPECT_TRUE(insideSign(p.labelAngle, sign, picture.leftLongitude)) << "sign " << sign;
        }
        for (const PlacedPlanet& q : picture.planets) {
            if (q.planet == p.planet)
                continue;
            EXPECT_FALSE(leaderEntersBox(p.leader, q.label)) << "through the label of " << q.planet;
            if (q.planet > p.planet) {
                EXPECT_FALSE(leadersMeet(p.leader, q.leader)) << "across the leader of " << q.planet;
            }
        }
    }
}

// The chart as planet:sign:degree items, for a failure's trace.
std::string chartText(const WheelChart& chart) {
    std::ostringstream text;
    for (int p = 0; p < kPlanetCount; ++p) {
        const PlanetPosition& position = chart.planets[static_cast<std::size_t>(p)];
        text << (p > 0 ? "," : "") << p << ":" << position.sign << ":" << position.degree;
    }
    return text.str();
}

// Everything a picture promises, for any chart at any size.
void expectSoundPicture(const WheelChart& chart, const WheelPicture& picture) {
    SCOPED_TRACE(chartText(chart));
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
        EXPECT_NEAR(angularDistance(p.screenAngle, 180.0 + p.longitude - picture.leftLongitude), 0.0, 1e-9);
        EXPECT_LT(distance(picture.center, p.place), picture.ringInner);
        ASSERT_GE(p.leader.size(), 2u);
        EXPECT_EQ(p.leader.front().x, p.place.x);
        EXPECT_EQ(p.leader.front().y, p.place.y);
        const Box& b = p.label;
        const Point to = p.leader.back();
        const bool onEdge = (std::fabs(to.x - b.left) < 1e-6 || std::fabs(to.x - b.right) < 1e-6 ||
                             std::fabs(to.y - b.top) < 1e-6 || std::fabs(to.y - b.bottom) < 1e-6) &&
                            to.x >= b.left - 1e-6 && to.x <= b.right + 1e-6 && to.y >= b.top - 1e-6 &&
                            to.y <= b.bottom + 1e-6;
        EXPECT_TRUE(onEdge);
        // Until it reaches it, the leader stays outside its own label.
        EXPECT_FALSE(leaderEntersBox(p.leader, b));
        // The label stands between the aspect circle (or the house ring round it) and the sign ring.
        for (const Point corner :
             {Point{b.left, b.top}, Point{b.right, b.top}, Point{b.left, b.bottom}, Point{b.right, b.bottom}}) {
            EXPECT_LT(distance(picture.center, corner), picture.ringInner);
            EXPECT_GT(distance(picture.center, corner), picture.houses ? picture.houses->outer : picture.aspectRadius);
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
    expectClearLabels(picture);
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
        {1, 10.f, 10, 190},                              // Aries: left, a little below the middle
        {4, 0.5f, 90 + 50 / 60.0, 270 + 50 / 60.0},      // Cancer: at the bottom (0 degrees 50 minutes)
        {7, 15.f, 195, 15},                              // Libra: right, a little above
        {10, 0.5f, 270 + 50 / 60.0, 90 + 50 / 60.0},     // Capricorn: at the top
        {12, 29.5f, 359 + 50 / 60.0, 179 + 50 / 60.0},   // the degree is degree.minutes
        {10, 11.16f, 281 + 16 / 60.0, 101 + 16 / 60.0},  // 11 degrees 16 minutes
        {1, 45.f, 45, 225},                              // degrees are not checked: 45 in Aries is 15 in Taurus
        {1, -5.f, 355, 175},                             // and below 0 counts back into Pisces
        {2, 0.f, 30, 210},                               // no degree entered: the start of the sign
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
        EXPECT_LE(picture.planets[p].labelAngle, picture.planets[p + 1].labelAngle);
    for (const PlacedPlanet& p : picture.planets)
        EXPECT_LT(angularDistance(p.labelAngle, p.screenAngle), 45.0) << p.planet;
}

// A planet at a longitude, as a card holds it: its sign and the degree in the sign as degree.minutes.
PlanetPosition positionAt(double longitude) {
    const double l = std::fmod(std::fmod(longitude, 360.0) + 360.0, 360.0);
    const int sign = std::min(11, static_cast<int>(l / 30.0));
    const double degrees = l - 30.0 * sign;
    const double whole = std::floor(degrees);
    return {sign + 1, static_cast<float>(whole + (degrees - whole) * 60.0 / 100.0)};
}

TEST(WheelPicture, AnyChartAtAnySizeKeepsItsPromises) {
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> longitude(0, 360);
    std::uniform_real_distribution<double> unit(0, 1);
    std::uniform_int_distribution<int> sign(-1, 13);  // now and then none
    std::uniform_real_distribution<float> degree(0.f, 30.f);
    // A group: three to ten planets within up to twelve degrees around a point, the others anywhere.
    auto group = [&](double around) {
        WheelChart chart;
        const int members = 3 + static_cast<int>(unit(random) * 8);
        const double spread = unit(random) * 12;
        for (int p = 0; p < kPlanetCount; ++p)
            chart.planets[static_cast<std::size_t>(p)] =
                p < members ? positionAt(around + (unit(random) - 0.5) * spread) : positionAt(longitude(random));
        return chart;
    };
    const struct {
        const char* name;
        std::function<WheelChart()> draw;
    } kinds[] = {
        {"anywhere",
         [&] {
             WheelChart chart;
             for (PlanetPosition& p : chart.planets)
                 p = {sign(random), degree(random)};
             return chart;
         }},
        {"in three neighbouring signs",
         [&] {
             WheelChart chart;
             const double first = std::floor(longitude(random) / 30) * 30;
             for (PlanetPosition& p : chart.planets)
                 p = positionAt(first + unit(random) * 90);
             return chart;
         }},
        {"a tight group", [&] { return group(longitude(random)); }},
        {"a group across 0 degrees of Aries", [&] { return group(0); }},
    };
    for (const auto& kind : kinds) {
        for (int round = 0; round < 30; ++round) {
            const WheelChart chart = kind.draw();
            for (const double size : {kSizes[0], kSizes[1], kSizes[2], 300 + unit(random) * 900}) {
                SCOPED_TRACE(testing::Message() << kind.name << ", round " << round << ", " << size << " pixels");
                expectSoundPicture(chart, drawWheel(chart, size, wheelHeightForWidth(chart, size)));
            }
        }
    }
}

// Crowds that once sent leaders across each other or labels farther round the circle than they need go.
TEST(WheelPicture, ACrowdKeepsItsLeadersApartAndItsLabelsNearTheirPlaces) {
    const struct {
        const char* name;
        double size;
        std::array<double, kPlanetCount> longitudes;
    } cases[] = {
        {"a crowd in Aries whose run reached round the circle",
         300,
         {12.7693, 15.1624, 18.2276, 16.3227, 11.8207, 16.8313, 3.32723, 357.681, 228.433, 152.713}},
        {"nine in Gemini",
         600,
         {63.3708, 69.3106, 70.1625, 63.1193, 66.9822, 67.9728, 64.0718, 65.9618, 68.6971, 353.941}},
        {"nine at the left",
         600,
         {1.62535, 1.75252, 0.699249, 0.521482, 0.918244, 0.0359372, 359.121, 1.36094, 0.0929401, 312.308}},
        {"eight across 0 degrees of Aries",
         600,
         {0.077948, 0.126673, 0.019914, 0.0141894, 359.969, 0.09208, 359.954, 359.978, 278.186, 10.7427}},
        {"eight in Gemini with two far off",
         600,
         {87.6307, 79.8219, 80.4417, 88.7762, 88.2268, 80.157, 80.4554, 83.2243, 289.885, 6.26156}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " at " << c.size);
        WheelChart chart;
        for (std::size_t p = 0; p < chart.planets.size(); ++p)
            chart.planets[p] = positionAt(c.longitudes[p]);
        expectSoundPicture(chart, drawWheel(chart, c.size, wheelHeightForWidth(chart, c.size)));
    }
}

TEST(WheelPicture, ATightGroupStacksInwardsAndTakesLessOfTheCircleThanSideBySide) {
    const struct {
        const char* name;
        WheelChart chart;
    } cases[] = {
        {"five at one degree at the top",
         chartOf({{0, 10, 7.f}, {1, 10, 7.f}, {2, 10, 7.f}, {3, 10, 7.f}, {4, 10, 7.f}})},
        {"five within four degrees at the side",
         chartOf({{0, 7, 12.f}, {1, 7, 13.f}, {2, 7, 14.f}, {3, 7, 15.f}, {4, 7, 16.f}})},
        {"the example card's five in Capricorn",
         chartOf({{0, 10, 11.87f}, {2, 10, 25.02f}, {6, 10, 28.9f}, {7, 10, 9.71f}, {8, 10, 15.22f}})},
    };
    for (const auto& c : cases) {
        for (const double size : {600.0, 1200.0}) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << size);
            const WheelPicture picture = drawWheel(c.chart, size, wheelHeightForWidth(c.chart, size));
            double least = 360, most = -360, sideBySide = 0;
            bool stacked = false;
            const double outermost = distance(picture.center, picture.planets.front().place);
            for (const PlacedPlanet& p : picture.planets) {
                const double arc = arcOf(picture, p.label);
                sideBySide += arc;
                const double from =
                    std::fmod(p.labelAngle - picture.planets.front().screenAngle + 540.0, 360.0) - 180.0;
                least = std::min(least, from - arc / 2);
                most = std::max(most, from + arc / 2);
                // Further in than a label's own height below the others.
                const Point middle{(p.label.left + p.label.right) / 2, (p.label.top + p.label.bottom) / 2};
                stacked = stacked || distance(picture.center, middle) < outermost - 2 * (p.label.bottom - p.label.top);
            }
            EXPECT_TRUE(stacked);
            EXPECT_LT(most - least, sideBySide);
        }
    }
}

TEST(WheelPicture, TheDegreeScaleHasATickAtEveryDegreeLongerAtEveryFifthAndTenth) {
    for (const double size : kSizes) {
        SCOPED_TRACE(size);
        const WheelPicture picture = drawWheel(WheelChart{}, size, wheelHeightForWidth(WheelChart{}, size));
        // The lines that stand on the ring's inner edge and point outwards, by the degree they stand at.
        std::map<int, double> lengths;
        for (const Shape& shape : picture.shapes) {
            const auto* line = std::get_if<LineShape>(&shape);
            if (line == nullptr || std::fabs(distance(picture.center, line->from) - picture.ringInner) > 1e-6 ||
                distance(picture.center, line->to) <= picture.ringInner)
                continue;
            const double longitude = std::fmod(angleOf(picture, line->from) - 180.0 + 360.0, 360.0);
            const int degree = static_cast<int>(std::lround(longitude)) % 360;
            EXPECT_NEAR(longitude, std::round(longitude), 1e-6);
            EXPECT_EQ(lengths.count(degree), 0u) << degree;
            lengths[degree] = distance(picture.center, line->to) - picture.ringInner;
        }
        ASSERT_EQ(lengths.size(), 360u);
        const double ring = picture.ringOuter - picture.ringInner;
        for (const auto& [degree, length] : lengths) {
            SCOPED_TRACE(degree);
            if (degree % 30 == 0)
                EXPECT_NEAR(length, ring, 1e-6);  // the border between two signs
            else if (degree % 10 == 0)
                EXPECT_GT(length, lengths.at(5));
            else if (degree % 5 == 0)
                EXPECT_GT(length, lengths.at(1));
            else
                EXPECT_NEAR(length, lengths.at(1), 1e-9);
        }
        EXPECT_GT(lengths.at(1), 0.0);
        EXPECT_LT(lengths.at(10), ring / 2);  // the sign's name has the rest of the ring
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
    // The sun in Aries has the mark 旺.
    const WheelChart chart = chartOf({{0, 1, 10.f}});
    auto smallest = [&](double size, bool chinese) {
        double least = 1e9;
        const WheelPicture picture = drawWheel(chart, size, size);
        for (const TextShape* text : textsOf(picture)) {
            // Chinese: made of double-byte characters only (a degree's sign is one too, its digits are not).
            const bool allChinese = std::all_of(text->text.begin(), text->text.end(),
                                                [](char c) { return static_cast<unsigned char>(c) >= 0x81; });
            if (allChinese == chinese)
                least = std::min(least, text->size);
        }
        return least;
    };
    for (const double size : {150.0, 300.0}) {
        SCOPED_TRACE(size);
        EXPECT_GE(smallest(size, false), 10.0);  // digits
        EXPECT_GE(smallest(size, true), 12.0);   // Chinese: names, marks, the legend
    }
    EXPECT_GT(smallest(1200, false), 2 * smallest(300, false));
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
    } cases[] = {{10.f, "10°"},   {15.23f, "15°23'"}, {29.5f, "29°50'"},  {0.f, "0°"},
                 {-0.001f, "0°"}, {7.005f, "7°01'"},  {11.87f, "12°27'"}, {29.999f, "30°40'"},
                 {-5.f, "-5°"},   {-0.5f, "-0°50'"},  {1e7f, "1e+07°"},   {NAN, "?"}};
    for (const auto& c : cases)
        EXPECT_EQ(degreeLabel(c.degree), c.label) << c.degree;
}

// --- houses ---------------------------------------------------------------------------------------------------

// A longitude rounded to the minute, as the calculator gives positions, and as a card keeps it.
PlanetPosition minuteAt(double longitude) {
    return positionAt(std::round(longitude * 60.0) / 60.0);
}

// Houses from longitudes: the ascendant, the midheaven and cusps 1..12.
Houses housesOf(HouseSystem system, double ascendant, double midheaven, const std::array<double, kHouseCount>& cusps) {
    Houses houses;
    houses.system = system;
    houses.ascendant = minuteAt(ascendant);
    houses.midheaven = minuteAt(midheaven);
    for (std::size_t h = 0; h < cusps.size(); ++h)
        houses.cusps[h] = minuteAt(cusps[h]);
    return houses;
}

// Whole-sign houses: cusp 1 at 0 degrees of the ascendant's sign.
Houses wholeSignHouses(double ascendant, double midheaven) {
    std::array<double, kHouseCount> cusps{};
    for (std::size_t h = 0; h < cusps.size(); ++h)
        cusps[h] = std::floor(ascendant / 30.0) * 30.0 + 30.0 * static_cast<double>(h);
    return housesOf(HouseSystem::WholeSign, ascendant, midheaven, cusps);
}

// The example card (汕头, 1991.1.2 12:55) as the calculator answers for it, with its houses.
WheelChart exampleChart() {
    WheelChart chart = chartOf({{0, 10, 11.16f},
                                {1, 5, 1.14f},
                                {2, 9, 23.53f},
                                {3, 10, 26.13f},
                                {4, 2, 27.45f},
                                {5, 5, 11.51f},
                                {6, 10, 25.48f},
                                {7, 10, 9.48f},
                                {8, 10, 14.09f},
                                {9, 8, 19.37f}});
    Houses houses;
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
    chart.houses = houses;
    return chart;
}

// The point at a screen angle and radius from the picture's centre.
Point pointOn(const WheelPicture& picture, double angle, double radius) {
    const double a = angle * std::numbers::pi / 180.0;
    return {picture.center.x + radius * std::cos(a), picture.center.y - radius * std::sin(a)};
}

double longitudeOf(const PlanetPosition& position) {
    return *zodiacLongitude(position);
}

// Whether a line of the picture runs along the radius at a screen angle from one radius to at least another.
bool radialLine(const WheelPicture& picture, double angle, double from, double to) {
    for (const Shape& shape : picture.shapes) {
        const auto* line = std::get_if<LineShape>(&shape);
        if (line == nullptr)
            continue;
        const double r1 = distance(picture.center, line->from);
        const double r2 = distance(picture.center, line->to);
        if (angularDistance(angleOf(picture, line->from), angle) < 1e-6 &&
            angularDistance(angleOf(picture, line->to), angle) < 1e-6 && std::fabs(r1 - from) < 1e-6 && r2 >= to - 1e-6)
            return true;
    }
    return false;
}

const TextShape* textInside(const WheelPicture& picture, const std::string& value, const Box& box) {
    for (const TextShape* text : textsOf(picture)) {
        const Point middle{(text->box.left + text->box.right) / 2, (text->box.top + text->box.bottom) / 2};
        if (text->text == value && middle.x > box.left && middle.x < box.right && middle.y > box.top &&
            middle.y < box.bottom)
            return text;
    }
    return nullptr;
}

// The chart's houses as positions, for a failure's trace.
std::string housesText(const Houses& houses) {
    std::ostringstream text;
    text << (houses.system == HouseSystem::WholeSign ? "W" : "P");
    for (const PlanetPosition& p : {houses.ascendant, houses.midheaven})
        text << " " << p.sign << ":" << p.degree;
    for (const PlanetPosition& p : houses.cusps)
        text << " " << p.sign << ":" << p.degree;
    return text.str();
}

// Everything the houses promise: the ascendant exactly at the left, the midheaven where its longitude puts it, both
// axes across the house ring and the sign ring with their names outside it, every cusp across the house ring at its
// longitude, each house's number in the ring, each planet's house right and shown in its label, the signs' names
// clear of the axes; and everything a picture promises.
void expectHousesDrawn(const WheelChart& chart, const WheelPicture& picture) {
    SCOPED_TRACE(housesText(*chart.houses));
    ASSERT_TRUE(picture.houses);
    const Houses& houses = *chart.houses;
    const PlacedHouses& placed = *picture.houses;
    EXPECT_EQ(placed.system, houses.system);
    const double left = longitudeOf(houses.ascendant);
    EXPECT_NEAR(picture.leftLongitude, left, 1e-9);
    auto screen = [&](double longitude) { return std::fmod(180.0 + longitude - left + 720.0, 360.0); };
    const double axes[] = {left, left + 180, longitudeOf(houses.midheaven), longitudeOf(houses.midheaven) + 180};
    const std::string names[] = {"上升", "下降", "天顶", "天底"};
    for (std::size_t a = 0; a < std::size(axes); ++a) {
        SCOPED_TRACE(names[a]);
        const AxisEnd& end = placed.axes[a];
        EXPECT_NEAR(angularDistance(end.longitude, axes[a]), 0.0, 1e-9);
        EXPECT_NEAR(angularDistance(end.screenAngle, screen(axes[a])), 0.0, 1e-9);
        EXPECT_TRUE(radialLine(picture, end.screenAngle, picture.ringInner, picture.ringOuter));
        EXPECT_TRUE(radialLine(picture, end.screenAngle, placed.inner, placed.outer));
        // The name in the sign ring beside its axis, in one piece or one character over the other, crossed by no
        // axis.
        const Box& b = end.label;
        const bool whole = textInside(picture, names[a], b) != nullptr;
        const bool upright =
            textInside(picture, names[a].substr(0, 2), b) && textInside(picture, names[a].substr(2), b);
        EXPECT_TRUE(whole || upright);
        const Point middle{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
        EXPECT_GT(distance(picture.center, middle), picture.ringInner);
        EXPECT_LT(distance(picture.center, middle), picture.ringOuter);
        EXPECT_LT(angularDistance(angleOf(picture, middle), end.screenAngle), 30.0);
        for (const AxisEnd& other : placed.axes) {
            EXPECT_FALSE(segmentThroughBox(pointOn(picture, other.screenAngle, picture.ringInner),
                                           pointOn(picture, other.screenAngle, picture.ringOuter), b));
        }
    }
    EXPECT_NEAR(placed.axes[0].screenAngle, 180.0, 1e-9);
    std::array<double, kHouseCount> cusps{};
    for (std::size_t h = 0; h < cusps.size(); ++h) {
        SCOPED_TRACE(testing::Message() << "cusp " << h + 1);
        cusps[h] = screen(longitudeOf(houses.cusps[h]));
        EXPECT_NEAR(angularDistance(placed.cusps[h], longitudeOf(houses.cusps[h])), 0.0, 1e-9);
        EXPECT_TRUE(radialLine(picture, cusps[h], placed.inner, placed.outer));
    }
    for (std::size_t h = 0; h < cusps.size(); ++h) {
        SCOPED_TRACE(testing::Message() << "house " << h + 1);
        const Box& b = placed.numbers[h];
        EXPECT_TRUE(textInside(picture, std::to_string(h + 1), b));
        const Point middle{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
        EXPECT_GT(distance(picture.center, middle), placed.inner);
        EXPECT_LT(distance(picture.center, middle), placed.outer);
        // In its house, where the house has room for it.
        const double span = std::fmod(cusps[(h + 1) % cusps.size()] - cusps[h] + 360.0, 360.0);
        if (span >= 40.0) {
            EXPECT_LT(std::fmod(angleOf(picture, middle) - cusps[h] + 360.0, 360.0), span);
        }
    }
    for (const PlacedPlanet& p : picture.planets) {
        SCOPED_TRACE(testing::Message() << "planet " << p.planet << " in house " << p.house);
        ASSERT_GE(p.house, 1);
        ASSERT_LE(p.house, kHouseCount);
        EXPECT_EQ(p.house, houseOf(houses, p.longitude));
        // Counter-clockwise from its house's cusp, before the next.
        const double from = cusps[static_cast<std::size_t>(p.house - 1)];
        const double to = cusps[static_cast<std::size_t>(p.house % kHouseCount)];
        EXPECT_LT(std::fmod(p.screenAngle - from + 360.0 + 1e-9, 360.0), std::fmod(to - from + 360.0, 360.0) + 1e-9);
        EXPECT_TRUE(textInside(picture, std::to_string(p.house), p.label));
    }
    // The signs' names keep to their signs and no axis crosses one.
    for (int s = 1; s <= kSignCount; ++s) {
        for (const TextShape* text : textsOf(picture)) {
            if (text->text != signComboText(s))
                continue;
            const Point middle{(text->box.left + text->box.right) / 2, (text->box.top + text->box.bottom) / 2};
            EXPECT_TRUE(insideSign(angleOf(picture, middle), s - 1, picture.leftLongitude)) << text->text;
            for (const AxisEnd& end : placed.axes) {
                EXPECT_FALSE(segmentThroughBox(pointOn(picture, end.screenAngle, picture.ringInner),
                                               pointOn(picture, end.screenAngle, picture.ringOuter), text->box))
                    << text->text;
            }
        }
    }
    expectSoundPicture(chart, picture);
}

TEST(WheelHouses, TheExampleCardTurnsItsAscendantToTheLeftAndShowsEachPlanetsHouse) {
    const WheelChart chart = exampleChart();
    // As the houses' own reading gives them: sun 9, moon 4, mercury 8, venus 10, mars 1, jupiter 4, saturn 10,
    // uranus 9, neptune 9, pluto 7.
    const int houses[] = {9, 4, 8, 10, 1, 4, 10, 9, 9, 7};
    for (const double size : kSizes) {
        SCOPED_TRACE(size);
        const WheelPicture picture = drawWheel(chart, size, wheelHeightForWidth(chart, size));
        expectHousesDrawn(chart, picture);
        ASSERT_EQ(picture.planets.size(), 10u);
        for (const PlacedPlanet& p : picture.planets)
            EXPECT_EQ(p.house, houses[p.planet]) << p.planet;
        // The ascendant, 28°35' of Aries, at the left; the midheaven, 20°07' of Capricorn, 98°28' further clockwise,
        // near the top.
        EXPECT_NEAR(picture.leftLongitude, 28 + 35 / 60.0, 1e-4);
        EXPECT_NEAR(picture.houses->axes[2].screenAngle, 180 - (98 + 28 / 60.0), 1e-4);
        std::set<std::string> legend;
        for (const TextShape* text : textsOf(picture))
            if (text->box.top >= picture.legend.top)
                legend.insert(text->text);
        EXPECT_EQ(legend.count("上升 白羊28°35'"), 1u);
        EXPECT_EQ(legend.count("天顶 摩羯20°07'"), 1u);
        EXPECT_EQ(legend.count("普拉西德制"), 1u);
        EXPECT_EQ(legend.count("宫位"), 1u);
    }
}

TEST(WheelHouses, WholeSignHousesBeginAtTheSignsAndTheLegendSaysSo) {
    // Within the polar circles: the midheaven two degrees from the ascendant (69.65N, 1991.1.2 12:55), and one a
    // quarter of the circle away (78.22N, 1991.6.21 12:00).
    const struct {
        const char* name;
        Houses houses;
    } cases[] = {
        {"Tromsø", wholeSignHouses(270 + 29 + 6 / 60.0, 270 + 27 + 16 / 60.0)},
        {"Svalbard", wholeSignHouses(150 + 29 + 55 / 60.0, 60 + 29 + 48 / 60.0)},
    };
    for (const auto& c : cases) {
        for (const double size : kSizes) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << size);
            WheelChart chart = exampleChart();
            chart.houses = c.houses;
            const WheelPicture picture = drawWheel(chart, size, wheelHeightForWidth(chart, size));
            expectHousesDrawn(chart, picture);
            // The cusps on the signs' borders.
            for (const double cusp : picture.houses->cusps)
                EXPECT_NEAR(std::fmod(cusp, 30.0), 0.0, 1e-9);
            int found = 0;
            for (const TextShape* text : textsOf(picture))
                found += text->text == "整宫制" && text->box.top >= picture.legend.top;
            EXPECT_EQ(found, 1);
            // Names near each other stand apart.
            const std::array<AxisEnd, kAxisCount>& axes = picture.houses->axes;
            for (std::size_t a = 0; a < axes.size(); ++a)
                for (std::size_t b = a + 1; b < axes.size(); ++b)
                    EXPECT_FALSE(axes[a].label.overlaps(axes[b].label)) << a << " / " << b;
        }
    }
}

TEST(WheelHouses, HousesThatCannotBeDrawnAreLeftOutAndSaidSo) {
    const struct {
        const char* name;
        std::function<void(Houses&)> spoil;
    } cases[] = {
        {"no ascendant", [](Houses& h) { h.ascendant.sign = 0; }},
        {"a cusp of no number", [](Houses& h) { h.cusps[5].degree = std::nanf(""); }},
        {"two cusps swapped", [](Houses& h) { std::swap(h.cusps[1], h.cusps[2]); }},
        {"every cusp at one place",
         [](Houses& h) {
             h.cusps.fill({3, 3.f});
         }},
    };
    WheelChart without = exampleChart();
    without.houses.reset();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WheelChart chart = exampleChart();
        c.spoil(*chart.houses);
        const WheelPicture picture = drawWheel(chart, 600, wheelHeightForWidth(chart, 600));
        const WheelPicture plain = drawWheel(without, 600, wheelHeightForWidth(without, 600));
        EXPECT_FALSE(picture.houses);
        EXPECT_EQ(picture.leftLongitude, 0.0);
        ASSERT_EQ(picture.planets.size(), plain.planets.size());
        for (std::size_t i = 0; i < picture.planets.size(); ++i) {
            EXPECT_EQ(picture.planets[i].house, 0);
            EXPECT_NEAR(angleOf(picture, picture.planets[i].place), angleOf(plain, plain.planets[i].place), 1e-9);
        }
        int said = 0;
        for (const TextShape* text : textsOf(picture))
            said += text->text == "宫位数据有误，未画出" && text->box.top >= picture.legend.top;
        EXPECT_EQ(said, 1);
        expectSoundPicture(chart, picture);
    }
}

TEST(WheelHouses, AnyChartWithAnyHousesAtAnySizeKeepsItsPromises) {
    std::mt19937 random(20261210);
    std::uniform_real_distribution<double> longitude(0, 360);
    std::uniform_real_distribution<double> unit(0, 1);
    // Placidus: the midheaven about a quarter of the circle clockwise from the ascendant, the other cusps anywhere
    // in order between the axes, now and then two close together.
    auto placidus = [&] {
        const double ascendant = longitude(random);
        const double midheaven = ascendant - 90 + (unit(random) - 0.5) * 100;
        const double imumCoeli = midheaven + 180;
        std::array<double, kHouseCount> cusps{};
        const double axes[] = {ascendant, imumCoeli, ascendant + 180, midheaven + 360};
        for (std::size_t quarter = 0; quarter < 4; ++quarter) {
            const double from = axes[quarter];
            const double to = quarter + 1 < 4 ? axes[quarter + 1] : ascendant + 360;
            double a = unit(random), b = unit(random);
            if (unit(random) < 0.2)
                b = a + 0.01;
            cusps[quarter * 3] = from;
            cusps[quarter * 3 + 1] = from + (to - from) * std::min(a, b);
            cusps[quarter * 3 + 2] = from + (to - from) * std::min(1.0, std::max(a, b));
        }
        return housesOf(HouseSystem::Placidus, ascendant, midheaven, cusps);
    };
    auto wholeSign = [&] { return wholeSignHouses(longitude(random), longitude(random)); };
    // A group: three to seven planets within up to twelve degrees around a point, as crowded as real charts get (the
    // plain wheel's test takes crowds of up to ten), the others anywhere.
    auto planets = [&](double around, bool grouped) {
        WheelChart chart;
        const int members = grouped ? 3 + static_cast<int>(unit(random) * 5) : 0;
        const double spread = unit(random) * 12;
        for (int p = 0; p < kPlanetCount; ++p)
            chart.planets[static_cast<std::size_t>(p)] =
                p < members ? positionAt(around + (unit(random) - 0.5) * spread) : positionAt(longitude(random));
        return chart;
    };
    const struct {
        const char* name;
        std::function<WheelChart()> draw;
    } kinds[] = {
        {"Placidus, planets anywhere",
         [&] {
             WheelChart chart = planets(0, false);
             chart.houses = placidus();
             return chart;
         }},
        {"Placidus, a group at the ascendant",
         [&] {
             const Houses houses = placidus();
             WheelChart chart = planets(longitudeOf(houses.ascendant), true);
             chart.houses = houses;
             return chart;
         }},
        {"whole signs, a group at the midheaven",
         [&] {
             const Houses houses = wholeSign();
             WheelChart chart = planets(longitudeOf(houses.midheaven), true);
             chart.houses = houses;
             return chart;
         }},
        {"whole signs, a group anywhere",
         [&] {
             WheelChart chart = planets(longitude(random), true);
             chart.houses = wholeSign();
             return chart;
         }},
    };
    for (const auto& kind : kinds) {
        for (int round = 0; round < 30; ++round) {
            const WheelChart chart = kind.draw();
            ASSERT_TRUE(housesUsable(*chart.houses)) << housesText(*chart.houses);
            for (const double size : {kSizes[0], kSizes[1], kSizes[2], 300 + unit(random) * 900}) {
                SCOPED_TRACE(testing::Message() << kind.name << ", round " << round << ", " << size << " pixels");
                expectHousesDrawn(chart, drawWheel(chart, size, wheelHeightForWidth(chart, size)));
            }
        }
    }
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
