#pragma once

#include <optional>
#include <string>
#include <string_view>

// The Unicode side of the exchange files: checking UTF-8, reading Latin-1, and turning a field into the system's GBK
// with a reason when it cannot be.
namespace exchange {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isUtf8(std::string_view bytes);

// Latin-1 (ISO 8859-1) bytes as UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

// A UTF-8 field as GBK; otherwise why not (GBK): not UTF-8, or a character GBK lacks, quoted by its code point.
struct GbkField {
    std::optional<std::string> text;
    std::string problem;
};
GbkField gbkField(std::string_view utf8);

}  // namespace exchange
