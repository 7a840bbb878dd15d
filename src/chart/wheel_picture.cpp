#include "chart/wheel_picture.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "chart/dignity_table.h"
#include "chart/planet_abbreviation.h"
#include "chart/zodiac_sign_table.h"
#include "util/format.h"

namespace chart {

namespace {

constexpr double kCircleDegrees = 360.0;
constexpr double kSignDegrees = 30.0;

// Colours of the picture.
constexpr Color kInk{34, 34, 34};
constexpr Color kRingLine{90, 90, 90};
constexpr Color kFaint{170, 170, 170};
constexpr Color kLeader{140, 140, 140};
constexpr Color kDegreeInk{80, 80, 80};
constexpr Color kStrongMark{178, 34, 34};  // 庙 and 旺
constexpr Color kWeakMark{31, 95, 168};    // 弱 and 陷
constexpr Color kUnplacedInk{150, 30, 30};
// The four elements, by (sign - 1) % 4: fire, earth, air, water; a light fill and a dark ink each.
constexpr Color kElementFill[] = {{252, 226, 220}, {236, 230, 212}, {250, 244, 206}, {218, 234, 250}};
constexpr Color kElementInk[] = {{170, 40, 30}, {110, 80, 30}, {140, 110, 0}, {30, 80, 150}};

// Sizes relative to the picture's smaller side, each with the smallest size that stays readable.
struct Scale {
    double glyph, degree, mark, sign, legend, line, aspectLine;
};

Scale scaleFor(double base) {
    return {std::max(13.0, base * 0.042), std::max(10.0, base * 0.026), std::max(10.0, base * 0.026),
            std::max(11.0, base * 0.034), std::max(11.0, base * 0.026), std::max(1.0, base * 0.0018),
            std::max(1.2, base * 0.0026)};
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

double normalized(double degrees) {
    double d = std::fmod(degrees, kCircleDegrees);
    if (d < 0)
        d += kCircleDegrees;
    return d >= kCircleDegrees ? 0.0 : d;
}

// The point at a screen angle (counter-clockwise from the positive x axis; y grows downwards) and radius.
Point pointAt(Point center, double angle, double radius) {
    return {center.x + radius * std::cos(radians(angle)), center.y - radius * std::sin(radians(angle))};
}

double screenAngleOf(double longitude) {
    return normalized(180.0 + longitude);
}

// The width a CJK font gives a GBK text: a double-byte character one em, any other about half of one.
double textWidth(std::string_view gbk, double size) {
    double width = 0;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        if (static_cast<unsigned char>(gbk[i]) >= 0x81 && i + 1 < gbk.size()) {
            width += size;
            ++i;
        } else {
            width += 0.56 * size;
        }
    }
    return width;
}

constexpr double kAscent = 0.86;  // of the em above the baseline

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

// The ring sector of a sign as a polygon, its arcs in steps of at most three degrees.
PolygonShape sector(Point center, double from, double to, double inner, double outer, Color fill) {
    PolygonShape shape{{}, fill};
    constexpr int kSteps = 10;
    for (int i = 0; i <= kSteps; ++i)
        shape.points.push_back(pointAt(center, from + (to - from) * i / kSteps, outer));
    for (int i = kSteps; i >= 0; --i)
        shape.points.push_back(pointAt(center, from + (to - from) * i / kSteps, inner));
    return shape;
}

// --- labels -----------------------------------------------------------------------------------------------------

struct Label {
    int planet;
    double desired;  // screen angle of the exact place
    double width;
    double height;
    std::string degree;
    std::string_view mark;
};

// The smallest angle (degrees) between two labels' centres on a circle of this radius so that their boxes do not
// overlap. A chord is perpendicular to the radius through its middle: at angle phi it runs along (sin, cos), and
// boxes apart by d along it are clear of each other once d |sin| or d |cos| reaches their summed half sizes. Without
// phi, the chord must be as long as the diagonal, which holds at every angle.
double separation(const Label& a, const Label& b, double radius, std::optional<double> phi, double pad) {
    const double halfW = (a.width + b.width) / 2 + pad;
    const double halfH = (a.height + b.height) / 2 + pad;
    double chord = std::hypot(halfW, halfH);
    if (phi) {
        const double sx = std::fabs(std::sin(radians(*phi)));
        const double sy = std::fabs(std::cos(radians(*phi)));
        chord = std::min(sx > 1e-9 ? halfW / sx : chord, sy > 1e-9 ? halfH / sy : chord);
        chord = std::min(chord, std::hypot(halfW, halfH));
    }
    if (chord >= 2 * radius)
        return 180.0;
    return 2 * std::asin(chord / (2 * radius)) * 180.0 / std::numbers::pi;
}

// Spreads the labels along the circle: each keeps its desired angle where it can; runs of labels too close together
// are laid out at their least separations, centred on the mean of their desired angles, and merged with their
// neighbours until no two runs touch. Returns the angle of each label, by the order given.
std::vector<double> spreadLabels(const std::vector<Label>& labels, double radius, bool exactAngles, double pad) {
    const std::size_t n = labels.size();
    std::vector<double> result(n);
    if (n == 0)
        return result;
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return labels[a].desired != labels[b].desired ? labels[a].desired < labels[b].desired
                                                      : labels[a].planet < labels[b].planet;
    });
    // Start after the widest gap, so that the run of angles wraps there.
    std::size_t first = 0;
    double widest = -1;
    for (std::size_t k = 0; k < n; ++k) {
        const double here = labels[order[k]].desired;
        const double before = labels[order[(k + n - 1) % n]].desired;
        const double gap = normalized(here - before);
        if (gap > widest || (n == 1)) {
            widest = gap;
            first = k;
        }
    }
    std::rotate(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(first), order.end());
    std::vector<double> desired(n);
    for (std::size_t k = 0; k < n; ++k) {
        desired[k] = labels[order[k]].desired;
        if (k > 0)
            while (desired[k] < desired[k - 1])
                desired[k] += kCircleDegrees;
    }
    auto sep = [&](std::size_t k, std::size_t next, double nextOffset) {
        std::optional<double> phi;
        if (exactAngles)
            phi = (desired[k] + desired[next] + nextOffset) / 2;
        return separation(labels[order[k]], labels[order[next]], radius, phi, pad);
    };
    double total = 0;
    for (std::size_t k = 0; k < n; ++k)
        total += sep(k, (k + 1) % n, k + 1 == n ? kCircleDegrees : 0);
    if (total >= kCircleDegrees) {
        // Not room enough for all: evenly spaced is the best there is.
        for (std::size_t k = 0; k < n; ++k)
            result[order[k]] =
                normalized(desired[0] + static_cast<double>(k) * kCircleDegrees / static_cast<double>(n));
        return result;
    }

