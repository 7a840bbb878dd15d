#pragma once

#include <cstdint>
#include <string_view>

// Numbers read from texts the way the C runtime's atoi, atol and atof read them: leading white space is skipped,
// an optional sign is taken, then the longest prefix that forms a number; a text without one reads as 0. Unlike
// the C functions these never overflow: a value beyond the result type saturates at the type's limit.
namespace util {

// atoi / atol (both 32-bit on the program's platform): [blanks][+|-]digits, saturating at INT32_MIN/INT32_MAX.
std::int32_t readCInt(std::string_view text);

// atof: [blanks][+|-]digits[.digits][(e|E)[+|-]digits], or [.digits...]; 0 when no digit is found.
// Values beyond the double range saturate at +/-DBL_MAX, values too small become 0.
double readCDouble(std::string_view text);

// The same reading narrowed to single precision, saturating at +/-FLT_MAX instead of overflowing.
float readCFloat(std::string_view text);

// Narrows a double to float, clamping to +/-FLT_MAX (NaN stays NaN).
float narrowToFloat(double value);

}  // namespace util
