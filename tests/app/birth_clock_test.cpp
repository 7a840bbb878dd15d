// "获得生日" where the clocks of the birth place showed another offset than the chosen zone: the question, both
// answers, the notes for moments the clocks skipped or showed twice and for offsets the list cannot hold, and the
// birthdays that raise nothing; for a place the area names, and for a place of the atlas, whose offset is computed
// with exactly.
#include <gtest/gtest.h>

#include <variant>

#include "app/birth_clock_question.h"
#include "form_harness.h"
#include "input/birthday_parser.h"
#include "input/clock_history.h"

namespace apptest {
namespace {

using Kind = ui::headless::DialogRecord::Kind;

struct Press {
    std::vector<std::string> requests;
    std::vector<ui::headless::DialogRecord> dialogs;
    std::string zone;
};

Press pressGetBirthday(const std::string& input, const std::string& area, ui::Answer answer) {
    FormHarness h;
    h.runCalculator("x|1Ari00");  // an answer the form can read
    h.start();
    h.window.answerNext(answer);
    h.window.type(app::kIdInput, input);
    h.window.type(app::kIdArea, area);
    h.window.click(app::kIdGetBirthday);
    return Press{h.requests, h.window.dialogs(), h.window.text(app::kIdTimeZone)};
}

TEST(BirthClock, SummerTimeInChinaIsAskedAboutAndYesComputesWithTheClocksOffset) {
    const Press yes = pressGetBirthday("1988年7月1日，0800", "中国北京", ui::Answer::Yes);
    ASSERT_EQ(yes.dialogs.size(), 1u);
    EXPECT_EQ(yes.dialogs[0].kind, Kind::Question);
    EXPECT_EQ(yes.dialogs[0].text,
              "1988年7月1日08:00在中国正值夏令时，当地时钟为UTC+9，而所选时区“东8区”（UTC+8）不同。\r\n"
              "要按当地时钟实际的UTC+9（“东9区”）计算吗？");
    EXPECT_EQ(yes.requests, std::vector<std::string>{"$mvQelvo#1988.7.1,0800:4"});
    EXPECT_EQ(yes.zone, "东9区");

    const Press no = pressGetBirthday("1988年7月1日，0800", "中国北京", ui::Answer::No);
    ASSERT_EQ(no.dialogs.size(), 1u);
    EXPECT_EQ(no.requests, std::vector<std::string>{"$mvQelvo#1988.7.1,0800:5"});
    EXPECT_EQ(no.zone, "东8区");
}

TEST(BirthClock, ATimeOfDayWrittenInWordsIsAskedAboutAndSent) {
    const Press words = pressGetBirthday("1988年7月1日8点", "中国北京", ui::Answer::No);
    ASSERT_EQ(words.dialogs.size(), 1u);
    EXPECT_EQ(words.dialogs[0].text.rfind("1988年7月1日08:00在中国正值夏令时", 0), 0u);
    EXPECT_EQ(words.requests, std::vector<std::string>{"$mvQelvo#1988.7.1,0800:5"});
}

TEST(BirthClock, WinterTimeBehindTheStandardTimeIsNotCalledSummerTime) {
    // Ireland's standard time is UTC+1 (the table's 东1区); in winter its clocks go back to UTC+0.
    const Press dublin = pressGetBirthday("1990年1月15日，1000", "爱尔兰都柏林", ui::Answer::Yes);
    ASSERT_EQ(dublin.dialogs.size(), 1u);
    EXPECT_EQ(dublin.dialogs[0].text.rfind("1990年1月15日10:00在爱尔兰正值冬令时，当地时钟为UTC+0，", 0), 0u);
    EXPECT_EQ(dublin.zone, "中时区");
}

TEST(BirthClock, NotesOrSilenceWhereNoOtherWholeHourApplies) {
    const struct {
        const char* input;
        const char* area;
        const char* request;
        const char* note;  // the start of the message box's text; nullptr: no box
    } cases[] = {
        {"1988.12.1,0800", "中国", "$mvQelvo#1988.12.1,0800:5", nullptr},     // winter: the clocks at UTC+8
        {"1988.7.1", "中国", "$mvQelvo#1988.7.1,1200:5", nullptr},            // no time of day
        {"1988.7.1,0800", "美国纽约", "$mvQelvo#1988.7.1,0800:18", nullptr},  // several civil times
        {"1988.7.1,0800", "南极洲", "$mvQelvo#1988.7.1,0800:5", nullptr},     // no place
        {"1988.4.17,0230", "中国", "$mvQelvo#1988.4.17,0230:5",
         "1988年4月17日02:30在中国并不存在：当地时钟在这时从UTC+8（标准时）拨快到UTC+9（夏令时）"},
        {"1988.9.11,0130", "中国", "$mvQelvo#1988.9.11,0130:5",
         "1988年9月11日01:30在中国出现了两次：当地时钟在这时从UTC+9（夏令时）拨回到UTC+8（标准时）"},
        {"1900.7.1,0800", "中国", "$mvQelvo#1900.7.1,0800:5",
         "1900年7月1日08:00在中国，当地时钟为UTC+8:05:43（地方平时），不是时区列表中的整点时区"},
        {"2000.7.1,0800", "印度", "$mvQelvo#2000.7.1,0800:8",
         "2000年7月1日08:00在印度，当地时钟为UTC+5:30（标准时），不是时区列表中的整点时区"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input + std::string(" ") + c.area);
        const Press press = pressGetBirthday(c.input, c.area, ui::Answer::Yes);
        EXPECT_EQ(press.requests, std::vector<std::string>{c.request});
        if (c.note == nullptr) {
            EXPECT_TRUE(press.dialogs.empty());
            continue;
        }
        ASSERT_EQ(press.dialogs.size(), 1u);
        EXPECT_EQ(press.dialogs[0].kind, Kind::Message);
        EXPECT_EQ(press.dialogs[0].text.rfind(c.note, 0), 0u) << press.dialogs[0].text;
        EXPECT_NE(press.dialogs[0].text.find("将按所选时区“"), std::string::npos);
    }
}

TEST(BirthClock, RegionsAndTheTableZoneOfBritain) {
    // 台湾 is no country of the table: the list takes 东8区, and Taiwan's clocks were at UTC+9 in the summer of 1979.
    const Press taiwan = pressGetBirthday("1979.7.15,2100", "台湾", ui::Answer::Yes);
    ASSERT_EQ(taiwan.dialogs.size(), 1u);
    EXPECT_EQ(taiwan.requests, std::vector<std::string>{"$mvQelvo#1979.7.15,2100:4"});
    // The table's zone of 英国 is its standard time, 中时区: its clocks in winter raise nothing.
    const Press london = pressGetBirthday("1990.1.15,1000", "英国伦敦", ui::Answer::Yes);
    EXPECT_TRUE(london.dialogs.empty());
    EXPECT_EQ(london.requests, std::vector<std::string>{"$mvQelvo#1990.1.15,1000:13"});
}

TEST(BirthClock, TheSavedCardKeepsTheOffsetUsed) {
    FormHarness h;
    h.runCalculator("x|1Ari00");  // an answer the form can read
    h.start();
    h.window.answerNext(ui::Answer::Yes);
    h.window.type(app::kIdInput, "1988.7.1,0800");
    h.window.type(app::kIdArea, "中国");
    h.window.click(app::kIdGetBirthday);
    h.window.click(app::kIdSave);
    EXPECT_NE(readBytes(h.document()).find("srday=1988.7.1,0800\r\nnongli=戊辰龙年五月十八\r\ntimezone=4\r\n"),
              std::string::npos);
}

TEST(BirthClock, EntryNamesAreTheListsOwn) {
    for (int index = 1; index <= 25; ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(input::timeZoneEntryName(index), app::kTimeZoneEntries[static_cast<std::size_t>(index)]);
    }
}

// A birth place of the atlas: its name, zone and longitude.
struct AtlasPlace {
    const char* name;
    const char* zone;
    double longitude;
};

constexpr AtlasPlace kNewYork{"纽约", "America/New_York", -74.006};
constexpr AtlasPlace kBeijing{"北京", "Asia/Shanghai", 116.3972};
constexpr AtlasPlace kChicago{"芝加哥", "America/Chicago", -87.65};
constexpr AtlasPlace kUrumqi{"乌鲁木齐", "Asia/Urumqi", 87.6005};
constexpr AtlasPlace kMumbai{"孟买", "Asia/Kolkata", 72.8826};
constexpr AtlasPlace kKathmandu{"加德满都", "Asia/Kathmandu", 85.3206};
constexpr AtlasPlace kShantou{"汕头", "Asia/Shanghai", 116.682};

TEST(BirthClockAtAPlace, AsksOrTellsAndGivesTheEntryAndTheExactOffset) {
    const struct {
        AtlasPlace place;
        const char* input;
        int zoneIndex;  // chosen, as the country table gives it
        ui::Answer answer;
        const char* dialog;  // the start of the question's or note's text; nullptr: none
        int selected;        // the entry to select
        int minutes;         // the offset to compute with
    } cases[] = {
        {kNewYork, "1975.7.15,1000", 18, ui::Answer::Yes,
         "1975年7月15日10:00在纽约正值夏令时，当地时钟为UTC-4，而所选时区“西5区”（UTC-5）不同。\r\n"
         "要按当地时钟实际的UTC-4（“西4区”）计算吗？",
         17, -240},
        {kNewYork, "1975.7.15,1000", 18, ui::Answer::No, "1975年7月15日10:00在纽约正值夏令时", 18, -300},
        {kNewYork, "1975.12.15,1000", 18, ui::Answer::Yes, nullptr, 18, -300},
        {kNewYork, "1975.7.15", 18, ui::Answer::Yes, nullptr, 18, -240},       // no time of day: the clocks at noon
        {kNewYork, "1975.7.15,1000", -1, ui::Answer::Yes, nullptr, -1, -240},  // no entry chosen
        {kNewYork, "1990.4.1,0230", 18, ui::Answer::Yes,
         "1990年4月1日02:30在纽约并不存在：当地时钟在这时从UTC-5（标准时）拨快到UTC-4（夏令时）", 18, -300},
        {kNewYork, "1990.10.28,0130", 18, ui::Answer::Yes,
         "1990年10月28日01:30在纽约出现了两次：当地时钟在这时从UTC-4（夏令时）拨回到UTC-5（标准时）", 18, -300},
        {kNewYork, "1850.1.1,1200", 18, ui::Answer::Yes,
         "1850年1月1日12:00在纽约，当地时钟为UTC-4:56:01（地方平时），不是时区列表中的整点时区。\r\n"
         "将按UTC-4:56计算，时区列表仍为所选的“西5区”（UTC-5）。",
         18, -296},
        {kBeijing, "1988.7.1,0800", 5, ui::Answer::Yes, "1988年7月1日08:00在北京正值夏令时，当地时钟为UTC+9", 4, 540},
        {kBeijing, "1988.7.1,0800", 5, ui::Answer::No, "1988年7月1日08:00在北京正值夏令时，当地时钟为UTC+9", 5, 480},
        {kChicago, "1975.7.15,1000", 18, ui::Answer::Yes, nullptr, 18, -300},
        {kChicago, "1990.1.15,1000", 18, ui::Answer::Yes, "1990年1月15日10:00在芝加哥，当地时钟为UTC-6（标准时）", 19,
         -360},
        // Xinjiang's clocks as the database keeps them, UTC+6, beside China's official UTC+8 of the chosen entry.
        {kUrumqi, "1990.7.15,1000", 5, ui::Answer::Yes, "1990年7月15日10:00在乌鲁木齐，当地时钟为UTC+6（标准时）", 7,
         360},
        {kUrumqi, "1990.7.15,1000", 5, ui::Answer::No, "1990年7月15日10:00在乌鲁木齐，当地时钟为UTC+6（标准时）", 5,
         480},
        {kMumbai, "1990.7.15,1000", 8, ui::Answer::Yes,
         "1990年7月15日10:00在孟买，当地时钟为UTC+5:30（标准时），不是时区列表中的整点时区。\r\n"
         "将按UTC+5:30计算，时区列表仍为所选的“东5区”（UTC+5）。",
         8, 330},
        {kKathmandu, "1990.7.15,1000", 7, ui::Answer::Yes,
         "1990年7月15日10:00在加德满都，当地时钟为UTC+5:45（标准时），不是时区列表中的整点时区。\r\n"
         "将按UTC+5:45计算，时区列表仍为所选的“东6区”（UTC+6）。",
         7, 345},
        {kShantou, "1900.6.1,0800", 5, ui::Answer::Yes,
         "1900年6月1日08:00在汕头，当地时钟为UTC+7:46:44（地方平时），不是时区列表中的整点时区。\r\n"
         "将按UTC+7:47计算，时区列表仍为所选的“东8区”（UTC+8）。",
         5, 467},
        {kShantou, "1901.6.1,0800", 5, ui::Answer::Yes, nullptr, 5, 480},
        // A whole hour beyond the list.
        {{"基里蒂马蒂", "Pacific/Kiritimati", -157.4},
         "2000.7.15,1000",
         1,
         ui::Answer::Yes,
         "2000年7月15日10:00在基里蒂马蒂，当地时钟为UTC+14（标准时），不是时区列表中的整点时区。\r\n"
         "将按UTC+14计算，时区列表仍为所选的“东12区”（UTC+12）。",
         1,
         840},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.place.name << " " << c.input << " "
                                        << (c.answer == ui::Answer::Yes ? "yes" : "no"));
        const auto place = input::clockPlaceAt(c.place.name, c.place.zone, c.place.longitude);
        ASSERT_TRUE(place);
        const auto parsed = input::parseBirthday(c.input);
        ASSERT_TRUE(std::holds_alternative<input::BirthdayResult>(parsed));
        ui::headless::HeadlessWindow window{app::mainFormLayout()};
        window.answerNext(c.answer);
        const app::BirthClockChoice choice =
            app::settleBirthClock(window, *place, std::get<input::BirthdayResult>(parsed), c.zoneIndex);
        EXPECT_EQ(choice.zoneIndex, c.selected);
        EXPECT_EQ(choice.offsetMinutes(), c.minutes);
        if (c.dialog == nullptr) {
            EXPECT_TRUE(window.dialogs().empty());
            continue;
        }
        ASSERT_EQ(window.dialogs().size(), 1u);
        const std::string& text = window.dialogs()[0].text;
        EXPECT_EQ(text.rfind(c.dialog, 0), 0u) << text;
        // Only another whole hour of the list is asked about.
        EXPECT_EQ(window.dialogs()[0].kind,
                  c.selected != c.zoneIndex || c.answer == ui::Answer::No ? Kind::Question : Kind::Message);
    }
}

TEST(BirthClockAtAPlace, RoundsTheOffsetToTheNearestMinute) {
    const struct {
        std::int32_t seconds;
        int minutes;
    } cases[] = {{28004, 467}, {28800, 480}, {-17761, -296}, {29, 0}, {30, 1},      {-29, 0},
                 {-30, -1},    {-89, -1},    {-90, -2},      {0, 0},  {50400, 840}, {-57364, -956}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ((app::BirthClockChoice{0, c.seconds}.offsetMinutes()), c.minutes);
    }
}

}  // namespace
}  // namespace apptest
