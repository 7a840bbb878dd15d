#include "ephemeris/house_cusps.h"

#include <swephexp.h>

#include <cmath>

// The library tells when Placidus fails (it then gives Porphyry cusps, which an answer never carries): the cusps are
// asked for again as whole signs. Delta T and the obliquity are those of the built-in ephemeris, as for the planets.
namespace corvina {
namespace {

struct LibraryHouses {
    int status = 0;
    double cusps[13] = {};  // 1..12 used
    double angles[10] = {};
};

LibraryHouses libraryHouses(double julianDayUt, double latitude, double longitude, HouseSystem system) {
    LibraryHouses h;
    h.status =
        swe_houses_ex(julianDayUt, SEFLG_MOSEPH, latitude, longitude, static_cast<char>(system), h.cusps, h.angles);
    return h;
}

}  // namespace

HousesResult houseCusps(double julianDayUt, double latitude, double longitude) {
    Houses houses;
    LibraryHouses h = libraryHouses(julianDayUt, latitude, longitude, HouseSystem::Placidus);
    if (h.status < 0) {
        houses.system = HouseSystem::WholeSign;
        h = libraryHouses(julianDayUt, latitude, longitude, HouseSystem::WholeSign);
    }
    houses.ascendant = h.angles[SE_ASC];
    houses.midheaven = h.angles[SE_MC];
    bool finite = h.status >= 0 && std::isfinite(houses.ascendant) && std::isfinite(houses.midheaven);
    for (int house = 1; house <= kHouseCount; ++house) {
        houses.cusps[static_cast<std::size_t>(house - 1)] = h.cusps[house];
        finite = finite && std::isfinite(h.cusps[house]);
    }
    if (!finite)
        return HousesResult{std::nullopt, "星历算不出这一时刻和地点的宫位"};
    return HousesResult{houses, {}};
}

}  // namespace corvina
