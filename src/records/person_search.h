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

// Finding persons: every card of the document (the cards records/document_cards names) whose code, name, birthday,
// lunar date, area or memo holds a text, newest first, at most 1000 of them, with the count of all matches. Without a
// text it is the person list itself.
namespace records {

struct SearchResult {
    std::vector<store::Person> persons;  // the rows, newest (highest section index) first
    std::int32_t matches = 0;            // every match; without a text, the rows the list would have uncapped
};

// Whether needle occurs in text as whole characters: starting and ending on character boundaries of text, ASCII
// letters compared without case (never the bytes of a two-byte character).
bool containsText(std::string_view text, std::string_view needle);

// The search text as it is used: blanks at either end are dropped.
std::string_view searchTextOf(std::string_view typed);

class PersonSearch {
  public:
    // One search, reading one version of the document. What it learns of a version (the searched fields of every
    // card, folded for comparison) is kept while the file stays unchanged.
    SearchResult find(CChkUid& store, std::string_view text);

  private:
    void learn(const store::IniDocument& document);

    std::weak_ptr<const store::IniDocument> document_;  // the version the texts below were learnt from
    // The searched fields of every card, newest card first, one after the other with ASCII letters folded: field f of
    // card c is folded_[fieldStarts_[6c + f], fieldStarts_[6c + f + 1]).
    std::string folded_;
    std::vector<std::uint32_t> fieldStarts_;
    std::vector<std::int32_t> indices_;  // the section index of each card
    std::vector<std::pair<std::int32_t, std::array<std::string_view, 6>>> scratchCards_;
    std::vector<std::uint32_t> scratchOrder_;
};

}  // namespace records
