#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "store/chk_uid.h"
#include "store/ini_document.h"
#include "store/person_document.h"

// Saves whose every value names the save that wrote it, so that a torn save shows: save number g of person n
// writes "g.n.<key name>" into each of the person's 36 keys and, as base counters, "newcode" = first code + g and
// "uLastInd" = g.
namespace faults {

store::Person generationPerson(std::int32_t n, int generation);

// The edits of person n alone at a generation.
std::vector<store::IniEdit> personSave(std::int32_t n, int generation);

// The edits of person n and of the base counters at a generation, as one batch.
std::vector<store::IniEdit> countedSave(std::int32_t n, int generation);

// Makes a new document holding the base counters and persons 1..persons at generations 1..persons; false when
// the store could not write it.
bool createDocument(const std::filesystem::path& path, int persons);

// The generation of the save that wrote all 36 keys of person n (0 when none of them is there), or nullopt when
// the keys do not all come from one save.
std::optional<int> personGeneration(CChkUid& store, std::int32_t n);

// The generation the base counters name (0 for a new document), or nullopt when they disagree.
std::optional<int> baseGeneration(CChkUid& store);

}  // namespace faults
