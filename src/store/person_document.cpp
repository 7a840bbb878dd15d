#include "store/person_document.h"

#include "util/format.h"
#include "util/gbk.h"

namespace store {

const std::array<PersonKey, kPersonKeyCount> kKeyTable = {
    PersonKey::UInd,       PersonKey::Nick,       PersonKey::Type,       PersonKey::Srday,     PersonKey::Nongli,
    PersonKey::Timezone,   PersonKey::Area,       PersonKey::Xxw,        PersonKey::Cxw,       PersonKey::Hxw,
    PersonKey::Gxw,        PersonKey::Lxw,        PersonKey::Mxw,        PersonKey::Rydu,      PersonKey::Memo,
    PersonKey::Sun,        PersonKey::SunVal,     PersonKey::Moon,       PersonKey::MoonVal,   PersonKey::Mercury,
    PersonKey::MercuryVal, PersonKey::Venus,      PersonKey::VenusVal,   PersonKey::Mars,      PersonKey::MarsVal,
    PersonKey::Jupiter,    PersonKey::JupiterVal, PersonKey::Saturn,     PersonKey::SaturnVal, PersonKey::Uranus,
    PersonKey::UranusVal,  PersonKey::Neptune,    PersonKey::NeptuneVal, PersonKey::Pluto,     PersonKey::PlutoVal,
    PersonKey::NoteTime,
};

const std::array<PlanetEntry, kPlanetCount> kPlanetTable = {{
    {"太阳:", PersonKey::Sun, PersonKey::SunVal, 1001, 1002, 1039, 4, "日"},
    {"月亮:", PersonKey::Moon, PersonKey::MoonVal, 1003, 1004, 1040, 5, "月"},
    {"水星:", PersonKey::Mercury, PersonKey::MercuryVal, 1005, 1013, 1041, 6, "水"},
    {"金星:", PersonKey::Venus, PersonKey::VenusVal, 1006, 1014, 1042, 7, "金"},
    {"火星:", PersonKey::Mars, PersonKey::MarsVal, 1007, 1015, 1043, 8, "火"},
    {"木星:", PersonKey::Jupiter, PersonKey::JupiterVal, 1008, 1016, 1044, 9, "木"},
    {"土星:", PersonKey::Saturn, PersonKey::SaturnVal, 1009, 1017, 1045, 10, "土"},
    {"天王星:", PersonKey::Uranus, PersonKey::UranusVal, 1010, 1018, 1046, 11, "天"},
    {"海王星:", PersonKey::Neptune, PersonKey::NeptuneVal, 1011, 1019, 1047, 12, "海"},
    {"冥王星:", PersonKey::Pluto, PersonKey::PlutoVal, 1012, 1020, 1048, 13, "冥"},
}};

DocumentForm documentForm(std::string_view version) {
    return version.empty() ? DocumentForm::Old : DocumentForm::Current;
}

DocumentForm documentForm(CChkUid& store) {
    return documentForm(store.GetMyKey(kBaseSection, kVersionKey));
}

std::string personSection(std::int32_t n, DocumentForm form) {
    if (form == DocumentForm::Old)
        return std::string(kOldSection);
    return "ql_" + formatCode(n);  // "ql_%ld"
}

std::string personKey(std::string_view key, std::int32_t n, DocumentForm form) {
    std::string name(key);
    if (form == DocumentForm::Old)
        name += util::format("_%ld", static_cast<long>(n));
    return name;
}

Person readPerson(CChkUid& store, std::int32_t n, DocumentForm form) {
    Person person;
    person.index = n;
    const std::string section = personSection(n, form);
    for (std::size_t i = 0; i < kPersonKeyCount; ++i)
        person.texts[i] = store.GetMyKey(section, personKey(kKeyNames[i], n, form));
    return person;
}

std::vector<IniEdit> personEdits(const Person& person, std::int32_t n, DocumentForm form) {
    std::vector<IniEdit> edits;
    edits.reserve(kPersonKeyCount);
    const std::string section = personSection(n, form);
    for (PersonKey key : kKeyTable)
        edits.push_back(IniEdit::set(section, personKey(keyName(key), n, form), person[key]));
    return edits;
}

std::vector<IniEdit> newDocumentEdits() {
    const std::string base(kBaseSection);
    return {
        IniEdit::set(base, std::string(kVersionKey), std::string(kDocumentVersion)),
        IniEdit::set(base, std::string(kNewCodeKey), formatCode(kFirstCode)),
        IniEdit::set(base, std::string(kLastIndexKey), formatCode(0)),
    };
}

std::string memoToDocument(std::string_view memo) {
    // A value is one line of the file, so every line break becomes "|": "\r\n", a lone "\n", and a lone "\r" too
    // (text from old Mac files and some input methods), which the file would otherwise take as the end of the line.
    // Neither byte is ever the second half of a character, so a byte walk finds only real ones.
    std::string stored;
    stored.reserve(memo.size());
    for (std::size_t pos = 0; pos < memo.size(); ++pos) {
        const char c = memo[pos];
        if (c == '\r') {
            if (pos + 1 < memo.size() && memo[pos + 1] == '\n')
                ++pos;
            stored.push_back('|');
        } else if (c == '\n') {
            stored.push_back('|');
        } else {
            stored.push_back(c);
        }
    }
    return stored;
}

std::string memoFromDocument(std::string_view stored) {
    return util::gbk::replaceAll(stored, "|", "\r\n");
}

std::string formatCode(std::int32_t code) {
    return std::to_string(code);  // the digits of "%ld"; written without printf for speed
}

std::string formatIndex(int index) {
    return util::format("%d", index);
}

std::string formatDegree(float degree) {
    return util::format("%0.2f", static_cast<double>(degree));
}

}  // namespace store
