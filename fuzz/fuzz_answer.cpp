// Any bytes received as a calculator answer give at most ten updates, one per planet in planet order, each with a
// sign of the table or -1 and a degree that is 0 or more; houses, when read, have every position within a sign as
// the card keeps it (degree.minutes with minutes below 60).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "link/calculator_answer.h"

namespace {

void checkPosition(const chart::PlanetPosition& p) {
    const float minutes = (p.degree - std::floor(p.degree)) * 100.f;
    if (p.sign < 1 || p.sign > 12 || !(p.degree >= 0.f && p.degree < 30.f) || !(minutes < 59.5f))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<calclink::PlanetUpdate> updates = calclink::readCalculatorAnswer(bytes);
    if (updates.size() > 10)
        std::abort();
    int previous = -1;
    for (const calclink::PlanetUpdate& u : updates) {
        if (u.planet <= previous || u.planet > 9 || u.sign == 0 || u.sign < -1 || u.sign > 12 ||
            (u.degree && !(*u.degree >= 0.f)))
            std::abort();
        previous = u.planet;
    }
    if (const std::optional<calclink::CalculatorHouses> houses = calclink::readCalculatorHouses(bytes)) {
        checkPosition(houses->ascendant);
        checkPosition(houses->midheaven);
        for (const chart::PlanetPosition& cusp : houses->cusps)
            checkPosition(cusp);
    }
    return 0;
}
