#include "chart/wheel_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

#include "chart/dignity_table.h"
#include "chart/planet_abbreviation.h"
#include "chart/wheel_label_layout.h"
#include "chart/zodiac_sign_table.h"
#include "util/format.h"

// The picture is laid out at the size it is drawn at, not scaled: every length follows from the picture's smaller
// side or from the ring's radius, and texts and lines have a least size below which they would stop being readable.
// So a small picture's labels take relatively more of the wheel, which the label layout has to know.
namespace chart {

namespace {

constexpr double kCircleDegrees = 360.0;
constexpr double kSignDegrees = 30.0;
constexpr double kSectorStepDegrees = 3.0;
// A degree this large is shown as a number alone, without minutes.
constexpr double kLargestLabelledDegree = 1e6;

// --- proportions ------------------------------------------------------------------------------------------------

// Text sizes (the font's em height), as shares of the picture's smaller side, and the least size of each in pixels.
// Digits stay readable at 10 pixels; a Chinese character needs 12.
constexpr double kGlyphShare = 0.042, kGlyphLeast = 13;    // a planet's abbreviation
constexpr double kDegreeShare = 0.026, kDegreeLeast = 10;  // its degree
constexpr double kMarkShare = 0.026, kMarkLeast = 12;      // its dignity mark
constexpr double kSignShare = 0.034, kSignLeast = 12;      // the names in the sign ring
constexpr double kLegendShare = 0.026, kLegendLeast = 12;  // the legend
// Line widths, the same way: thin lines, and aspect lines.
constexpr double kLineShare = 0.0018, kLineLeast = 1.0;
constexpr double kAspectLineShare = 0.0026, kAspectLineLeast = 1.2;

// The wheel: the room left around it, as a share of its side.
constexpr double kMarginShare = 0.012, kMarginLeast = 2.0;
// The sign ring is as wide as this many heights of its names, or this share of its radius if that is wider.
constexpr double kRingWidthInSignNames = 1.9;
constexpr double kRingWidthShare = 0.13;
// The degree scale's ticks reach from the ring's inner edge into the ring, by these shares of its width: every
// degree, every fifth, every tenth. The sign borders cross the whole ring.
constexpr double kDegreeTickShare = 0.10;
constexpr double kFiveDegreeTickShare = 0.18;
constexpr double kTenDegreeTickShare = 0.26;
// A planet's exact place lies this far inside the ring (a share of the ring's radius), marked by a stroke from the
// ring; its leader starts there.
constexpr double kPlaceTickShare = 0.03, kPlaceTickLeast = 4.0;
// The room between the labels and the aspect circle, in heights of the degree text.
constexpr double kLabelGapInDegrees = 0.3, kLabelGapLeast = 2.0;
// Between the places and the outermost labels, a band of this share of the ring's radius where leaders run to
// labels pushed aside, above the labels between.
constexpr double kLeaderBandShare = 0.05;
// The least room between two labels, and between a leader and a label not its own, in heights of the degree text.
constexpr double kLabelPadInDegrees = 0.12;
constexpr double kLeaderClearanceInDegrees = 0.15;
// The aspect circle is at most this share of the ring's radius; labels stacked inwards may make it smaller, down
// to the least share.
constexpr double kAspectShare = 0.6;
constexpr double kAspectLeastShare = 0.3;
// With houses the house ring stands between the labels and the aspect circle; where the labels do not fit outside
// it at all, they may come further in, the aspect circle as small as this share.
constexpr double kAspectLeastShareWithHouses = 0.15;

// A label: the abbreviation with the mark beside it (apart by a share of the abbreviation's size, both standing on
// the same line), over the degree; each line as high as its text's size times its factor.
constexpr double kMarkGapInGlyphs = 0.1;
constexpr double kGlyphLineInGlyphs = 1.02;
constexpr double kDegreeLineInDegrees = 1.05;

// The marks and lines of planets and aspects, in widths of the thin line or the aspect line.
constexpr double kRingLineInLines = 1.2;
constexpr double kPlaceStrokeInLines = 1.6;
constexpr double kAspectDotInAspectLines = 1.1, kAspectDotLeast = 1.5;
constexpr double kWideAspectInAspectLines = 0.6;  // an aspect with an orb above 4
constexpr double kLegendSampleInAspectLines = 1.3;
// A conjunction's bow reaches this share of the aspect circle's radius towards the centre.
constexpr double kBowDepthShare = 0.22;

// With houses. The axes cross the sign ring in lines of this many thin lines, each with its name in the ring beside
// it, this far from it (in the names' size).
constexpr double kAxisShare = 0.03, kAxisLeast = 12;  // the axes' names
constexpr double kAxisLineInLines = 2.2;
constexpr double kAxisNameGapInAxes = 0.25;
// The house ring, inside the labels round the aspect circle, is as wide as this many heights of its numbers; a
// number keeps this much room (in its heights) to its neighbours. Cusps on an axis are drawn in its width.
constexpr double kHouseShare = 0.024, kHouseLeast = 10;  // the numbers in the house ring: digits
constexpr double kHouseRingInNumbers = 1.4;
constexpr double kHouseNumberPadInNumbers = 0.3;
// A label shows its planet's house in a small circle before the abbreviation: the number's size, the circle's least
// diameter and its room round the number (in the number's size), and the gap to the abbreviation.
constexpr double kBadgeShare = 0.02, kBadgeLeast = 10;  // digits
constexpr double kBadgeInBadges = 1.3;
constexpr double kBadgeRimInBadges = 0.3;
constexpr double kBadgeGapInGlyphs = 0.12;
// A sign's name makes way for an axis along its sign in steps; the name of an axis end looks for its place beside
// its axis in steps, up to a quarter of the circle away.
constexpr double kNameShiftStepDegrees = 0.5;
constexpr double kAxisNameStepDegrees = 0.5;
constexpr double kAxisNameReachDegrees = 90.0;
constexpr double kAxisNamePadInAxes = 0.5;
// The two characters of an upright name stand this far apart, in their size.
constexpr double kUprightGapInAxes = 0.08;
// The house numbers are moved apart in at most this many rounds.
constexpr int kSpreadRounds = 2000;

// The legend, in sizes of its text: a row's height, a line sample's length, the gap between sample and name, the
// spacing between entries, and the room above and below all rows.
constexpr double kLegendRowInSizes = 1.7;
constexpr double kLegendSampleInSizes = 2.4;
constexpr double kLegendGapInSizes = 0.35;
constexpr double kLegendSpacingInSizes = 1.1;
constexpr double kLegendRoomInSizes = 0.6;

// A text's box: the ascent above the baseline as a share of its size, and the width a CJK font gives a character
// that is not a double-byte one (a double-byte one is one em).
constexpr double kAscent = 0.86;
constexpr double kNarrowCharacterInSizes = 0.56;

// Colours of the picture.
constexpr Color kInk{34, 34, 34};
constexpr Color kRingLine{90, 90, 90};
constexpr Color kDegreeTick{150, 150, 150};
constexpr Color kFaint{170, 170, 170};
constexpr Color kLeader{140, 140, 140};
constexpr Color kDegreeInk{80, 80, 80};
constexpr Color kStrongMark{178, 34, 34};  // 庙 and 旺
constexpr Color kWeakMark{31, 95, 168};    // 弱 and 陷
constexpr Color kUnplacedInk{150, 30, 30};
constexpr Color kAxisInk{120, 20, 70};
constexpr Color kAxisFaint{215, 190, 205};
constexpr Color kHouseInk{70, 80, 130};
constexpr Color kHouseLine{150, 155, 185};
// Neighbouring houses take turns in these two fills.
constexpr Color kHouseFill[] = {{247, 247, 251}, {234, 236, 246}};
// The four elements, by (sign - 1) % 4: fire, earth, air, water; a light fill and a dark ink each.
constexpr Color kElementFill[] = {{252, 226, 220}, {236, 230, 212}, {250, 244, 206}, {218, 234, 250}};
constexpr Color kElementInk[] = {{170, 40, 30}, {110, 80, 30}, {140, 110, 0}, {30, 80, 150}};

// --- sizes and texts --------------------------------------------------------------------------------------------

struct Scale {
    double glyph, degree, mark, sign, legend, line, aspectLine, axis, house, badge;
};

Scale scaleFor(double base) {
    return {std::max(kGlyphLeast, base * kGlyphShare),
            std::max(kDegreeLeast, base * kDegreeShare),
            std::max(kMarkLeast, base * kMarkShare),
            std::max(kSignLeast, base * kSignShare),
            std::max(kLegendLeast, base * kLegendShare),
            std::max(kLineLeast, base * kLineShare),
            std::max(kAspectLineLeast, base * kAspectLineShare),
            std::max(kAxisLeast, base * kAxisShare),
            std::max(kHouseLeast, base * kHouseShare),
            std::max(kBadgeLeast, base * kBadgeShare)};
}

// Where longitudes lie on the screen: the one at the left, and counter-clockwise from there.
struct Turn {
    double left = 0;
    double angle(double longitude) const { return normalizedAngle(180.0 + longitude - left); }
};

// The houses a chart carries when they can be drawn.
std::optional<Houses> usableHouses(const WheelChart& chart) {
    if (chart.houses && housesUsable(*chart.houses))
        return chart.houses;
    return std::nullopt;
}

// The width a CJK font gives a GBK text: a double-byte character one em, any other about half of one.
double textWidth(std::string_view gbk, double size) {
    double width = 0;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        if (static_cast<unsigned char>(gbk[i]) >= 0x81 && i + 1 < gbk.size()) {
            width += size;
            ++i;
        } else {
            width += kNarrowCharacterInSizes * size;
        }
    }
    return width;
}

TextShape text(Point baseline, std::string value, double size, Color color, TextAnchor anchor = TextAnchor::Middle) {
    const double width = textWidth(value, size);
    const double left = anchor == TextAnchor::Start ? baseline.x
                        : anchor == TextAnchor::End ? baseline.x - width
                                                    : baseline.x - width / 2;
    const Box box{left, baseline.y - kAscent * size, left + width, baseline.y + (1 - kAscent) * size};
    return {baseline, std::move(value), size, color, anchor, box};
}

// A text centred on a point, horizontally and vertically.
TextShape centredText(Point at, std::string value, double size, Color color) {
    return text({at.x, at.y + (kAscent - 0.5) * size}, std::move(value), size, color);
}

Box grownBy(const Box& box, double by) {
    return {box.left - by, box.top - by, box.right + by, box.bottom + by};
}

Stroke styledStroke(AspectKind kind, double width, double dashUnit) {
    const AspectStyle& style = aspectStyles()[static_cast<std::size_t>(kind)];
    Stroke stroke{style.color, width, {}};
    for (double d : style.dashes)
        stroke.dashes.push_back(d * dashUnit);
    return stroke;
}

// --- the wheel's circles ----------------------------------------------------------------------------------------

// The circles of the wheel and the lengths that follow from them.
struct Rings {
    Turn turn;
    Point center;
    double outer = 0;       // the sign ring's outer edge
    double inner = 0;       // its inner edge, where the degree scale stands
    double width = 0;       // outer - inner
    double placeTick = 0;   // from the inner edge in to a planet's exact place
    double labelGap = 0;    // between the labels and the aspect circle
    double houseWidth = 0;  // the house ring's, with houses
    double placeRadius() const { return inner - placeTick; }
    double angle(double longitude) const { return turn.angle(longitude); }
};

Rings measureRings(const WheelPicture& picture, double wheelHeight, const Scale& scale, bool houses) {
    Rings rings;
    rings.turn = {picture.leftLongitude};
    const double side = std::min(picture.width, wheelHeight);
    rings.center = {picture.width / 2, wheelHeight / 2};
    rings.outer = std::max(1.0, side / 2 - std::max(kMarginLeast, side * kMarginShare));
    rings.width = std::max(kRingWidthInSignNames * scale.sign, kRingWidthShare * rings.outer);
    rings.inner = std::max(1.0, rings.outer - rings.width);
    rings.width = rings.outer - rings.inner;
    rings.placeTick = std::max(kPlaceTickLeast, kPlaceTickShare * rings.outer);
    rings.labelGap = std::max(kLabelGapLeast, kLabelGapInDegrees * scale.degree);
    rings.houseWidth = houses ? kHouseRingInNumbers * scale.house : 0.0;
    return rings;
}

// A ring sector as a polygon, its arcs in steps of at most three degrees.
PolygonShape sector(Point center, double from, double to, double inner, double outer, Color fill) {
    PolygonShape shape{{}, fill};
    const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(to - from) / kSectorStepDegrees - 1e-9)));
    for (int i = 0; i <= steps; ++i)
        shape.points.push_back(pointAt(center, from + (to - from) * i / steps, outer));
    for (int i = steps; i >= 0; --i)
        shape.points.push_back(pointAt(center, from + (to - from) * i / steps, inner));
    return shape;
}

