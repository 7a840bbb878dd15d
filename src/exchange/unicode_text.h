#pragma once

#include <optional>
#include <string>
#include <string_view>

// The Unicode side of the exchange files: which encoding a file is read in, and turning a field into the system's
// GBK with a reason when it cannot be.
namespace exchange {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class Encoding {
    Utf8,
    Windows1252,  // the Western Windows code page: Latin-1's letters and the marks ’ “ ” – … in 0x80..0x9F
};

// A file's text and its encoding: after a UTF-8 byte-order mark UTF-8; otherwise UTF-8 unless the bytes that break
// UTF-8 outnumber its well-formed characters beyond ASCII, then Windows-1252. A stray byte in a UTF-8 file thus
// spoils only the field it stands in.
struct FileText {
    std::string_view text;  // without the byte-order mark
    Encoding encoding = Encoding::Utf8;
};
FileText fileText(std::string_view bytes);

// Windows-1252 bytes as UTF-8; the five bytes the code page leaves open become U+FFFD.
std::string windows1252ToUtf8(std::string_view bytes);

// A field of the file as GBK; otherwise why not (GBK): a byte that is not of the encoding, or a character GBK lacks,
// quoted by its code point.
struct GbkField {
    std::optional<std::string> text;
    std::string problem;
};
GbkField gbkField(std::string_view field, Encoding encoding = Encoding::Utf8);

}  // namespace exchange
