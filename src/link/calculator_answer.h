#pragma once

#include <optional>
#include <string_view>
#include <vector>

// Reading the calculator's answer: items separated by "|", item 0 not read, items 1..10 the planets sun..pluto, each
// the whole degrees, a sign's three-letter key and the minutes, as 15Ari23 (Aries, 15.23).
namespace calclink {

inline constexpr std::string_view kAnswerSeparator = "|";

struct PositionItem {
    int sign = -1;                // 1..12; -1 when the item holds no key
    std::optional<float> number;  // the item read as a number with the key as its decimal point; none without a key
};

// The first sign, in sign order Aries..Pisces, whose key the item contains (case-sensitive, anywhere in the item),
// and the number read from the item with every occurrence of that key turned into ".".
PositionItem readPositionItem(std::string_view item);

struct PlanetUpdate {
    int planet = 0;               // 0..9
    int sign = -1;                // the sign list's new selection: 1..12, or -1 to clear it
    std::optional<float> degree;  // the number for the degree field (written "%.2f"), after which aspects and marks
                                  // are refreshed; none when the item had no number or a negative one: the degree
                                  // field and the marks stay
};

// The updates an answer asks for, in item order, at most one per planet and ten in all. The answer is read up to its
// first NUL or the end of the bytes, whichever comes first; empty items and items from 11 on change nothing.
std::vector<PlanetUpdate> readCalculatorAnswer(std::string_view bytes);

// Whether an answer's updates can be taken at all: at least one of its planet items names a sign. An answer that names
// none (an error text, garbage, an empty answer, one without planet items) cannot be read, and changes nothing.
bool answerReadable(const std::vector<PlanetUpdate>& updates);

}  // namespace calclink
