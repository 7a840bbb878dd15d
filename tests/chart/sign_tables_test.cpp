#include <gtest/gtest.h>

#include <string>

#include "chart/dignity_table.h"
#include "chart/planet_abbreviation.h"
#include "chart/zodiac_sign_table.h"

namespace chart {
namespace {

TEST(ZodiacSignTable, LooksUpTheSignsInOrderAndNothingOutsideThem) {
    std::string combo, keys, abbreviations;
    for (int sign = -1; sign <= kSignCount + 1; ++sign) {
        combo += std::string(signComboText(sign)) + "|";
        keys += signKey(sign);
        abbreviations += signAbbreviation(sign);
    }
    EXPECT_EQ(combo, "|--星座--|白羊|金牛|双子|巨蟹|狮子|处女|天秤|天蝎|射手|摩羯|水瓶|双鱼||");
    EXPECT_EQ(keys, "AriTauGemCanLeoVirLibScoSagCapAquPis");
    EXPECT_EQ(abbreviations, "白金双巨狮处秤蝎射摩瓶鱼");
    EXPECT_EQ(signEnglishName(9), "Sagittarius");
}

TEST(ZodiacSignTable, ReadsTheAbbreviationOfAStoredSignNumber) {
    const struct {
        const char* stored;
        const char* abbreviation;
    } cases[] = {{"1", "白"}, {"12", "鱼"}, {" +7x", "秤"}, {"011", "瓶"}, {"0", ""},
                 {"13", ""},  {"-1", ""},   {"", ""},       {"x5", ""},    {"99999999999999999999", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(signAbbreviationOfText(c.stored), c.abbreviation);
    }
}

TEST(PlanetAbbreviation, NamesTheTenPlanetsInOrder) {
    std::string all;
    for (int planet = -1; planet <= kPlanetCount; ++planet)
        all += planetAbbreviation(planet);
    EXPECT_EQ(all, "日月水金火木土天海冥");
}

TEST(DignityTable, MarksEveryPlanetInEverySignAndNothingOutsideTheTable) {
    const char* const marksBySign[kPlanetCount] = {
        "旺---庙-陷---弱-",    // sun
        "-旺-庙---陷-弱--",    // moon
        "--庙-陷庙--弱-旺弱",  // mercury
        "弱庙---陷庙弱---旺",  // venus
        "庙弱-陷--弱庙-旺--",  // mars
        "--弱旺-弱--庙陷-庙",  // jupiter
        "陷--弱弱-旺--庙庙-",  // saturn
        "-陷--弱--旺--庙-",    // uranus
        "--陷--弱--旺--庙",    // neptune
        "-弱---旺-庙---陷",    // pluto
    };
    for (int planet = -1; planet <= kPlanetCount; ++planet) {
        SCOPED_TRACE(planet);
        std::string marks;
        for (int sign = -1; sign <= kSignCount + 1; ++sign) {
            const std::string_view mark = markFor(planet, sign);
            marks += mark.empty() ? "-" : std::string(mark);
        }
        const bool inTable = planet >= 0 && planet < kPlanetCount;
        EXPECT_EQ(marks, "--" + (inTable ? std::string(marksBySign[planet]) : std::string(12, '-')) + "-");
    }
}

}  // namespace
}  // namespace chart
