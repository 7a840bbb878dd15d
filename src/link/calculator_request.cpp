#include "link/calculator_request.h"

#include "util/format.h"

namespace calclink {

std::optional<std::string> buildCalculatorRequest(std::string_view windowClass,
                                                  int year,
                                                  int month,
                                                  int day,
                                                  std::string_view timeText,
                                                  int timeZoneIndex) {
    // A request from a parsed birthday is at most 28 bytes; only a long class name or time text could pass the
    // limit. Such a request is refused rather than cut: a cut one would lose the time zone or misstate the time,
    // and the calculator would answer for a birth that was never asked about.
    std::string request = util::format(kRequestPattern, std::string(windowClass).c_str(), year, month, day,
                                       std::string(timeText).c_str(), timeZoneIndex);
    if (request.size() > kRequestMaxBytes)
        return std::nullopt;
    return request;
}

}  // namespace calclink
