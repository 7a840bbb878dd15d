#include "core/answer_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "link/calculator_answer.h"

namespace corvina {
namespace {

TEST(AnswerText, CutsDegreesAndMinutesWithinTheSignsThirtyDegrees) {
    const struct {
        double longitude;
        const char* item;
    } cases[] = {
        {0.0, "0Ari00"},
        {15.3834, "15Ari23"},
        {29.9999, "29Ari59"},
        {std::nextafter(30.0, 0.0), "29Ari59"},
        {30.0, "0Tau00"},
        {281.2828459, "11Cap16"},
        {329.99, "29Aqu59"},
        {359.9999999, "29Pis59"},
        {std::nextafter(360.0, 0.0), "29Pis59"},
        {360.0, "0Ari00"},
        {725.5, "5Ari30"},
        {-0.0001, "29Pis59"},
        {-1e-300, "29Pis59"},
        {-30.0, "0Pis00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.longitude);
        EXPECT_EQ(positionItem(c.longitude), c.item);
    }
}

// The answer is read by the card index's own reader, which must find every planet in its place.
TEST(AnswerText, IsReadBackByTheFormsReader) {
    const CalculatorRequest request{"mvQelvo", 1991, 1, 2, 12, 55, -1, std::nullopt};
    BirthMoment moment;
    moment.zoneIndex = kDefaultZoneIndex;
    const Longitudes longitudes = {281.2828, 121.24, 263.89, 296.23, 57.75, 131.86, 295.80, 279.80, 284.16, 359.999};
    const std::string answer = answerText(request, moment, longitudes);
    ASSERT_FALSE(answer.empty());
    EXPECT_EQ(answer.back(), '\0');
    EXPECT_EQ(answer.find('\0'), answer.size() - 1);
    EXPECT_EQ(std::string(answer.c_str()),
              "1991.1.2,1255:5|11Cap16|1Leo14|23Sag53|26Cap13|27Tau45|11Leo51|25Cap48|9Cap48|14Cap09|29Pis59");

    const std::vector<calclink::PlanetUpdate> updates = calclink::readCalculatorAnswer(answer);
    ASSERT_EQ(updates.size(), 10u);
    const int signs[] = {10, 5, 9, 10, 2, 5, 10, 10, 10, 12};
    const float degrees[] = {11.16f, 1.14f, 23.53f, 26.13f, 27.45f, 11.51f, 25.48f, 9.48f, 14.09f, 29.59f};
    for (int p = 0; p < 10; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(updates[p].planet, p);
        EXPECT_EQ(updates[p].sign, signs[p]);
        ASSERT_TRUE(updates[p].degree);
        EXPECT_FLOAT_EQ(*updates[p].degree, degrees[p]);
    }
}

// Houses follow the planets: the system's letter, the ascendant, the midheaven and the twelve cusps, each cut as a
// planet is; the card index reads them back as signs and degree.minutes, and its planets as before.
TEST(AnswerText, HousesFollowThePlanetsAndAreReadBackByTheCardIndex) {
    const CalculatorRequest request{"mvQelvo", 1991, 1, 2, 12, 55, 5, BirthPlace{69.5, 116.682, 480}};
    BirthMoment moment;
    moment.zoneIndex = 5;
    const Longitudes longitudes = {281.2828, 121.24, 263.89, 296.23, 57.75, 131.86, 295.80, 279.80, 284.16, 359.999};
    const struct {
        Houses houses;
        const char* items;
        calclink::HouseSystem system;
    } cases[] = {
        {{HouseSystem::Placidus,
          28.5974540,
          290.1215734,
          {28.5974540, 60.0292998, 85.7354446, 110.1215734, 136.9860645, 169.7718959, 208.5974540, 240.0292998,
           265.7354446, 290.1215734, 316.9860645, 359.9999999}},
         "|P|28Ari35|20Cap07|28Ari35|0Gem01|25Gem44|20Can07|16Leo59|19Vir46|28Lib35|0Sag01|25Sag44|20Cap07|16Aqu59|"
         "29Pis59",
         calclink::HouseSystem::Placidus},
        {{HouseSystem::WholeSign, 299.7495078, 290.1215734, {270, 300, 330, 0, 30, 60, 90, 120, 150, 180, 210, 240}},
         "|W|29Cap44|20Cap07|0Cap00|0Aqu00|0Pis00|0Ari00|0Tau00|0Gem00|0Can00|0Leo00|0Vir00|0Lib00|0Sco00|0Sag00",
         calclink::HouseSystem::WholeSign},
    };
    const std::string planets =
        "1991.1.2,1255:5|11Cap16|1Leo14|23Sag53|26Cap13|27Tau45|11Leo51|25Cap48|9Cap48|14Cap09|29Pis59";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items);
        const std::string answer = answerText(request, moment, longitudes, c.houses);
        ASSERT_FALSE(answer.empty());
        EXPECT_EQ(answer.find('\0'), answer.size() - 1);
        EXPECT_EQ(std::string(answer.c_str()), planets + c.items);
        EXPECT_EQ(calclink::readCalculatorAnswer(answer).size(), 10u);

        const std::optional<calclink::CalculatorHouses> read = calclink::readCalculatorHouses(answer);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->system, c.system);
        std::vector<double> shown = {c.houses.ascendant, c.houses.midheaven};
        shown.insert(shown.end(), c.houses.cusps.begin(), c.houses.cusps.end());
        std::vector<chart::PlanetPosition> got = {read->ascendant, read->midheaven};
        got.insert(got.end(), read->cusps.begin(), read->cusps.end());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            SCOPED_TRACE(i);
            const CutPosition cut = cutPosition(shown[i]);
            EXPECT_EQ(got[i].sign, cut.sign);
            EXPECT_FLOAT_EQ(got[i].degree, static_cast<float>(cut.degrees + cut.minutes / 100.0));
        }
    }
    EXPECT_FALSE(calclink::readCalculatorHouses(answerText(request, moment, longitudes)));
}

}  // namespace
}  // namespace corvina
