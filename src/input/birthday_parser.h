#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

// The birthday parser: a birthday typed in one of the accepted forms (1991.1.2, 1991-1-2, 1991年1月2日, 19910102,
// each with an optional time as ",1255", or written after the date as 12点55分, 下午1点, 12:55) becomes year, month,
// day, a four-byte time and the normalised display text, or one of three error messages. Texts are GBK; pure.
namespace input {

struct BirthdayResult {
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::string timeText;     // four bytes HHMM as typed, or "1200" when no time was typed
    bool timeGiven = false;   // whether the input held a time
    std::string displayText;  // "%d.%d.%d" or "%d.%d.%d,%s": 1991.1.2 or 1991.1.2,1255
};

struct BirthdayError {
    enum class Kind { kNoDate, kBadTime, kBadDate };
    Kind kind;
    std::string message;  // the text for the user's message box
};

using BirthdayOutcome = std::variant<BirthdayResult, BirthdayError>;

// The time-of-day default and the pattern of the current time that a later parse reads back.
inline constexpr std::string_view kDefaultTimeText = "1200";
inline constexpr const char* kNowPattern = "%Y-%m-%d,%H%M";

// The whole parse of one input text; any byte string yields a result or an error.
BirthdayOutcome parseBirthday(std::string_view text);

// The first step of the parse: outer blanks trimmed, separators unified, everything before the first digit 1-9
// dropped.
std::string normalizeInput(std::string_view text);

// Whether year.month.day is a date: years 1..10000, the Gregorian leap rule after 1582 and the Julian one up to it.
bool checkDate(std::int32_t year, std::int32_t month, std::int32_t day);

}  // namespace input
