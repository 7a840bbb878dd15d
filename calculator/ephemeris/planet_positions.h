#pragma once

#include <optional>
#include <string>

#include "core/answer_text.h"

// Planet positions from the ephemeris library's built-in analytical ephemeris (no data files): geocentric, apparent,
// tropical ecliptic longitudes of sun..pluto at a moment in universal time.
namespace corvina {

// The moments the built-in ephemeris covers, as Julian days (about 3000 BC to AD 3000).
inline constexpr double kFirstJulianDay = 625000.5;
inline constexpr double kLastJulianDay = 2818000.5;

struct PositionsResult {
    std::optional<Longitudes> longitudes;
    std::string reason;  // why there are none; empty otherwise
};

PositionsResult planetLongitudes(double julianDayUt);

}  // namespace corvina
