#pragma once

#include <optional>
#include <string>

#include "core/request_parser.h"

// The moment of a request in universal time: the local date and time moved by the place's offset when the request
// has a place, else by the zone's; the date read in the Julian calendar up to 4 October 1582 and in the Gregorian
// calendar from 15 October 1582 on.
namespace corvina {

// The zone the form itself takes when none is chosen: index 5, UTC+8.
inline constexpr int kDefaultZoneIndex = 5;

// The offset from universal time in hours of zone index 1..25: 13 - index.
constexpr int zoneOffsetHours(int zoneIndex) {
    return 13 - zoneIndex;
}

struct BirthMoment {
    double julianDayUt = 0;      // Julian day number in universal time
    int zoneIndex = 0;           // the zone echoed in the answer: the request's, or kDefaultZoneIndex
    bool zoneDefaulted = false;  // the request's zone index was outside 1..25
    int offsetMinutes = 0;       // the offset from universal time used: the place's, else the zone's
    bool julianCalendar = false;
};

struct MomentResult {
    std::optional<BirthMoment> moment;
    std::string reason;  // why there is no moment (a day that its calendar does not have); empty otherwise
};

MomentResult birthMoment(const CalculatorRequest& request);

}  // namespace corvina
