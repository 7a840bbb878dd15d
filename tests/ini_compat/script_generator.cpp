#include "script_generator.h"

#include <array>
#include <string_view>

#include "util/gbk.h"

namespace inicompat {
namespace {

// Two-byte characters chosen for what they test; others are drawn at random from ranges where every code is a
// character of code page 936 (so that the Windows side converts them to Unicode and back unchanged).
constexpr std::array<std::string_view, 18> kChosenGbk = {
    "\x81\x41", "\x81\x61",  // second byte an ASCII letter: different characters, not a case pair
    "\x81\x5C", "\x95\x5C",  // second byte "\"
    "\x81\x5D", "\x9F\x5D",  // second byte "]"
    "\x81\x5B", "\x81\x7E", "\x81\x80", "\xA0\xFE", "\xA3\xC1", "\xA3\xE1",  // full-width A and a
    "\xA6\xA1", "\xA6\xC1",                                                  // Greek capital and small alpha
    "\xA1\xA1",  // the ideographic space, which is not a blank
    "\xA1\xB0",  // a Chinese quotation mark
    "\xB0\xA1", "\xC4\xE3",
};

constexpr std::string_view kNamePunctuation = "!\"#$%&'()*+,-./:;<>?@[\\^_`{|}~=]";
constexpr std::string_view kValuePunctuation = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::size_t ScriptGenerator::below(std::size_t bound) {
    return static_cast<std::size_t>(random_() % bound);
}

std::string ScriptGenerator::gbkCharacter() {
    std::string out(2, '\0');
    switch (below(3)) {
        case 0:
            return std::string(kChosenGbk[below(kChosenGbk.size())]);
        case 1: {  // GBK/3: leads 81-A0 with every trail byte, all ideographs
            out[0] = static_cast<char>(0x81 + below(0xA0 - 0x81 + 1));
            const std::size_t trail = below(190);  // 40-7E, then 80-FE
            out[1] = static_cast<char>(trail < 63 ? 0x40 + trail : 0x80 + trail - 63);
            return out;
        }
        default:  // the GB2312 ideographs of leads B0-D6
            out[0] = static_cast<char>(0xB0 + below(0xD6 - 0xB0 + 1));
            out[1] = static_cast<char>(0xA1 + below(0xFE - 0xA1 + 1));
            return out;
    }
}

std::string ScriptGenerator::nameCharacter() {
    const std::size_t kind = below(100);
    if (kind < 50)
        return std::string(1, static_cast<char>((chance(50) ? 'a' : 'A') + below(26)));
    if (kind < 58)
        return std::string(1, static_cast<char>('0' + below(10)));
    if (kind < 70)
        return std::string(1, kNamePunctuation[below(kNamePunctuation.size())]);
    return gbkCharacter();
}

std::string ScriptGenerator::newName(bool isKey) {
    const std::size_t length = chance(3) ? 20 + below(40) : 1 + below(4);
    std::string name;
    while (name.size() < length) {
        std::string c = nameCharacter();
        // What our engine refuses: a key with "=" or starting with ";" or "[", a section with a "]" of its own.
        if (isKey && (c == "=" || (name.empty() && (c == ";" || c == "["))))
            continue;
        if (!isKey && c == "]")
            continue;
        name += c;
        if (name.size() < length && chance(8))
            name += chance(70) ? " " : "\t";
    }
    while (isBlank(name.back()))
        name.pop_back();
    return name;
}

std::string ScriptGenerator::spell(const std::string& name, bool mayIndent) {
    std::string out;
    if (mayIndent && chance(10))
        out = chance(60) ? " " : chance(50) ? "\t" : "  ";
    const bool recase = chance(35);
    for (std::size_t pos = 0; pos < name.size();) {
        const std::size_t length = util::gbk::charLength(name, pos);
        char c = name[pos];
        if (recase && length == 1 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && chance(50))
            c = static_cast<char>(c ^ 0x20);
        out += c;
        if (length == 2)
            out += name[pos + 1];
        pos += length;
    }
    return out;
}

std::string ScriptGenerator::valuePart(std::size_t length) {
    std::string part;
    while (part.size() < length) {
        const std::size_t kind = below(100);
        if (kind < 40)
            part += static_cast<char>((chance(50) ? 'a' : 'A') + below(26));
        else if (kind < 48)
            part += static_cast<char>('0' + below(10));
        else if (kind < 58)
            part += chance(80) ? ' ' : '\t';
        else if (kind < 75)
            part += kValuePunctuation[below(kValuePunctuation.size())];
        else
            part += gbkCharacter();
    }
    return part;
}

std::string ScriptGenerator::newValue() {
    const std::size_t kind = below(100);
    if (kind < 12)
        return {};
    if (kind < 20) {
        static constexpr std::array<std::string_view, 10> kQuoteCases = {
            "\"", "'", "\"\"", "''", "\"v'", "'v\"", "\"a\"b\"", "'a'b'", "\" \"", "\"=;\"",
        };
        return std::string(kQuoteCases[below(kQuoteCases.size())]);
    }
    std::string value = valuePart(chance(3) ? 200 + below(2800) : 1 + below(12));
    if (kind < 35) {
        // In quotes, the blanks at its ends are part of the value.
        const char quote = chance(70) ? '"' : '\'';
        return quote + value + quote;
    }
    const std::size_t begin = value.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    return value.substr(begin, value.find_last_not_of(" \t") - begin + 1);
}

IniScript ScriptGenerator::next() {
    std::vector<std::string> sections(1 + below(4)), keys(2 + below(5));
    for (std::string& name : sections)
        name = newName(false);
    for (std::string& name : keys)
        name = newName(true);
    // Mostly names of the script's own few, sometimes one no other operation uses. Wine finds a section or key to
    // delete or clear only by its exact name, blanks included, so only writes and reads get names with blanks before.
    auto section = [&](bool mayIndent) {
        return spell(chance(8) ? newName(false) : sections[below(sections.size())], mayIndent);
    };
    auto key = [&](bool mayIndent) { return spell(chance(8) ? newName(true) : keys[below(keys.size())], mayIndent); };

    IniScript script;
    bool sets = false, deletes = false;
    const std::size_t count = chance(10) ? 30 + below(30) : 1 + below(25);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t kind = below(100);
        sets = sets || kind < 42;
        deletes = deletes || kind >= 70;
        if (kind < 42)
            script.push_back({IniOp::Kind::Set, section(true), key(true), newValue()});
        else if (kind < 70)
            script.push_back({IniOp::Kind::Read, section(true), key(true), {}});
        else if (kind < 81)
            script.push_back({IniOp::Kind::DeleteKey, section(false), key(false), {}});
        else if (kind < 90)
            script.push_back({IniOp::Kind::DeleteSection, section(false), {}, {}});
        else
            script.push_back({IniOp::Kind::Clear, section(false), {}, {}});
    }
    if (deletes && !sets && !deletesWithoutFile_) {
        const IniOp set{IniOp::Kind::Set, section(true), key(true), newValue()};
        script.insert(script.begin() + static_cast<std::ptrdiff_t>(below(script.size() + 1)), set);
    }
    for (std::size_t i = 1 + below(4); i > 0; --i)
        script.push_back({IniOp::Kind::Read, section(true), key(true), {}});
    return script;
}

}  // namespace inicompat
