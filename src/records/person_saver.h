#pragma once

#include <cstdint>
#include <optional>

#include "records/person_card.h"
#include "store/chk_uid.h"

// Beginning and saving a person in the person document. A save is one atomic replacement of the file holding the
// person's 36 keys and, for a new person, the base counters, which only ever move forward.
namespace records {

// The code a new person gets: "newcode" read as atol reads it, or 10001 when it reads empty.
std::int32_t nextNewCode(CChkUid& store);

// Whether the document may hold a person under code (10001..990000).
bool codeAccepted(std::int32_t code);

// The person stored in the section of index n, in the document's form of now; nothing when no key of it holds a
// value.
std::optional<store::Person> storedPerson(CChkUid& store, std::int32_t n);

// Writes the card under its code (which must be accepted). For a new person "uLastInd" becomes the larger of its
// value and the section index, "newcode" the larger of its value and code + 1, both read under the document's lock.
// False when the document could not be written (store.lastError() says why); nothing has changed then.
bool writePerson(CChkUid& store, const Card& card, bool newPerson);

}  // namespace records
