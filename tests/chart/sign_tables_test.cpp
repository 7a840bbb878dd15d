#include <gtest/gtest.h>

#include <string>

#include "chart/dignity_table.h"
#include "chart/planet_abbreviation.h"
#include "chart/zodiac_sign_table.h"

namespace chart {
namespace {

TEST(ZodiacSignTable, LooksUpEverySignAndRefusesOtherIndices) {
    const struct {
        int sign;
        const char* combo;
        const char* english;
        const char* key;
        const char* abbreviation;
    } cases[] = {
        {-1, "", "", "", ""},
        {0, "--星座--", "", "", ""},
        {1, "白羊", "Aries", "Ari", "白"},
        {2, "金牛", "Taurus", "Tau", "金"},
        {3, "双子", "Gemini", "Gem", "双"},
        {4, "巨蟹", "Cancer", "Can", "巨"},
        {5, "狮子", "Leo", "Leo", "狮"},
        {6, "处女", "Virgo", "Vir", "处"},
        {7, "天秤", "Libra", "Lib", "秤"},
        {8, "天蝎", "Scorpio", "Sco", "蝎"},
        {9, "射手", "Sagittarius", "Sag", "射"},
        {10, "摩羯", "Capricorn", "Cap", "摩"},
        {11, "水瓶", "Aquarius", "Aqu", "瓶"},
        {12, "双鱼", "Pisces", "Pis", "鱼"},
        {13, "", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sign);
        EXPECT_EQ(signComboText(c.sign), c.combo);
        EXPECT_EQ(signEnglishName(c.sign), c.english);
        EXPECT_EQ(signKey(c.sign), c.key);
        EXPECT_EQ(signAbbreviation(c.sign), c.abbreviation);
    }
}

TEST(ZodiacSignTable, ReadsTheAbbreviationOfAStoredSignNumber) {
    const struct {
        const char* stored;
        const char* abbreviation;
    } cases[] = {
        {"1", "白"},
        {"12", "鱼"},
        {" 5", "狮"},
        {"+7", "秤"},
        {"9x", "射"},
        {"011", "瓶"},
        {"0", ""},
        {"13", ""},
        {"-1", ""},
        {"", ""},
        {"x5", ""},
        {"99999999999999999999", ""},
        {"-99999999999999999999", ""},
    };
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

// Each planet's marks for signs 1..12, "-" where a sign has none.
TEST(DignityTable, MarksEveryPlanetInEverySign) {
    const char* const rows[kPlanetCount] = {
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
    for (int planet = 0; planet < kPlanetCount; ++planet) {
        SCOPED_TRACE(planet);
        std::string marks;
        for (int sign = 1; sign <= kSignCount; ++sign) {
            const std::string_view mark = markFor(planet, sign);
            marks += mark.empty() ? "-" : std::string(mark);
        }
        EXPECT_EQ(marks, rows[planet]);
    }
}

TEST(DignityTable, GivesNoMarkOutsideTheTable) {
    const struct {
        int planet;
        int sign;
    } cases[] = {{0, 0}, {0, -1}, {0, 13}, {9, 100}, {-1, 1}, {10, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.planet << " in " << c.sign);
        EXPECT_EQ(markFor(c.planet, c.sign), "");
    }
}

}  // namespace
}  // namespace chart
