#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "form_harness.h"
#include "store/person_document.h"
#include "util/format.h"

namespace apptest {
namespace {

using ui::headless::DialogRecord;

// The answer that gives the planets of the worked example: 摩羯 11.87, 巨蟹 3.50, ...
constexpr const char* kExampleAnswer = "x|11Cap87|3Can50|25Cap02|2Aqu40|18Pis66|7Leo13|28Cap90|9Cap71|15Cap22|20Sco35";

constexpr const char* kExampleFile =
    "[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=2\r\n"
    "[ql_1]\r\nuInd=10001\r\nnick=李四\r\ntype=0\r\nsrday=\r\nnongli=\r\ntimezone=0\r\narea=\r\nxxw=\r\ncxw=\r\n"
    "hxw=\r\ngxw=\r\nlxw=\r\nmxw=\r\nrydu=\r\nmemo=\r\nsun=0\r\nsunval=0.00\r\nmoon=0\r\nmoonval=0.00\r\nmercury=0\r\n"
    "mercuryval=0.00\r\nvenus=0\r\nvenusval=0.00\r\nmars=0\r\nmarsval=0.00\r\njupiter=0\r\njupiterval=0.00\r\n"
    "saturn=0\r\nsaturnval=0.00\r\nuranus=0\r\nuranusval=0.00\r\nneptune=0\r\nneptuneval=0.00\r\npluto=0\r\n"
    "plutoval=0.00\r\nnotetime=2024-03-01 09:30:15\r\n"
    "[ql_2]\r\nuInd=10002\r\nnick=张三\r\ntype=2\r\nsrday=1991.1.2,1255\r\nnongli=十一月十七\r\ntimezone=5\r\n"
    "area=中国\r\nxxw=\r\ncxw= ( 月~天 ) , ( 金~木 ) \r\nhxw=日天,日海,水土, ( 天~海 ) \r\ngxw=火冥\r\n"
    "lxw= ( 日~火 ) , ( 水~火 ) , ( 水~冥 ) ,火海, ( 海~冥 ) \r\nmxw= ( 日~木 ) ,月金,木天\r\nrydu=171.63\r\n"
    "memo=大学同学|住在北京\r\nsun=10\r\nsunval=11.87\r\nmoon=4\r\nmoonval=3.50\r\nmercury=10\r\nmercuryval=25.02\r\n"
    "venus=11\r\nvenusval=2.40\r\nmars=12\r\nmarsval=18.66\r\njupiter=5\r\njupiterval=7.13\r\nsaturn=10\r\n"
    "saturnval=28.90\r\nuranus=10\r\nuranusval=9.71\r\nneptune=10\r\nneptuneval=15.22\r\npluto=8\r\n"
    "plutoval=20.35\r\nnotetime=2024-03-01 09:30:15\r\n";

TEST(TypicalRoad, BirthdayCalculatorAndSaveAsAUserWould) {
    FormHarness h;
    h.runCalculator(kExampleAnswer);
    h.start();
    h.window.type(app::kIdInput, "1991年1月2日，1255");
    h.window.type(app::kIdArea, "中国");
    h.window.click(app::kIdGetBirthday);

    ASSERT_EQ(h.requests, std::vector<std::string>{"$mvQelvo#1991.1.2,1255:5"});
    EXPECT_EQ(h.window.text(app::kIdBirthday), "1991.1.2,1255");
    EXPECT_EQ(h.window.text(app::kIdInput), "1991.1.2,1255");
    EXPECT_EQ(h.window.text(app::kIdTimeZone), "东8区");
    const int signs[] = {10, 4, 10, 11, 12, 5, 10, 10, 10, 8};
    const char* degrees[] = {"11.87", "3.5", "25.02", "2.4", "18.66", "7.13", "28.9", "9.71", "15.22", "20.35"};
    const char* marks[] = {"", "庙", "", "", "", "", "庙", "", "", "庙"};
    for (int p = 0; p < store::kPlanetCount; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(h.window.selection(signList(p)), signs[p]);
        EXPECT_EQ(h.window.text(degreeEdit(p)), degrees[p]);
        EXPECT_EQ(h.window.text(markField(p)), marks[p]);
    }
    EXPECT_EQ(h.window.text(app::kIdSunMoon), "171.63");
    EXPECT_EQ(h.window.text(app::kIdTrine), "火冥");

    h.window.click(app::kIdSave);
    EXPECT_TRUE(h.window.dialogs().empty());
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 1);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0),
              (std::vector<std::string>{"10001", "", "1991.1.2,1255", "庚午马年十一月十七", "摩", "巨", "摩", "瓶",
                                        "鱼", "狮", "摩", "摩", "摩", "蝎"}));
    const std::string file = readBytes(h.document());
    EXPECT_NE(file.find("newcode=10002\r\nuLastInd=1\r\n"), std::string::npos);
    EXPECT_NE(file.find("[ql_1]\r\nuInd=10001\r\n"), std::string::npos);
}

