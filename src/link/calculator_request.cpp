#include "link/calculator_request.h"

#include <cmath>
#include <cstdlib>

#include "util/format.h"

namespace calclink {
namespace {

// Degrees as the calculator reads them: always four decimals, written from whole ten-thousandths so that no
// locale's decimal comma and no binary fraction reaches the text. Nothing when out of -limit..limit.
std::optional<std::string> degreesText(double degrees, int limit) {
    if (!std::isfinite(degrees) || std::fabs(degrees) > limit + 1.0)
        return std::nullopt;
    const long long tenThousandths = std::llround(degrees * 10000.0);
    const long long magnitude = std::llabs(tenThousandths);
    if (magnitude > limit * 10000LL)
        return std::nullopt;
    return util::format("%s%lld.%04lld", tenThousandths < 0 ? "-" : "", magnitude / 10000, magnitude % 10000);
}

std::optional<std::string> placeText(const BirthPlace& place) {
    const std::optional<std::string> latitude = degreesText(place.latitude, 90);
    const std::optional<std::string> longitude = degreesText(place.longitude, 180);
    if (!latitude || !longitude || place.offsetMinutes < -18 * 60 || place.offsetMinutes > 18 * 60)
        return std::nullopt;
    return util::format("@%s,%s,%+d", latitude->c_str(), longitude->c_str(), place.offsetMinutes);
}

}  // namespace

std::optional<std::string> buildCalculatorRequest(std::string_view windowClass,
                                                  int year,
                                                  int month,
                                                  int day,
                                                  std::string_view timeText,
                                                  int timeZoneIndex,
                                                  const std::optional<BirthPlace>& place) {
    // A request from a parsed birthday is at most 28 bytes, 53 with a place; only a long class name or time text
    // could pass the limit. Such a request is refused rather than cut: a cut one would lose the time zone or
    // misstate the time or place, and the calculator would answer for a birth that was never asked about.
    std::string request = util::format(kRequestPattern, std::string(windowClass).c_str(), year, month, day,
                                       std::string(timeText).c_str(), timeZoneIndex);
    if (place) {
        const std::optional<std::string> suffix = placeText(*place);
        if (!suffix)
            return std::nullopt;
        request += *suffix;
    }
    if (request.size() > kRequestMaxBytes)
        return std::nullopt;
    return request;
}

}  // namespace calclink