// The ring's sectors tinted by element, its two circles and the borders between the signs.
void drawSignRing(WheelPicture& picture, const Rings& rings, const Scale& scale) {
    for (int s = 1; s <= kSignCount; ++s) {
        const double from = rings.angle((s - 1) * kSignDegrees);
        picture.shapes.push_back(
            sector(rings.center, from, from + kSignDegrees, rings.inner, rings.outer, kElementFill[(s - 1) % 4]));
    }
    const Stroke ringStroke{kRingLine, scale.line * kRingLineInLines, {}};
    picture.shapes.push_back(CircleShape{rings.center, rings.outer, ringStroke});
    picture.shapes.push_back(CircleShape{rings.center, rings.inner, ringStroke});
    for (int s = 0; s < kSignCount; ++s) {
        const double angle = rings.angle(s * kSignDegrees);
        picture.shapes.push_back(LineShape{pointAt(rings.center, angle, rings.inner),
                                           pointAt(rings.center, angle, rings.outer), ringStroke});
    }
}

// A tick on the ring's inner edge at every degree: longer at every fifth, longer still at every tenth.
void drawDegreeScale(WheelPicture& picture, const Rings& rings, const Scale& scale) {
    for (int degree = 0; degree < static_cast<int>(kCircleDegrees); ++degree) {
        if (degree % static_cast<int>(kSignDegrees) == 0)
            continue;  // a sign border
        const bool ten = degree % 10 == 0;
        const bool five = degree % 5 == 0;
        const double share = ten ? kTenDegreeTickShare : five ? kFiveDegreeTickShare : kDegreeTickShare;
        const double angle = rings.angle(degree);
        picture.shapes.push_back(LineShape{pointAt(rings.center, angle, rings.inner),
                                           pointAt(rings.center, angle, rings.inner + share * rings.width),
                                           {five ? kRingLine : kDegreeTick, scale.line, {}}});
    }
}

