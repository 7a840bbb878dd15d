// Birthdays typed in the Chinese calendar, through the birthday parser: the accepted forms, each refusal with its
// message, and every day of the calendar typed in its written form.
#include "input/lunar_birthday.h"

#include <gtest/gtest.h>

#include "input/birthday_parser.h"
#include "input/lunar_calendar.h"
#include "util/format.h"

namespace input {
namespace {

TEST(LunarBirthday, AcceptedFormsGiveTheGregorianBirthday) {
    const struct {
        const char* input;
        const char* display;
    } cases[] = {
        {"农历1990年十一月十七，1255", "1991.1.2,1255"},
        {"农历1990年十一月十七日，1255", "1991.1.2,1255"},
        {"阴历1990.11.17", "1991.1.2"},
        {"阴历1990.11.17,1255", "1991.1.2,1255"},
        {"农历九〇年冬月十七日", "1991.1.2"},
        {"农历一九九〇年十一月十七", "1991.1.2"},
        {"  农历：1990年11月17日 12:55", "1991.1.2,1255"},
        {"　阴历 90-11-17号,0005", "1991.1.2,0005"},
        {"农历1990年闰五月初一", "1990.6.23"},
        {"阴历1990/闰5/1", "1990.6.23"},
        {"农历1990年五月三十", "1990.6.22"},
        {"农历1990年十一月卅", "1991.1.15"},
        {"农历1990年十一月廿一", "1991.1.6"},
        {"农历1990年十一月二十一", "1991.1.6"},
        {"农历1990年十一月初十", "1990.12.26"},
        {"农历２０２４年正月初一", "2024.2.10"},
        {"农历二三年腊月三十", "2024.2.9"},
        {"农历二〇三三年闰十一月初一", "2033.12.22"},
        {"农历1899年腊月初一", "1900.1.1"},   // the first day of 1900
        {"农历2100年腊月廿九", "2101.1.28"},  // the last day of the calendar
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_TRUE(isLunarBirthday(c.input));
        const BirthdayOutcome outcome = parseBirthday(c.input);
        ASSERT_TRUE(std::holds_alternative<BirthdayResult>(outcome)) << std::get<BirthdayError>(outcome).message;
        EXPECT_EQ(std::get<BirthdayResult>(outcome).displayText, c.display);
    }
    const BirthdayOutcome typed = parseBirthday("农历1990年十一月十七，1255");
    const auto& example = std::get<BirthdayResult>(typed);
    EXPECT_EQ(example.year, 1991);
    EXPECT_EQ(example.month, 1);
    EXPECT_EQ(example.day, 2);
    EXPECT_EQ(example.timeText, "1255");
    EXPECT_TRUE(example.timeGiven);
    const BirthdayOutcome untimed = parseBirthday("阴历1990.11.17");
    const auto& noTime = std::get<BirthdayResult>(untimed);
    EXPECT_EQ(noTime.timeText, "1200");
    EXPECT_FALSE(noTime.timeGiven);
}

TEST(LunarBirthday, TextsWithoutTheMarkStayGregorian) {
    const struct {
        const char* input;
        bool lunar;
    } cases[] = {
        {"1990.11.17", false}, {"生日农历1990年十一月十七", false}, {"农", false}, {"", false},
        {"阴历", true},        {" \t农历1990.1.1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(isLunarBirthday(c.input), c.lunar);
    }
    EXPECT_EQ(std::get<BirthdayResult>(parseBirthday("1990.11.17")).displayText, "1990.11.17");
}

TEST(LunarBirthday, DatesThatAreNoDaysAreRefusedWithTheirReason) {
    const char* const unreadable = "农历日期无法识别！请照“农历1990年十一月十七”或“阴历1990.11.17”的格式输入。";
    const struct {
        const char* input;
        BirthdayError::Kind kind;
        const char* message;
    } cases[] = {
        {"农历1990年闰十一月初一", BirthdayError::Kind::kBadDate, "农历1990年没有闰十一月（这一年闰五月）！"},
        {"农历1991年闰五月初一", BirthdayError::Kind::kBadDate, "农历1991年没有闰五月（这一年没有闰月）！"},
        {"农历2024年腊月三十", BirthdayError::Kind::kBadDate, "农历2024年腊月只有二十九天，没有三十！"},
        {"阴历1990.闰5.30", BirthdayError::Kind::kBadDate, "农历1990年闰五月只有二十九天，没有三十！"},
        {"农历1850年正月初一", BirthdayError::Kind::kBadDate, "农历1850年不在可换算的范围（1899年至2100年）内！"},
        {"农历2101年正月初一", BirthdayError::Kind::kBadDate, "农历2101年不在可换算的范围（1899年至2100年）内！"},
        {"农历1990年十三月初一", BirthdayError::Kind::kBadDate, "农历月份[十三]数值有误！"},
        {"阴历1990.0.1", BirthdayError::Kind::kBadDate, "农历月份[0]数值有误！"},
        {"农历1990年鼠月初一", BirthdayError::Kind::kBadDate, "农历月份[鼠]数值有误！"},
        {"农历1990年十一月三十一", BirthdayError::Kind::kBadDate, "农历日子[三十一]数值有误！"},
        {"农历1990年十一月初十一", BirthdayError::Kind::kBadDate, "农历日子[初十一]数值有误！"},
        {"农历1990年十一月十十", BirthdayError::Kind::kBadDate, "农历日子[十十]数值有误！"},
        {"阴历1990.11.0", BirthdayError::Kind::kBadDate, "农历日子[0]数值有误！"},
        {"农历", BirthdayError::Kind::kNoDate, unreadable},
        {"农历1990年", BirthdayError::Kind::kNoDate, unreadable},
        {"农历199年十一月十七", BirthdayError::Kind::kNoDate, unreadable},
        {"农历1990年十一十七", BirthdayError::Kind::kNoDate, unreadable},
        {"农历1990年十一月", BirthdayError::Kind::kNoDate, unreadable},
        {"阴历1990.11", BirthdayError::Kind::kNoDate, unreadable},
        {"阴历1990,11,17", BirthdayError::Kind::kNoDate, unreadable},
        {"农历1990年十一月十七，955", BirthdayError::Kind::kBadTime, "输入的时间[955]数值有误！"},
        {"农历1990年十一月十七日，2460", BirthdayError::Kind::kBadTime, "输入的时间[2460]数值有误！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const BirthdayOutcome outcome = parseBirthday(c.input);
        ASSERT_TRUE(std::holds_alternative<BirthdayError>(outcome)) << std::get<BirthdayResult>(outcome).displayText;
        EXPECT_EQ(std::get<BirthdayError>(outcome).kind, c.kind);
        EXPECT_EQ(std::get<BirthdayError>(outcome).message, c.message);
    }
}

// Each day of the calendar, typed as its written form (农历1990年闰五月初一), gives the day back.
TEST(LunarBirthday, EveryDayOfTheCalendarTypedInItsWrittenForm) {
    int days = 0;
    for (int year = firstLunarYear(); year <= lastLunarYear(); ++year) {
        for (int index = 0; index < 13; ++index) {
            const int leapMonth = *leapMonthOf(year);
            if (leapMonth == 0 && index == 12)
                break;
            const bool leap = leapMonth != 0 && index == leapMonth;
            const int month = leapMonth != 0 && index >= leapMonth ? index : index + 1;
            for (int day = 1; day <= lunarMonthLength(year, month, leap); ++day) {
                const LunarDate lunar{year, month, leap, day};
                const std::string typed =
                    util::format("农历%d年", year) + lunarMonthName(month, leap) + lunarDayName(day);
                const BirthdayOutcome outcome = parseBirthday(typed);
                ASSERT_TRUE(std::holds_alternative<BirthdayResult>(outcome)) << typed;
                const auto& result = std::get<BirthdayResult>(outcome);
                ASSERT_EQ(lunarDateOf({result.year, result.month, result.day}), lunar) << typed;
                ++days;
            }
        }
    }
    EXPECT_EQ(days, 73'767);
}

}  // namespace
}  // namespace input
