#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversions between the system's GBK texts (code page 936) and Unicode, for the edges of the system: documents
// kept as UTF-16, the terminal, the window system. Each returns nullopt when the input is not valid in its encoding
// or a character has no counterpart, unless it is asked to be lossy (then such characters become '?').
namespace util {

std::optional<std::string> gbkToUtf8(std::string_view gbk, bool lossy = false);
std::optional<std::string> utf8ToGbk(std::string_view utf8, bool lossy = false);

// UTF-16 little-endian, as bytes (no byte-order mark).
std::optional<std::string> gbkToUtf16le(std::string_view gbk);
std::optional<std::string> utf16leToGbk(std::string_view utf16le);

}  // namespace util