// The circle on which the names in the sign ring stand: the middle of the ring beyond the ticks.
double nameRadius(const Rings& rings) {
    const double tickReach = kTenDegreeTickShare * rings.width;
    return rings.inner + tickReach + (rings.width - tickReach) / 2;
}

// Whether a line across the sign ring at a screen angle runs through a box.
bool crossesRing(const Rings& rings, double angle, const Box& box) {
    return segmentEntersBox(pointAt(rings.center, angle, rings.inner), pointAt(rings.center, angle, rings.outer), box);
}

// The name of sign s in the ring: in the middle of its sign and of the ring beyond the ticks where no axis line nor an
// axis's name is in the way, otherwise moved along its sign as little as clears it, keeping clear of the sign's
// borders; nothing when no place in the sign is clear.
std::optional<TextShape> signName(const Rings& rings,
                                  const Scale& scale,
                                  int s,
                                  const std::vector<double>& axes,
                                  const std::vector<Box>& axisNames) {
    const double middle = rings.angle((s - 0.5) * kSignDegrees);
    const double pad = kAxisLineInLines * scale.line;
    auto nameAt = [&](double angle) {
        return centredText(pointAt(rings.center, angle, nameRadius(rings)), std::string(signComboText(s)), scale.sign,
                           kElementInk[(s - 1) % 4]);
    };
    auto clear = [&](const TextShape& name, bool moved) {
        const Box room{name.box.left - pad, name.box.top - pad, name.box.right + pad, name.box.bottom + pad};
        for (const double axis : axes)
            if (crossesRing(rings, axis, room))
                return false;
        for (const Box& axisName : axisNames)
            if (grownBy(name.box, kAxisNamePadInAxes * scale.axis).overlaps(axisName))
                return false;
        return !moved || (!crossesRing(rings, rings.angle((s - 1) * kSignDegrees), room) &&
                          !crossesRing(rings, rings.angle(s * kSignDegrees), room));
    };
    TextShape name = nameAt(middle);
    if (clear(name, false))
        return name;
    for (double shift = kNameShiftStepDegrees; shift < kSignDegrees / 2; shift += kNameShiftStepDegrees) {
        if (TextShape before = nameAt(middle - shift); clear(before, true))
            return before;
        if (TextShape after = nameAt(middle + shift); clear(after, true))
            return after;
    }
    return std::nullopt;
}

// --- planets and their labels -----------------------------------------------------------------------------------

struct Label {
    int planet;
    std::string degree;
    std::string_view mark;
    int house;  // 0: none shown
    double width;
    double height;
};

double markWidth(const Label& label, const Scale& scale) {
    return label.mark.empty() ? 0 : kMarkGapInGlyphs * scale.glyph + scale.mark;
}

// The circle round a house's number: a little higher than the number, and wide enough for two digits.
double badgeDiameter(int house, const Scale& scale) {
    const double number = textWidth(util::format("%d", house), scale.badge);
    return std::max(kBadgeInBadges * scale.badge, number + kBadgeRimInBadges * scale.badge);
}

double badgeWidth(const Label& label, const Scale& scale) {
    return label.house == 0 ? 0 : badgeDiameter(label.house, scale) + kBadgeGapInGlyphs * scale.glyph;
}

