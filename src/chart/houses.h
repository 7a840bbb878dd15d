#pragma once

#include <array>
#include <optional>

#include "chart/chart_engine.h"

// The houses of a birth chart (house system, ascendant, midheaven, twelve cusps), and where a position as a card
// keeps it lies along the zodiac: its sign 1..12 and its degree as degree.minutes (11.16 is 11 degrees 16 minutes,
// as the calculator writes it).
namespace chart {

enum class HouseSystem {
    Placidus,
    WholeSign,  // within the polar circles, where Placidus has no solution: cusp n at 0 degrees of the n-th sign from
                // the ascendant's, while the ascendant and midheaven are the real ones
};

inline constexpr int kHouseCount = 12;

struct Houses {
    HouseSystem system = HouseSystem::Placidus;
    PlanetPosition ascendant;
    PlanetPosition midheaven;
    std::array<PlanetPosition, kHouseCount> cusps{};  // houses 1..12

    bool operator==(const Houses&) const = default;
};

// The longitude along the zodiac, 0 <= longitude < 360, of a sign 1..12 and a degree.minutes: the two decimals are
// minutes (a 60 or more carries into the degree); nothing without a sign of the zodiac or a finite degree.
std::optional<double> zodiacLongitude(const PlanetPosition& position);

// Whether the houses can be drawn: every position a sign of the zodiac with a finite degree, and the cusps going
// round the zodiac once in the order of their houses.
bool housesUsable(const Houses& houses);

// The house 1..12 a longitude lies in: from cusp n (included) to cusp n + 1 along the zodiac; 0 when the houses are
// not usable.
int houseOf(const Houses& houses, double longitude);

}  // namespace chart
