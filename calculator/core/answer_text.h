#pragma once

#include <array>
#include <string>

#include "core/birth_moment.h"
#include "core/request_parser.h"

// The answer to a request: item 0 the birth data, then the ten planets sun, moon, mercury, venus, mars, jupiter,
// saturn, uranus, neptune, pluto, each "<whole degrees><sign key><minutes, two digits>" (11Cap17), separated by "|".
namespace corvina {

inline constexpr int kPlanetCount = 10;

using Longitudes = std::array<double, kPlanetCount>;  // ecliptic longitudes in degrees, sun..pluto

// A longitude as sign 1..12 with whole degrees and minutes of the sign, cut, never rounded: 29 degrees 59.9 minutes
// of a sign stay 29 and 59 of that sign. Any finite longitude is taken modulo 360.
struct CutPosition {
    int sign = 1;
    int degrees = 0;
    int minutes = 0;
};
CutPosition cutPosition(double longitude);

// One planet's item: the cut position as "<degrees><sign key><minutes, two digits>".
std::string positionItem(double longitude);

// Item 0: the birth data as "<year>.<month>.<day>,<HHMM>:<zone index used>", as in 1991.1.2,1255:5.
std::string birthDataItem(const CalculatorRequest& request, const BirthMoment& moment);

// The whole answer, ending in a NUL that belongs to it (the receiver reads the text up to that NUL).
std::string answerText(const CalculatorRequest& request, const BirthMoment& moment, const Longitudes& longitudes);

}  // namespace corvina
