#pragma once

#include <optional>
#include <string>
#include <string_view>

// Reading a request for planet positions: "$<window class>#<year>.<month>.<day>,<HHMM>:<zone index>", as in
// $mvQelvo#1991.1.2,1255:5, optionally followed by the birth place "@<latitude>,<longitude>,<offset minutes>", as in
// $mvQelvo#1991.1.2,1255:5@23.3540,116.6820,+480. The class names the window that takes the answer.
namespace corvina {

// A request is copied into a buffer of 100 bytes, its terminating NUL included.
inline constexpr std::size_t kRequestMaxBytes = 99;

// Where and at which offset from universal time the clocks of a birth stood, when a request says so.
struct BirthPlace {
    double latitude = 0;    // degrees, north positive, -90..90
    double longitude = 0;   // degrees, east positive, -180..180
    int offsetMinutes = 0;  // the local time's offset from universal time, east positive, -1080..1080
};

inline constexpr int kMaxOffsetMinutes = 18 * 60;

struct CalculatorRequest {
    std::string windowClass;
    int year = 0;       // astronomical numbering: 0 is 1 BC, -1 is 2 BC
    int month = 0;      // 1..12
    int day = 0;        // 1..31; whether the day exists in its month is the moment's concern
    int hour = 0;       // 0..23, local time of the zone
    int minute = 0;     // 0..59
    int zoneIndex = 0;  // as sent (saturated to the int range); 1..25 mean UTC+12 .. UTC-12

    // With a place, its offset rather than the zone's gives universal time.
    std::optional<BirthPlace> place;
};

struct RequestParse {
    std::optional<CalculatorRequest> request;
    std::string reason;  // why there is no request; empty when there is one
};

// The request in the bytes, or the reason it is refused. Any bytes are safe to pass.
RequestParse parseCalculatorRequest(std::string_view bytes);

}  // namespace corvina
