#include "link/calculator_answer.h"

#include <algorithm>
#include <array>
#include <string>

#include "chart/planet_abbreviation.h"
#include "chart/zodiac_sign_table.h"
#include "link/text_splitter.h"
#include "util/c_number.h"
#include "util/format.h"
#include "util/gbk.h"

namespace calclink {
namespace {

// The items of an answer: its text is what comes before a NUL, as the sender means a NUL-terminated text.
std::vector<std::string> answerItems(std::string_view bytes) {
    std::vector<std::string> items;
    splitText(bytes.substr(0, bytes.find('\0')), kAnswerSeparator, items, true);
    return items;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// An item exactly as the calculator writes a position: 1 or 2 digits of degrees 0..29, a sign key, 2 digits of
// minutes 00..59, nothing else. The degree is read from "degrees.minutes" as a planet's item is.
std::optional<chart::PlanetPosition> readExactPositionItem(std::string_view item) {
    std::size_t degreeDigits = 0;
    while (degreeDigits < 2 && degreeDigits < item.size() && isDigit(item[degreeDigits]))
        ++degreeDigits;
    if (degreeDigits == 0 || item.size() != degreeDigits + 5)
        return std::nullopt;
    const int degrees = degreeDigits == 1 ? item[0] - '0' : (item[0] - '0') * 10 + (item[1] - '0');
    const std::string_view key = item.substr(degreeDigits, 3);
    const std::string_view minutes = item.substr(degreeDigits + 3);
    if (degrees > 29 || !isDigit(minutes[0]) || !isDigit(minutes[1]) || minutes[0] > '5')
        return std::nullopt;
    for (int sign = 1; sign <= chart::kSignCount; ++sign) {
        if (chart::signKey(sign) == key) {
            const std::string number = util::format("%d.%.2s", degrees, minutes.data());
            return chart::PlanetPosition{sign, util::readCFloat(number)};
        }
    }
    return std::nullopt;
}

}  // namespace

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
    // Bytes after a NUL are not part of the text, and a missing NUL ends the text at the end of what was received.
    const std::vector<std::string> items = answerItems(bytes);

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

std::optional<CalculatorHouses> readCalculatorHouses(std::string_view bytes) {
    constexpr std::size_t kSystemItem = static_cast<std::size_t>(chart::kPlanetCount) + 1;
    const std::vector<std::string> items = answerItems(bytes);
    if (items.size() < kSystemItem + 3 + kHouseCount)
        return std::nullopt;
    CalculatorHouses houses;
    if (items[kSystemItem] == "P")
        houses.system = HouseSystem::Placidus;
    else if (items[kSystemItem] == "W")
        houses.system = HouseSystem::WholeSign;
    else
        return std::nullopt;
    std::array<chart::PlanetPosition*, 2 + kHouseCount> positions{&houses.ascendant, &houses.midheaven};
    for (std::size_t house = 0; house < static_cast<std::size_t>(kHouseCount); ++house)
        positions[2 + house] = &houses.cusps[house];
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const std::optional<chart::PlanetPosition> position = readExactPositionItem(items[kSystemItem + 1 + i]);
        if (!position)
            return std::nullopt;
        *positions[i] = *position;
    }
    return houses;
}

bool answerReadable(const std::vector<PlanetUpdate>& updates) {
    return std::any_of(updates.begin(), updates.end(), [](const PlanetUpdate& update) { return update.sign >= 1; });
}

}  // namespace calclink
