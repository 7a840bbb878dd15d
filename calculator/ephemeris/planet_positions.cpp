#include "ephemeris/planet_positions.h"

#include <swephexp.h>

#include <cmath>

#include "util/format.h"

// The range is checked here as well as by the library, so that a wildly distant moment never reaches its
// Delta T and precession series; a moment a little inside the range edges may still be refused by the library.
namespace corvina {

PositionsResult planetLongitudes(double julianDayUt) {
    if (!std::isfinite(julianDayUt) || julianDayUt < kFirstJulianDay + 1 || julianDayUt > kLastJulianDay - 1)
        return PositionsResult{std::nullopt, "日期超出星历的范围（约公元前3000年至公元3000年）"};
    Longitudes longitudes{};
    for (int planet = 0; planet < kPlanetCount; ++planet) {
        double position[6] = {};
        char error[AS_MAXCH] = {};
        const int32 flags = swe_calc_ut(julianDayUt, SE_SUN + planet, SEFLG_MOSEPH, position, error);
        if (flags < 0 || !std::isfinite(position[0]))
            return PositionsResult{std::nullopt, util::format("星历算不出位置：%s", error)};
        longitudes[static_cast<std::size_t>(planet)] = position[0];
    }
    return PositionsResult{longitudes, {}};
}

}  // namespace corvina
