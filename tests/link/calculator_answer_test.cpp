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

constexpr char kPlanets[] =
    "1991.1.2,1255:5|11Cap16|1Leo14|23Sag53|26Cap13|27Tau45|11Leo51|25Cap48|9Cap48|14Cap09|19Sco37";
constexpr char kPlacidusRead[] =
    "1:28.35 10:20.07 1:28.35 3:0.01 3:25.44 4:20.07 5:16.59 6:19.46 7:28.35 9:0.01 9:25.44 10:20.07 11:16.59 "
    "12:19.46 ";
constexpr char kPlacidus[] =
    "|P|28Ari35|20Cap07|28Ari35|0Gem01|25Gem44|20Can07|16Leo59|19Vir46|28Lib35|0Sag01|25Sag44|20Cap07|16Aqu59|19Pis46";

std::string positionsText(const CalculatorHouses& h) {
    std::string text;
    for (const chart::PlanetPosition& p : {h.ascendant, h.midheaven})
        text += util::format("%d:%.2f ", p.sign, static_cast<double>(p.degree));
    for (const chart::PlanetPosition& p : h.cusps)
        text += util::format("%d:%.2f ", p.sign, static_cast<double>(p.degree));
    return text;
}

TEST(CalculatorAnswer, ReadsTheHousesOfAnAnswerToARequestWithAPlace) {
    const struct {
        std::string answer;
        HouseSystem system;
        const char* positions;  // sign:degree of the ascendant, the midheaven and cusps 1..12
    } cases[] = {
        {std::string(kPlanets) + kPlacidus, HouseSystem::Placidus, kPlacidusRead},
        {std::string(kPlanets) + "|W|29Cap44|20Cap07|0Cap00|0Aqu00|0Pis00|0Ari00|0Tau00|0Gem00|0Can00|0Leo00|0Vir00|"
                                 "0Lib00|0Sco00|0Sag00",
         HouseSystem::WholeSign,
         "10:29.44 10:20.07 10:0.00 11:0.00 12:0.00 1:0.00 2:0.00 3:0.00 4:0.00 5:0.00 6:0.00 7:0.00 8:0.00 9:0.00 "},
        {std::string(kPlanets) + kPlacidus + "|later|items", HouseSystem::Placidus, kPlacidusRead},
        {std::string(kPlanets) + kPlacidus + '\0' + "|x", HouseSystem::Placidus, kPlacidusRead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const std::optional<CalculatorHouses> houses = readCalculatorHouses(c.answer);
        ASSERT_TRUE(houses);
        EXPECT_EQ(houses->system, c.system);
        EXPECT_EQ(positionsText(*houses), c.positions);
    }
}

// A card index reads the ten planets of the longer answer exactly as it reads today's.
TEST(CalculatorAnswer, TheHousesChangeNothingAboutThePlanets) {
    const std::vector<PlanetUpdate> today = readCalculatorAnswer(kPlanets);
    const std::vector<PlanetUpdate> longer = readCalculatorAnswer(std::string(kPlanets) + kPlacidus);
    ASSERT_EQ(today.size(), 10u);
    ASSERT_EQ(longer.size(), 10u);
    for (std::size_t p = 0; p < 10; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(longer[p].planet, today[p].planet);
        EXPECT_EQ(longer[p].sign, today[p].sign);
        EXPECT_EQ(longer[p].degree, today[p].degree);
    }
}

TEST(CalculatorAnswer, NoHousesFromAnswersWithoutThemOrWithUnreadableOnes) {
    const std::string planets = kPlanets;
    const std::string houses = kPlacidus;
    const auto withAscendant = [&](const std::string& item) {
        return planets + "|P|" + item + houses.substr(houses.find('|', 3));
    };
    const std::string cases[] = {
        "",
        planets,
        planets + "|",
        planets + "|P",
        planets + houses.substr(0, houses.rfind('|')),  // one cusp short
        planets + "|X" + houses.substr(2),
        planets + "|p" + houses.substr(2),
        planets + "|PW" + houses.substr(2),
        planets + "|" + houses.substr(2),
        planets + "||" + houses.substr(1),
        withAscendant("30Ari00"),
        withAscendant("29Ari60"),
        withAscendant("29Ari99"),
        withAscendant("0ari00"),
        withAscendant("0Ari0"),
        withAscendant("0Ari000"),
        withAscendant(" 0Ari00"),
        withAscendant("0Ari00 "),
        withAscendant("-1Ari00"),
        withAscendant("100Ari00"),
        withAscendant("0AriAri"),
        withAscendant("Ari00"),
        withAscendant("0Ar\x81"
                      "00"),
        withAscendant("0.5Ari00"),
        withAscendant(""),
        planets + houses.substr(0, houses.size() - 2) + '\0' + "46",  // the text ends inside the last cusp
        planets + houses.substr(0, houses.size() - 6) + "Xyz46",
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i]);
        EXPECT_EQ(readCalculatorHouses(cases[i]), std::nullopt) << i;
    }
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
