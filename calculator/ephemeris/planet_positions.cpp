#include "ephemeris/planet_positions.h"

#include <swephexp.h>

#include <cmath>

#include "util/format.h"

// The range is checked here as well as by the library, so that a wildly distant moment never reaches its
// Delta T and precession series; a moment a little inside the range edges may still be refused by the library.
namespace corvina {

PositionsResult planetLongitudes(double julianDayUt) {
    if (!std::isfinite(julianDayUt) || julianDayUt < kFirstJulianDay + 1 || julianDayUt > kLastJulianDay - 1)
        return PositionsResult{std::nullopt, "the date lies outside the ephemeris (about 3000 BC to AD 3000)"};
    Longitudes longitudes{};
    for (int planet = 0; planet < kPlanetCount; ++planet) {
        double position[6] = {};
        char error[AS_MAXCH] = {};
        const int32 flags = swe_calc_ut(julianDayUt, SE_SUN + planet, SEFLG_MOSEPH, position, error);
        if (flags < 0 || !std::isfinite(position[0]))
            return PositionsResult{std::nullopt, util::format("the ephemeris has no position: %s", error)};
        longitudes[static_cast<std::size_t>(planet)] = position[0];
    }
    return PositionsResult{longitudes, {}};
}

}  // namespace corvina
