#include "exchange/unicode_text.h"

#include "util/format.h"
#include "util/text_codec.h"

namespace exchange {

namespace {

// The length of the well-formed UTF-8 sequence at pos, or 0.
std::size_t sequenceLength(std::string_view s, std::size_t pos, char32_t* codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b0 = byte(pos);
    std::size_t length = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
        *codePoint = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (pos + length > s.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    *codePoint = cp;
    return length;
}

}  // namespace

bool isUtf8(std::string_view bytes) {
    char32_t cp = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t n = sequenceLength(bytes, pos, &cp);
        if (n == 0)
            return false;
        pos += n;
    }
    return true;
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

GbkField gbkField(std::string_view utf8) {
    GbkField field;
    bool ascii = true;
    for (char c : utf8)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        field.text = std::string(utf8);
        return field;
    }
    if (auto gbk = util::utf8ToGbk(utf8)) {
        field.text = std::move(*gbk);
        return field;
    }
    // Name the first character that does not convert.
    char32_t cp = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t n = sequenceLength(utf8, pos, &cp);
        if (n == 0) {
            field.problem = "不是有效的 UTF-8 文字";
            return field;
        }
        if (n > 1 && !util::utf8ToGbk(utf8.substr(pos, n))) {
            field.problem = util::format("含有 GBK 中没有的字符 U+%04X", static_cast<unsigned>(cp));
            return field;
        }
        pos += n;
    }
    field.problem = "含有 GBK 中没有的字符";
    return field;
}

}  // namespace exchange