    struct Run {
        std::size_t begin, end;  // positions in order, end exclusive
        double start;
        std::vector<double> offsets;
    };
    auto place = [&](Run& run) {
        run.offsets.assign(1, 0.0);
        for (std::size_t k = run.begin + 1; k < run.end; ++k)
            run.offsets.push_back(run.offsets.back() + sep(k - 1, k, 0));
        double sum = 0;
        for (std::size_t k = run.begin; k < run.end; ++k)
            sum += desired[k] - run.offsets[k - run.begin];
        run.start = sum / static_cast<double>(run.end - run.begin);
    };
    std::vector<Run> runs;
    for (std::size_t k = 0; k < n; ++k) {
        runs.push_back({k, k + 1, 0, {}});
        place(runs.back());
    }
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t r = 0; r + 1 < runs.size(); ++r) {
            const Run& a = runs[r];
            const Run& b = runs[r + 1];
            if (a.start + a.offsets.back() + sep(a.end - 1, b.begin, 0) > b.start + 1e-9) {
                runs[r].end = b.end;
                runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(r) + 1);
                place(runs[r]);
                merged = true;
                break;
            }
        }
        if (!merged && runs.size() > 1) {
            // The last run against the first, once round the circle.
            const Run& last = runs.back();
            const Run& head = runs.front();
            if (last.start + last.offsets.back() + sep(last.end - 1, head.begin, kCircleDegrees) >
                head.start + kCircleDegrees + 1e-9) {
                // Move the first run's labels behind the last, a circle further on.
                const std::size_t count = head.end - head.begin;
                std::rotate(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count), order.end());
                std::vector<double> moved(desired.begin(), desired.begin() + static_cast<std::ptrdiff_t>(count));
                desired.erase(desired.begin(), desired.begin() + static_cast<std::ptrdiff_t>(count));
                for (double d : moved)
                    desired.push_back(d + kCircleDegrees);
                runs.erase(runs.begin());
                for (Run& run : runs) {
                    run.begin -= count;
                    run.end -= count;
                }
                runs.back().end = n;
                place(runs.back());
                merged = true;
            }
        }
    }
    for (const Run& run : runs)
        for (std::size_t k = run.begin; k < run.end; ++k)
            result[order[k]] = normalized(run.start + run.offsets[k - run.begin]);
    return result;
}

