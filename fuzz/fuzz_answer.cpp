// Any bytes received as a calculator answer give at most ten updates, one per planet in planet order, each with a
// sign of the table or -1 and a degree that is 0 or more.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "link/calculator_answer.h"

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
    return 0;
}
