#include "place/place_description.h"

#include <cstdlib>

#include "place/china_divisions.h"
#include "place/country_codes.h"
#include "util/format.h"

// GeoNames' division codes are codes: only China's (a hand-written table) and the United States' (the postal
// abbreviations everyone knows) say something to the user; elsewhere the coordinates tell two places apart.
namespace place {
namespace {

std::string degrees(std::int32_t e4, const char* positive, const char* negative) {
    const long hundredths = (std::labs(static_cast<long>(e4)) + 50) / 100;
    return util::format("%s%ld.%02ld°", e4 < 0 ? negative : positive, hundredths / 100, hundredths % 100);
}

}  // namespace

std::string coordinatesText(const Place& place) {
    return degrees(place.latitudeE4, "北纬", "南纬") + " " + degrees(place.longitudeE4, "东经", "西经");
}

std::string describePlace(const Place& place) {
    std::string where;
    if (place.country == "CN" && !chinaDivisionName(place.division).empty())
        where = chinaDivisionName(place.division);
    else if (place.country == "US" && !place.division.empty())
        where = place.division;
    else
        where = coordinatesText(place);
    const std::string_view country = countryNameForCode(place.country);
    where += ' ';
    where += country.empty() ? place.country : country;
    return where;
}

}  // namespace place
