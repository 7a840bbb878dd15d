#pragma once

#include <functional>
#include <vector>

#include "ini_script.h"

// Shrinks a script that shows a difference to one that still shows it with as few operations as it can find.
namespace inicompat {

// Answers, for each of a batch of scripts, whether it still shows the difference. Batches keep slow players (a
// Wine start) to one start per round.
using FailsPredicate = std::function<std::vector<bool>(const std::vector<IniScript>&)>;

// Tries, round by round, the script without each run of n/2, n/4, ..., 1 operations and keeps the first smaller
// script that still fails; stops when no single operation can go or after maxRounds rounds.
IniScript minimizeScript(IniScript script, const FailsPredicate& stillFails, int maxRounds = 100);

}  // namespace inicompat
