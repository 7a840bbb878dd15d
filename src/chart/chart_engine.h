#pragma once

#include <array>
#include <string>
#include <vector>

#include "chart/planet_abbreviation.h"

// The aspect engine: from the ten planet positions of one person, the seven aspect texts. Aspects are whole-sign
// aspects: the kind follows from how many signs apart two planets stand, the orb only from their degrees within
// their signs. Pure; every input gives seven texts.
namespace chart {

struct PlanetPosition {
    int sign = 0;        // sign index: 1..12 a sign, 0 none chosen, -1 a sign list without any selection
    float degree = 0.f;  // degree within the sign; 0 means none entered; no range check, but one that is not a finite
                         // number places the planet nowhere

    bool operator==(const PlanetPosition&) const = default;
};

using PlanetPositions = std::array<PlanetPosition, kPlanetCount>;

// The seven texts of the aspect fields (GBK), each empty when nothing was found. An entry names the two planets by
// their abbreviations, "日月"; a wide one (orb above 4) reads " ( 日~月 ) "; entries are joined by ",".
struct AspectTexts {
    std::string square{};       // 刑: 3 or 9 signs apart
    std::string opposition{};   // 冲: 6
    std::string conjunction{};  // 合: 0
    std::string trine{};        // 拱: 4 or 8
    std::string sextile{};      // 六合: 2 or 10
    std::string plumBlossom{};  // 梅花: 5 or 7
    std::string sunMoon{};      // 日月: the sun-moon distance, "%.2f"

    bool operator==(const AspectTexts&) const = default;
};

enum class AspectKind { Square, Opposition, Conjunction, Trine, Sextile, PlumBlossom };
inline constexpr int kAspectKindCount = 6;

// One aspect the pair scan found: the two planets (first < second), its kind, and whether it is wide (orb above 4).
struct Aspect {
    int first = 0;
    int second = 0;
    AspectKind kind = AspectKind::Conjunction;
    bool wide = false;

    bool operator==(const Aspect&) const = default;
};

// The aspects between the planets given in planet order, in pair-scan order (sun-moon, sun-mercury, ...,
// neptune-pluto). A planet takes part only with a sign of the zodiac (1..12) and a finite degree other than 0.
std::vector<Aspect> findAspects(const PlanetPositions& planets);

// The same aspects as the seven texts of the aspect fields; the sun-moon distance only when both take part.
AspectTexts computeAspects(const PlanetPositions& planets);

// The distance in degrees along the zodiac between sun and moon by the shorter arc; negative only when the sun lies
// below the 180-degree point, the moon above it, and the shorter arc passes through 0. A sign outside 1..12 counts as
// longitude base 0.
double sunMoonDistance(int sunSign, float sunDegree, int moonSign, float moonDegree);

}  // namespace chart