// The planets with a sign, each with its label's texts and size and, with houses, its house; the others go to
// picture.unplaced.
std::vector<Label> collectPlanets(WheelPicture& picture,
                                  const WheelChart& chart,
                                  const std::optional<Houses>& houses,
                                  const Scale& scale) {
    const Turn turn{picture.leftLongitude};
    std::vector<Label> labels;
    for (int p = 0; p < kPlanetCount; ++p) {
        const PlanetPosition& position = chart.planets[static_cast<std::size_t>(p)];
        if (!isZodiacSign(position.sign) || !std::isfinite(position.degree)) {
            picture.unplaced.push_back(p);
            continue;
        }
        const double longitude = *zodiacLongitude(position);
        Label label{
            p, degreeLabel(position.degree), markFor(p, position.sign), houses ? houseOf(*houses, longitude) : 0, 0, 0};
        label.width = std::max(badgeWidth(label, scale) + scale.glyph + markWidth(label, scale),
                               textWidth(label.degree, scale.degree));
        label.height = kGlyphLineInGlyphs * scale.glyph + kDegreeLineInDegrees * scale.degree;
        labels.push_back(label);
        PlacedPlanet placed;
        placed.planet = p;
        placed.longitude = longitude;
        placed.screenAngle = turn.angle(placed.longitude);
        placed.mark = label.mark;
        placed.house = label.house;
        picture.planets.push_back(placed);
    }
    return labels;
}

// The ring between the places and the aspect circle's least size, where the labels stand.
LabelField labelField(const Rings& rings, const Scale& scale) {
    LabelField field;
    field.center = rings.center;
    field.placeRadius = rings.placeRadius();
    field.outer = rings.placeRadius() - std::max(rings.labelGap, kLeaderBandShare * rings.outer);
    field.inner = kAspectLeastShare * rings.outer + rings.houseWidth + rings.labelGap;
    if (rings.houseWidth > 0)
        field.innermost = kAspectLeastShareWithHouses * rings.outer + rings.houseWidth + rings.labelGap;
    field.pad = kLabelPadInDegrees * scale.degree;
    field.clearance = kLeaderClearanceInDegrees * scale.degree;
    return field;
}

// Each planet's label spot and leader, and the circle inside them: as large as labels in the outermost row anywhere
// on the circle allow, smaller only where labels stand further in. Its radius is returned.
double placeLabels(WheelPicture& picture, const std::vector<Label>& labels, const Rings& rings, const Scale& scale) {
    const LabelField field = labelField(rings, scale);
    std::vector<WheelLabel> wanted;
    double diagonal = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const PlacedPlanet& planet = picture.planets[i];
        const double signStart = rings.angle(std::floor(planet.longitude / kSignDegrees) * kSignDegrees);
        wanted.push_back({planet.screenAngle, signStart, labels[i].width, labels[i].height});
        diagonal = std::max(diagonal, std::hypot(labels[i].width, labels[i].height));
    }
    const std::vector<LabelSpot> spots = layoutWheelLabels(wanted, field);
    double around = std::min(kAspectShare * rings.outer, field.outer - diagonal - rings.labelGap);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        PlacedPlanet& placed = picture.planets[i];
        const LabelSpot& spot = spots[i];
        placed.labelAngle = spot.angle;
        placed.place = spot.leader.front();
        placed.label = spot.box;
        placed.leader = spot.leader;
        const double dx = std::max({spot.box.left - rings.center.x, 0.0, rings.center.x - spot.box.right});
        const double dy = std::max({spot.box.top - rings.center.y, 0.0, rings.center.y - spot.box.bottom});
        around = std::min(around, std::hypot(dx, dy) - rings.labelGap);
    }
    return around;
}

// The aspect circle: the circle round which the labels stand, or with houses the house ring's inner edge; each
// planet's aspect lines end on it.
void placeAspectCircle(WheelPicture& picture, const Rings& rings, double aroundLabels) {
    picture.aspectRadius = std::max(1.0, picture.houses ? picture.houses->inner : aroundLabels);
    for (PlacedPlanet& placed : picture.planets)
        placed.aspectPoint = pointAt(rings.center, placed.screenAngle, picture.aspectRadius);
}

// --- houses -----------------------------------------------------------------------------------------------------

constexpr std::array<Axis, kAxisCount> kAxes = {Axis::Ascendant, Axis::Descendant, Axis::Midheaven, Axis::ImumCoeli};

std::string_view axisName(Axis axis) {
    switch (axis) {
        case Axis::Ascendant:
            return "上升";
        case Axis::Descendant:
            return "下降";
        case Axis::Midheaven:
            return "天顶";
        case Axis::ImumCoeli:
            return "天底";
    }
    return {};
}

// The longitudes of the axes' ends, by Axis.
std::array<double, kAxisCount> axisLongitudes(const Houses& houses) {
    const double ascendant = *zodiacLongitude(houses.ascendant);
    const double midheaven = *zodiacLongitude(houses.midheaven);
    return {ascendant, normalizedAngle(ascendant + 180.0), midheaven, normalizedAngle(midheaven + 180.0)};
}

// An axis end's name stands upright, one character over the other, where the axis runs more across than up (as at
// the ascendant, which is always at the left), so that it fits the ring's width; level otherwise.
bool upright(double angle) {
    return std::fabs(std::cos(angle * std::numbers::pi / 180.0)) >=
           std::fabs(std::sin(angle * std::numbers::pi / 180.0));
}

// The box of an axis end's name with its middle at a screen angle on the names' circle of the sign ring.
Box axisNameBox(const Rings& rings, double angle, const Scale& scale) {
    const double width = upright(angle) ? scale.axis : 2 * scale.axis;
    const double height = upright(angle) ? (2 + kUprightGapInAxes) * scale.axis : scale.axis;
    const Point middle = pointAt(rings.center, angle, nameRadius(rings));
    return {middle.x - width / 2, middle.y - height / 2, middle.x + width / 2, middle.y + height / 2};
}

