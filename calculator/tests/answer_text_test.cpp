#include "core/answer_text.h"

#include <gtest/gtest.h>

#include <cmath>

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
    const CalculatorRequest request{"mvQelvo", 1991, 1, 2, 12, 55, -1};
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

}  // namespace
}  // namespace corvina
