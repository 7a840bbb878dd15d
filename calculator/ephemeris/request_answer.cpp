#include "ephemeris/request_answer.h"

#include "core/answer_text.h"
#include "core/birth_moment.h"
#include "core/request_parser.h"
#include "ephemeris/planet_positions.h"

namespace corvina {

RequestAnswer answerRequest(std::string_view requestBytes) {
    RequestAnswer result;
    const RequestParse parse = parseCalculatorRequest(requestBytes);
    if (!parse.request) {
        result.reason = parse.reason;
        return result;
    }
    const CalculatorRequest& request = *parse.request;
    result.windowClass = request.windowClass;
    const MomentResult moment = birthMoment(request);
    if (!moment.moment) {
        result.reason = moment.reason;
        return result;
    }
    result.zoneDefaulted = moment.moment->zoneDefaulted;
    const PositionsResult positions = planetLongitudes(moment.moment->julianDayUt);
    if (!positions.longitudes) {
        result.reason = positions.reason;
        return result;
    }
    result.answer = answerText(request, *moment.moment, *positions.longitudes);
    return result;
}

}  // namespace corvina
