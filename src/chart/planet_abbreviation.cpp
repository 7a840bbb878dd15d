#include "chart/planet_abbreviation.h"

#include <array>

namespace chart {
namespace {

constexpr std::array<std::string_view, kPlanetCount> kAbbreviations = {
    "日", "月", "水", "金", "火", "木", "土", "天", "海", "冥",
};

}  // namespace

std::string_view planetAbbreviation(int planet) {
    return planet >= 0 && planet < kPlanetCount ? kAbbreviations[planet] : std::string_view();
}

}  // namespace chart
