#include "chart/houses.h"

#include <cmath>

#include "chart/zodiac_sign_table.h"

// The card keeps a degree as the calculator writes it, degree.minutes; reading it as a decimal degree would put
// 11.50 (11 degrees 50 minutes) before a cusp at 11.45 (11 degrees 45 minutes), in the wrong house. Cusps and planets
// therefore go through the same reading.
namespace chart {

namespace {

constexpr double kCircleDegrees = 360.0;
constexpr double kSignDegrees = 30.0;
constexpr double kMinutesPerDegree = 60.0;
constexpr double kHundredths = 100.0;
// The cusps' arcs add up to whole turns; rounding leaves them this far from one.
constexpr double kTurnTolerance = 1e-6;

double turned(double degrees) {
    double d = std::fmod(degrees, kCircleDegrees);
    if (d < 0)
        d += kCircleDegrees;
    return d >= kCircleDegrees ? 0.0 : d;
}

// The cusps' longitudes, in house order; nothing when a cusp is no position.
std::optional<std::array<double, kHouseCount>> cuspLongitudes(const Houses& houses) {
    std::array<double, kHouseCount> cusps{};
    for (std::size_t i = 0; i < cusps.size(); ++i) {
        const std::optional<double> longitude = zodiacLongitude(houses.cusps[i]);
        if (!longitude)
            return std::nullopt;
        cusps[i] = *longitude;
    }
    return cusps;
}

}  // namespace

std::optional<double> zodiacLongitude(const PlanetPosition& position) {
    if (!isZodiacSign(position.sign) || !std::isfinite(position.degree))
        return std::nullopt;
    // Both parts keep the degree's sign, so that a negative degree counts back as far as a positive one goes on.
    const double degree = position.degree;
    const double whole = std::trunc(degree);
    const double minutes = (degree - whole) * kHundredths;
    return turned((position.sign - 1) * kSignDegrees + whole + minutes / kMinutesPerDegree);
}

bool housesUsable(const Houses& houses) {
    if (!zodiacLongitude(houses.ascendant) || !zodiacLongitude(houses.midheaven))
        return false;
    const std::optional<std::array<double, kHouseCount>> cusps = cuspLongitudes(houses);
    if (!cusps)
        return false;
    // Each arc from a cusp to the next along the zodiac is less than a turn; together they make one turn exactly
    // when the cusps follow each other round the zodiac, and more when one stands out of order.
    double arcs = 0;
    for (std::size_t i = 0; i < cusps->size(); ++i)
        arcs += turned((*cusps)[(i + 1) % cusps->size()] - (*cusps)[i]);
    return std::fabs(arcs - kCircleDegrees) < kTurnTolerance;
}

int houseOf(const Houses& houses, double longitude) {
    if (!housesUsable(houses))
        return 0;
    const std::array<double, kHouseCount> cusps = *cuspLongitudes(houses);
    // The house whose arc, from its cusp to the next, holds the longitude; an empty house holds none. Should rounding
    // leave the longitude in none, the house whose cusp lies nearest behind it.
    int house = 0;
    double nearest = kCircleDegrees;
    for (std::size_t i = 0; i < cusps.size(); ++i) {
        const double behind = turned(longitude - cusps[i]);
        if (behind < turned(cusps[(i + 1) % cusps.size()] - cusps[i]))
            return static_cast<int>(i) + 1;
        if (behind < nearest) {
            nearest = behind;
            house = static_cast<int>(i) + 1;
        }
    }
    return house;
}

}  // namespace chart
