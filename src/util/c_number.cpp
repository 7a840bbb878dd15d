#include "util/c_number.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>

namespace util {
namespace {

// The blanks that the C runtime's isspace accepts in the "C" locale.
bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips the leading blanks and reads an optional sign; returns the position of the first byte after them.
std::size_t skipBlanksAndSign(std::string_view text, bool& negative) {
    std::size_t pos = 0;
    while (pos < text.size() && isCSpace(text[pos]))
        ++pos;
    negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    return pos;
}

// The power of ten of the leading digit of a decimal number text (digits[.digits][e[sign]digits]); only its sign
// matters, to tell an overflow from an underflow.
std::int64_t decimalMagnitude(std::string_view number) {
    const std::size_t e = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, e);
    std::int64_t magnitude = 0;
    const std::size_t point = mantissa.find('.');
    const std::size_t intEnd = point == std::string_view::npos ? mantissa.size() : point;
    const std::size_t firstNonZero = mantissa.find_first_not_of("0.");
    if (firstNonZero == std::string_view::npos)
        return -1;
    if (firstNonZero < intEnd)
        magnitude = static_cast<std::int64_t>(intEnd - firstNonZero) - 1;
    else
        magnitude = -static_cast<std::int64_t>(firstNonZero - intEnd);
    if (e != std::string_view::npos)
        magnitude += readCInt(number.substr(e + 1));
    return magnitude;
}

}  // namespace

std::int32_t readCInt(std::string_view text) {
    bool negative = false;
    std::size_t pos = skipBlanksAndSign(text, negative);
    // Accumulate as a negative number so that INT32_MIN is reachable without overflow.
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = -static_cast<std::int64_t>(INT32_MAX) - 1;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        value = value * 10 - (text[pos] - '0');
        if (value < kLimit) {
            value = kLimit;
            // Keep consuming digits: the result stays saturated.
        }
    }
    if (negative)
        return static_cast<std::int32_t>(value);
    return value < -static_cast<std::int64_t>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(-value);
}

double readCDouble(std::string_view text) {
    bool negative = false;
    const std::size_t start = skipBlanksAndSign(text, negative);

    // Find the longest prefix of the form digits[.digits][e[sign]digits] with at least one mantissa digit.
    std::size_t pos = start;
    std::size_t mantissaDigits = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
        ++mantissaDigits;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            ++pos;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0.0;
    std::size_t end = pos;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t exp = pos + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-'))
            ++exp;
        if (exp < text.size() && isDigit(text[exp])) {
            while (exp < text.size() && isDigit(text[exp]))
                ++exp;
            end = exp;
        }
    }

    // from_chars does not take a lone leading '.', so give it a leading zero.
    std::string number;
    number.reserve(end - start + 1);
    if (text[start] == '.')
        number.push_back('0');
    number.append(text.substr(start, end - start));

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = decimalMagnitude(number) > 0 ? DBL_MAX : 0.0;
    return negative ? -value : value;
}

float narrowToFloat(double value) {
    if (std::isnan(value))
        return static_cast<float>(value);
    if (value > FLT_MAX)
        return FLT_MAX;
    if (value < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(value);
}

float readCFloat(std::string_view text) {
    return narrowToFloat(readCDouble(text));
}

}  // namespace util