TEST(TypicalRoad, WorkedExampleOfThePersonDocumentByteForByte) {
    FormHarness h;
    h.runCalculator(kExampleAnswer);
    h.start();
    h.window.type(app::kIdName, "李四");
    h.window.pressEnter();  // Enter in a single-line field saves
    h.window.click(app::kIdNew);
    EXPECT_EQ(h.window.text(app::kIdCode), "10002");
    h.window.type(app::kIdName, "张三");
    h.window.choose(app::kIdCategory, 2);
    h.window.type(app::kIdLunarDate, "十一月十七");
    h.window.type(app::kIdArea, "中国");
    h.window.type(app::kIdMemo, "大学同学");
    h.window.pressEnter();  // a new line in the memo, not a save
    h.window.type(app::kIdMemo, h.window.text(app::kIdMemo) + "住在北京");
    h.window.type(app::kIdInput, "1991年1月2日，1255");
    h.window.click(app::kIdGetBirthday);  // asks before it replaces the lunar date typed; the script answers No
    h.window.click(app::kIdSave);
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    EXPECT_EQ(h.window.dialogs()[0].kind, ui::headless::DialogRecord::Kind::Question);
    EXPECT_EQ(readBytes(h.document()), kExampleFile);
}

TEST(TypicalRoad, WithoutACalculatorTheBirthdayAndZoneStillChange) {
    FormHarness h;
    h.start();
    h.window.type(app::kIdInput, "1991.1.2");
    h.window.type(app::kIdArea, "南极洲");
    h.window.click(app::kIdGetBirthday);
    EXPECT_TRUE(h.window.dialogs().empty());
    EXPECT_EQ(h.window.text(app::kIdBirthday), "1991.1.2");
    EXPECT_EQ(h.window.selection(app::kIdTimeZone), 5);
}

