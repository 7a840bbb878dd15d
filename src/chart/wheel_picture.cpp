#include "chart/wheel_picture.h"

#include <algorithm>
#include <cmath>
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
// The four elements, by (sign - 1) % 4: fire, earth, air, water; a light fill and a dark ink each.
constexpr Color kElementFill[] = {{252, 226, 220}, {236, 230, 212}, {250, 244, 206}, {218, 234, 250}};
constexpr Color kElementInk[] = {{170, 40, 30}, {110, 80, 30}, {140, 110, 0}, {30, 80, 150}};

// --- sizes and texts --------------------------------------------------------------------------------------------

struct Scale {
    double glyph, degree, mark, sign, legend, line, aspectLine;
};

Scale scaleFor(double base) {
    return {std::max(kGlyphLeast, base * kGlyphShare),
            std::max(kDegreeLeast, base * kDegreeShare),
            std::max(kMarkLeast, base * kMarkShare),
            std::max(kSignLeast, base * kSignShare),
            std::max(kLegendLeast, base * kLegendShare),
            std::max(kLineLeast, base * kLineShare),
            std::max(kAspectLineLeast, base * kAspectLineShare)};
}

double screenAngleOf(double longitude) {
    return normalizedAngle(180.0 + longitude);
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
    Point center;
    double outer = 0;      // the sign ring's outer edge
    double inner = 0;      // its inner edge, where the degree scale stands
    double width = 0;      // outer - inner
    double placeTick = 0;  // from the inner edge in to a planet's exact place
    double labelGap = 0;   // between the labels and the aspect circle
    double placeRadius() const { return inner - placeTick; }
};

Rings measureRings(const WheelPicture& picture, double wheelHeight, const Scale& scale) {
    Rings rings;
    const double side = std::min(picture.width, wheelHeight);
    rings.center = {picture.width / 2, wheelHeight / 2};
    rings.outer = std::max(1.0, side / 2 - std::max(kMarginLeast, side * kMarginShare));
    rings.width = std::max(kRingWidthInSignNames * scale.sign, kRingWidthShare * rings.outer);
    rings.inner = std::max(1.0, rings.outer - rings.width);
    rings.width = rings.outer - rings.inner;
    rings.placeTick = std::max(kPlaceTickLeast, kPlaceTickShare * rings.outer);
    rings.labelGap = std::max(kLabelGapLeast, kLabelGapInDegrees * scale.degree);
    return rings;
}

// The ring sector of a sign as a polygon, its arcs in steps of three degrees.
PolygonShape sector(Point center, double from, double to, double inner, double outer, Color fill) {
    PolygonShape shape{{}, fill};
    constexpr int kSteps = 10;
    for (int i = 0; i <= kSteps; ++i)
        shape.points.push_back(pointAt(center, from + (to - from) * i / kSteps, outer));
    for (int i = kSteps; i >= 0; --i)
        shape.points.push_back(pointAt(center, from + (to - from) * i / kSteps, inner));
    return shape;
}

// The ring's sectors tinted by element, its two circles and the borders between the signs.
void drawSignRing(WheelPicture& picture, const Rings& rings, const Scale& scale) {
    for (int s = 1; s <= kSignCount; ++s) {
        const double from = screenAngleOf((s - 1) * kSignDegrees);
        picture.shapes.push_back(
            sector(rings.center, from, from + kSignDegrees, rings.inner, rings.outer, kElementFill[(s - 1) % 4]));
    }
    const Stroke ringStroke{kRingLine, scale.line * kRingLineInLines, {}};
    picture.shapes.push_back(CircleShape{rings.center, rings.outer, ringStroke});
    picture.shapes.push_back(CircleShape{rings.center, rings.inner, ringStroke});
    for (int s = 0; s < kSignCount; ++s) {
        const double angle = screenAngleOf(s * kSignDegrees);
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
        const double angle = screenAngleOf(degree);
        picture.shapes.push_back(LineShape{pointAt(rings.center, angle, rings.inner),
                                           pointAt(rings.center, angle, rings.inner + share * rings.width),
                                           {five ? kRingLine : kDegreeTick, scale.line, {}}});
    }
}

// The signs' names in the ring, in the middle of each sign and of the ring beyond the ticks.
void drawSignNames(WheelPicture& picture, const Rings& rings, const Scale& scale) {
    const double tickReach = kTenDegreeTickShare * rings.width;
    const double radius = rings.inner + tickReach + (rings.width - tickReach) / 2;
    for (int s = 1; s <= kSignCount; ++s) {
        const double middle = screenAngleOf((s - 0.5) * kSignDegrees);
        picture.shapes.push_back(centredText(pointAt(rings.center, middle, radius), std::string(signComboText(s)),
                                             scale.sign, kElementInk[(s - 1) % 4]));
    }
}

// --- planets and their labels -----------------------------------------------------------------------------------

struct Label {
    int planet;
    std::string degree;
    std::string_view mark;
    double width;
    double height;
};

double markWidth(const Label& label, const Scale& scale) {
    return label.mark.empty() ? 0 : kMarkGapInGlyphs * scale.glyph + scale.mark;
}

