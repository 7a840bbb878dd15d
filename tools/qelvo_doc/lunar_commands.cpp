#include "lunar_commands.h"

#include <cstdio>
#include <string>
#include <variant>

#include "input/birthday_parser.h"
#include "input/lunar_birthday.h"
#include "input/lunar_calendar.h"
#include "util/format.h"

// Both commands read their text as "获得生日" reads the input field, so the tool and the form never differ: the
// birthday parser, which also takes lunar dates, and the calendar's written form of a date.
namespace {

void write(std::FILE* stream, const std::string& gbk, bool raw) {
    const std::string text = forTerminal(gbk, raw);
    std::fwrite(text.data(), 1, text.size(), stream);
}

int printed(const std::string& gbk, bool raw) {
    write(stdout, gbk + "\n", raw);
    return 0;
}

int refused(const input::BirthdayOutcome& outcome, bool raw) {
    write(stderr, std::get<input::BirthdayError>(outcome).message + "\n", raw);
    return 2;
}

int lunarOf(const std::string& text, bool raw) {
    const input::BirthdayOutcome outcome = input::parseBirthday(text);
    const auto* birthday = std::get_if<input::BirthdayResult>(&outcome);
    if (birthday == nullptr)
        return refused(outcome, raw);
    const std::string lunar = input::lunarDateTextOf({birthday->year, birthday->month, birthday->day});
    if (lunar.empty()) {
        write(stderr,
              util::format("%d年%d月%d日不在农历可换算的范围（农历%d年至%d年）内。\n", static_cast<int>(birthday->year),
                           static_cast<int>(birthday->month), static_cast<int>(birthday->day), input::firstLunarYear(),
                           input::lastLunarYear()),
              raw);
        return 1;
    }
    return printed(lunar, raw);
}

int solarOf(const std::string& text, bool raw) {
    const input::BirthdayOutcome outcome =
        input::parseLunarBirthday(input::isLunarBirthday(text) ? text : "农历" + text);
    if (const auto* birthday = std::get_if<input::BirthdayResult>(&outcome))
        return printed(birthday->displayText, raw);
    return refused(outcome, raw);
}

}  // namespace

std::optional<int> runCalendarCommand(const Arguments& args) {
    if (args.words.size() != 1)
        return std::nullopt;
    if (args.document == std::filesystem::path("lunar"))
        return lunarOf(args.words[0], args.raw);
    if (args.document == std::filesystem::path("solar"))
        return solarOf(args.words[0], args.raw);
    return std::nullopt;
}