TEST(TypicalRoad, ACalculatorThatCouldNotBeReachedIsReportedAndThePlanetsStay) {
    const struct {
        const char* name;
        const char* reason;  // what the transport says when no window takes the request; nullptr: a window refuses
        const char* shown;   // the message, nullptr for none
    } cases[] = {
        {"none could be started", "计算程序没有运行，也找不到它来启动", "计算程序没有运行，也找不到它来启动"},
        {"the transport knows no reason", "", nullptr},
        {"a calculator refuses the request", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormHarness h;
        if (c.reason != nullptr)
            h.transport.setMissingWindowReason(c.reason);
        else
            h.transport.addWindow("Corvina", [](std::string_view) { return std::intptr_t{0}; });
        h.start();
        h.window.choose(signList(0), 3);
        h.window.type(degreeEdit(0), "12.5");
        const std::string sunMark = h.window.text(markField(0));
        const std::string saved = readBytes(h.document());
        h.window.type(app::kIdInput, "1991.1.2");
        h.window.click(app::kIdGetBirthday);
        if (c.shown != nullptr) {
            ASSERT_EQ(h.window.dialogs().size(), 1u);
            EXPECT_EQ(h.window.dialogs()[0].text, c.shown);
            EXPECT_EQ(h.window.dialogs()[0].caption, "提示");
        } else {
            EXPECT_TRUE(h.window.dialogs().empty());
        }
        EXPECT_EQ(h.window.text(app::kIdBirthday), "1991.1.2");
        EXPECT_EQ(h.window.selection(signList(0)), 3);
        EXPECT_EQ(h.window.text(degreeEdit(0)), "12.5");
        EXPECT_EQ(h.window.text(markField(0)), sunMark);
        EXPECT_EQ(readBytes(h.document()), saved);
    }
}

TEST(Birthday, ParserErrorsAreShownAndChangeNothing) {
    FormHarness h;
    h.runCalculator("x");
    h.start();
    h.window.type(app::kIdInput, "1991.2.29");
    h.window.click(app::kIdGetBirthday);
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    EXPECT_EQ(h.window.dialogs()[0].text, "年月日数值有误！");
    EXPECT_EQ(h.window.text(app::kIdBirthday), "");
    EXPECT_TRUE(h.requests.empty());
}

TEST(Birthday, NowFillsTheInputWithTheClocksLocalTime) {
    FormHarness h;
    h.start();
    h.window.click(app::kIdNow);
    EXPECT_EQ(h.window.text(app::kIdInput), "2024-03-01,0930");
    h.window.click(app::kIdGetBirthday);
    EXPECT_EQ(h.window.text(app::kIdBirthday), "2024.3.1,0930");
}

TEST(DataExchange, RefusedNumbersPromptAndKeepTheFocusInTheField) {
    const struct {
        int field;
        const char* typed;
        const char* prompt;  // nullptr: accepted
    } cases[] = {
        {app::kIdCode, "12abc", "请输入一个整数。"},
        {app::kIdCode, "", "请输入一个整数。"},
        {app::kIdCode, "1.5", "请输入一个整数。"},
        {app::kIdCode, "99999999999", "请输入一个整数。"},
        {app::kIdCode, " 10005 ", nullptr},
        {1013, "", "请输入一个数。"},
        {1013, "12,5", "请输入一个数。"},
        {1013, "0x10", "请输入一个数。"},
        {1013, "inf", "请输入一个数。"},
        {1013, ".", "请输入一个数。"},
        {1013, "\t-1.5e1 ", nullptr},
        {1013, "7.", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        FormHarness h;
        h.start();
        h.window.type(c.field, c.typed);
        h.window.type(app::kIdName, "after");
        h.window.click(app::kIdAspects);
        if (c.prompt == nullptr) {
            EXPECT_TRUE(h.window.dialogs().empty());
            EXPECT_EQ(h.form.values().name, "after");
            continue;
        }
        ASSERT_EQ(h.window.dialogs().size(), 1u);
        EXPECT_EQ(h.window.dialogs()[0].text, c.prompt);
        EXPECT_EQ(h.window.focus(), c.field);
        // The exchange stopped: the name typed later was not taken, and the refresh shows the held values.
        EXPECT_EQ(h.form.values().name, "");
        EXPECT_EQ(h.window.text(app::kIdName), "");
        EXPECT_EQ(h.window.text(c.field), c.field == app::kIdCode ? "10001" : "0");
    }
}

TEST(DataExchange, DegreesShowWithUpToSixSignificantDigits) {
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"12.50", "12.5"}, {"23.456789", "23.4568"}, {" 0 ", "0"}, {"-3", "-3"}, {"29.999999", "30"}};
    FormHarness h;
    h.start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        h.window.type(1002, c.typed);
        h.window.click(app::kIdAspects);
        EXPECT_EQ(h.window.text(1002), c.shown);
    }
}

TEST(Events, ChoosingASignRecomputesAspectsAndOnlyThatPlanetsMark) {
    FormHarness h;
    h.start();
    h.window.type(degreeEdit(0), "10");
    h.window.type(degreeEdit(2), "12");
    h.window.choose(signList(0), 1);  // sun in 白羊
    EXPECT_EQ(h.window.text(markField(0)), "旺");
    h.window.setText(markField(1), "x");
    h.window.choose(signList(2), 6);  // mercury in 处女
    EXPECT_EQ(h.window.text(markField(2)), "庙");
    EXPECT_EQ(h.window.text(markField(1)), "x");
    EXPECT_EQ(h.window.text(app::kIdPlumBlossom), "日水");
    h.window.choose(signList(2), 0);
    EXPECT_EQ(h.window.text(markField(2)), "");
    EXPECT_EQ(h.window.text(app::kIdPlumBlossom), "");
    // Choosing a category or zone computes nothing.
    h.window.setText(app::kIdSquare, "kept");
    h.window.choose(app::kIdTimeZone, 3);
    EXPECT_EQ(h.window.text(app::kIdSquare), "kept");
}

// The positions the chart window was last given, as (sign, degree) per planet.
std::vector<std::pair<int, float>> chartPositions(const FormHarness& h) {
    std::vector<std::pair<int, float>> positions;
    for (const chart::PlanetPosition& p : h.window.chart().planets)
        positions.emplace_back(p.sign, p.degree);
    return positions;
}

