#pragma once

#include <optional>
#include <string>
#include <string_view>

// From the bytes of a request to the bytes of its answer: parse, the moment in universal time, the positions.
namespace corvina {

struct RequestAnswer {
    std::optional<std::string> answer;  // the answer's bytes, its terminating NUL included
    std::string windowClass;            // where the answer goes; empty when the request could not be read
    bool zoneDefaulted = false;         // the zone index was outside 1..25 and UTC+8 was taken
    std::string reason;                 // why there is no answer; empty when there is one
};

RequestAnswer answerRequest(std::string_view requestBytes);

}  // namespace corvina
