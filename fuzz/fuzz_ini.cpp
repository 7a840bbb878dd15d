// Fuzzes the INI document: any bytes as a file, followed by a few edits taken from the input. Parsing and editing
// never crash; no edits leave the text exactly as it was; an edit that finds nothing to change leaves it too; and a
// value that was set reads back as the file keeps it (blanks and one outer pair of quotes trimmed).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "store/ini_document.h"

namespace {

// Input: file bytes, then after a 0xFF 0x00 marker, edits separated by 0x00: kind byte, section, 0x01, key, 0x01,
// value.
std::vector<store::IniEdit> readEdits(std::string_view spec) {
    std::vector<store::IniEdit> edits;
    while (!spec.empty() && edits.size() < 8) {
        const std::size_t end = spec.find('\0');
        std::string_view one = spec.substr(0, end);
        spec = end == std::string_view::npos ? std::string_view() : spec.substr(end + 1);
        if (one.empty())
            continue;
        store::IniEdit edit;
        edit.kind = static_cast<store::IniEdit::Kind>(static_cast<unsigned char>(one[0]) % 4);
        one.remove_prefix(1);
        const std::size_t a = one.find('\x01');
        edit.section = std::string(one.substr(0, a));
        if (a != std::string_view::npos) {
            one.remove_prefix(a + 1);
            const std::size_t b = one.find('\x01');
            edit.key = std::string(one.substr(0, b));
            if (b != std::string_view::npos)
                edit.value = std::string(one.substr(b + 1));
        }
        edits.push_back(std::move(edit));
    }
    return edits;
}

std::string_view expectedRead(std::string_view value) {
    value = store::trimBlanks(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t marker = input.find(std::string_view("\xFF\0", 2));
    const std::string file(input.substr(0, marker));
    const auto edits = readEdits(marker == std::string_view::npos ? std::string_view() : input.substr(marker + 2));

    const store::IniDocument doc(file);
    if (doc.withEdits({}).text != file)
        std::abort();
    for (const store::IniEdit& edit : edits) {
        (void)doc.value(edit.section, edit.key);
        const auto result = doc.withEdits({edit});
        if (!result.text)
            continue;
        const store::IniDocument after(*result.text);
        switch (edit.kind) {
            case store::IniEdit::Kind::SetValue:
                if (after.value(edit.section, edit.key) != expectedRead(edit.value))
                    std::abort();
                break;
            case store::IniEdit::Kind::DeleteKey:
                if (!doc.value(edit.section, edit.key) && *result.text != file)
                    std::abort();
                break;
            case store::IniEdit::Kind::DeleteSection:
            case store::IniEdit::Kind::ClearSection:
                if (!doc.hasSection(edit.section) && *result.text != file)
                    std::abort();
                break;
        }
    }
    const auto all = doc.withEdits(edits);
    if (all.text)
        (void)store::IniDocument(*all.text).value("base", "ver");
    return 0;
}
