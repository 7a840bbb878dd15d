#include "link/calculator_request.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace calclink {
namespace {

TEST(CalculatorRequest, WritesTheBirthDataAndRefusesWhatTheCalculatorCannotTake) {
    const std::string longClass(82, 'C');  // with the other fields, a request of exactly 99 bytes
    EXPECT_EQ(buildCalculatorRequest("mvQelvo", 1991, 1, 2, "1255", 5), "$mvQelvo#1991.1.2,1255:5");
    EXPECT_EQ(buildCalculatorRequest("mvQelvo", 10000, 12, 31, "1200", -1), "$mvQelvo#10000.12.31,1200:-1");
    EXPECT_EQ(buildCalculatorRequest(longClass, 1991, 1, 2, "1255", 5), "$" + longClass + "#1991.1.2,1255:5");
    EXPECT_EQ(buildCalculatorRequest(longClass + "C", 1991, 1, 2, "1255", 5), std::nullopt);
}

TEST(CalculatorRequest, WritesThePlaceAsASuffixWithFourDecimalsAndASignedOffset) {
    const struct {
        BirthPlace place;
        const char* suffix;  // nullptr: refused
    } cases[] = {
        {{23.354, 116.682, 480}, "@23.3540,116.6820,+480"},
        {{-33.86882, 151.20929, 600}, "@-33.8688,151.2093,+600"},
        {{27.7172, 85.324, 345}, "@27.7172,85.3240,+345"},
        {{-22.9068, -43.1729, -210}, "@-22.9068,-43.1729,-210"},
        {{0.00004, -0.00004, 0}, "@0.0000,0.0000,+0"},  // rounded to zero, without a sign
        {{-0.00005, 0.00005, 0}, "@-0.0001,0.0001,+0"},
        {{48.85661, 2.35222, 9}, "@48.8566,2.3522,+9"},
        {{90, -180, -1080}, "@90.0000,-180.0000,-1080"},
        {{-90, 180, 1080}, "@-90.0000,180.0000,+1080"},
        {{90.00004, 180.00004, 0}, "@90.0000,180.0000,+0"},
        {{90.0001, 0, 0}, nullptr},
        {{-90.0001, 0, 0}, nullptr},
        {{0, 180.0001, 0}, nullptr},
        {{0, -1e300, 0}, nullptr},
        {{std::nan(""), 0, 0}, nullptr},
        {{0, INFINITY, 0}, nullptr},
        {{0, 0, 1081}, nullptr},
        {{0, 0, -1081}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.suffix ? c.suffix : "refused");
        const std::optional<std::string> request = buildCalculatorRequest("mvQelvo", 1991, 1, 2, "1255", 5, c.place);
        if (c.suffix == nullptr) {
            EXPECT_EQ(request, std::nullopt);
            continue;
        }
        EXPECT_EQ(request, std::string("$mvQelvo#1991.1.2,1255:5") + c.suffix);
    }
}

TEST(CalculatorRequest, AWidePlaceStillFitsTheCalculatorsBuffer) {
    const BirthPlace widest{-89.9999, -179.9999, -1080};
    const std::string longClass(57, 'C');  // with the widest place, a request of exactly 99 bytes
    const std::optional<std::string> request = buildCalculatorRequest(longClass, 1991, 1, 2, "1255", 5, widest);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->size(), kRequestMaxBytes);
    EXPECT_EQ(buildCalculatorRequest(longClass + "C", 1991, 1, 2, "1255", 5, widest), std::nullopt);
    // The form's own requests: its class, a five-digit year and any place leave room to spare.
    EXPECT_LE(buildCalculatorRequest("mvQelvo", -10000, 12, 31, "2359", -1, widest)->size(), 60u);
}

}  // namespace
}  // namespace calclink
