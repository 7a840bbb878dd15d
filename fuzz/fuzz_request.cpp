// Any bytes sent to the calculator as a request: it answers at most once, and every answer it sends ends with its
// NUL and reads back in the card index as ten planets, each with a sign and a degree within the sign.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/request_desk.h"
#include "link/calculator_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
        return corvina::Delivery::Sent;
    });
    const bool delivered = desk.take(std::string_view(reinterpret_cast<const char*>(data), size));
    if (deliveries > 1 || delivered != (deliveries == 1))
        std::abort();
    return 0;
}