// The axes' ends with their names. Each name stands in the sign ring just counter-clockwise of its axis, in the
// house the axis begins; where an axis line or a name placed before is in the way, or it would leave a sign no room
// for its own name (near the poles the midheaven can lie close to the ascendant), it moves on along the ring, either
// way, as little as clears it.
std::array<AxisEnd, kAxisCount> placeAxes(const Houses& houses, const Rings& rings, const Scale& scale) {
    const std::array<double, kAxisCount> longitudes = axisLongitudes(houses);
    const double gap = kAxisNameGapInAxes * scale.axis;
    // Apart by half a character, so that two names standing one over the other still read as two.
    const double pad = kAxisNamePadInAxes * scale.axis;
    std::array<AxisEnd, kAxisCount> ends{};
    std::vector<double> lines;
    for (std::size_t i = 0; i < ends.size(); ++i) {
        ends[i].axis = kAxes[i];
        ends[i].longitude = longitudes[i];
        ends[i].screenAngle = rings.angle(longitudes[i]);
        lines.push_back(ends[i].screenAngle);
    }
    std::vector<Box> names;
    auto clear = [&](const Box& box) {
        for (const double line : lines)
            if (crossesRing(rings, line, grownBy(box, gap)))
                return false;
        for (const Box& name : names)
            if (grownBy(box, pad).overlaps(name))
                return false;
        names.push_back(box);
        bool room = true;
        for (int s = 1; s <= kSignCount && room; ++s)
            room = signName(rings, scale, s, lines, names).has_value();
        names.pop_back();
        return room;
    };
    for (AxisEnd& end : ends) {
        end.label = axisNameBox(rings, end.screenAngle, scale);
        for (double step = kAxisNameStepDegrees; step <= kAxisNameReachDegrees; step += kAxisNameStepDegrees) {
            if (const Box after = axisNameBox(rings, end.screenAngle + step, scale); clear(after)) {
                end.label = after;
                break;
            }
            if (const Box before = axisNameBox(rings, end.screenAngle - step, scale); clear(before)) {
                end.label = before;
                break;
            }
        }
        names.push_back(end.label);
    }
    return ends;
}

// The signs' names, clear of the axes and their names.
void drawSignNames(WheelPicture& picture, const Rings& rings, const Scale& scale, const std::vector<AxisEnd>& axes) {
    std::vector<double> lines;
    std::vector<Box> names;
    for (const AxisEnd& end : axes) {
        lines.push_back(end.screenAngle);
        names.push_back(end.label);
    }
    for (int s = 1; s <= kSignCount; ++s) {
        std::optional<TextShape> name = signName(rings, scale, s, lines, names);
        picture.shapes.push_back(name ? std::move(*name) : *signName(rings, scale, s, {}, {}));
    }
}

// The houses on the wheel: the cusps, and the house ring between the labels and the aspect circle.
PlacedHouses placeHouses(const Houses& houses, const Rings& rings, double aroundLabels) {
    PlacedHouses placed;
    placed.system = houses.system;
    for (std::size_t h = 0; h < placed.cusps.size(); ++h)
        placed.cusps[h] = *zodiacLongitude(houses.cusps[h]);
    placed.outer = std::max(1.0, aroundLabels);
    placed.inner = std::max(1.0, aroundLabels - rings.houseWidth);
    return placed;
}

// Angles round a circle for texts that keep their order, each as near its wanted angle as the room the texts keep
// allows: where two stand closer than their least separation, both move apart, until none do. wanted ascends within
// a turn; apart[i] is the least separation of text i and the next (the last's, of the first a turn on).
std::vector<double> spreadRound(std::vector<double> angles, const std::vector<double>& apart) {
    const std::size_t n = angles.size();
    if (n < 2)
        return angles;
    for (int round = 0; round < kSpreadRounds; ++round) {
        bool moved = false;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t j = (i + 1) % n;
            const double gap = angles[j] + (j == 0 ? kCircleDegrees : 0.0) - angles[i];
            if (gap < apart[i] - 1e-9) {
                const double half = (apart[i] - gap) / 2;
                angles[i] -= half;
                angles[j] += half;
                moved = true;
            }
        }
        if (!moved)
            break;
    }
    return angles;
}

// The house ring: the houses' sectors in turns of two fills, its outer circle, the cusps across it (but those on an
// axis, which the axis draws) and each house's number in its middle, moved aside only where narrow houses crowd.
void drawHouseRing(WheelPicture& picture, const Rings& rings, const Scale& scale) {
    PlacedHouses& houses = *picture.houses;
    std::array<double, kHouseCount> from{};
    std::array<double, kHouseCount> span{};
    for (std::size_t h = 0; h < from.size(); ++h) {
        from[h] = rings.angle(houses.cusps[h]);
        span[h] = normalizedAngle(houses.cusps[(h + 1) % houses.cusps.size()] - houses.cusps[h]);
        picture.shapes.push_back(
            sector(rings.center, from[h], from[h] + span[h], houses.inner, houses.outer, kHouseFill[h % 2]));
    }
    picture.shapes.push_back(CircleShape{rings.center, houses.outer, {kHouseLine, scale.line, {}}});
    for (std::size_t h = 0; h < from.size(); ++h) {
        bool onAxis = false;
        for (const AxisEnd& end : houses.axes)
            onAxis = onAxis || std::fabs(normalizedAngle(end.longitude - houses.cusps[h] + 180.0) - 180.0) < 1e-9;
        if (!onAxis)
            picture.shapes.push_back(LineShape{pointAt(rings.center, from[h], houses.inner),
                                               pointAt(rings.center, from[h], houses.outer),
                                               {kHouseLine, scale.line, {}}});
    }
    const double radius = (houses.inner + houses.outer) / 2;
    const double pad = kHouseNumberPadInNumbers * scale.house;
    std::vector<double> wanted;
    std::vector<double> halfDiagonal;
    for (std::size_t h = 0; h < from.size(); ++h) {
        const double middle = from[h] + span[h] / 2;
        wanted.push_back(wanted.empty() ? middle : wanted.back() + normalizedAngle(middle - wanted.back()));
        halfDiagonal.push_back(
            std::hypot(textWidth(util::format("%d", static_cast<int>(h + 1)), scale.house), scale.house) / 2);
    }
    std::vector<double> apart;
    for (std::size_t h = 0; h < from.size(); ++h) {
        const double chord = halfDiagonal[h] + halfDiagonal[(h + 1) % from.size()] + pad;
        apart.push_back(2 * std::asin(std::min(1.0, chord / (2 * radius))) * 180.0 / std::numbers::pi);
    }
    const std::vector<double> angles = spreadRound(wanted, apart);
    for (std::size_t h = 0; h < from.size(); ++h) {
        TextShape number = centredText(pointAt(rings.center, angles[h], radius),
                                       util::format("%d", static_cast<int>(h + 1)), scale.house, kHouseInk);
        houses.numbers[h] = number.box;
        picture.shapes.push_back(std::move(number));
    }
}

