#include "link/calculator_request.h"

#include <gtest/gtest.h>

namespace calclink {
namespace {

TEST(CalculatorRequest, WritesTheBirthDataAndRefusesWhatTheCalculatorCannotTake) {
    const std::string longClass(82, 'C');  // with the other fields, a request of exactly 99 bytes
    EXPECT_EQ(buildCalculatorRequest("mvQelvo", 1991, 1, 2, "1255", 5), "$mvQelvo#1991.1.2,1255:5");
    EXPECT_EQ(buildCalculatorRequest("mvQelvo", 10000, 12, 31, "1200", -1), "$mvQelvo#10000.12.31,1200:-1");
    EXPECT_EQ(buildCalculatorRequest(longClass, 1991, 1, 2, "1255", 5), "$" + longClass + "#1991.1.2,1255:5");
    EXPECT_EQ(buildCalculatorRequest(longClass + "C", 1991, 1, 2, "1255", 5), std::nullopt);
}

}  // namespace
}  // namespace calclink
