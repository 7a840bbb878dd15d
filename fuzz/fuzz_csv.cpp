// Any file gives cards and problems, never a crash: every card read holds only texts the document can take and a
// birthday the form's parser writes as it is, every problem names a line of the file, and the cards written out
// again read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "exchange/csv_format.h"
#include "input/birthday_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const exchange::ReadCards read = exchange::readCsv(bytes);
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
    }
    for (const exchange::Problem& problem : read.problems)
        if (problem.line < 0 || problem.reason.empty())
            std::abort();
    const exchange::WrittenCards written = exchange::writeCsv(read.persons);
    const exchange::ReadCards again = exchange::readCsv(written.bytes);
    if (!written.problems.empty() || !again.problems.empty() || again.persons.size() != read.persons.size())
        std::abort();
    for (std::size_t i = 0; i < read.persons.size(); ++i)
        if (again.persons[i].texts != read.persons[i].texts)
            std::abort();
    return 0;
}
