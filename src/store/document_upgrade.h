#pragma once

#include "store/chk_uid.h"

// Converts a person document of the old form (one section "ql" with keys such as nick_2) into the current form
// (section ql_2, key nick) in one atomic replacement of the file, and marks it current. Whether the document is
// old is decided under the write lock, on the very version that is converted: a document that is already current
// (another copy upgraded it meanwhile) is left exactly as it is, and so is an empty one.
namespace store {

enum class UpgradeOutcome {
    Upgraded,
    AlreadyCurrent,  // nothing was written
    Empty,           // no "newcode": not a document of either form (missing, or never started); nothing was written
    Failed,          // nothing was written; store.lastError() says why
};

UpgradeOutcome upgradeDocument(CChkUid& store);

}  // namespace store
