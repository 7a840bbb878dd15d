#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// GBK byte strings, walked by character. A lead byte 0x81..0xFE followed by a trail byte 0x40..0x7E or 0x80..0xFE
// is one two-byte character; every other byte (including a lead byte cut off at the end, or followed by a byte that
// cannot be a trail byte) is a character of its own. Nothing here reads past the end of its text.
namespace util::gbk {

constexpr bool isLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

constexpr bool isTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE);
}

// Length in bytes (1 or 2) of the character that starts at pos; pos must be inside the text.
inline std::size_t charLength(std::string_view text, std::size_t pos) {
    if (isLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
        isTrailByte(static_cast<unsigned char>(text[pos + 1])))
        return 2;
    return 1;
}

// Position of the first occurrence of needle in text at or after from that starts on a character boundary of text
// and ends on one (so it never matches across the halves of two characters); npos when there is none. An empty
// needle is found at from.
std::size_t find(std::string_view text, std::string_view needle, std::size_t from = 0);

// Whether text contains needle as whole characters.
bool contains(std::string_view text, std::string_view needle);

// Replaces every whole-character occurrence of from by to, left to right, in one walk over the text.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// The text with ASCII letters A-Z turned into a-z; bytes of two-byte characters are left exactly as they are, so
// 81 41 and 81 61 stay different.
std::string foldAsciiCase(std::string_view text);

// Whether a and b are equal ignoring the case of ASCII letters outside two-byte characters.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace util::gbk
