// Any bytes sent to the calculator as a request: it answers at most once, and every answer it sends ends with its
// NUL and reads back in the card index as ten planets, each with a sign and a degree within the sign; the houses read
// back exactly when the request names a place, whole-sign cusps at 0 degrees of consecutive signs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/request_parser.h"
#include "ephemeris/request_desk.h"
#include "link/calculator_answer.h"

namespace {

bool withinSign(const chart::PlanetPosition& p) {
    return p.sign >= 1 && p.sign <= 12 && p.degree >= 0.f && p.degree < 30.f;
}

void checkHouses(const std::string& answer, bool hasPlace) {
    const std::optional<calclink::CalculatorHouses> houses = calclink::readCalculatorHouses(answer);
    if (houses.has_value() != hasPlace)
        std::abort();
    if (!houses)
        return;
    if (!withinSign(houses->ascendant) || !withinSign(houses->midheaven))
        std::abort();
    for (std::size_t h = 0; h < houses->cusps.size(); ++h) {
        const chart::PlanetPosition& cusp = houses->cusps[h];
        if (!withinSign(cusp))
            std::abort();
        if (houses->system == calclink::HouseSystem::WholeSign &&
            (cusp.degree != 0.f || cusp.sign != (houses->cusps[0].sign + static_cast<int>(h) - 1) % 12 + 1))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const corvina::RequestParse parse = corvina::parseCalculatorRequest(bytes);
    const bool hasPlace = parse.request && parse.request->place;
    int deliveries = 0;
    corvina::RequestDesk desk([&](const std::string& windowClass, const std::string& answer) {
        ++deliveries;
        if (windowClass.empty() || answer.empty() || answer.back() != '\0' || answer.find('\0') != answer.size() - 1)
            std::abort();
        const std::vector<calclink::PlanetUpdate> updates = calclink::readCalculatorAnswer(answer);
        if (updates.size() != 10)
            std::abort();
        for (const calclink::PlanetUpdate& u : updates) {
            if (u.sign < 1 || u.sign > 12 || !u.degree || !(*u.degree >= 0.f && *u.degree < 30.f))
                std::abort();
        }
        checkHouses(answer, hasPlace);
        return corvina::Delivery::Sent;
    });
    const bool delivered = desk.take(bytes);
    if (deliveries > 1 || delivered != (deliveries == 1))
        std::abort();
    return 0;
}
