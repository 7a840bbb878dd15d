// Any typed text gives a birthday or one of the three messages; a birthday is always a checked date with a time of
// four bytes, written out in its display text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "input/birthday_parser.h"
#include "util/format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const input::BirthdayOutcome outcome = input::parseBirthday(text);
    if (const auto* result = std::get_if<input::BirthdayResult>(&outcome)) {
        const std::string date = util::format("%d.%d.%d", result->year, result->month, result->day);
        if (!input::checkDate(result->year, result->month, result->day) || result->timeText.size() != 4 ||
            result->displayText.compare(0, date.size(), date) != 0)
            std::abort();
    } else if (std::get<input::BirthdayError>(outcome).message.empty()) {
        std::abort();
    }
    return 0;
}
