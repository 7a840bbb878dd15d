#pragma once

#include <string>

#include "store/chk_uid.h"

// The commands of qelvo-doc that find persons and move cards in and out of the document. Each returns the tool's exit
// status and says on standard error what went wrong or was skipped, in the terminal's encoding unless raw (file names
// too come in the terminal's encoding unless raw).
//
//   find TEXT                    the cards holding TEXT, as rows of the person list (at most 1000)
//   export csv|aaf [OUTPUT]      every card, to OUTPUT (replaced atomically) or standard output
//   import csv|aaf INPUT         the readable records of INPUT as new cards, under new codes, in one write

int findCommand(CChkUid& store, const std::string& text, bool raw);
int exportCommand(CChkUid& store, const std::string& format, const std::string* output, bool raw);
int importCommand(CChkUid& store, const std::string& format, const std::string& input, bool raw);
