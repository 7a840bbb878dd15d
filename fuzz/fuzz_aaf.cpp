// Any file gives cards and problems, never a crash: every card read holds only texts the document can take, a
// birthday the form's parser writes as it is, and positions of real signs, every problem names a line of the file,
// and the cards written out again read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "exchange/aaf_format.h"
#include "input/birthday_parser.h"
#include "util/c_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const exchange::ReadCards read = exchange::readAaf(bytes, "now");
    for (const store::Person& person : read.persons) {
        for (const std::string& text : person.texts)
            if (exchange::valueProblem(text))
                std::abort();
        const std::string& birthday = person[store::PersonKey::Srday];
        if (!birthday.empty()) {
            const input::BirthdayOutcome parsed = input::parseBirthday(birthday);
            const auto* result = std::get_if<input::BirthdayResult>(&parsed);
            if (result == nullptr || result->displayText != birthday)
                std::abort();
        }
        for (const store::PlanetEntry& planet : store::kPlanetTable) {
            const int sign = util::readCInt(person[planet.signKey]);
            const double degree = util::readCDouble(person[planet.degreeKey]);
            if (sign < 0 || sign > 12 || degree < 0 || degree >= 30)
                std::abort();
        }
    }
    for (const exchange::Problem& problem : read.problems)
        if (problem.line < 1 || problem.reason.empty())
            std::abort();
    const exchange::WrittenCards written = exchange::writeAaf(read.persons);
    if (exchange::readAaf(written.bytes).persons.size() != read.persons.size())
        std::abort();
    return 0;
}
