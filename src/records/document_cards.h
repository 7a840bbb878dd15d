#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/chk_uid.h"
#include "store/ini_document.h"
#include "store/person_document.h"

// Which cards a person document holds: the one rule that every command and the search go by. A card is a section
// "ql_<n>" of the current form, or the keys "<key>_<n>" of the old form's section "ql", whatever "uLastInd" says; the
// person list alone keeps its own rule (a row for every index from "uLastInd" down).
namespace records {

// The section index that a current-form section name stands for ("ql_<n>" as "ql_%ld" writes it: no sign, no
// leading zero, 1..980000; the prefix in any case), or 0 when the section is no card.
std::int32_t cardIndexOfSection(std::string_view section);

// The section indices of every card of the document, newest (highest) first, each once.
std::vector<std::int32_t> cardIndices(const store::IniDocument& document);

// Every card of the document, newest first, read from one version of it. Its cost follows the cards present.
std::vector<store::Person> documentCards(CChkUid& store);

}  // namespace records
