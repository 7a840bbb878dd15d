#pragma once

#include <vector>

#include "chart/wheel_picture.h"

// Where the planets' labels of a chart wheel stand, and the leaders from their places: each label near its place,
// clear of every other label, the labels of a tight group stacked inwards in two rows, each inside its own sign
// where the sign has room; each leader leaves its place, runs along a track of its own in the band between the
// places and the labels, and drops into its label, so that it crosses no other leader and no label. Angles are
// screen angles in degrees (counter-clockwise from the positive x axis).
namespace chart {

// One label to place: its planet's exact place, the start of that planet's sign (which ends 30 degrees further on)
// and the size of its box.
struct WheelLabel {
    double place = 0;
    double signStart = 0;
    double width = 0;
    double height = 0;
};

// The ring between the places and the aspect circle where labels may stand, and the room they keep.
struct LabelField {
    Point center;
    double placeRadius = 0;  // the exact places lie on this circle
    double outer = 0;        // no corner of a label reaches beyond this radius while the leaders' tracks fit above
    double inner = 0;        // no point of a label comes nearer the centre than this
    double innermost = 0;    // or than this, where the labels do not fit outside inner at all (0: as inner)
    double pad = 0;          // the least room between two labels
    double clearance = 0;    // the least room between a leader and another leader or any label but its own
};

struct LabelSpot {
    double angle = 0;  // of the label's middle, 0 <= angle < 360
    Box box;
    std::vector<Point> leader;  // from the exact place to the edge of the box
};

// The spot of each label, in the order given.
std::vector<LabelSpot> layoutWheelLabels(const std::vector<WheelLabel>& labels, const LabelField& field);

// The point at a screen angle and radius from a centre (y grows downwards).
Point pointAt(Point center, double angle, double radius);

// The angle in 0 <= angle < 360.
double normalizedAngle(double degrees);

// Whether the segment from p to q runs through the inside of the box; touching its edge does not count.
bool segmentEntersBox(Point p, Point q, const Box& box);

}  // namespace chart
