#include "link/calculator_answer.h"

#include <gtest/gtest.h>

#include <string>

#include "link/text_splitter.h"
#include "util/format.h"

namespace calclink {
namespace {

using namespace std::string_literals;

TEST(TextSplitter, GivesOnePieceMoreThanSeparators) {
    const struct {
        const char* text;
        const char* pieces;
    } cases[] = {{"", "[]"}, {"a||b|", "[a][][b][]"}, {"|", "[][]"}, {"\x81|a|b", "[\x81|a][b]"}};  // 81 7C: one char
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> list = {"old"};
        splitText(c.text, "|", list, true);
        std::string pieces;
        for (const std::string& piece : list)
            pieces += "[" + piece + "]";
        EXPECT_EQ(pieces, c.pieces);
    }
    std::vector<std::string> list = {"old"};
    splitText("a|b", "|", list, false);
    EXPECT_EQ(list, (std::vector<std::string>{"old", "a", "b"}));
}

TEST(CalculatorAnswer, ReadsTheSignByKeyInSignOrderAndTheKeyAsDecimalPoint) {
    const struct {
        const char* item;
        int sign;
        std::optional<float> number;
    } cases[] = {
        {"15Ari23", 1, 15.23f},
        {"15Ari5", 1, 15.5f},
        {"29Can59", 4, 29.59f},
        {" 3Aqu30", 11, 3.3f},
        {"1Leo2Ari", 1, 1.f},
        {"Ari15Ari", 1, .15f},
        {"x9Sco1", 8, 0.f},
        {"-2Tau10", 2, -2.1f},
        {"abc", -1, {}},
        {"15ari23", -1, {}},
        {"\x81"
         "Ari",
         -1,
         {}},  // 81 41 is one character
        {"1e3Gem", 3, 1e3f},
        {"99999999999999999999999999999999999999999Pis", 12, 3.40282347e38f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        const PositionItem item = readPositionItem(c.item);
        EXPECT_EQ(item.sign, c.sign);
        EXPECT_EQ(item.number, c.number);
    }
}

TEST(CalculatorAnswer, TurnsItemsOneToTenIntoPlanetUpdates) {
    const struct {
        std::string answer;
        const char* updates;  // planet:sign[:degree] of each update
    } cases[] = {
        {"x|15Ari23|3Tau05|0Gem00|29Can59|1Leo01|2Vir02|3Lib03|4Sco04|5Sag05|6Cap06",
         "0:1:15.23 1:2:3.05 2:3:0.00 3:4:29.59 4:5:1.01 5:6:2.02 6:7:3.03 7:8:4.04 8:9:5.05 9:10:6.06 "},
        {"x|15Ari5", "0:1:15.50 "},
        {"x||3Tau05", "1:2:3.05 "},
        {"x|abc", "0:-1 "},
        {"x|-5Ari", "0:1 "},
        {"15Ari23", ""},
        {"||||||||||||", ""},
        {"x|1Ari|2Ari|3Ari|4Ari|5Ari|6Ari|7Ari|8Ari|9Ari|10Ari|11Ari|12Ari",
         "0:1:1.00 1:1:2.00 2:1:3.00 3:1:4.00 4:1:5.00 5:1:6.00 6:1:7.00 7:1:8.00 8:1:9.00 9:1:10.00 "},
        {"x|15Ari23\0|3Tau05"s, "0:1:15.23 "},  // the text ends at its NUL
        {"x|15Ari23|3Tau0\x81", "0:1:15.23 1:2:3.00 "},
        {"x|15Ar\x81", "0:-1 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        std::string updates;
        for (const PlanetUpdate& u : readCalculatorAnswer(c.answer))
            updates += util::format("%d:%d", u.planet, u.sign) + (u.degree ? util::format(":%.2f ", *u.degree) : " ");
        EXPECT_EQ(updates, c.updates);
    }
    // An answer without a NUL of its own is read no further than the bytes given.
    const std::string buffer = "x|15Ari23|3Tau05";
    EXPECT_EQ(readCalculatorAnswer(std::string_view(buffer).substr(0, 13)).back().sign, -1);
}

TEST(CalculatorAnswer, CanBeReadWhenOneOfItsPlanetsNamesASign) {
    const struct {
        std::string answer;
        bool readable;
    } cases[] = {
        {"x|15Ari23|3Tau05", true},
        {"x|abc|3Tau05", true},  // the sun's item clears its sign; the moon is read
        {"x||||||||||3Tau05", true},
        {"x|-5Ari", true},  // a sign without a degree
        {"x|abc", false},
        {"", false},
        {"15Ari23", false},  // no planet item: item 0 is not read
        {"x||||||||||", false},
        {"x|a|b|c|d|e|f|g|h|i|j|15Ari23", false},  // the eleventh item is no planet
        {"\0x|15Ari23"s, false},
        {"calculator: no such date\n", false},
        {std::string(1 << 20, '|'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.substr(0, 40));
        EXPECT_EQ(answerReadable(readCalculatorAnswer(c.answer)), c.readable);
    }
}

}  // namespace
}  // namespace calclink
