#include "link/calculator_answer.h"

#include <algorithm>
#include <string>

#include "chart/planet_abbreviation.h"
#include "chart/zodiac_sign_table.h"
#include "link/text_splitter.h"
#include "util/c_number.h"
#include "util/gbk.h"

namespace calclink {

PositionItem readPositionItem(std::string_view item) {
    for (int sign = 1; sign <= chart::kSignCount; ++sign) {
        const std::string_view key = chart::signKey(sign);
        if (!util::gbk::contains(item, key))
            continue;
        return PositionItem{sign, util::readCFloat(util::gbk::replaceAll(item, key, "."))};
    }
    return PositionItem{};
}

std::vector<PlanetUpdate> readCalculatorAnswer(std::string_view bytes) {
    // The sender means a NUL-terminated text; bytes after a NUL are not part of it, and a missing NUL ends the text
    // at the end of what was received.
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> items;
    splitText(text, kAnswerSeparator, items, true);

    std::vector<PlanetUpdate> updates;
    for (std::size_t i = 1; i <= static_cast<std::size_t>(chart::kPlanetCount) && i < items.size(); ++i) {
        if (items[i].empty())
            continue;
        const PositionItem position = readPositionItem(items[i]);
        PlanetUpdate update;
        update.planet = static_cast<int>(i) - 1;
        update.sign = position.sign;
        if (position.number && *position.number >= 0.f)
            update.degree = position.number;
        updates.push_back(update);
    }
    return updates;
}

bool answerReadable(const std::vector<PlanetUpdate>& updates) {
    return std::any_of(updates.begin(), updates.end(), [](const PlanetUpdate& update) { return update.sign >= 1; });
}

}  // namespace calclink
