#include "link/calculator_answer.h"

#include <gtest/gtest.h>

#include <string>

#include "link/text_splitter.h"
#include "util/format.h"

namespace calclink {
namespace {

using namespace std::string_literals;

std::string joined(const std::vector<std::string>& pieces) {
    std::string out;
    for (const std::string& piece : pieces)
        out += "[" + piece + "]";
    return out;
}

TEST(TextSplitter, GivesOnePieceMoreThanSeparators) {
    const struct {
        const char* text;
        const char* pieces;
    } cases[] = {
        {"", "[]"},
        {"a", "[a]"},
        {"a||b|", "[a][][b][]"},
        {"|", "[][]"},
        {"x|15Ari23", "[x][15Ari23]"},
        {"\x81|a|b", "[\x81|a][b]"},  // the "|" after a lead byte is half of a character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> list = {"old"};
        splitText(c.text, "|", list, true);
        EXPECT_EQ(joined(list), c.pieces);
    }
    std::vector<std::string> list = {"old"};
    splitText("a|b", "|", list, false);
    EXPECT_EQ(joined(list), "[old][a][b]");
    splitText("a|b", "", list, true);
    EXPECT_EQ(joined(list), "[a|b]");
}

TEST(CalculatorAnswer, ReadsTheSignByKeyInSignOrderAndTheKeyAsDecimalPoint) {
    const struct {
        const char* item;
        int sign;
        std::optional<float> number;
    } cases[] = {
        {"15Ari23", 1, 15.23f},
        {"0Ari00", 1, 0.f},
        {"15Ari5", 1, 15.5f},
        {"29Can59", 4, 29.59f},
        {"6Cap06", 10, 6.06f},
        {"1Pis", 12, 1.f},
        {" 3Aqu30", 11, 3.3f},
        {"Leo1Ari2", 1, 0.f},
        {"1Leo2Ari", 1, 1.f},
        {"Ari15Ari", 1, .15f},
        {"-2Tau10", 2, -2.1f},
        {"x9Sco1", 8, 0.f},
        {"abc", -1, {}},
        {"15ari23", -1, {}},
        {"", -1, {}},
        {"\x81"
         "Ari",
         -1,
         {}},
        {"1e3Gem", 3, 1000.f},
        {"99999999999999999999999999999999999999999Sag", 9, 3.40282347e38f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        const PositionItem item = readPositionItem(c.item);
        EXPECT_EQ(item.sign, c.sign);
        EXPECT_EQ(item.number, c.number);
    }
}

std::string describe(const std::vector<PlanetUpdate>& updates) {
    std::string out;
    for (const PlanetUpdate& u : updates) {
        out += util::format("%d:%d", u.planet, u.sign);
        out += u.degree ? util::format(":%.2f ", *u.degree) : " ";
    }
    return out;
}

TEST(CalculatorAnswer, TurnsItemsOneToTenIntoPlanetUpdates) {
    const struct {
        std::string answer;
        const char* updates;
    } cases[] = {
        {"x|15Ari23|3Tau05|0Gem00|29Can59|1Leo01|2Vir02|3Lib03|4Sco04|5Sag05|6Cap06",
         "0:1:15.23 1:2:3.05 2:3:0.00 3:4:29.59 4:5:1.01 5:6:2.02 6:7:3.03 7:8:4.04 8:9:5.05 9:10:6.06 "},
        {"x|15Ari5", "0:1:15.50 "},
        {"x||3Tau05", "1:2:3.05 "},
        {"x|abc", "0:-1 "},
        {"x|-5Ari", "0:1 "},
        {"15Ari23", ""},
        {"", ""},
        {"||||||||||||", ""},
        {"x|1Ari|2Ari|3Ari|4Ari|5Ari|6Ari|7Ari|8Ari|9Ari|10Ari|11Ari|12Ari",
         "0:1:1.00 1:1:2.00 2:1:3.00 3:1:4.00 4:1:5.00 5:1:6.00 6:1:7.00 7:1:8.00 8:1:9.00 9:1:10.00 "},
        {"x|15Ari23\0|3Tau05"s, "0:1:15.23 "},  // the text ends at its NUL
        {"x|15Ari23|3Tau0\x81"s, "0:1:15.23 1:2:3.00 "},
        {"x|15Ar\x81"s, "0:-1 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        EXPECT_EQ(describe(readCalculatorAnswer(c.answer)), c.updates);
    }
}

TEST(CalculatorAnswer, ReadsNoFurtherThanTheBytesGiven) {
    // The bytes after the view's end must stay unread: the answer has no NUL of its own.
    const std::string buffer = "x|15Ari23|3Tau05";
    const std::string_view answer(buffer.data(), buffer.size() - 3);
    EXPECT_EQ(describe(readCalculatorAnswer(answer)), "0:1:15.23 1:-1 ");
}

}  // namespace
}  // namespace calclink
