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
