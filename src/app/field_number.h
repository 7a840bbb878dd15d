#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The numbers the main form accepts in its number fields: blanks allowed before and after, nothing else; an empty
// field is refused.
namespace app {

// A whole decimal number with an optional sign, within the signed 32-bit range.
std::optional<std::int32_t> readWholeNumber(std::string_view field);

// A decimal number: [sign] digits [. digits] or [sign] . digits, with an optional exponent e[sign]digits; values
// beyond single precision saturate.
std::optional<float> readDecimalNumber(std::string_view field);

}  // namespace app
