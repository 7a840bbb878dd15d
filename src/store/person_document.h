#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/chk_uid.h"
#include "store/ini_document.h"

// The person document: the base section, one section per person (or, in the old form, one section for all), the
// 36 keys of a person, the planet table, and how numbers and the memo are written into it.
namespace store {

inline constexpr std::string_view kBaseSection = "base";
inline constexpr std::string_view kVersionKey = "ver";
inline constexpr std::string_view kNewCodeKey = "newcode";
inline constexpr std::string_view kLastIndexKey = "uLastInd";
inline constexpr std::string_view kDocumentVersion = "1.0.6.18";
inline constexpr std::string_view kOldSection = "ql";

inline constexpr std::int32_t kCodeBase = 10000;  // section index = code - kCodeBase
inline constexpr std::int32_t kFirstCode = 10001;
inline constexpr std::int32_t kLastCode = 990000;
inline constexpr std::int32_t kLastIndex = kLastCode - kCodeBase;

enum class DocumentForm {
    Old,      // "ver" empty: section "ql", keys with "_<index>" appended
    Current,  // section "ql_<index>", plain keys
};

// The 36 keys of a person, in the order of the Person record.
enum class PersonKey {
    UInd,
    Nick,
    Srday,
    Nongli,
    Type,
    Timezone,
    Area,
    Memo,
    Sun,
    SunVal,
    Moon,
    MoonVal,
    Mercury,
    MercuryVal,
    Venus,
    VenusVal,
    Mars,
    MarsVal,
    Jupiter,
    JupiterVal,
    Saturn,
    SaturnVal,
    Uranus,
    UranusVal,
    Neptune,
    NeptuneVal,
    Pluto,
    PlutoVal,
    NoteTime,
    Xxw,
    Cxw,
    Hxw,
    Gxw,
    Lxw,
    Mxw,
    Rydu,
};
inline constexpr std::size_t kPersonKeyCount = 36;

// The keys' names in the document ("uInd", "nick", ...), in record order.
inline constexpr std::array<std::string_view, kPersonKeyCount> kKeyNames = {
    "uInd",     "nick",       "srday",   "nongli",    "type",       "timezone",  "area",     "memo",       "sun",
    "sunval",   "moon",       "moonval", "mercury",   "mercuryval", "venus",     "venusval", "mars",       "marsval",
    "jupiter",  "jupiterval", "saturn",  "saturnval", "uranus",     "uranusval", "neptune",  "neptuneval", "pluto",
    "plutoval", "notetime",   "xxw",     "cxw",       "hxw",        "gxw",       "lxw",      "mxw",        "rydu",
};

inline std::string_view keyName(PersonKey key) {
    return kKeyNames[static_cast<std::size_t>(key)];
}

// The key table: the 36 keys in the order in which a person is written.
extern const std::array<PersonKey, kPersonKeyCount> kKeyTable;

// One row of the planet table, by planet index 0..9 (sun, moon, mercury, ... pluto).
struct PlanetEntry {
    std::string_view label;  // form label, "太阳:"
    PersonKey signKey;
    PersonKey degreeKey;
    int signList;  // control ids of the form
    int degreeEdit;
    int markField;
    int listColumn;  // column of the person list
    std::string_view columnTitle;
};
inline constexpr int kPlanetCount = 10;
extern const std::array<PlanetEntry, kPlanetCount> kPlanetTable;

// The in-memory copy of one person as read from the document: its section index and 36 texts exactly as read.
struct Person {
    std::int32_t index = 0;
    std::array<std::string, kPersonKeyCount> texts;

    std::string& operator[](PersonKey key) { return texts[static_cast<std::size_t>(key)]; }
    const std::string& operator[](PersonKey key) const { return texts[static_cast<std::size_t>(key)]; }
};

DocumentForm documentForm(std::string_view version);
DocumentForm documentForm(CChkUid& store);

// Where a person's key lives: section and key name for section index n in the given form.
std::string personSection(std::int32_t n, DocumentForm form);
std::string personKey(std::string_view key, std::int32_t n, DocumentForm form);

// Reads the 36 keys of section index n.
Person readPerson(CChkUid& store, std::int32_t n, DocumentForm form);

// The writes of a person into section index n, in key-table order.
std::vector<IniEdit> personEdits(const Person& person, std::int32_t n, DocumentForm form);

// The base section of a new document: "ver", "newcode", "uLastInd", in this order.
std::vector<IniEdit> newDocumentEdits();

// The memo's line breaks: "\r\n", any other "\n" and any other "\r" become "|" in the document, which then holds
// the memo on one line; "|" becomes "\r\n" on the form. Both take time in proportion to the text.
std::string memoToDocument(std::string_view memo);
std::string memoFromDocument(std::string_view stored);

// Number texts as the document keeps them.
std::string formatCode(std::int32_t code);  // "%ld"
std::string formatIndex(int index);         // "%d"
std::string formatDegree(float degree);     // "%0.2f" of the degree widened to double

}  // namespace store
