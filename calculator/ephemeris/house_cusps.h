#pragma once

#include <optional>
#include <string>

#include "core/answer_text.h"

// The houses of a moment in universal time at a place, from the ephemeris library: Placidus houses, or whole-sign
// houses where Placidus has no solution (within the polar circles); the ascendant and midheaven either way.
namespace corvina {

struct HousesResult {
    std::optional<Houses> houses;
    std::string reason;  // why there are none; empty otherwise
};

// latitude -90..90 north positive, longitude -180..180 east positive, in degrees; the moment within the range the
// planets are computed for.
HousesResult houseCusps(double julianDayUt, double latitude, double longitude);

}  // namespace corvina
