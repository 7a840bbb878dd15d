#include "chart/wheel_label_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "wheel_geometry.h"

namespace chart {
namespace {

// The room of a 300-pixel wheel.
constexpr LabelField kField{{150, 150}, 119.208, 111.888, 46.92, 38.96, 1.2, 1.5};

double angularDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

double nearestDistance(Point from, const Box& box) {
    const double dx = std::max({box.left - from.x, 0.0, from.x - box.right});
    const double dy = std::max({box.top - from.y, 0.0, from.y - box.bottom});
    return std::hypot(dx, dy);
}

// A label as high as a planet's on a 300-pixel wheel (abbreviation over degree), as wide as its texts make it.
WheelLabel label(double place, double signStart, double width) {
    return {place, signStart, width, 23.76};
}

// Crowds a wheel turned to its ascendant puts at the left, at the top and round the bottom: labels pushed so far
// that a leader would have gone the long way round, runs that clashed only on paper, a crowd that fits only nearer
// the centre.
TEST(WheelLabelLayout, CrowdsGetLabelsClearOfEachOtherAndLeadersThatNeverCross) {
    const struct {
        const char* name;
        std::vector<WheelLabel> labels;
        double inner;
        bool deeper;  // fits only nearer the centre than inner
    } cases[] = {
        {"eight at the left, one above, one below",
         {label(180.757, 159.15, 40.86), label(178.478, 159.15, 38), label(177.956, 159.15, 42.06),
          label(178.883, 159.15, 38), label(177.756, 159.15, 38), label(180.405, 159.15, 38),
          label(177.733, 159.15, 42.06), label(125.335, 99.15, 38), label(183.736, 159.15, 38),
          label(208.860, 189.15, 40.86)},
         kField.inner,
         false},
        {"eight at the left, one across the circle",
         {label(171.153, 147.15, 28.76), label(162.464, 147.15, 42.06), label(162.401, 147.15, 38),
          label(164.384, 147.15, 38), label(161.318, 147.15, 42.06), label(169.358, 147.15, 42.06),
          label(161.654, 147.15, 42.06), label(169.321, 147.15, 38), label(25.787, 357.15, 38),
          label(210.718, 207.15, 40.86)},
         kField.inner,
         false},
        {"the same with less room outside inner",
         {label(171.153, 147.15, 28.76), label(162.464, 147.15, 42.06), label(162.401, 147.15, 38),
          label(164.384, 147.15, 38), label(161.318, 147.15, 42.06), label(169.358, 147.15, 42.06),
          label(161.654, 147.15, 42.06), label(169.321, 147.15, 38), label(25.787, 357.15, 38),
          label(210.718, 207.15, 40.86)},
         72.0,
         true},
        {"seven at the bottom",
         {label(266.831, 240.42, 40.86), label(270.911, 270.42, 40.86), label(269.881, 240.42, 38),
          label(267.337, 240.42, 40.86), label(264.534, 240.42, 40.86), label(263.325, 240.42, 38),
          label(196.060, 180.42, 40.86), label(270.182, 240.42, 38), label(50.618, 30.42, 40.86),
          label(70.962, 60.42, 38)},
         kField.inner,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<WheelLabel>& labels = c.labels;
        LabelField field = kField;
        field.inner = c.inner;
        const std::vector<LabelSpot> spots = layoutWheelLabels(labels, field);
        ASSERT_EQ(spots.size(), labels.size());
        bool deeper = false;
        for (std::size_t i = 0; i < spots.size(); ++i) {
            SCOPED_TRACE(i);
            const LabelSpot& spot = spots[i];
            const Point place = pointAt(kField.center, labels[i].place, kField.placeRadius);
            ASSERT_GE(spot.leader.size(), 2u);
            EXPECT_NEAR(spot.leader.front().x, place.x, 1e-9);
            EXPECT_NEAR(spot.leader.front().y, place.y, 1e-9);
            EXPECT_NEAR(spot.box.right - spot.box.left, labels[i].width, 1e-9);
            EXPECT_LT(angularDistance(spot.angle, labels[i].place), 180.0);
            const double nearest = nearestDistance(kField.center, spot.box);
            EXPECT_GE(nearest, kField.innermost - 1e-9);
            deeper = deeper || nearest < field.inner - 1e-9;
            for (std::size_t j = 0; j < spots.size(); ++j) {
                if (j == i)
                    continue;
                EXPECT_FALSE(spot.box.overlaps(spots[j].box)) << j;
                EXPECT_FALSE(wheeltest::leaderEntersBox(spot.leader, spots[j].box)) << j;
                if (j > i) {
                    EXPECT_FALSE(wheeltest::leadersMeet(spot.leader, spots[j].leader)) << j;
                }
            }
        }
        EXPECT_EQ(deeper, c.deeper);
    }
}

TEST(WheelLabelLayout, LabelsComeNoNearerTheCentreThanInnerWhereTheyFitThere) {
    LabelField field = kField;
    field.innermost = 0;  // none
    const std::vector<double> places = {10, 100, 190, 280};
    const std::vector<LabelSpot> spots =
        layoutWheelLabels({label(10, 0, 38), label(100, 90, 42), label(190, 180, 38), label(280, 270, 42)}, field);
    for (std::size_t i = 0; i < spots.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(nearestDistance(field.center, spots[i].box), field.inner - 1e-9);
        EXPECT_NEAR(spots[i].angle, places[i], 1e-9);  // alone, each stands in front of its place
    }
}

}  // namespace
}  // namespace chart
