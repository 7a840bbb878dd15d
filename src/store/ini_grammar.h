#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "store/ini_document.h"
#include "util/gbk.h"

// The grammar, line by line (a line ends at CR LF, LF or a lone CR; blanks are space and tab):
//
//   head    = blanks "[" name ( "]" anything | end of line )     name ends at the first "]" of its own, blanks trimmed
//   comment = blanks ";" anything
//   key     = blanks key-name blanks "=" blanks value blanks     the first "=" ends the key name
//   other   = anything else (blank lines, text without "=")       kept, never read
//
// A value that is at least two bytes long and starts and ends with the same quote (" or ') loses that one pair.
// Lines before the first head belong to no section. With duplicate sections or keys, the first one counts.
namespace store::grammar {

inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

inline bool isBreak(char c) {
    return c == '\r' || c == '\n';
}

// End of the line that starts at or contains pos (the position of its first break byte, or the end of the text).
inline std::size_t lineEnd(std::string_view text, std::size_t pos) {
    // Bytes below 0x0E are rare in text: skip everything above quickly, then look closer.
    const char* p = text.data() + pos;
    const char* const end = text.data() + text.size();
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) <= '\r' && (*p == '\r' || *p == '\n'))
            break;
    }
    return static_cast<std::size_t>(p - text.data());
}

inline std::size_t breakLength(std::string_view text, std::size_t end) {
    if (end >= text.size())
        return 0;
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        return 2;
    return 1;
}

// The name inside a head line that starts with "[" at open; ends at the first "]" that is a character of its own.
inline std::string_view headName(std::string_view line, std::size_t open) {
    std::size_t pos = open + 1;
    std::size_t close = line.size();
    while (pos < line.size()) {
        const std::size_t len = util::gbk::charLength(line, pos);
        if (len == 1 && line[pos] == ']') {
            close = pos;
            break;
        }
        pos += len;
    }
    return trimBlanks(line.substr(open + 1, close - open - 1));
}

inline std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A parsed body line: where its key and value are, when it is a key line.
struct ParsedLine {
    bool isKey = false;
    std::size_t keyStart = 0, keyLength = 0;
    std::size_t equalsAt = 0;
    std::size_t valueStart = 0, valueLength = 0;
};

inline ParsedLine parseLine(std::string_view line) {
    ParsedLine parsed;
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    if (start == line.size() || line[start] == ';' || line[start] == '[')
        return parsed;
    const std::size_t eq = line.find('=', start);  // "=" is never the second byte of a GBK character
    if (eq == std::string_view::npos)
        return parsed;
    const std::string_view key = trimBlanks(line.substr(start, eq - start));
    const std::string_view value = unquote(trimBlanks(line.substr(eq + 1)));
    parsed.isKey = true;
    parsed.keyStart = static_cast<std::size_t>(key.data() - line.data());
    parsed.keyLength = key.size();
    parsed.equalsAt = eq;
    parsed.valueStart = static_cast<std::size_t>(value.data() - line.data());
    parsed.valueLength = value.size();
    return parsed;
}

// The run of (hash, index) pairs with the given hash in a sorted vector.
// Whether a body line is a key line (its first non-blank byte is not ";" and it holds "="), without parsing it.
inline bool isKeyLine(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    return start < line.size() && line[start] != ';' && line[start] != '[' &&
           line.find('=', start) != std::string_view::npos;
}

template <typename Pairs>
auto hashRange(const Pairs& pairs, std::uint64_t hash) {
    using Pair = typename Pairs::value_type;
    return std::equal_range(pairs.begin(), pairs.end(), Pair{hash, 0},
                            [](const Pair& a, const Pair& b) { return a.first < b.first; });
}

inline bool containsBreakOrNul(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= '\r' && (c == '\r' || c == '\n' || c == '\0'))
            return true;
    }
    return false;
}

}  // namespace store::grammar
