#pragma once

#include <string_view>

// The ten planets by planet index (0 sun, 1 moon, mercury, venus, mars, jupiter, saturn, uranus, neptune, 9 pluto)
// and the one-character abbreviation (GBK) by which the aspect texts name each.
namespace chart {

constexpr int kPlanetCount = 10;
constexpr int kSun = 0;
constexpr int kMoon = 1;

// Abbreviation of planet 0..9 ("日", "月", "水", ...); empty for any other index.
std::string_view planetAbbreviation(int planet);

}  // namespace chart
