#pragma once

#include "store/chk_uid.h"

// Converts a person document of the old form (one section "ql" with keys such as nick_2) into the current form
// (section ql_2, key nick) in one atomic replacement of the file, and marks it current. Returns false when the file
// could not be written (store.lastError() says why); the document is then unchanged.
namespace store {

bool upgradeDocument(CChkUid& store);

}  // namespace store
