#include "chart/dignity_table.h"

#include <array>

#include "chart/planet_abbreviation.h"

namespace chart {
namespace {

constexpr std::string_view kDomicile = "庙";
constexpr std::string_view kDetriment = "弱";
constexpr std::string_view kExaltation = "旺";
constexpr std::string_view kFall = "陷";

// One row per planet: a four-entry row holds the sign of each mark in the order domicile, detriment, exaltation,
// fall; a six-entry row two domiciles, two detriments, one exaltation, one fall. Unused entries are 0.
struct DignityRow {
    int size;
    std::array<int, 6> signs;
};

constexpr std::array<DignityRow, kPlanetCount> kDignityTable = {{
    {4, {5, 11, 1, 7}},         // sun
    {4, {4, 10, 2, 8}},         // moon
    {6, {3, 6, 9, 12, 11, 5}},  // mercury
    {6, {2, 7, 8, 1, 12, 6}},   // venus
    {6, {1, 8, 7, 2, 10, 4}},   // mars
    {6, {9, 12, 3, 6, 4, 10}},  // jupiter
    {6, {10, 11, 4, 5, 7, 1}},  // saturn
    {4, {11, 5, 8, 2}},         // uranus
    {4, {12, 6, 9, 3}},         // neptune
    {4, {8, 2, 6, 12}},         // pluto
}};

constexpr std::array<std::string_view, 4> kFourMarks = {kDomicile, kDetriment, kExaltation, kFall};
constexpr std::array<std::string_view, 6> kSixMarks = {kDomicile,  kDomicile,   kDetriment,
                                                       kDetriment, kExaltation, kFall};

}  // namespace

std::string_view markFor(int planet, int sign) {
    if (planet < 0 || planet >= kPlanetCount || sign <= 0)
        return {};
    const DignityRow& row = kDignityTable[planet];
    for (int k = 0; k < row.size; ++k) {
        if (row.signs[k] == sign)
            return row.size == 4 ? kFourMarks[k] : kSixMarks[k];
    }
    return {};
}

}  // namespace chart
