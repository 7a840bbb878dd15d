#pragma once

#include <string>
#include <vector>

#include "store/chk_uid.h"
#include "store/person_document.h"

// The person list: the persons from section index "uLastInd" down to 1, at most 1000 of them, one row each, with a
// row for every index whether or not its section exists; read from one version of the document.
namespace records {

inline constexpr int kListLimit = 1000;
inline constexpr int kListColumns = 14;

std::vector<store::Person> readPersonList(CChkUid& store);

// The cells of a person's row: code, name, birthday, lunar date, then the sign abbreviations of sun .. pluto.
std::vector<std::string> listRow(const store::Person& person);

}  // namespace records
