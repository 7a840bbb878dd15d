#include "input/birthday_parser.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace input {
namespace {

using namespace std::string_literals;

TEST(BirthdayParser, AcceptsEveryDocumentedSpelling) {
    const struct {
        std::string input;
        std::int32_t year, month, day;
        const char* time;
        bool timeGiven;
        const char* display;
    } cases[] = {
        {"1991.1.2", 1991, 1, 2, "1200", false, "1991.1.2"},
        {"1991-01-02 12:55", 1991, 1, 2, "1255", true, "1991.1.2,1255"},
        {"1991年1月2日，1255", 1991, 1, 2, "1255", true, "1991.1.2,1255"},
        {"1991年1月2日 12:55", 1991, 1, 2, "1255", true, "1991.1.2,1255"},
        {"1991年01月02日", 1991, 1, 2, "1200", false, "1991.1.2"},
        {"生日1991。1。2", 1991, 1, 2, "1200", false, "1991.1.2"},
        {"0991.1.2", 991, 1, 2, "1200", false, "991.1.2"},
        {" \t1991.1.2\r\n", 1991, 1, 2, "1200", false, "1991.1.2"},
        {"1991.1.2　1255", 1991, 1, 2, "1255", true, "1991.1.2,1255"},
        {"1991.1.2.3", 1991, 1, 2, "1200", false, "1991.1.2"},
        {"1991-1-2.5", 1991, 1, 2, "1200", false, "1991.1.2"},
        {"19910102", 1991, 1, 2, "1200", false, "1991.1.2"},
        {"199101021255", 1991, 1, 2, "1255", true, "1991.1.2,1255"},
        {"19910102123000", 1991, 1, 2, "1230", true, "1991.1.2,1230"},
        {"19910102,1255", 1991, 1, 2, "1200", false, "1991.1.2"},  // a run of 8 drops the typed time
        {"x19910102y", 1991, 1, 2, "1200", false, "1991.1.2"},
        {"1991.1.2,12555", 1991, 1, 2, "1255", true, "1991.1.2,1255"},
        {"1991.1.2,ab00", 1991, 1, 2, "ab00", true, "1991.1.2,ab00"},  // a pair without digits reads as 0
        {"1991.1.2,12年", 1991, 1, 2, "12年", true, "1991.1.2,12年"},
        {"2024-03-05,0907", 2024, 3, 5, "0907", true, "2024.3.5,0907"},
        {"2000.2.29", 2000, 2, 29, "1200", false, "2000.2.29"},
        {"1600.2.29", 1600, 2, 29, "1200", false, "1600.2.29"},
        {"1500.2.29", 1500, 2, 29, "1200", false, "1500.2.29"},
        {"10000.12.31,2359", 10000, 12, 31, "2359", true, "10000.12.31,2359"},
        {"\xFF\xFE"
         "1991.1.2",
         1991, 1, 2, "1200", false, "1991.1.2"},
        {"1991.1.2\0,1255"s, 1991, 1, 2, "1255", true, "1991.1.2,1255"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const BirthdayOutcome outcome = parseBirthday(c.input);
        ASSERT_TRUE(std::holds_alternative<BirthdayResult>(outcome)) << std::get<BirthdayError>(outcome).message;
        const BirthdayResult& r = std::get<BirthdayResult>(outcome);
        EXPECT_EQ(r.year, c.year);
        EXPECT_EQ(r.month, c.month);
        EXPECT_EQ(r.day, c.day);
        EXPECT_EQ(r.timeText, c.time);
        EXPECT_EQ(r.timeGiven, c.timeGiven);
        EXPECT_EQ(r.displayText, c.display);
        // Pressing the button again parses the display text written back into the input field.
        const BirthdayOutcome again = parseBirthday(r.displayText);
        ASSERT_TRUE(std::holds_alternative<BirthdayResult>(again));
        EXPECT_EQ(std::get<BirthdayResult>(again).displayText, r.displayText);
    }
}

TEST(BirthdayParser, ReportsEachErrorWithItsMessage) {
    using Kind = BirthdayError::Kind;
    const char* const noDate = "请输入正确的日期内容！";
    const char* const badDate = "年月日数值有误！";
    const struct {
        std::string input;
        Kind kind;
        const char* message;
    } cases[] = {
        {"", Kind::kNoDate, noDate},
        {"   ", Kind::kNoDate, noDate},
        {"生日", Kind::kNoDate, noDate},
        {"1991.1", Kind::kNoDate, noDate},
        {"1991.1.2-1255", Kind::kNoDate, noDate},  // one hyphen: not the separator form, and no run of 8
        {"1991年1月", Kind::kNoDate, noDate},
        {"1234567", Kind::kNoDate, noDate},
        {"199101021", Kind::kNoDate, noDate},
        {"1991010212", Kind::kNoDate, noDate},
        {"19910102123", Kind::kNoDate, noDate},
        {"1991010212345", Kind::kNoDate, noDate},
        {"1991.1.2,955", Kind::kBadTime, "输入的时间[955]数值有误！"},
        {"1991.1.2,2460", Kind::kBadTime, "输入的时间[2460]数值有误！"},
        {"1991.1.2,1260", Kind::kBadTime, "输入的时间[1260]数值有误！"},
        {"1991.1.2,", Kind::kBadTime, "输入的时间[]数值有误！"},
        {"1991.1.2,2400", Kind::kBadTime, "输入的时间[2400]数值有误！"},
        {"1991.13.40,2500", Kind::kBadTime, "输入的时间[2500]数值有误！"},  // the time is checked first
        {"1991.1.2,123年", Kind::kBadTime, "输入的时间[123]数值有误！"},    // a character is never cut in half
        {"1991.1.2,12\x81", Kind::kBadTime, "输入的时间[12\x81]数值有误！"},
        {"1991.2.29", Kind::kBadDate, badDate},
        {"1900.2.29", Kind::kBadDate, badDate},
        {"1991.4.31", Kind::kBadDate, badDate},
        {"10001.1.1", Kind::kBadDate, badDate},
        {"1991.0.1", Kind::kBadDate, badDate},
        {"1991年2日1月", Kind::kBadDate, badDate},  // markers out of order leave the day empty
        {"99999999999999999999.1.2", Kind::kBadDate, badDate},
        {"1991.99999999999999999999.2", Kind::kBadDate, badDate},
        {"19911332", Kind::kBadDate, badDate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const BirthdayOutcome outcome = parseBirthday(c.input);
        ASSERT_TRUE(std::holds_alternative<BirthdayError>(outcome));
        EXPECT_EQ(std::get<BirthdayError>(outcome).kind, c.kind);
        EXPECT_EQ(std::get<BirthdayError>(outcome).message, c.message);
    }
}

TEST(BirthdayParser, NormalizesSeparatorsOfWholeCharactersOnly) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"  生日：1991。1。2 ", "1991.1.2"},
        {"1991-1-2 12:55", "1991-1-2,1255"},
        {"1991，1　2", "1991,1,2"},
        {"　1991", "1991"},
        {"0000", "0000"},
        {"1啊０", "1啊０"},  // the bytes of "。" across two characters stay
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(normalizeInput(c.input), c.expected);
    }
}

TEST(BirthdayParser, ChecksDatesWithTheJulianRuleUpTo1582) {
    const struct {
        std::int32_t year, month, day;
        bool valid;
    } cases[] = {
        {2000, 2, 29, true},  {1900, 2, 29, false}, {1600, 2, 29, true},      {1500, 2, 29, true},
        {1582, 2, 29, false}, {1580, 2, 29, true},  {1700, 2, 29, false},     {2024, 2, 29, true},
        {1991, 2, 28, true},  {1991, 4, 30, true},  {1991, 4, 31, false},     {1991, 11, 31, false},
        {1991, 12, 31, true}, {1991, 1, 32, false}, {1991, 1, 0, false},      {1991, 0, 1, false},
        {1991, 13, 1, false}, {1, 1, 1, true},      {10000, 12, 31, true},    {10001, 1, 1, false},
        {0, 1, 1, false},     {-4, 2, 29, false},   {INT32_MIN, 1, 1, false}, {1991, INT32_MAX, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "." << c.month << "." << c.day);
        EXPECT_EQ(checkDate(c.year, c.month, c.day), c.valid);
    }
}

}  // namespace
}  // namespace input
