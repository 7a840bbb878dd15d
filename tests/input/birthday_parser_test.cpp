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
        const char* display;
    } cases[] = {
        {"1991.1.2", "1991.1.2"},
        {"1991-01-02 12:55", "1991.1.2,1255"},
        {"1991年1月2日，1255", "1991.1.2,1255"},
        {"生日1991。1。2", "1991.1.2"},
        {"0991.1.2", "991.1.2"},
        {" \t1991.1.2　1255\r\n", "1991.1.2,1255"},
        {"1991-1-2.5", "1991.1.2"},
        {"199101021255", "1991.1.2,1255"},
        {"19910102123000", "1991.1.2,1230"},
        {"19910102,1255", "1991.1.2"},  // a run of 8 drops the typed time
        {"1991.1.2,12555", "1991.1.2,1255"},
        {"1991.1.2,ab00", "1991.1.2,ab00"},  // a pair without digits reads as 0
        {"1991.1.2,12年", "1991.1.2,12年"},
        {"2024-03-05,0907", "2024.3.5,0907"},
        {"\xFF\xFE"
         "1991.1.2\0,1255"s,
         "1991.1.2,1255"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const BirthdayOutcome outcome = parseBirthday(c.input);
        ASSERT_TRUE(std::holds_alternative<BirthdayResult>(outcome)) << std::get<BirthdayError>(outcome).message;
        const BirthdayResult& r = std::get<BirthdayResult>(outcome);
        EXPECT_EQ(r.displayText, c.display);
        const std::size_t comma = r.displayText.find(',');
        EXPECT_EQ(r.timeGiven, comma != std::string::npos);
        EXPECT_EQ(r.timeText, r.timeGiven ? r.displayText.substr(comma + 1) : "1200");
        // Pressing the button again parses the display text written back into the input field.
        const BirthdayOutcome again = parseBirthday(r.displayText);
        ASSERT_TRUE(std::holds_alternative<BirthdayResult>(again));
        EXPECT_EQ(std::get<BirthdayResult>(again).displayText, r.displayText);
    }
    const auto r = std::get<BirthdayResult>(parseBirthday("0991-12-31"));
    EXPECT_EQ(r.year * 10000 + r.month * 100 + r.day, 9911231);
}