// Each axis: faintly across the aspect circle, where the two ends meet, strongly across the house ring and the sign
// ring, with its name beside it.
void drawAxes(WheelPicture& picture, const Rings& rings, const Scale& scale) {
    const PlacedHouses& houses = *picture.houses;
    const Stroke stroke{kAxisInk, kAxisLineInLines * scale.line, {}};
    for (std::size_t i = 0; i < houses.axes.size(); i += 2)
        picture.shapes.push_back(LineShape{pointAt(rings.center, houses.axes[i].screenAngle, houses.inner),
                                           pointAt(rings.center, houses.axes[i + 1].screenAngle, houses.inner),
                                           {kAxisFaint, scale.line, {}}});
    for (const AxisEnd& end : houses.axes) {
        picture.shapes.push_back(LineShape{pointAt(rings.center, end.screenAngle, houses.inner),
                                           pointAt(rings.center, end.screenAngle, houses.outer), stroke});
        picture.shapes.push_back(LineShape{pointAt(rings.center, end.screenAngle, rings.inner),
                                           pointAt(rings.center, end.screenAngle, rings.outer), stroke});
        const std::string_view name = axisName(end.axis);
        const Point middle{(end.label.left + end.label.right) / 2, (end.label.top + end.label.bottom) / 2};
        if (end.label.bottom - end.label.top > end.label.right - end.label.left) {
            // Upright: one character over the other.
            const double apart = (1 + kUprightGapInAxes) * scale.axis / 2;
            picture.shapes.push_back(
                centredText({middle.x, middle.y - apart}, std::string(name.substr(0, 2)), scale.axis, kAxisInk));
            picture.shapes.push_back(
                centredText({middle.x, middle.y + apart}, std::string(name.substr(2)), scale.axis, kAxisInk));
        } else {
            picture.shapes.push_back(centredText(middle, std::string(name), scale.axis, kAxisInk));
        }
    }
}

// A conjunction's two ends lie within a few degrees of each other, so a straight line between them would hardly show:
// it is drawn as a bow that leaves the one end towards the centre and comes back to the other.
void drawBow(WheelPicture& picture, Point center, Point from, Point to, double depth, const Stroke& stroke) {
    const Point middle{(from.x + to.x) / 2, (from.y + to.y) / 2};
    double ux = center.x - middle.x;
    double uy = center.y - middle.y;
    const double toCenter = std::hypot(ux, uy);
    if (toCenter < 1e-9)
        return;
    ux /= toCenter;
    uy /= toCenter;
    // Along the circle from the first end to the second (either way when they coincide).
    double tx = to.x - from.x;
    double ty = to.y - from.y;
    const double chord = std::hypot(tx, ty);
    if (chord < 1e-9) {
        tx = -uy;
        ty = ux;
    } else {
        tx /= chord;
        ty /= chord;
    }
    // A cubic curve whose control points lie the depth inwards and half of it apart along the circle.
    const double spread = 0.5 * depth;
    const Point p1{from.x + ux * depth - tx * spread, from.y + uy * depth - ty * spread};
    const Point p2{to.x + ux * depth + tx * spread, to.y + uy * depth + ty * spread};
    constexpr int kSegments = 14;
    Point last = from;
    for (int i = 1; i <= kSegments; ++i) {
        const double t = static_cast<double>(i) / kSegments;
        const double a = (1 - t) * (1 - t) * (1 - t), b = 3 * (1 - t) * (1 - t) * t, d = 3 * (1 - t) * t * t,
                     e = t * t * t;
        const Point next{a * from.x + b * p1.x + d * p2.x + e * to.x, a * from.y + b * p1.y + d * p2.y + e * to.y};
        picture.shapes.push_back(LineShape{last, next, stroke});
        last = next;
    }
}

// The aspect circle and one line per aspect the engine finds; conjunctions last, so that the lines leaving the same
// places do not hide their bows.
void drawAspects(WheelPicture& picture, const WheelChart& chart, const Scale& scale) {
    picture.shapes.push_back(CircleShape{picture.center, picture.aspectRadius, {kFaint, scale.line, {}}});
    auto placedOf = [&](int planet) -> const PlacedPlanet& {
        return *std::find_if(picture.planets.begin(), picture.planets.end(),
                             [&](const PlacedPlanet& p) { return p.planet == planet; });
    };
    for (const Aspect& aspect : findAspects(chart.planets))
        picture.aspects.push_back({aspect, placedOf(aspect.first).aspectPoint, placedOf(aspect.second).aspectPoint});
    for (const bool conjunctions : {false, true}) {
        for (const AspectLine& line : picture.aspects) {
            if ((line.aspect.kind == AspectKind::Conjunction) != conjunctions)
                continue;
            const double width = scale.aspectLine * (line.aspect.wide ? kWideAspectInAspectLines : 1.0);
            const Stroke stroke = styledStroke(line.aspect.kind, width, scale.aspectLine);
            if (conjunctions)
                drawBow(picture, picture.center, line.from, line.to, kBowDepthShare * picture.aspectRadius, stroke);
            else
                picture.shapes.push_back(LineShape{line.from, line.to, stroke});
        }
    }
}

// Each planet's dot on the aspect circle, its stroke from the ring to its exact place, and its leader.
void drawPlanetMarks(WheelPicture& picture, const Rings& rings, const Scale& scale) {
    const double dot = std::max(kAspectDotLeast, scale.aspectLine * kAspectDotInAspectLines);
    for (const PlacedPlanet& placed : picture.planets) {
        picture.shapes.push_back(CircleShape{placed.aspectPoint, dot, {kInk, scale.line, {}}, true, kInk});
        picture.shapes.push_back(LineShape{pointAt(rings.center, placed.screenAngle, rings.inner),
                                           placed.place,
                                           {kInk, scale.line * kPlaceStrokeInLines, {}}});
        for (std::size_t i = 1; i < placed.leader.size(); ++i)
            picture.shapes.push_back(LineShape{placed.leader[i - 1], placed.leader[i], {kLeader, scale.line, {}}});
    }
}