Box labelBox(Point center, const Label& label) {
    return {center.x - label.width / 2, center.y - label.height / 2, center.x + label.width / 2,
            center.y + label.height / 2};
}

// The end of a line from outside a box towards its centre, where it meets the box's edge.
Point edgeToward(Point from, const Box& box) {
    const Point center{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    const double dx = center.x - from.x;
    const double dy = center.y - from.y;
    double t = 1.0;
    auto clip = [&](double delta, double edge, double origin) {
        if (delta != 0) {
            const double s = (edge - origin) / delta;
            if (s >= 0 && s < t) {
                const double x = from.x + s * dx;
                const double y = from.y + s * dy;
                if (x >= box.left - 1e-6 && x <= box.right + 1e-6 && y >= box.top - 1e-6 && y <= box.bottom + 1e-6)
                    t = s;
            }
        }
    };
    clip(dx, box.left, from.x);
    clip(dx, box.right, from.x);
    clip(dy, box.top, from.y);
    clip(dy, box.bottom, from.y);
    return {from.x + t * dx, from.y + t * dy};
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

bool strongMark(std::string_view mark) {
    return mark == "庙" || mark == "旺";
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
    LegendLayout layout{{}, 1.7 * scale.legend, 0};
    const double sample = 2.4 * scale.legend;
    const double gap = 0.35 * scale.legend;
    const double spacing = 1.1 * scale.legend;
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
    layout.height = layout.rowHeight * static_cast<double>(layout.rows.size()) + 0.6 * scale.legend;
    return layout;
}

void drawLegend(WheelPicture& picture, const LegendLayout& layout, const Scale& scale, double top) {
    const double sample = 2.4 * scale.legend;
    const double gap = 0.35 * scale.legend;
    const double spacing = 1.1 * scale.legend;
    Box all{picture.width, top, 0, top + layout.height};
    double y = top + 0.3 * scale.legend + layout.rowHeight / 2;
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
                const AspectStyle& style = aspectStyles()[static_cast<std::size_t>(*item.kind)];
                Stroke stroke{style.color, scale.aspectLine * 1.3, {}};
                for (double d : style.dashes)
                    stroke.dashes.push_back(d * stroke.width);
                picture.shapes.push_back(LineShape{{x, y}, {x + sample, y}, stroke});
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
    std::string number = std::fabs(d) < 1e6 ? util::format("%.2f", d) : util::format("%.3g", d);
    if (number.find('.') != std::string::npos && number.find('e') == std::string::npos) {
        while (number.back() == '0')
            number.pop_back();
        if (number.back() == '.')
            number.pop_back();
    }
    if (number == "-0")
        number = "0";
    return number + "°";
}

double wheelHeightForWidth(const WheelChart& chart, double width) {
    width = safeSize(width);
    std::vector<int> unplaced;
    for (int p = 0; p < kPlanetCount; ++p) {
        const PlanetPosition& position = chart.planets[static_cast<std::size_t>(p)];
        if (!isZodiacSign(position.sign) || !std::isfinite(position.degree))
            unplaced.push_back(p);
    }
    return width + layoutLegend(width, scaleFor(width), unplaced).height;
}

WheelPicture drawWheel(const WheelChart& chart, double width, double height) {
    WheelPicture picture;
    picture.width = safeSize(width);
    picture.height = safeSize(height);
    const Scale scale = scaleFor(std::min(picture.width, picture.height));

    std::vector<Label> labels;
    for (int p = 0; p < kPlanetCount; ++p) {
        const PlanetPosition& position = chart.planets[static_cast<std::size_t>(p)];
        if (!isZodiacSign(position.sign) || !std::isfinite(position.degree)) {
            picture.unplaced.push_back(p);
            continue;
        }
        const double longitude = normalized((position.sign - 1) * kSignDegrees + static_cast<double>(position.degree));
        Label label{p, screenAngleOf(longitude), 0, 0, degreeLabel(position.degree), markFor(p, position.sign)};
        const double top = scale.glyph + (label.mark.empty() ? 0 : 0.1 * scale.glyph + scale.mark);
        label.width = std::max(top, textWidth(label.degree, scale.degree));
        label.height = 1.02 * scale.glyph + 1.05 * scale.degree;
        labels.push_back(label);
        PlacedPlanet placed;
        placed.planet = p;
        placed.longitude = longitude;
        placed.screenAngle = label.desired;
        placed.mark = label.mark;
        picture.planets.push_back(placed);
    }

    const LegendLayout legend = layoutLegend(picture.width, scale, picture.unplaced);
    const double wheelHeight = std::max(1.0, picture.height - legend.height);
    const double side = std::min(picture.width, wheelHeight);
    picture.center = {picture.width / 2, wheelHeight / 2};
    const Point c = picture.center;
    const double margin = std::max(2.0, side * 0.012);
    picture.ringOuter = std::max(1.0, side / 2 - margin);
    const double ringWidth = std::max(1.9 * scale.sign, 0.13 * picture.ringOuter);
    picture.ringInner = std::max(1.0, picture.ringOuter - ringWidth);
    const double tick = std::max(4.0, 0.03 * picture.ringOuter);
    const double gap = std::max(2.0, 0.3 * scale.degree);
    double halfDiagonal = 0;
    for (const Label& label : labels)
        halfDiagonal = std::max(halfDiagonal, std::hypot(label.width, label.height) / 2);
    const double labelRadius = std::max(1.0, picture.ringInner - tick - gap - halfDiagonal);
    picture.aspectRadius = std::max(1.0, std::min(0.6 * picture.ringOuter, labelRadius - halfDiagonal - gap));

    // The sign ring: sectors tinted by element, the circles, the borders between signs, ten-degree ticks, names.
    for (int s = 1; s <= kSignCount; ++s) {
        const double from = screenAngleOf((s - 1) * kSignDegrees);
        picture.shapes.push_back(
            sector(c, from, from + kSignDegrees, picture.ringInner, picture.ringOuter, kElementFill[(s - 1) % 4]));
    }
    const Stroke ringStroke{kRingLine, scale.line * 1.2, {}};
    picture.shapes.push_back(CircleShape{c, picture.ringOuter, ringStroke});
    picture.shapes.push_back(CircleShape{c, picture.ringInner, ringStroke});
    for (int s = 0; s < kSignCount; ++s) {
        const double angle = screenAngleOf(s * kSignDegrees);
        picture.shapes.push_back(
            LineShape{pointAt(c, angle, picture.ringInner), pointAt(c, angle, picture.ringOuter), ringStroke});
        for (int ten = 1; ten < 3; ++ten) {
            const double a = angle + ten * 10.0;
            picture.shapes.push_back(LineShape{pointAt(c, a, picture.ringInner),
                                               pointAt(c, a, picture.ringInner + 0.18 * ringWidth),
                                               {kRingLine, scale.line, {}}});
        }
    }
    for (int s = 1; s <= kSignCount; ++s) {
        const double middle = screenAngleOf((s - 0.5) * kSignDegrees);
        picture.shapes.push_back(centredText(pointAt(c, middle, (picture.ringInner + picture.ringOuter) / 2),
                                             std::string(signComboText(s)), scale.sign, kElementInk[(s - 1) % 4]));
    }
    picture.shapes.push_back(CircleShape{c, picture.aspectRadius, {kFaint, scale.line, {}}});

    // Labels: spread, checked, and spread again with the separations that hold at every angle if two still touch.
    const double pad = 0.12 * scale.degree;
    std::vector<double> angles = spreadLabels(labels, labelRadius, true, pad);
    auto anyOverlap = [&] {
        for (std::size_t i = 0; i < labels.size(); ++i)
            for (std::size_t j = i + 1; j < labels.size(); ++j)
                if (labelBox(pointAt(c, angles[i], labelRadius), labels[i])
                        .overlaps(labelBox(pointAt(c, angles[j], labelRadius), labels[j])))
                    return true;
        return false;
    };
    if (anyOverlap())
        angles = spreadLabels(labels, labelRadius, false, pad);

    for (std::size_t i = 0; i < labels.size(); ++i) {
        PlacedPlanet& placed = picture.planets[i];
        placed.labelAngle = angles[i];
        placed.place = pointAt(c, placed.screenAngle, picture.ringInner - tick);
        placed.aspectPoint = pointAt(c, placed.screenAngle, picture.aspectRadius);
        placed.label = labelBox(pointAt(c, angles[i], labelRadius), labels[i]);
        placed.leader = {placed.place, edgeToward(placed.place, placed.label), {kLeader, scale.line, {}}};
    }

    // Aspect lines, exactly the pairs the aspect engine finds.
    auto placedOf = [&](int planet) -> const PlacedPlanet& {
        return *std::find_if(picture.planets.begin(), picture.planets.end(),
                             [&](const PlacedPlanet& p) { return p.planet == planet; });
    };
    const std::vector<Aspect> found = findAspects(chart.planets);
    for (const Aspect& aspect : found) {
        const Point from = placedOf(aspect.first).aspectPoint;
        const Point to = placedOf(aspect.second).aspectPoint;
        picture.aspects.push_back({aspect, from, to});
    }
    // Conjunctions last, so that the lines leaving the same places do not hide their bows.
    for (const bool conjunctions : {false, true}) {
        for (const AspectLine& line : picture.aspects) {
            if ((line.aspect.kind == AspectKind::Conjunction) != conjunctions)
                continue;
            const AspectStyle& style = aspectStyles()[static_cast<std::size_t>(line.aspect.kind)];
            Stroke stroke{style.color, scale.aspectLine * (line.aspect.wide ? 0.6 : 1.0), {}};
            for (double d : style.dashes)
                stroke.dashes.push_back(d * scale.aspectLine);
            if (conjunctions)
                drawBow(picture, c, line.from, line.to, 0.22 * picture.aspectRadius, stroke);
            else
                picture.shapes.push_back(LineShape{line.from, line.to, stroke});
        }
    }

    for (const PlacedPlanet& placed : picture.planets) {
        picture.shapes.push_back(
            CircleShape{placed.aspectPoint, std::max(1.5, scale.aspectLine * 1.1), {kInk, scale.line, {}}, true, kInk});
        picture.shapes.push_back(
            LineShape{pointAt(c, placed.screenAngle, picture.ringInner), placed.place, {kInk, scale.line * 1.6, {}}});
        picture.shapes.push_back(placed.leader);
    }
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const Label& label = labels[i];
        const Box& box = picture.planets[i].label;
        const double middle = (box.left + box.right) / 2;
        const double glyphLine = box.top + 1.02 * scale.glyph / 2;
        const double markWidth = label.mark.empty() ? 0 : 0.1 * scale.glyph + scale.mark;
        const double glyphX = middle - markWidth / 2;
        picture.shapes.push_back(
            centredText({glyphX, glyphLine}, std::string(planetAbbreviation(label.planet)), scale.glyph, kInk));
        if (!label.mark.empty())
            picture.shapes.push_back(centredText(
                {glyphX + scale.glyph / 2 + 0.1 * scale.glyph + scale.mark / 2, glyphLine + 0.12 * scale.glyph},
                std::string(label.mark), scale.mark, strongMark(label.mark) ? kStrongMark : kWeakMark));
        picture.shapes.push_back(
            centredText({middle, box.bottom - 1.05 * scale.degree / 2}, label.degree, scale.degree, kDegreeInk));
    }

    drawLegend(picture, legend, scale, wheelHeight);
    return picture;
}

}  // namespace chart
