#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The request to the calculator program: "$%s#%d.%d.%d,%s:%d" with the answering window's class name, the birth
// date, the four-byte time and the time-zone index, as in $mvQelvo#1991.1.2,1255:5. A request for a known birth
// place goes on with "@<latitude>,<longitude>,<offset>", as in $mvQelvo#1991.1.2,1255:5@23.3540,116.6820,+480: the
// calculator then moves the time to universal time by that offset instead of the zone's, and answers with the
// houses as well (calculator_answer.h).
namespace calclink {

inline constexpr std::string_view kCalculatorWindowClass = "Corvina";
inline constexpr const char* kRequestPattern = "$%s#%d.%d.%d,%s:%d";
// The calculator takes the request into a buffer of 100 bytes, its terminating NUL included.
inline constexpr std::size_t kRequestMaxBytes = 99;

// A birth place as a request carries it.
struct BirthPlace {
    double latitude = 0;    // degrees, north positive, -90..90; sent rounded to four decimals
    double longitude = 0;   // degrees, east positive, -180..180; sent rounded to four decimals
    int offsetMinutes = 0;  // the birth time's offset from UTC in minutes, east positive (India +330, Nepal +345,
                            // local mean time: longitude / 15 hours to the minute), -1080..1080
};

// The request text; nothing when it would be longer than kRequestMaxBytes or the place is out of its ranges (or
// not a number), which the calculator would refuse.
std::optional<std::string> buildCalculatorRequest(std::string_view windowClass,
                                                  int year,
                                                  int month,
                                                  int day,
                                                  std::string_view timeText,
                                                  int timeZoneIndex,
                                                  const std::optional<BirthPlace>& place = std::nullopt);

}  // namespace calclink