bool strongMark(std::string_view mark) {
    return mark == "庙" || mark == "旺";
}

// The house in its circle.
void drawBadge(WheelPicture& picture, Point at, int house, const Scale& scale) {
    picture.shapes.push_back(
        CircleShape{at, badgeDiameter(house, scale) / 2, {kHouseInk, scale.line, {}}, true, kHouseFill[0]});
    picture.shapes.push_back(centredText(at, util::format("%d", house), scale.badge, kHouseInk));
}

// Each label's texts in its box: the house, the abbreviation and the mark on the first line, the degree on the
// second.
void drawLabels(WheelPicture& picture, const std::vector<Label>& labels, const Scale& scale) {
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const Label& label = labels[i];
        const Box& box = picture.planets[i].label;
        const double middle = (box.left + box.right) / 2;
        const double glyphLine = box.top + kGlyphLineInGlyphs * scale.glyph / 2;
        const double glyphX = middle + (badgeWidth(label, scale) - markWidth(label, scale)) / 2;
        if (label.house != 0) {
            const double x =
                glyphX - scale.glyph / 2 - kBadgeGapInGlyphs * scale.glyph - badgeDiameter(label.house, scale) / 2;
            drawBadge(picture, {x, glyphLine}, label.house, scale);
        }
        picture.shapes.push_back(
            centredText({glyphX, glyphLine}, std::string(planetAbbreviation(label.planet)), scale.glyph, kInk));
        if (!label.mark.empty()) {
            const Point at{glyphX + scale.glyph / 2 + kMarkGapInGlyphs * scale.glyph + scale.mark / 2,
                           glyphLine + (scale.glyph - scale.mark) / 2};
            picture.shapes.push_back(
                centredText(at, std::string(label.mark), scale.mark, strongMark(label.mark) ? kStrongMark : kWeakMark));
        }
        picture.shapes.push_back(centredText({middle, box.bottom - kDegreeLineInDegrees * scale.degree / 2},
                                             label.degree, scale.degree, kDegreeInk));
    }
}

// --- legend -----------------------------------------------------------------------------------------------------

struct LegendItem {
    std::optional<AspectKind> kind;  // none: a text of its own
    std::string text;
    double width;
    Color color = kUnplacedInk;  // of a text of its own
    bool badge = false;          // a text of its own after a house's circle
};

struct LegendLayout {
    std::vector<std::vector<LegendItem>> rows;
    double rowHeight;
    double height;
};

std::string unplacedText(const std::vector<int>& unplaced) {
    std::string text = "未定：";
    for (std::size_t i = 0; i < unplaced.size(); ++i) {
        if (i > 0)
            text += " ";
        text += planetAbbreviation(unplaced[i]);
    }
    return text;
}

// A position of the houses as the legend names it: "上升 白羊28°35'".
std::string positionText(std::string_view name, const PlanetPosition& position) {
    return std::string(name) + " " + std::string(signComboText(position.sign)) + degreeLabel(position.degree);
}

// With houses: what the circles by the labels mean, the ascendant and midheaven exactly, and the house system.
std::vector<LegendItem> houseItems(const Houses& houses, const Scale& scale) {
    std::vector<LegendItem> items;
    auto add = [&](std::string text, Color color, bool badge) {
        const double badgeRoom = badge ? badgeDiameter(1, scale) + kLegendGapInSizes * scale.legend : 0.0;
        const double width = badgeRoom + textWidth(text, scale.legend);
        items.push_back({std::nullopt, std::move(text), width, color, badge});
    };
    add("宫位", kHouseInk, true);
    add(positionText(axisName(Axis::Ascendant), houses.ascendant), kAxisInk, false);
    add(positionText(axisName(Axis::Midheaven), houses.midheaven), kAxisInk, false);
    add(houses.system == HouseSystem::WholeSign ? "整宫制" : "普拉西德制", kHouseInk, false);
    return items;
}

LegendLayout layoutLegend(double width,
                          const Scale& scale,
                          const std::vector<int>& unplaced,
                          const std::optional<Houses>& houses,
                          bool housesLeftOut) {
    LegendLayout layout{{}, kLegendRowInSizes * scale.legend, 0};
    const double sample = kLegendSampleInSizes * scale.legend;
    const double gap = kLegendGapInSizes * scale.legend;
    const double spacing = kLegendSpacingInSizes * scale.legend;
    const double room = std::max(1.0, width - 2 * scale.legend);
    // As many entries to a row as fit, then the same number in every row but the last, so no entry stands alone.
    auto flow = [&](std::size_t perRow) {
        std::vector<std::vector<LegendItem>> rows(1);
        double used = 0;
        for (int k = 0; k < kAspectKindCount; ++k) {
            const AspectStyle& style = aspectStyles()[static_cast<std::size_t>(k)];
            const double itemWidth = sample + gap + textWidth(style.name, scale.legend);
            const double needed = rows.back().empty() ? itemWidth : used + spacing + itemWidth;
            if (!rows.back().empty() && (needed > room || rows.back().size() >= perRow)) {
                rows.emplace_back();
                used = itemWidth;
            } else {
                used = needed;
            }
            rows.back().push_back({static_cast<AspectKind>(k), std::string(style.name), itemWidth});
        }
        return rows;
    };
    layout.rows = flow(kAspectKindCount);
    if (layout.rows.size() > 1)
        layout.rows = flow((kAspectKindCount + layout.rows.size() - 1) / layout.rows.size());
    if (houses) {
        // As many to a row as fit.
        layout.rows.emplace_back();
        double used = 0;
        for (LegendItem& item : houseItems(*houses, scale)) {
            const double needed = layout.rows.back().empty() ? item.width : used + spacing + item.width;
            if (!layout.rows.back().empty() && needed > room) {
                layout.rows.emplace_back();
                used = item.width;
            } else {
                used = needed;
            }
            layout.rows.back().push_back(std::move(item));
        }
    }
    if (housesLeftOut) {
        std::string line = "宫位数据有误，未画出";
        const double w = textWidth(line, scale.legend);
        layout.rows.push_back({{std::nullopt, std::move(line), w}});
    }
    if (!unplaced.empty()) {
        std::string line = unplacedText(unplaced);
        const double w = textWidth(line, scale.legend);
        layout.rows.push_back({{std::nullopt, std::move(line), w}});
    }
    layout.height = layout.rowHeight * static_cast<double>(layout.rows.size()) + kLegendRoomInSizes * scale.legend;
    return layout;
}