TEST(ChartWindow, OpensOnItsButtonAndFollowsEveryRecomputeUntilClosed) {
    FormHarness h;
    writeBytes(h.document(), kExampleFile);
    h.start();
    h.window.type(degreeEdit(0), "10");
    h.window.choose(signList(0), 1);
    EXPECT_FALSE(h.window.chartOpen());  // nothing opens by itself
    EXPECT_EQ(h.window.chartDraws(), 0);

    h.window.type(degreeEdit(1), "12.5");  // typed, not yet recomputed: the button takes it
    h.window.click(app::kIdChart);
    ASSERT_TRUE(h.window.chartOpen());
    auto expected = std::vector<std::pair<int, float>>(10, {0, 0.f});
    expected[0] = {1, 10.f};
    expected[1] = {0, 12.5f};
    EXPECT_EQ(chartPositions(h), expected);
    EXPECT_EQ(h.window.chart().title, "10003 ");

    const struct {
        const char* step;
        std::function<void()> act;
    } steps[] = {
        {"a sign chosen", [&] { h.window.choose(signList(1), 7); }},
        {"aspects pressed", [&] { h.window.click(app::kIdAspects); }},
        {"a calculator answer", [&] { h.window.deliverCopyData(kExampleAnswer); }},
        {"a person shown", [&] { h.window.clickRow(app::kIdPersonList, 0); }},
        {"a new person", [&] { h.window.click(app::kIdNew); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        const int before = h.window.chartDraws();
        step.act();
        EXPECT_GT(h.window.chartDraws(), before);
        // The chart shows what the form shows now.
        for (int p = 0; p < 10; ++p) {
            SCOPED_TRACE(p);
            EXPECT_EQ(h.window.chart().planets[static_cast<std::size_t>(p)].sign, h.window.selection(signList(p)));
            EXPECT_EQ(h.window.chart().planets[static_cast<std::size_t>(p)].degree,
                      h.form.values().degrees[static_cast<std::size_t>(p)]);
        }
    }

    h.window.clickRow(app::kIdPersonList, 0);
    EXPECT_EQ(h.window.chart().title, "10002 张三");
    EXPECT_EQ(h.window.chart().planets[0].sign, 10);
    EXPECT_EQ(h.window.chart().planets[0].degree, 11.87f);

    // Closed by the user, it stays closed until the button is pressed again.
    h.window.closeChart();
    const int draws = h.window.chartDraws();
    h.window.choose(signList(2), 3);
    h.window.click(app::kIdAspects);
    EXPECT_FALSE(h.window.chartOpen());
    EXPECT_EQ(h.window.chartDraws(), draws);
    h.window.click(app::kIdChart);
    EXPECT_TRUE(h.window.chartOpen());
    EXPECT_EQ(h.window.chart().planets[2].sign, 3);
}

TEST(ChartWindow, ARefusedDegreeIsPromptedAndTheChartShowsTheHeldOne) {
    FormHarness h;
    h.start();
    h.window.type(degreeEdit(0), "10");
    h.window.choose(signList(0), 1);
    h.window.type(degreeEdit(0), "x");
    h.window.click(app::kIdChart);
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    EXPECT_EQ(h.window.dialogs()[0].text, app::kNumberPrompt);
    EXPECT_TRUE(h.window.chartOpen());
    EXPECT_EQ(h.window.chart().planets[0].degree, 10.f);
}

TEST(Events, EscapeAndExitCloseWithoutSaving) {
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape);
        FormHarness h;
        h.start();
        const std::string before = readBytes(h.document());
        h.window.type(app::kIdName, "张三");
        if (escape)
            h.window.pressEscape();
        else
            h.window.click(app::kIdExit);
        EXPECT_TRUE(h.window.closed());
        EXPECT_TRUE(h.window.dialogs().empty());
        EXPECT_EQ(readBytes(h.document()), before);
    }
}