// The planets with a sign, each with its label's texts and size; the others go to picture.unplaced.
std::vector<Label> collectPlanets(WheelPicture& picture, const WheelChart& chart, const Scale& scale) {
    std::vector<Label> labels;
    for (int p = 0; p < kPlanetCount; ++p) {
        const PlanetPosition& position = chart.planets[static_cast<std::size_t>(p)];
        if (!isZodiacSign(position.sign) || !std::isfinite(position.degree)) {
            picture.unplaced.push_back(p);
            continue;
        }
        Label label{p, degreeLabel(position.degree), markFor(p, position.sign), 0, 0};
        label.width = std::max(scale.glyph + markWidth(label, scale), textWidth(label.degree, scale.degree));
        label.height = kGlyphLineInGlyphs * scale.glyph + kDegreeLineInDegrees * scale.degree;
        labels.push_back(label);
        PlacedPlanet placed;
        placed.planet = p;
        placed.longitude = *zodiacLongitude(position);
        placed.screenAngle = screenAngleOf(placed.longitude);
        placed.mark = label.mark;
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
    field.inner = kAspectLeastShare * rings.outer + rings.labelGap;
    field.pad = kLabelPadInDegrees * scale.degree;
    field.clearance = kLeaderClearanceInDegrees * scale.degree;
    return field;
}

// Each planet's label spot and leader, and the aspect circle inside them: as large as labels in the outermost row
// anywhere on the circle allow, smaller only where labels stand further in.
void placeLabels(WheelPicture& picture, const std::vector<Label>& labels, const Rings& rings, const Scale& scale) {
    const LabelField field = labelField(rings, scale);
    std::vector<WheelLabel> wanted;
    double diagonal = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const PlacedPlanet& planet = picture.planets[i];
        const double signStart = screenAngleOf(std::floor(planet.longitude / kSignDegrees) * kSignDegrees);
        wanted.push_back({planet.screenAngle, signStart, labels[i].width, labels[i].height});
        diagonal = std::max(diagonal, std::hypot(labels[i].width, labels[i].height));
    }
    const std::vector<LabelSpot> spots = layoutWheelLabels(wanted, field);
    picture.aspectRadius = std::min(kAspectShare * rings.outer, field.outer - diagonal - rings.labelGap);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        PlacedPlanet& placed = picture.planets[i];
        const LabelSpot& spot = spots[i];
        placed.labelAngle = spot.angle;
        placed.place = spot.leader.front();
        placed.label = spot.box;
        placed.leader = spot.leader;
        const double dx = std::max({spot.box.left - rings.center.x, 0.0, rings.center.x - spot.box.right});
        const double dy = std::max({spot.box.top - rings.center.y, 0.0, rings.center.y - spot.box.bottom});
        picture.aspectRadius = std::min(picture.aspectRadius, std::hypot(dx, dy) - rings.labelGap);
    }
    picture.aspectRadius = std::max(1.0, picture.aspectRadius);
    for (PlacedPlanet& placed : picture.planets)
        placed.aspectPoint = pointAt(rings.center, placed.screenAngle, picture.aspectRadius);
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

// Each label's texts in its box: the abbreviation and the mark on the first line, the degree on the second.
void drawLabels(WheelPicture& picture, const std::vector<Label>& labels, const Scale& scale) {
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const Label& label = labels[i];
        const Box& box = picture.planets[i].label;
        const double middle = (box.left + box.right) / 2;
        const double glyphLine = box.top + kGlyphLineInGlyphs * scale.glyph / 2;
        const double glyphX = middle - markWidth(label, scale) / 2;
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

LegendLayout layoutLegend(double width, const Scale& scale, const std::vector<int>& unplaced) {
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
            } else {
                picture.shapes.push_back(centredText({x + item.width / 2, y}, item.text, scale.legend, kUnplacedInk));
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
    return width + layoutLegend(width, scaleFor(width), unplacedPlanets(chart)).height;
}

WheelPicture drawWheel(const WheelChart& chart, double width, double height) {
    WheelPicture picture;
    picture.width = safeSize(width);
    picture.height = safeSize(height);
    const Scale scale = scaleFor(std::min(picture.width, picture.height));
    const std::vector<Label> labels = collectPlanets(picture, chart, scale);
    const LegendLayout legend = layoutLegend(picture.width, scale, picture.unplaced);
    const double wheelHeight = std::max(1.0, picture.height - legend.height);
    const Rings rings = measureRings(picture, wheelHeight, scale);
    picture.center = rings.center;
    picture.ringOuter = rings.outer;
    picture.ringInner = rings.inner;

    drawSignRing(picture, rings, scale);
    drawDegreeScale(picture, rings, scale);
    drawSignNames(picture, rings, scale);
    placeLabels(picture, labels, rings, scale);
    drawAspects(picture, chart, scale);
    drawPlanetMarks(picture, rings, scale);
    drawLabels(picture, labels, scale);
    drawLegend(picture, legend, scale, wheelHeight);
    return picture;
}

}  // namespace chart