void drawLegend(WheelPicture& picture, const LegendLayout& layout, const Scale& scale, double top) {
    const double sample = kLegendSampleInSizes * scale.legend;
    const double gap = kLegendGapInSizes * scale.legend;
    const double spacing = kLegendSpacingInSizes * scale.legend;
    Box all{picture.width, top, 0, top + layout.height};
    double y = top + kLegendRoomInSizes / 2 * scale.legend + layout.rowHeight / 2;
    for (const auto& row : layout.rows) {
        double rowWidth = 0;
        for (const LegendItem& item : row)
            rowWidth += item.width;
        rowWidth += spacing * static_cast<double>(row.size() - 1);
        double x = (picture.width - rowWidth) / 2;
        all.left = std::min(all.left, x);
        all.right = std::max(all.right, x + rowWidth);
        for (const LegendItem& item : row) {
            if (item.kind) {
                const double width = scale.aspectLine * kLegendSampleInAspectLines;
                picture.shapes.push_back(LineShape{{x, y}, {x + sample, y}, styledStroke(*item.kind, width, width)});
                picture.shapes.push_back(centredText({x + sample + gap + textWidth(item.text, scale.legend) / 2, y},
                                                     item.text, scale.legend, kInk));
            } else if (item.badge) {
                const double diameter = badgeDiameter(1, scale);
                drawBadge(picture, {x + diameter / 2, y}, 1, scale);
                const double textLeft = x + diameter + kLegendGapInSizes * scale.legend;
                picture.shapes.push_back(centredText({textLeft + textWidth(item.text, scale.legend) / 2, y}, item.text,
                                                     scale.legend, item.color));
            } else {
                picture.shapes.push_back(centredText({x + item.width / 2, y}, item.text, scale.legend, item.color));
            }
            x += item.width + spacing;
        }
        y += layout.rowHeight;
    }
    picture.legend = all;
}

double safeSize(double value) {
    return std::isfinite(value) && value >= 1 ? std::min(value, 100000.0) : 1.0;
}

std::vector<int> unplacedPlanets(const WheelChart& chart) {
    std::vector<int> unplaced;
    for (int p = 0; p < kPlanetCount; ++p) {
        const PlanetPosition& position = chart.planets[static_cast<std::size_t>(p)];
        if (!isZodiacSign(position.sign) || !std::isfinite(position.degree))
            unplaced.push_back(p);
    }
    return unplaced;
}

}  // namespace

const std::array<AspectStyle, kAspectKindCount>& aspectStyles() {
    static const std::array<AspectStyle, kAspectKindCount> styles = {{
        {"刑", {214, 39, 40}, {4, 2.5}},       // square
        {"冲", {148, 0, 60}, {}},              // opposition
        {"合", {230, 120, 0}, {}},             // conjunction
        {"拱", {31, 119, 180}, {}},            // trine
        {"六合", {44, 160, 44}, {4, 2.5}},     // sextile
        {"梅花", {160, 80, 190}, {1.2, 2.2}},  // plum blossom
    }};
    return styles;
}

std::string degreeLabel(float degree) {
    const double d = degree;
    if (!std::isfinite(d))
        return "?";
    if (std::fabs(d) >= kLargestLabelledDegree)
        return util::format("%.3g°", d);
    // The two decimals are minutes, as a longitude reads them; rounded to the minute, a 60 or more carries.
    const double whole = std::trunc(std::fabs(d));
    const auto minutes = static_cast<long>(std::lround(whole * 60 + (std::fabs(d) - whole) * 100));
    const char* sign = d < 0 && minutes > 0 ? "-" : "";
    if (minutes % 60 == 0)
        return util::format("%s%ld°", sign, minutes / 60);
    return util::format("%s%ld°%02ld'", sign, minutes / 60, minutes % 60);
}

double wheelHeightForWidth(const WheelChart& chart, double width) {
    width = safeSize(width);
    const std::optional<Houses> houses = usableHouses(chart);
    return width + layoutLegend(width, scaleFor(width), unplacedPlanets(chart), houses, chart.houses && !houses).height;
}

WheelPicture drawWheel(const WheelChart& chart, double width, double height) {
    WheelPicture picture;
    picture.width = safeSize(width);
    picture.height = safeSize(height);
    const Scale scale = scaleFor(std::min(picture.width, picture.height));
    const std::optional<Houses> houses = usableHouses(chart);
    if (houses)
        picture.leftLongitude = *zodiacLongitude(houses->ascendant);
    const std::vector<Label> labels = collectPlanets(picture, chart, houses, scale);
    const LegendLayout legend = layoutLegend(picture.width, scale, picture.unplaced, houses, chart.houses && !houses);
    const double wheelHeight = std::max(1.0, picture.height - legend.height);
    const Rings rings = measureRings(picture, wheelHeight, scale, houses.has_value());
    picture.center = rings.center;
    picture.ringOuter = rings.outer;
    picture.ringInner = rings.inner;

    drawSignRing(picture, rings, scale);
    drawDegreeScale(picture, rings, scale);
    std::vector<AxisEnd> axes;
    if (houses) {
        const std::array<AxisEnd, kAxisCount> ends = placeAxes(*houses, rings, scale);
        axes.assign(ends.begin(), ends.end());
    }
    drawSignNames(picture, rings, scale, axes);
    const double aroundLabels = placeLabels(picture, labels, rings, scale);
    if (houses) {
        picture.houses = placeHouses(*houses, rings, aroundLabels);
        std::copy(axes.begin(), axes.end(), picture.houses->axes.begin());
        drawHouseRing(picture, rings, scale);
        drawAxes(picture, rings, scale);
    }
    placeAspectCircle(picture, rings, aroundLabels);
    drawAspects(picture, chart, scale);
    drawPlanetMarks(picture, rings, scale);
    drawLabels(picture, labels, scale);
    drawLegend(picture, legend, scale, wheelHeight);
    return picture;
}

}  // namespace chart