TEST(Events, FileAssociationReportsWhatHappened) {
    const struct {
        int kind;  // 0 none on this platform, 1 succeeds, 2 fails
        const char* message;
    } cases[] = {{0, "这个系统上不能关联*.qelvo文件。"}, {1, "关联成功！"}, {2, "关联失败：无法写入文件类型的登记。"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        FormHarness h;
        if (c.kind != 0)
            h.form.setFileAssociation([&] { return std::string(c.kind == 1 ? "" : "无法写入文件类型的登记。"); });
        h.start();
        h.window.click(app::kIdAssociate);
        ASSERT_EQ(h.window.dialogs().size(), 1u);
        EXPECT_EQ(h.window.dialogs()[0].text, c.message);
    }
}

TEST(CalculatorAnswer, FillsPlanetsAsTheAnswerSays) {
    const struct {
        const char* answer;
        int sunSign;
        const char* sunDegree;
        int moonSign;
        const char* moonDegree;
    } cases[] = {
        {"x|15Ari23|3Tau05", 1, "15.23", 2, "3.05"},
        {"x|15Ari5", 1, "15.5", 0, "0"},
        {"x||3Tau05", 0, "0", 2, "3.05"},
        {"x|abc", 0, "0", 0, "0"},  // no planet can be read of it: nothing changes
        {"x|1Leo2Ari", 1, "1", 0, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        FormHarness h;
        h.start();
        h.transport.sendCopyData(app::kFormClassName, c.answer);
        EXPECT_EQ(h.window.selection(signList(0)), c.sunSign);
        EXPECT_EQ(h.window.text(degreeEdit(0)), c.sunDegree);
        EXPECT_EQ(h.window.selection(signList(1)), c.moonSign);
        EXPECT_EQ(h.window.text(degreeEdit(1)), c.moonDegree);
    }
}

TEST(CalculatorAnswer, AnAnswerThatCannotBeReadIsSaidAndChangesNothing) {
    const struct {
        std::string answer;
        const char* message;  // nullptr: the general message with the answer's length
    } answers[] = {
        {"x|abc", "计算器的应答无法读取：5 字节中没有任何行星的星座。行星没有改动。"},
        {"", "计算器的应答无法读取：0 字节中没有任何行星的星座。行星没有改动。"},
        {"1991.1.2,1255:5", nullptr},
        {"x||||||||||", nullptr},
        {std::string(1 << 20, '\x81') + "|x|y", nullptr},
    };
    for (const bool withinRequest : {true, false}) {
        for (const auto& a : answers) {
            SCOPED_TRACE(std::string(withinRequest ? "within the request: " : "on its own: ") + a.answer.substr(0, 20));
            FormHarness h;
            std::size_t dialogsDuringSend = 0;
            h.transport.addWindow("Corvina", [&](std::string_view) {
                h.transport.sendCopyData(app::kFormClassName, a.answer);
                dialogsDuringSend = h.window.dialogs().size();
                return std::intptr_t{1};
            });
            h.start();
            h.window.choose(signList(0), 3);
            h.window.type(degreeEdit(0), "12.5");
            h.window.click(app::kIdAspects);
            const std::string sunMark = h.window.text(markField(0));
            const std::string saved = readBytes(h.document());
            if (withinRequest) {
                h.window.type(app::kIdInput, "1991.1.2");
                h.window.click(app::kIdGetBirthday);
                EXPECT_EQ(dialogsDuringSend, 0u);  // the calculator is not kept waiting on a message box
            } else {
                h.transport.sendCopyData(app::kFormClassName, a.answer);
            }
            ASSERT_EQ(h.window.dialogs().size(), 1u);
            EXPECT_EQ(h.window.dialogs()[0].text,
                      a.message ? std::string(a.message)
                                : util::format("计算器的应答无法读取：%d 字节中没有任何行星的星座。行星没有改动。",
                                               static_cast<int>(a.answer.size())));
            EXPECT_EQ(h.window.selection(signList(0)), 3);
            EXPECT_EQ(h.window.text(degreeEdit(0)), "12.5");
            EXPECT_EQ(h.window.text(markField(0)), sunMark);
            EXPECT_EQ(readBytes(h.document()), saved);
        }
    }
}

TEST(CalculatorAnswer, ReadsOnlyTheBytesTheMessageCarries) {
    FormHarness h;
    h.start();
    // An answer without its NUL, in a buffer of exactly its size (the sanitizers catch a read beyond it), and one
    // whose carried length ends before the text does.
    const std::string answer = "x|15Ari23|3Tau05";
    auto exact = std::make_unique<char[]>(answer.size());
    std::copy(answer.begin(), answer.end(), exact.get());
    h.window.deliverCopyData(std::string_view(exact.get(), answer.size()));
    EXPECT_EQ(h.window.text(degreeEdit(1)), "3.05");
    h.window.deliverCopyData(std::string_view("x|20Gem11|4Leo99", 9));
    EXPECT_EQ(h.window.selection(signList(0)), 3);
    EXPECT_EQ(h.window.text(degreeEdit(0)), "20.11");
    EXPECT_EQ(h.window.selection(signList(1)), 2);  // the moon's item was beyond the carried bytes
}

}  // namespace
}  // namespace apptest
