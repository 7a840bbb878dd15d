// The desk behind the calculator's window: what it delivers, to whom, and what the window shows afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ephemeris/request_desk.h"

namespace corvina {
namespace {

struct Sent {
    std::string windowClass;
    std::string answer;
};

// A desk whose deliveries are recorded and end as `outcome` says.
struct DeskUnderTest {
    std::vector<Sent> sent;
    Delivery outcome = Delivery::Sent;
    RequestDesk desk{[this](const std::string& windowClass, const std::string& answer) {
        sent.push_back({windowClass, answer});
        return outcome;
    }};
};

constexpr char kAnswer[] =
    "1991.1.2,1255:5|11Cap16|1Leo14|23Sag53|26Cap13|27Tau45|11Leo51|25Cap48|9Cap48|14Cap09|19Sco37";

TEST(RequestDesk, AnswersTheWindowNamedInTheRequestAndShowsWhatItComputed) {
    DeskUnderTest t;
    EXPECT_TRUE(t.desk.take("$mvQelvo#1991.1.2,1255:5"));
    ASSERT_EQ(t.sent.size(), 1u);
    EXPECT_EQ(t.sent[0].windowClass, "mvQelvo");
    EXPECT_EQ(t.sent[0].answer, std::string(kAnswer, sizeof kAnswer));  // the NUL travels with the answer
    const DeskView& view = t.desk.view();
    EXPECT_EQ(view.request, "$mvQelvo#1991.1.2,1255:5");
    EXPECT_EQ(view.moment, "1991年1月2日 12:55，东8区（UTC+8），格里历");
    EXPECT_EQ(view.planets[0].name, "太阳");
    EXPECT_EQ(view.planets[0].sign, "摩羯");
    EXPECT_EQ(view.planets[0].position, "11°16′");
    EXPECT_EQ(view.planets[9].name, "冥王星");
    EXPECT_EQ(view.planets[9].sign, "天蝎");
    EXPECT_EQ(view.planets[9].position, "19°37′");
    EXPECT_EQ(view.problem, "");
    EXPECT_EQ(view.answersSent, 1);
}

TEST(RequestDesk, MalformedRequestsAreNeverAnswered) {
    const struct {
        std::string bytes;
        const char* shown;
    } cases[] = {
        {"", ""},
        {"mvQelvo#1991.1.2,1255:5", "mvQelvo#1991.1.2,1255:5"},
        {"$mvQelvo1991.1.2,1255:5", "$mvQelvo1991.1.2,1255:5"},
        {"$mvQelvo#1991.1.2,1255", "$mvQelvo#1991.1.2,1255"},
        {"$" + std::string(90, 'C') + "#1991.1.2,1255:5", nullptr},
        {"$mvQelvo#19x1.1.2,1255:5", "$mvQelvo#19x1.1.2,1255:5"},
        {std::string("$mv\x01\xC7\xE0#1991.1.2,1255:5"), "$mv???#1991.1.2,1255:5"},
    };
    DeskUnderTest t;
    t.desk.take("$mvQelvo#1991.1.2,1255:5");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        t.sent.clear();
        EXPECT_FALSE(t.desk.take(c.bytes));
        EXPECT_TRUE(t.sent.empty());
        const DeskView& view = t.desk.view();
        if (c.shown != nullptr) {
            EXPECT_EQ(view.request, c.shown);
        }
        EXPECT_EQ(view.problem.rfind("请求无法读取，未应答：", 0), 0u) << view.problem;
        EXPECT_EQ(view.moment, "");
        EXPECT_EQ(view.planets[0].position, "");  // the last answer's positions are not shown as this one's
        EXPECT_EQ(view.answersSent, 1);
    }
    const std::string huge(100000, 'x');
    t.desk.take(huge);
    EXPECT_EQ(t.desk.view().request, std::string(120, 'x') + "...");
}

TEST(RequestDesk, RequestsThatReadButHaveNoAnswerSayWhy) {
    const struct {
        const char* request;
        const char* reason;
    } cases[] = {
        {"$mvQelvo#1991.2.30,1255:5", "该月没有这一天"},
        {"$mvQelvo#1582.10.10,1200:5", "1582年10月5日至14日"},
        {"$mvQelvo#9000.1.1,1200:5", "星历"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        DeskUnderTest t;
        EXPECT_FALSE(t.desk.take(c.request));
        EXPECT_TRUE(t.sent.empty());
        EXPECT_EQ(t.desk.view().problem.rfind("未应答：", 0), 0u);
        EXPECT_NE(t.desk.view().problem.find(c.reason), std::string::npos) << t.desk.view().problem;
    }
}

TEST(RequestDesk, AWindowThatIsGoneOrDoesNotTakeTheAnswerIsReported) {
    const struct {
        Delivery outcome;
        const char* problem;
    } cases[] = {
        {Delivery::NoWindow, "找不到类名为 mvQelvo 的窗口，应答未送出"},
        {Delivery::Failed, "mvQelvo 窗口没有收下应答（已关闭或无响应）"},
    };
    for (const auto& c : cases) {
        DeskUnderTest t;
        t.outcome = c.outcome;
        EXPECT_FALSE(t.desk.take("$mvQelvo#1991.1.2,1255:5"));
        EXPECT_EQ(t.sent.size(), 1u);
        EXPECT_EQ(t.desk.view().problem, c.problem);
        EXPECT_EQ(t.desk.view().planets[0].position, "11°16′");  // computed, only not delivered
        EXPECT_EQ(t.desk.view().answersSent, 0);
    }
}

TEST(RequestDesk, AZoneOutsideTheListIsTakenAsEast8AndSaidSo) {
    DeskUnderTest t;
    EXPECT_TRUE(t.desk.take("$mvQelvo#1991.1.2,1255:-1"));
    ASSERT_EQ(t.sent.size(), 1u);
    EXPECT_EQ(t.sent[0].answer.substr(0, 16), "1991.1.2,1255:5|");
    EXPECT_EQ(t.desk.view().problem, "时区序号 -1 不在 1..25 之内，按东8区计算");
    t.desk.take("$mvQelvo#1991.1.2,1255:13");
    EXPECT_EQ(t.desk.view().problem, "");
    EXPECT_EQ(t.desk.view().moment, "1991年1月2日 12:55，中时区（UTC+0），格里历");
    t.desk.take("$mvQelvo#-43.3.15,1100:25");
    EXPECT_EQ(t.desk.view().moment, "公元前44年3月15日 11:00，西12区（UTC-12），儒略历");
}

// The window system may hand the calculator a second request while it waits for its answer to be taken: that one
// is answered after the first, not in the middle of it.
TEST(RequestDesk, ARequestArrivingDuringADeliveryWaitsItsTurn) {
    std::vector<std::string> order;
    RequestDesk* self = nullptr;
    RequestDesk desk([&](const std::string&, const std::string& answer) {
        order.push_back(answer.substr(0, answer.find('|')));
        if (order.size() == 1)
            self->take("$mvQelvo#2000.1.1,1200:13");
        return Delivery::Sent;
    });
    self = &desk;
    EXPECT_TRUE(desk.take("$mvQelvo#1991.1.2,1255:5"));
    EXPECT_EQ(order, (std::vector<std::string>{"1991.1.2,1255:5", "2000.1.1,1200:13"}));
    EXPECT_EQ(desk.view().request, "$mvQelvo#2000.1.1,1200:13");
    EXPECT_EQ(desk.view().answersSent, 2);
}

// With a place the answer carries the houses, checked against the ephemeris' own tool: swetest -b2.1.1991
// -ut4:55 -house116.682,23.354,P (and 69.5 degrees north, where Placidus fails and whole signs are given).
TEST(RequestDesk, ARequestWithAPlaceIsAnsweredAndShownWithItsHouses) {
    const struct {
        const char* request;
        const char* houses;  // the answer's items after the planets
        const char* moment;
        const char* place;
        const char* system;
        const char* ascendant;  // sign and position
        const char* midheaven;
    } cases[] = {
        {"$mvQelvo#1991.1.2,1255:5@23.3540,116.6820,+480",
         "|P|28Ari35|20Cap07|28Ari35|0Gem01|25Gem44|20Can07|16Leo59|19Vir46|28Lib35|0Sag01|25Sag44|20Cap07|16Aqu59|"
         "19Pis46",
         "1991年1月2日 12:55，UTC+8:00，格里历", "北纬23.3540° 东经116.6820°", "普拉西德制", "白羊 28°35′",
         "摩羯 20°07′"},
        // The same moment from a zone that the form could not name, told by the offset alone.
        {"$mvQelvo#1991.1.2,1040:-1@69.5000,116.6820,+345",
         "|W|29Cap44|20Cap07|0Cap00|0Aqu00|0Pis00|0Ari00|0Tau00|0Gem00|0Can00|0Leo00|0Vir00|0Lib00|0Sco00|0Sag00",
         "1991年1月2日 10:40，UTC+5:45，格里历", "北纬69.5000° 东经116.6820°", "整宫制（极圈内）", "摩羯 29°44′",
         "摩羯 20°07′"},
        {"$mvQelvo#1991.1.2,0125:16@-23.354,-116.682,-210", nullptr, "1991年1月2日 01:25，UTC-3:30，格里历",
         "南纬23.3540° 西经116.6820°", "普拉西德制", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        DeskUnderTest t;
        EXPECT_TRUE(t.desk.take(c.request));
        ASSERT_EQ(t.sent.size(), 1u);
        // The same moment in universal time each time: the planets of kAnswer after item 0.
        const std::string answer = t.sent[0].answer.substr(t.sent[0].answer.find('|'));
        const std::string planets = std::string(kAnswer).substr(std::string(kAnswer).find('|'));
        EXPECT_EQ(answer.substr(0, planets.size()), planets);
        if (c.houses != nullptr) {
            EXPECT_EQ(answer, planets + c.houses + '\0');
        }
        const DeskView& view = t.desk.view();
        EXPECT_EQ(view.moment, c.moment);
        EXPECT_EQ(view.place, c.place);
        EXPECT_EQ(view.houseSystem, c.system);
        EXPECT_EQ(view.angles[0].name, "上升");
        EXPECT_EQ(view.angles[1].name, "天顶");
        if (c.ascendant != nullptr) {
            EXPECT_EQ(view.angles[0].sign + " " + view.angles[0].position, c.ascendant);
            EXPECT_EQ(view.angles[1].sign + " " + view.angles[1].position, c.midheaven);
        }
        EXPECT_EQ(view.planets[0].position, "11°16′");
        EXPECT_EQ(view.problem, "");  // an unknown zone is no problem when the offset is given
    }
}

TEST(RequestDesk, ARequestWithoutAPlaceShowsNoHousesAfterOneWithThem) {
    DeskUnderTest t;
    t.desk.take("$mvQelvo#1991.1.2,1255:5@23.3540,116.6820,+480");
    const struct {
        const char* request;
        const char* problem;
    } cases[] = {
        {"$mvQelvo#1991.1.2,1255:5", ""},
        {"$mvQelvo#1991.1.2,1255:5@91,0,0", "请求无法读取，未应答：纬度不在 -90..90 之内"},
        {"$mvQelvo#9000.1.1,1200:5@23.3540,116.6820,+480", "未应答：日期超出星历的范围"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        t.desk.take(c.request);
        const DeskView& view = t.desk.view();
        EXPECT_EQ(view.houseSystem, "");
        EXPECT_EQ(view.angles[0].name, "");
        EXPECT_EQ(view.angles[1].position, "");
        EXPECT_EQ(view.problem.rfind(c.problem, 0), 0u) << view.problem;
        t.desk.take("$mvQelvo#1991.1.2,1255:5@23.3540,116.6820,+480");
        EXPECT_EQ(t.desk.view().houseSystem, "普拉西德制");
    }
    EXPECT_EQ(t.sent.size(), 5u);
    t.desk.take("$mvQelvo#1991.1.2,1255:5");
    EXPECT_EQ(t.desk.view().place, "");
    EXPECT_EQ(t.sent.back().answer, std::string(kAnswer, sizeof kAnswer));
}

TEST(RequestDesk, ZoneNamesFollowTheCardIndexList) {
    EXPECT_EQ(zoneName(1), "东12区");
    EXPECT_EQ(zoneName(5), "东8区");
    EXPECT_EQ(zoneName(13), "中时区");
    EXPECT_EQ(zoneName(25), "西12区");
    EXPECT_EQ(zoneName(0), "");
    EXPECT_EQ(zoneName(26), "");
}

}  // namespace
}  // namespace corvina
