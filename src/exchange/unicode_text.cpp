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

FileText fileText(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        return {bytes.substr(kUtf8Bom.size()), Encoding::Utf8};
    // Text in another encoding rarely forms UTF-8 sequences by chance, and a UTF-8 file's non-ASCII text is nothing
    // but them: the evidence is weighed, so that a few stray bytes do not turn every Chinese record into refused
    // Latin letters.
    std::size_t wellFormed = 0, broken = 0;
    char32_t cp = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t n = sequenceLength(bytes, pos, &cp);
        if (n == 0) {
            ++broken;
            ++pos;
        } else {
            wellFormed += n > 1 ? 1 : 0;
            pos += n;
        }
    }
    return {bytes, broken > wellFormed ? Encoding::Windows1252 : Encoding::Utf8};
}

std::string windows1252ToUtf8(std::string_view bytes) {
    // 0x80..0x9F; 0 where the code page has no character.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
    };
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        char32_t cp = b;
        if (b >= 0x80 && b < 0xA0)
            cp = kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : 0xFFFD;
        if (cp < 0x80) {
            out.push_back(c);
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

GbkField gbkField(std::string_view bytes, Encoding encoding) {
    GbkField field;
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        field.text = std::string(bytes);
        return field;
    }
    std::string converted;
    std::string_view utf8 = bytes;
    if (encoding == Encoding::Windows1252) {
        for (const char b : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'}) {
            if (bytes.find(b) != std::string_view::npos) {
                field.problem = util::format("含有 Windows-1252 编码中没有的字节 0x%02X",
                                             static_cast<unsigned>(static_cast<unsigned char>(b)));
                return field;
            }
        }
        converted = windows1252ToUtf8(bytes);
        utf8 = converted;
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
            field.problem = util::format("不是有效的 UTF-8 文字（字节 0x%02X）",
                                         static_cast<unsigned>(static_cast<unsigned char>(utf8[pos])));
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
