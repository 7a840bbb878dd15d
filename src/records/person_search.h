#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/chk_uid.h"
#include "store/ini_document.h"
#include "store/person_document.h"

// Finding persons: every card of the document whose code, name, birthday, lunar date, area or memo holds a text,
// newest first, at most 1000 of them, with the count of all matches. Without a text it is the person list itself.
namespace records {

struct SearchResult {
    std::vector<store::Person> persons;  // the rows, newest (highest section index) first
    std::int32_t matches = 0;            // every match; without a text, the rows the list would have uncapped
};

// Whether needle occurs in text as whole characters: starting and ending on character boundaries of text, ASCII
// letters compared without case (never the bytes of a two-byte character).
bool containsText(std::string_view text, std::string_view needle);

// The section indices of every card the document holds, newest first, each once: in the current form every section
// "ql_<n>" (n as "ql_%ld" writes it, 1..980000), in the old form every n of a person's key "<key>_<n>".
std::vector<std::int32_t> cardIndices(const store::IniDocument& document);

// The search text as it is used: blanks at either end are dropped.
std::string_view searchTextOf(std::string_view typed);

class PersonSearch {
  public:
    // One search, reading one version of the document. What it learns of a version (the searched fields of every
    // card, folded for comparison) is kept while the file stays unchanged.
    SearchResult find(CChkUid& store, std::string_view text);

  private:
    struct Card {
        std::int32_t index = 0;
        std::string folded;                   // the searched fields one after the other, ASCII letters folded
        std::array<std::uint32_t, 7> ends{};  // ends[0] = 0; field f is folded[ends[f], ends[f + 1])
    };
    void learn(const store::IniDocument& document);

    std::weak_ptr<const store::IniDocument> document_;  // the version cards_ were learnt from
    std::vector<Card> cards_;                           // newest first
};

}  // namespace records
