#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The request to the calculator program: "$%s#%d.%d.%d,%s:%d" with the answering window's class name, the birth
// date, the four-byte time and the time-zone index, as in $mvQelvo#1991.1.2,1255:5.
namespace calclink {

inline constexpr std::string_view kCalculatorWindowClass = "Corvina";
inline constexpr const char* kRequestPattern = "$%s#%d.%d.%d,%s:%d";
// The calculator takes the request into a buffer of 100 bytes, its terminating NUL included.
inline constexpr std::size_t kRequestMaxBytes = 99;

// The request text; nothing when it would be longer than kRequestMaxBytes.
std::optional<std::string> buildCalculatorRequest(std::string_view windowClass,
                                                  int year,
                                                  int month,
                                                  int day,
                                                  std::string_view timeText,
                                                  int timeZoneIndex);

}  // namespace calclink
