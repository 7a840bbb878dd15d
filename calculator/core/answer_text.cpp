#include "core/answer_text.h"

#include <cmath>

#include "chart/zodiac_sign_table.h"
#include "util/format.h"

namespace corvina {

CutPosition cutPosition(double longitude) {
    constexpr long kMinutesPerCircle = 360 * 60;
    double wrapped = std::fmod(longitude, 360.0);
    if (wrapped < 0)
        wrapped += 360.0;
    long minutes = static_cast<long>(std::floor(wrapped * 60.0));
    // A longitude a hair below 360 (or 0 after wrapping a hair below 0) may round up to the full circle.
    if (minutes >= kMinutesPerCircle)
        minutes = kMinutesPerCircle - 1;
    if (minutes < 0)
        minutes = 0;
    return CutPosition{static_cast<int>(minutes / (30 * 60)) + 1, static_cast<int>((minutes / 60) % 30),
                       static_cast<int>(minutes % 60)};
}

std::string positionItem(double longitude) {
    const CutPosition cut = cutPosition(longitude);
    const std::string_view key = chart::signKey(cut.sign);
    return util::format("%d%.*s%02d", cut.degrees, static_cast<int>(key.size()), key.data(), cut.minutes);
}

std::string birthDataItem(const CalculatorRequest& r, const BirthMoment& m) {
    return util::format("%d.%d.%d,%02d%02d:%d", r.year, r.month, r.day, r.hour, r.minute, m.zoneIndex);
}

std::string answerText(const CalculatorRequest& request,
                       const BirthMoment& moment,
                       const Longitudes& longitudes,
                       const std::optional<Houses>& houses) {
    std::string text = birthDataItem(request, moment);
    for (const double longitude : longitudes) {
        text += '|';
        text += positionItem(longitude);
    }
    if (houses) {
        text += '|';
        text += static_cast<char>(houses->system);
        for (const double longitude : {houses->ascendant, houses->midheaven}) {
            text += '|';
            text += positionItem(longitude);
        }
        for (const double cusp : houses->cusps) {
            text += '|';
            text += positionItem(cusp);
        }
    }
    text += '\0';
    return text;
}

}  // namespace corvina
