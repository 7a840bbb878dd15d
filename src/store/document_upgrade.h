#pragma once

#include "store/chk_uid.h"

// Converts a person document of the old form (one section "ql" with keys such as nick_2) into the current form
// (section ql_2, key nick) in one atomic replacement of the file, and marks it current. Whether the document is
// old is decided under the write lock, on the very version that is converted: a document that is already current
// (another copy upgraded it meanwhile) is left exactly as it is, and so is an empty one.
namespace store {

// Whether the document is of the old form: no "ver", and "newcode" or, where the base section is missing, a card of
// the old form in "ql" (a key of the key table with an index).
bool isOldDocument(CChkUid& store);

enum class UpgradeOutcome {
    Upgraded,
    AlreadyCurrent,  // nothing was written
    Empty,           // neither "newcode" nor an old card: not a document of either form (missing, or never started);
                     // nothing was written
    Failed,          // nothing was written; store.lastError() says why
};

// An old document without a base section gets one: "uLastInd" the highest index of its cards, "newcode" the code
// after it.
UpgradeOutcome upgradeDocument(CChkUid& store);

}  // namespace store
