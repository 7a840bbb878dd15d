#include "chart/chart_engine.h"

#include <cmath>
#include <cstdlib>
#include <optional>

#include "chart/zodiac_sign_table.h"
#include "util/c_number.h"
#include "util/format.h"

namespace chart {
namespace {

constexpr double kMaxOrb = 8.0;
constexpr float kWideOrb = 4.f;
constexpr int kSignDegrees = 30;

// The kind of an aspect between planets the given number of signs apart; nothing for 1 and 11, which make none.
std::optional<AspectKind> kindForDistance(int distance) {
    switch (distance) {
        case 0:
            return AspectKind::Conjunction;
        case 3:
        case 9:
            return AspectKind::Square;
        case 6:
            return AspectKind::Opposition;
        case 4:
        case 8:
            return AspectKind::Trine;
        case 2:
        case 10:
            return AspectKind::Sextile;
        case 5:
        case 7:
            return AspectKind::PlumBlossom;
        default:
            return std::nullopt;
    }
}

std::string& textOf(AspectTexts& texts, AspectKind kind) {
    switch (kind) {
        case AspectKind::Square:
            return texts.square;
        case AspectKind::Opposition:
            return texts.opposition;
        case AspectKind::Conjunction:
            return texts.conjunction;
        case AspectKind::Trine:
            return texts.trine;
        case AspectKind::Sextile:
            return texts.sextile;
        case AspectKind::PlumBlossom:
            break;
    }
    return texts.plumBlossom;
}

// Whether a planet takes part in the pair scan. A sign list without a selection (-1), like the placeholder (0), means
// the planet has no sign: pairing it through the difference of indices would report aspects to a sign nobody chose.
// A degree that is not a number (a stored "nan") or infinite places the planet nowhere: it has no orb to anything.
bool takesPart(const PlanetPosition& planet) {
    return isZodiacSign(planet.sign) && planet.degree != 0.f && std::isfinite(planet.degree);
}

void appendEntry(std::string& text, int first, int second, bool wide) {
    if (!text.empty())
        text += ",";
    if (wide)
        text += " ( ";
    text += planetAbbreviation(first);
    if (wide)
        text += "~";
    text += planetAbbreviation(second);
    if (wide)
        text += " ) ";
}

// Ecliptic longitude of a position in single precision; a sign outside 1..12 has base 0.
float longitude(int sign, float degree) {
    const int base = isZodiacSign(sign) ? (sign - 1) * kSignDegrees : 0;
    return util::narrowToFloat(base + static_cast<double>(degree));
}

}  // namespace

std::vector<Aspect> findAspects(const PlanetPositions& planets) {
    std::vector<Aspect> aspects;
    for (int i = 0; i < kPlanetCount - 1; ++i) {
        for (int j = i + 1; j < kPlanetCount; ++j) {
            const PlanetPosition& a = planets[i];
            const PlanetPosition& b = planets[j];
            if (!takesPart(a) || !takesPart(b))
                continue;
            // The difference of two floats is exact in double; testing it rounded to float would let 8.0000005 pass.
            const double orb = std::fabs(static_cast<double>(a.degree) - static_cast<double>(b.degree));
            // Asked as "within the orb", which an orb that is not a number never is.
            if (!(orb <= kMaxOrb))
                continue;
            if (const auto kind = kindForDistance(std::abs(a.sign - b.sign))) {
                // Wide is decided on the orb as a single-precision number, while the orb limit was tested on the
                // exact value: an orb of 4.0000002 is within the limit of 8 and still close.
                aspects.push_back({i, j, *kind, static_cast<float>(orb) > kWideOrb});
            }
        }
    }
    return aspects;
}

AspectTexts computeAspects(const PlanetPositions& planets) {
    AspectTexts texts;
    for (const Aspect& aspect : findAspects(planets))
        appendEntry(textOf(texts, aspect.kind), aspect.first, aspect.second, aspect.wide);
    const PlanetPosition& sun = planets[kSun];
    const PlanetPosition& moon = planets[kMoon];
    if (takesPart(sun) && takesPart(moon))
        texts.sunMoon = util::format("%.2f", sunMoonDistance(sun.sign, sun.degree, moon.sign, moon.degree));
    return texts;
}

double sunMoonDistance(int sunSign, float sunDegree, int moonSign, float moonDegree) {
    constexpr double kHalfCircle = 180.0;
    constexpr double kCircle = 360.0;
    constexpr double kMargin = 0.0001;
    const float sun = longitude(sunSign, sunDegree);
    const float moon = longitude(moonSign, moonDegree);
    double distance = std::fabs(static_cast<double>(sun) - static_cast<double>(moon));
    if (distance > kHalfCircle) {
        distance = kCircle - distance;
        if (sun + kMargin < kHalfCircle && moon + kMargin > kHalfCircle)
            return -distance;
    }
    return distance;
}

}  // namespace chart