TEST(BirthdayParser, ReportsEachErrorWithItsMessage) {
    const char* const noDate = "请输入正确的日期内容！";
    const char* const badDate = "年月日数值有误！";
    const struct {
        std::string input;
        const char* message;
    } cases[] = {
        {"", noDate},
        {"生日", noDate},
        {"1991.1", noDate},
        {"1991.1.2-1255", noDate},  // one hyphen: not the separator form, and no run of 8
        {"1991年1月", noDate},
        {"1991010212", noDate},
        {"1991010212345", noDate},
        {"1991.1.2,955", "输入的时间[955]数值有误！"},
        {"1991.1.2,2400", "输入的时间[2400]数值有误！"},
        {"1991.1.2,1260", "输入的时间[1260]数值有误！"},
        {"1991.1.2,", "输入的时间[]数值有误！"},
        {"1991.13.40,2500", "输入的时间[2500]数值有误！"},  // the time is checked first
        {"1991.1.2,123年", "输入的时间[123]数值有误！"},    // a character is never cut in half
        {"1991.1.2,1\x81", "输入的时间[1\x81]数值有误！"},
        {"1991.2.29", badDate},
        {"10001.1.1", badDate},
        {"1991年2日1月", badDate},  // markers out of order leave the day empty
        {"99999999999999999999.1.2", badDate},
        {"19911332", badDate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const BirthdayOutcome outcome = parseBirthday(c.input);
        ASSERT_TRUE(std::holds_alternative<BirthdayError>(outcome));
        EXPECT_EQ(std::get<BirthdayError>(outcome).message, c.message);
    }
}

TEST(BirthdayParser, ReadsATimeOfDayWrittenInWordsWhereNoCommaGivesOne) {
    const struct {
        const char* input;
        const char* display;  // a display text of its own form parses to itself
    } cases[] = {
        {"1988年7月1日8点", "1988.7.1,0800"},
        {"1988年7月1日8点半", "1988.7.1,0830"},
        {"1988年7月1日8时30分", "1988.7.1,0830"},
        {"1988年7月1日8点一刻", "1988.7.1,0815"},
        {"1988年7月1日20时", "1988.7.1,2000"},
        {"1988年7月1日20:30", "1988.7.1,2030"},
        {"1988年7月1日下午8点", "1988.7.1,2000"},
        {"1988年7月1日凌晨12点", "1988.7.1,0000"},
        {"1988年7月1日中午12点", "1988.7.1,1200"},
        {"1988年7月1日中午1点", "1988.7.1,1300"},
        {"生日：1988年7月1日晚上10点", "1988.7.1,2200"},
        {"1988.7.1下午3:15", "1988.7.1,1515"},
        {"1988年7月1日8", "1988.7.1"},    // a number alone is no time
        {"19880701下午3点", "1988.7.1"},  // a run of eight digits drops what follows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const BirthdayOutcome outcome = parseBirthday(c.input);
        ASSERT_TRUE(std::holds_alternative<BirthdayResult>(outcome)) << std::get<BirthdayError>(outcome).message;
        EXPECT_EQ(std::get<BirthdayResult>(outcome).displayText, c.display);
        EXPECT_EQ(std::get<BirthdayResult>(outcome).timeGiven, std::string_view(c.display).size() > 8);
    }
}

TEST(BirthdayParser, SaysSoWhenATimeWrittenInWordsCannotBeRead) {
    for (const char* time : {"25点", "8点70分", "20:75", "晚上12点", "上午13点"}) {
        SCOPED_TRACE(time);
        const BirthdayOutcome outcome = parseBirthday(std::string("1988年2月30日") + time);  // before the date
        ASSERT_TRUE(std::holds_alternative<BirthdayError>(outcome));
        EXPECT_EQ(std::get<BirthdayError>(outcome).message, std::string("输入的时间[") + time + "]数值有误！");
    }
}

TEST(BirthdayParser, NormalizesSeparatorsOfWholeCharactersOnly) {
    EXPECT_EQ(normalizeInput("  生日：1991。1。2 "), "1991.1.2");
    EXPECT_EQ(normalizeInput("1991，1　2 12:55"), "1991,1,2,1255");
    EXPECT_EQ(normalizeInput("0000"), "0000");
    EXPECT_EQ(normalizeInput("1啊０"), "1啊０");  // the bytes of "。" across two characters stay
}

// A pasted text of 256 KB, full of separators to replace, is parsed whole (bench/text_bench measures how the time
// grows with its length).
TEST(BirthdayParser, ALongInputIsParsedWhole) {
    std::string text;
    while (text.size() < 256 * 1024)
        text += " 　，。:";
    text += "1991年1月2日，1255";
    const BirthdayOutcome outcome = parseBirthday(text);
    ASSERT_TRUE(std::holds_alternative<BirthdayResult>(outcome));
    EXPECT_EQ(std::get<BirthdayResult>(outcome).displayText, "1991.1.2,1255");
}

TEST(BirthdayParser, ChecksDatesWithTheJulianRuleUpTo1582) {
    const struct {
        std::int32_t year, month, day;
        bool valid;
    } cases[] = {
        {2000, 2, 29, true},   {1900, 2, 29, false}, {1600, 2, 29, true},  {1500, 2, 29, true},
        {1582, 2, 29, false},  {1580, 2, 29, true},  {1700, 2, 29, false}, {1991, 2, 28, true},
        {1991, 4, 30, true},   {1991, 4, 31, false}, {1991, 12, 31, true}, {1991, 1, 32, false},
        {1991, 1, 0, false},   {1991, 0, 1, false},  {1991, 13, 1, false}, {1, 1, 1, true},
        {10000, 12, 31, true}, {10001, 1, 1, false}, {0, 1, 1, false},     {INT32_MIN, 1, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "." << c.month << "." << c.day);
        EXPECT_EQ(checkDate(c.year, c.month, c.day), c.valid);
    }
}

}  // namespace
}  // namespace input
