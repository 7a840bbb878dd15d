#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/birth_moment.h"
#include "core/request_parser.h"

// The answer to a request: item 0 the birth data, then the ten planets sun, moon, mercury, venus, mars, jupiter,
// saturn, uranus, neptune, pluto, each "<whole degrees><sign key><minutes, two digits>" (11Cap17), separated by "|".
// The answer to a request with a place goes on with item 11 the house system's letter, 12 the ascendant, 13 the
// midheaven and 14..25 the cusps of houses 1..12, each position in the planets' form.
namespace corvina {

inline constexpr int kPlanetCount = 10;
inline constexpr int kHouseCount = 12;

using Longitudes = std::array<double, kPlanetCount>;  // ecliptic longitudes in degrees, sun..pluto

// The house systems an answer names, by the letter that names them.
enum class HouseSystem : char {
    Placidus = 'P',
    WholeSign = 'W',  // where Placidus has no solution: cusp n at 0 degrees of the n-th sign from the ascendant's
};

// The houses of a moment and place; ecliptic longitudes in degrees.
struct Houses {
    HouseSystem system = HouseSystem::Placidus;
    double ascendant = 0;  // the ascendant and the midheaven themselves, whichever system gives the cusps
    double midheaven = 0;
    std::array<double, kHouseCount> cusps{};  // houses 1..12
};

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

// The whole answer, ending in a NUL that belongs to it (the receiver reads the text up to that NUL); with houses
// their fifteen items follow the planets.
std::string answerText(const CalculatorRequest& request,
                       const BirthMoment& moment,
                       const Longitudes& longitudes,
                       const std::optional<Houses>& houses = std::nullopt);

}  // namespace corvina
