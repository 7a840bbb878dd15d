#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "chart/chart_engine.h"
#include "chart/houses.h"

// The chart wheel of one card as a picture: the twelve signs as a ring (0 degrees of Aries at the left, longitude
// growing counter-clockwise) with a degree scale, each planet with a sign at its place marked by its abbreviation,
// degree and dignity mark, labels that stand close pushed apart (and stacked inwards) with a leader to the exact
// place, a line for every aspect the aspect engine finds, a legend, and the planets without a sign named. With houses
// the wheel is turned so that the ascendant lies at the left, the two axes cross the wheel with their names in the sign
// ring, the cusps cross a ring of house numbers inside the labels, and each label shows its planet's house in a
// small circle.
// The picture is a list of plain shapes in pixels (y downwards) that any renderer draws in order; texts are GBK. No
// platform type.
namespace chart {

// What a wheel shows: the ten positions of a card (planet order), a title for its window or file (GBK), and the
// houses when they are known.
struct WheelChart {
    PlanetPositions planets{};
    std::string title{};
    std::optional<Houses> houses{};
};

struct Point {
    double x = 0;
    double y = 0;
};

struct Box {
    double left = 0, top = 0, right = 0, bottom = 0;
    bool overlaps(const Box& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
};

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Color&) const = default;
};

// A line's colour, width and dash pattern (lengths of dash, gap, dash, ... in pixels; empty: solid).
struct Stroke {
    Color color{};
    double width = 1;
    std::vector<double> dashes{};
};

struct PolygonShape {
    std::vector<Point> points;
    Color fill;
};
struct CircleShape {
    Point center;
    double radius = 0;
    Stroke stroke;
    bool filled = false;
    Color fill{};
};
struct LineShape {
    Point from;
    Point to;
    Stroke stroke;
};
enum class TextAnchor { Start, Middle, End };
// A line of text standing on its baseline; the anchor says which end of the text (or its middle) is at the point.
// box is where the text is taken to stand, from the widths a CJK font gives its characters.
struct TextShape {
    Point baseline;
    std::string text;  // GBK
    double size = 10;  // the font's em height in pixels
    Color color{};
    TextAnchor anchor = TextAnchor::Middle;
    Box box{};
};
using Shape = std::variant<PolygonShape, CircleShape, LineShape, TextShape>;

// Where one planet stands in the picture.
struct PlacedPlanet {
    int planet = 0;
    double longitude = 0;  // along the zodiac, its degree read as degree.minutes, 0 <= longitude < 360
    // Degrees counter-clockwise from the positive x axis: 180 + longitude - WheelPicture::leftLongitude, modulo 360.
    double screenAngle = 0;
    double labelAngle = 0;  // the same for the middle of its label, which may be pushed aside
    Point place;            // the exact place on the inside of the sign ring
    Point aspectPoint;      // where its aspect lines end
    Box label;              // house, abbreviation, degree and mark together
    int house = 0;          // 1..12 with houses, 0 without
    // From the exact place to the edge of the label: straight in where the label stands in front of its place,
    // otherwise slantwise into the band above the labels, along a circle there and in again.
    std::vector<Point> leader;
    std::string_view mark;  // dignity mark, empty when none
};

struct AspectLine {
    Aspect aspect;
    Point from;
    Point to;
};

enum class Axis { Ascendant, Descendant, Midheaven, ImumCoeli };
inline constexpr int kAxisCount = 4;

// One end of an axis: its line across the sign ring and the house ring, and its name in the sign ring beside it.
struct AxisEnd {
    Axis axis = Axis::Ascendant;
    double longitude = 0;
    double screenAngle = 0;
    Box label;  // its name: counter-clockwise beside the line, or further aside where something is in the way
};

// The houses as the picture shows them.
struct PlacedHouses {
    HouseSystem system = HouseSystem::Placidus;
    std::array<double, kHouseCount> cusps{};  // the longitudes of cusps 1..12
    std::array<AxisEnd, kAxisCount> axes{};   // by Axis
    double inner = 0;                         // the house ring's inner edge, where the aspect circle runs
    double outer = 0;                         // and its outer edge; the cusps cross the ring
    std::array<Box, kHouseCount> numbers{};   // where the number of each house stands
};

struct WheelPicture {
    double width = 0;
    double height = 0;
    std::vector<Shape> shapes;  // in drawing order
    // What the shapes show, for callers and tests.
    Point center;
    double ringOuter = 0;
    double ringInner = 0;  // the degree scale's ticks stand on it, reaching outwards into the ring
    double aspectRadius = 0;
    double leftLongitude = 0;  // the longitude at the left: the ascendant's with houses, otherwise 0
    std::vector<PlacedPlanet> planets;
    std::vector<AspectLine> aspects;
    std::vector<int> unplaced;           // planets without a sign, in planet order
    std::optional<PlacedHouses> houses;  // none without houses, or with houses that cannot be drawn
    Box legend;
};

// The look of each aspect kind, by AspectKind, and its name ("刑", ...).
struct AspectStyle {
    std::string_view name;
    Color color;
    std::vector<double> dashes;  // in units of the line's width
};
const std::array<AspectStyle, kAspectKindCount>& aspectStyles();

// The wheel drawn into width x height pixels: the legend at the bottom, the wheel as large as the rest allows.
// Texts grow with the picture and never fall below a readable size. Houses that are not usable (see housesUsable)
// are left out and the legend says so.
WheelPicture drawWheel(const WheelChart& chart, double width, double height);

// The height a picture of this width needs for a wheel as wide as the picture and its legend below.
double wheelHeightForWidth(const WheelChart& chart, double width);

// The degree as a label shows it: the card's degree.minutes as degrees and minutes, rounded to the minute ("15°23'"
// for 15.23), a whole degree without minutes ("10°").
std::string degreeLabel(float degree);

}  // namespace chart
