#include "script_minimizer.h"

#include <algorithm>

namespace inicompat {

IniScript minimizeScript(IniScript script, const FailsPredicate& stillFails, int maxRounds) {
    for (int round = 0; round < maxRounds && script.size() > 1; ++round) {
        // Larger cuts first, so that the first failing candidate is the one that removes most.
        std::vector<IniScript> candidates;
        for (std::size_t cut = script.size() / 2; cut >= 1; cut /= 2) {
            for (std::size_t start = 0; start < script.size(); start += cut) {
                IniScript candidate(script.begin(), script.begin() + static_cast<std::ptrdiff_t>(start));
                candidate.insert(candidate.end(),
                                 script.begin() + static_cast<std::ptrdiff_t>(std::min(start + cut, script.size())),
                                 script.end());
                candidates.push_back(std::move(candidate));
            }
        }
        const std::vector<bool> fails = stillFails(candidates);
        const auto first = std::find(fails.begin(), fails.end(), true);
        if (first == fails.end())
            break;
        script = std::move(candidates[static_cast<std::size_t>(first - fails.begin())]);
    }
    return script;
}

}  // namespace inicompat
