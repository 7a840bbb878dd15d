#include "app/field_number.h"

#include <limits>

#include "util/c_number.h"

namespace app {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The length of the run of digits at pos.
std::size_t digitsAt(std::string_view text, std::size_t pos) {
    std::size_t end = pos;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return end - pos;
}

}  // namespace

std::optional<std::int32_t> readWholeNumber(std::string_view field) {
    const std::string_view text = trimBlanks(field);
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    const std::size_t digits = digitsAt(text, pos);
    if (digits == 0 || pos + digits != text.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = pos; i < text.size(); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1)
            return std::nullopt;
    }
    if (text[0] == '-')
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max() || value < std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<float> readDecimalNumber(std::string_view field) {
    const std::string_view text = trimBlanks(field);
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    const std::size_t whole = digitsAt(text, pos);
    pos += whole;
    std::size_t fraction = 0;
    if (pos < text.size() && text[pos] == '.') {
        fraction = digitsAt(text, pos + 1);
        pos += 1 + fraction;
    }
    if (whole + fraction == 0)
        return std::nullopt;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t exp = pos + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-'))
            ++exp;
        const std::size_t expDigits = digitsAt(text, exp);
        if (expDigits == 0)
            return std::nullopt;
        pos = exp + expDigits;
    }
    if (pos != text.size())
        return std::nullopt;
    return util::readCFloat(text);
}

}  // namespace app
