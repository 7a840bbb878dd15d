#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/answer_text.h"
#include "core/birth_moment.h"
#include "core/request_parser.h"

// From the bytes of a request to the bytes of its answer: parse, the moment in universal time, the positions, and
// the houses when the request names a place.
namespace corvina {

struct RequestAnswer {
    std::optional<std::string> answer;         // the answer's bytes, its terminating NUL included
    std::string windowClass;                   // where the answer goes; empty when the request could not be read
    std::optional<CalculatorRequest> request;  // the request, when it could be read
    std::optional<BirthMoment> moment;         // its moment, when the calendar has it
    std::optional<Longitudes> longitudes;      // the positions, when the ephemeris covers the moment
    std::optional<Houses> houses;              // the houses, when the request has a place and there is an answer
    std::string reason;                        // why there is no answer (GBK); empty when there is one
};

RequestAnswer answerRequest(std::string_view requestBytes);

}  // namespace corvina
