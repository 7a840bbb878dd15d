// The lunar date on the form: "获得生日" and "此刻" fill the field "农历" from the birthday, a lunar birthday typed in
// the input field makes the same card as its Gregorian date, a text the user wrote is replaced only when the user says
// so, and a lunar date that names no day changes nothing.
#include <gtest/gtest.h>

#include "form_harness.h"

namespace apptest {
namespace {

using Kind = ui::headless::DialogRecord::Kind;

struct Road {
    std::string birthday;
    std::string input;
    std::string lunar;
    std::vector<std::string> requests;
    std::vector<ui::headless::DialogRecord> dialogs;
    std::string document;  // after "保存"
};

// Types the input (and a lunar date the user wrote, when given) into a new document's form, presses "获得生日"
// answering a question with answer, and saves.
Road pressGetBirthday(const std::string& input, const std::string& written, ui::Answer answer = ui::Answer::No) {
    FormHarness h;
    h.runCalculator("x|1Ari00");
    h.start();
    h.window.answerNext(answer);
    h.window.type(app::kIdName, "张三");
    h.window.type(app::kIdBirthday, "1980.1.1");
    h.window.type(app::kIdLunarDate, written);
    h.window.type(app::kIdInput, input);
    h.window.click(app::kIdGetBirthday);
    Road road{h.window.text(app::kIdBirthday),
              h.window.text(app::kIdInput),
              h.window.text(app::kIdLunarDate),
              h.requests,
              h.window.dialogs(),
              ""};
    h.window.click(app::kIdSave);
    road.document = readBytes(h.document());
    return road;
}

TEST(LunarDateOnTheForm, GetBirthdayFillsTheLunarDateOfTheBirthday) {
    const struct {
        const char* input;
        const char* written;  // what the field held before
        const char* birthday;
        const char* lunar;
        const char* request;
    } cases[] = {
        {"1991年1月2日，1255", "", "1991.1.2,1255", "庚午马年十一月十七", "$mvQelvo#1991.1.2,1255:5"},
        {"农历1990年十一月十七，1255", "", "1991.1.2,1255", "庚午马年十一月十七", "$mvQelvo#1991.1.2,1255:5"},
        {"阴历1990.11.17", "", "1991.1.2", "庚午马年十一月十七", "$mvQelvo#1991.1.2,1200:5"},
        {"1991.1.2", "庚午马年十一月十七", "1991.1.2", "庚午马年十一月十七", "$mvQelvo#1991.1.2,1200:5"},
        {"2024.2.9", "", "2024.2.9", "癸卯兔年腊月三十", "$mvQelvo#2024.2.9,1200:5"},
        {"农历2020年闰四月初八", "", "2020.5.30", "庚子鼠年闰四月初八", "$mvQelvo#2020.5.30,1200:5"},
        // Outside the calendar the field keeps what it holds, and nothing is asked.
        {"1850.1.1", "十一月十七", "1850.1.1", "十一月十七", "$mvQelvo#1850.1.1,1200:5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const Road road = pressGetBirthday(c.input, c.written);
        EXPECT_TRUE(road.dialogs.empty());
        EXPECT_EQ(road.birthday, c.birthday);
        EXPECT_EQ(road.input, c.birthday);
        EXPECT_EQ(road.lunar, c.lunar);
        EXPECT_EQ(road.requests, std::vector<std::string>{c.request});
        EXPECT_NE(road.document.find(std::string("nongli=") + c.lunar + "\r\n"), std::string::npos);
    }
}

TEST(LunarDateOnTheForm, ALunarBirthdayMakesTheSameCardAsItsGregorianDate) {
    const Road gregorian = pressGetBirthday("1991年1月2日，1255", "");
    const Road lunar = pressGetBirthday("农历1990年十一月十七，1255", "");
    EXPECT_EQ(lunar.document, gregorian.document);
    EXPECT_NE(gregorian.document.find("srday=1991.1.2,1255\r\nnongli=庚午马年十一月十七\r\ntimezone=5\r\n"),
              std::string::npos);
}

TEST(LunarDateOnTheForm, AnotherTextTheUserWroteIsReplacedOnlyWhenTheUserSaysYes) {
    const char* const question =
        "农历一栏已有“十一月十七”，而1991年1月2日是农历“庚午马年十一月十七”。\r\n要替换为“庚午马年十一月十七”吗？";
    const struct {
        const char* input;
        ui::Answer answer;
        const char* lunar;
    } cases[] = {
        {"1991.1.2,1255", ui::Answer::Yes, "庚午马年十一月十七"},
        {"1991.1.2,1255", ui::Answer::No, "十一月十七"},
        {"农历1990年十一月十七，1255", ui::Answer::Yes, "庚午马年十一月十七"},
        {"农历1990年十一月十七，1255", ui::Answer::No, "十一月十七"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + (c.answer == ui::Answer::Yes ? " yes" : " no"));
        const Road road = pressGetBirthday(c.input, "十一月十七", c.answer);
        ASSERT_EQ(road.dialogs.size(), 1u);
        EXPECT_EQ(road.dialogs[0].kind, Kind::Question);
        EXPECT_EQ(road.dialogs[0].text, question);
        EXPECT_EQ(road.lunar, c.lunar);
        // Either way the rest of the road goes on.
        EXPECT_EQ(road.birthday, "1991.1.2,1255");
        EXPECT_EQ(road.requests, std::vector<std::string>{"$mvQelvo#1991.1.2,1255:5"});
    }
}

TEST(LunarDateOnTheForm, ALunarDateThatNamesNoDayChangesNothing) {
    const struct {
        const char* input;
        const char* message;
    } cases[] = {
        {"农历1990年闰十一月初一", "农历1990年没有闰十一月（这一年闰五月）！"},
        {"农历2024年腊月三十，1255", "农历2024年腊月只有二十九天，没有三十！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const Road road = pressGetBirthday(c.input, "十一月十七");
        ASSERT_EQ(road.dialogs.size(), 1u);
        EXPECT_EQ(road.dialogs[0].kind, Kind::Message);
        EXPECT_EQ(road.dialogs[0].text, c.message);
        EXPECT_EQ(road.birthday, "1980.1.1");
        EXPECT_EQ(road.input, c.input);
        EXPECT_EQ(road.lunar, "十一月十七");
        EXPECT_TRUE(road.requests.empty());
    }
}

TEST(LunarDateOnTheForm, NowFillsTodaysLunarDateWhichGetBirthdayThenKeeps) {
    FormHarness h;
    h.runCalculator("x|1Ari00");
    h.start();
    h.window.click(app::kIdNow);
    EXPECT_EQ(h.window.text(app::kIdInput), "2024-03-01,0930");
    EXPECT_EQ(h.window.text(app::kIdLunarDate), "甲辰龙年正月廿一");
    h.window.click(app::kIdGetBirthday);
    EXPECT_TRUE(h.window.dialogs().empty());
    EXPECT_EQ(h.window.text(app::kIdBirthday), "2024.3.1,0930");
    EXPECT_EQ(h.window.text(app::kIdLunarDate), "甲辰龙年正月廿一");

    // A text the user wrote is asked about here too.
    h.window.type(app::kIdLunarDate, "正月廿一");
    h.window.answerNext(ui::Answer::No);
    h.window.click(app::kIdNow);
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    EXPECT_EQ(h.window.dialogs()[0].kind, Kind::Question);
    EXPECT_EQ(h.window.text(app::kIdLunarDate), "正月廿一");
}

}  // namespace
}  // namespace apptest
