#include "link/calculator_request.h"

#include <gtest/gtest.h>

namespace calclink {
namespace {

TEST(CalculatorRequest, WritesTheBirthDataAndRefusesWhatTheCalculatorCannotTake) {
    const std::string longClass(82, 'C');  // with the other fields, a request of exactly 99 bytes
    const struct {
        std::string windowClass;
        int year, month, day;
        const char* time;
        int zone;
        std::optional<std::string> request;
    } cases[] = {
        {"mvQelvo", 1991, 1, 2, "1255", 5, "$mvQelvo#1991.1.2,1255:5"},
        {"mvQelvo", 1991, 1, 2, "1200", -1, "$mvQelvo#1991.1.2,1200:-1"},
        {"mvQelvo", 10000, 12, 31, "2359", 25, "$mvQelvo#10000.12.31,2359:25"},
        {longClass, 1991, 1, 2, "1255", 5, "$" + longClass + "#1991.1.2,1255:5"},
        {longClass + "C", 1991, 1, 2, "1255", 5, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.windowClass);
        const std::optional<std::string> request =
            buildCalculatorRequest(c.windowClass, c.year, c.month, c.day, c.time, c.zone);
        EXPECT_EQ(request, c.request);
        if (request) {
            EXPECT_LE(request->size(), kRequestMaxBytes);
        }
    }
}

}  // namespace
}  // namespace calclink
