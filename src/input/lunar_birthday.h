#pragma once

#include <string_view>

#include "input/birthday_parser.h"

// Birthdays typed in the Chinese calendar: 农历1990年十一月十七, 阴历1990.11.17, 农历九〇年冬月十七日,
// 农历1990年闰五月初一, each with a time as any birthday takes one (农历1990年十一月十七，1255). The lunar date becomes
// the Gregorian date it names, so the result is the birthday parser's own (display text 1991.1.2,1255); a lunar
// date that names no day gets a message saying why. Texts are GBK; pure.
namespace input {

// Whether the text, after blanks, begins with 农历 or 阴历.
bool isLunarBirthday(std::string_view text);

// The birthday such a text names, or why it names none.
BirthdayOutcome parseLunarBirthday(std::string_view text);

}  // namespace input
