#include "ephemeris/request_answer.h"

#include "ephemeris/house_cusps.h"
#include "ephemeris/planet_positions.h"

namespace corvina {

RequestAnswer answerRequest(std::string_view requestBytes) {
    RequestAnswer result;
    RequestParse parse = parseCalculatorRequest(requestBytes);
    if (!parse.request) {
        result.reason = std::move(parse.reason);
        return result;
    }
    result.request = std::move(parse.request);
    result.windowClass = result.request->windowClass;
    MomentResult moment = birthMoment(*result.request);
    if (!moment.moment) {
        result.reason = std::move(moment.reason);
        return result;
    }
    result.moment = moment.moment;
    PositionsResult positions = planetLongitudes(moment.moment->julianDayUt);
    if (!positions.longitudes) {
        result.reason = std::move(positions.reason);
        return result;
    }
    result.longitudes = positions.longitudes;
    if (const std::optional<BirthPlace>& place = result.request->place) {
        HousesResult houses = houseCusps(moment.moment->julianDayUt, place->latitude, place->longitude);
        if (!houses.houses) {
            result.reason = std::move(houses.reason);
            return result;
        }
        result.houses = houses.houses;
    }
    result.answer = answerText(*result.request, *result.moment, *result.longitudes, result.houses);
    return result;
}

}  // namespace corvina
