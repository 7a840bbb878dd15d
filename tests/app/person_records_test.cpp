#include <gtest/gtest.h>

#include "form_harness.h"
#include "records/person_card.h"
#include "records/person_list.h"
#include "records/person_saver.h"
#include "store/person_document.h"

namespace apptest {
namespace {

using ui::headless::DialogRecord;

constexpr const char* kTwoPersons =
    "[base]\r\nver=1.0.6.18\r\nnewcode=10008\r\nuLastInd=7\r\n"
    "[ql_7]\r\nuInd=10007\r\nnick=王五\r\ntype=1\r\nsrday=1980.5.6\r\ntimezone=18\r\narea=美国\r\nmemo=一|二|三\r\n"
    "sun=1\r\nsunval=12.50\r\nmoon=99\r\nmoonval=abc\r\nhxw=日月\r\nnotetime=2001-01-01 00:00:00\r\n"
    "[ql_2]\r\nuInd=10002\r\nnick=张三\r\ntype=-1\r\n";

std::string sectionOf(const std::string& file, const std::string& head) {
    const auto begin = file.find(head);
    if (begin == std::string::npos)
        return {};
    const auto end = file.find("\r\n[", begin + 1);
    return file.substr(begin, end == std::string::npos ? std::string::npos : end + 2 - begin);
}

TEST(ShowingAPerson, TakesEveryValueFromTheRowsRecord) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    h.start();
    h.window.setText(markField(0), "陷");
    h.window.choose(signList(3), 2);  // the moon's list selection is changed before showing
    h.window.clickRow(app::kIdPersonList, 0);
    EXPECT_EQ(h.form.formMode(), app::FormMode::ShownPerson);
    EXPECT_EQ(h.window.text(app::kIdCode), "10007");
    EXPECT_EQ(h.window.text(app::kIdName), "王五");
    EXPECT_EQ(h.window.text(app::kIdInput), "1980.5.6");
    EXPECT_EQ(h.window.text(app::kIdMemo), "一\r\n二\r\n三");
    EXPECT_EQ(h.window.text(app::kIdCategory), "明星/名人");
    EXPECT_EQ(h.window.selection(app::kIdTimeZone), 18);
    EXPECT_EQ(h.window.selection(signList(0)), 1);
    EXPECT_EQ(h.window.text(degreeEdit(0)), "12.5");
    EXPECT_EQ(h.window.selection(signList(1)), -1);  // 99 is beyond the list
    EXPECT_EQ(h.window.text(degreeEdit(1)), "0");
    EXPECT_EQ(h.window.selection(signList(3)), 0);
    EXPECT_EQ(h.window.text(app::kIdConjunction), "日月");
    EXPECT_EQ(h.window.text(app::kIdSquare), "");
    EXPECT_EQ(h.window.text(app::kIdNoteTime), "2001-01-01 00:00:00");
    EXPECT_EQ(h.window.text(markField(0)), "陷");  // marks stay until recomputed

    // A negative stored position is no selection, not the previous card's choice.
    h.window.clickRow(app::kIdPersonList, 5);
    EXPECT_EQ(h.window.text(app::kIdName), "张三");
    EXPECT_EQ(h.window.selection(app::kIdCategory), -1);
}

TEST(ShowingAPerson, NoListKeepsThePreviousCardsChoiceIntoTheNextCard) {
    FormHarness h;
    writeBytes(h.document(),
               "[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=2\r\n"
               "[ql_2]\r\nuInd=10002\r\nnick=甲\r\ntype=2\r\ntimezone=5\r\nsun=3\r\n"
               "[ql_1]\r\nuInd=10001\r\nnick=乙\r\ntype=-1\r\ntimezone=-3\r\nsun=-7\r\n");
    h.start();
    h.window.clickRow(app::kIdPersonList, 0);
    h.window.clickRow(app::kIdPersonList, 1);
    h.window.click(app::kIdSave);
    const std::string section = sectionOf(readBytes(h.document()), "[ql_1]");
    for (const char* line : {"\r\ntype=-1\r\n", "\r\ntimezone=-1\r\n", "\r\nsun=-1\r\n"})
        EXPECT_NE(section.find(line), std::string::npos) << line << section;
}

TEST(ShowingAPerson, OnlyAMouseClickOnARowShowsSomebody) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    h.start();
    h.window.keyToRow(app::kIdPersonList, 0);
    EXPECT_EQ(h.window.text(app::kIdName), "");
    h.window.clickRow(app::kIdPersonList, -1);  // below the last row
    EXPECT_EQ(h.window.text(app::kIdName), "");
    EXPECT_EQ(h.form.formMode(), app::FormMode::NewPerson);
}

TEST(NewPerson, EmptiesTheCardWithTheNextCodeAndWritesNothing) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    h.start();
    h.window.clickRow(app::kIdPersonList, 0);
    h.window.click(app::kIdAspects);
    const std::string mark = h.window.text(markField(0));
    EXPECT_EQ(mark, "旺");
    h.clock.set(exampleMoment() + 65);
    h.window.click(app::kIdNew);
    EXPECT_EQ(h.form.formMode(), app::FormMode::NewPerson);
    EXPECT_EQ(h.window.text(app::kIdCode), "10008");
    for (int id : {app::kIdName, app::kIdBirthday, app::kIdMemo, app::kIdArea, app::kIdInput, app::kIdConjunction,
                   app::kIdSunMoon})
        EXPECT_EQ(h.window.text(id), "") << id;
    for (int p = 0; p < store::kPlanetCount; ++p) {
        EXPECT_EQ(h.window.selection(signList(p)), 0);
        EXPECT_EQ(h.window.text(degreeEdit(p)), "0");
    }
    EXPECT_EQ(h.window.selection(app::kIdCategory), 0);
    EXPECT_EQ(h.window.text(app::kIdNoteTime), "2024-03-01 09:31:20");
    EXPECT_EQ(h.window.text(markField(0)), mark);
    EXPECT_EQ(readBytes(h.document()), kTwoPersons);
}

TEST(SavingAPerson, NewPersonsMoveTheCountersForwardOnly) {
    const struct {
        const char* code;
        const char* counters;  // newcode, uLastInd afterwards
    } cases[] = {
        {"10008", "newcode=10009\r\nuLastInd=8\r\n"},
        {"10500", "newcode=10501\r\nuLastInd=500\r\n"},
        {"10003", "newcode=10008\r\nuLastInd=7\r\n"},  // lower than earlier codes: nothing moves back
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        FormHarness h;
        writeBytes(h.document(), kTwoPersons);
        h.start();
        h.window.type(app::kIdCode, c.code);
        h.window.click(app::kIdSave);
        EXPECT_TRUE(h.window.dialogs().empty());
        const std::string file = readBytes(h.document());
        EXPECT_NE(file.find(c.counters), std::string::npos);
        EXPECT_NE(file.find(std::string("uInd=") + c.code), std::string::npos);
        EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[0],
                  file.find("uLastInd=7") != std::string::npos ? "10007" : c.code);
    }
}

TEST(SavingAPerson, ShownPersonIsRewrittenWithoutTheCounters) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    h.start();
    h.window.clickRow(app::kIdPersonList, 0);
    h.window.type(app::kIdName, "王五五");
    h.window.click(app::kIdSave);
    EXPECT_TRUE(h.window.dialogs().empty());
    const std::string file = readBytes(h.document());
    EXPECT_NE(file.find("newcode=10008\r\nuLastInd=7\r\n"), std::string::npos);
    const std::string section = sectionOf(file, "[ql_7]");
    EXPECT_NE(section.find("nick=王五五\r\n"), std::string::npos);
    EXPECT_NE(section.find("memo=一|二|三\r\n"), std::string::npos);
    EXPECT_NE(section.find("sunval=12.50\r\n"), std::string::npos);
    EXPECT_NE(section.find("moon=-1\r\n"), std::string::npos);  // the list had no selection
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[1], "王五五");
    // Saving again asks nothing: it is the form's own card.
    h.window.click(app::kIdSave);
    EXPECT_TRUE(h.window.dialogs().empty());
}

TEST(SavingAPerson, AnotherPersonsCardIsOverwrittenOnlyWhenTheUserAgrees) {
    for (ui::Answer answer : {ui::Answer::No, ui::Answer::Yes}) {
        SCOPED_TRACE(answer == ui::Answer::Yes ? "yes" : "no");
        for (bool shown : {false, true}) {
            SCOPED_TRACE(shown ? "shown person" : "new person");
            FormHarness h;
            writeBytes(h.document(), kTwoPersons);
            h.start();
            if (shown)
                h.window.clickRow(app::kIdPersonList, 0);
            h.window.type(app::kIdCode, "10002");
            h.window.type(app::kIdName, "赵六");
            h.window.answerNext(answer);
            h.window.click(app::kIdSave);
            ASSERT_EQ(h.window.dialogs().size(), 1u);
            EXPECT_EQ(h.window.dialogs()[0].kind, DialogRecord::Kind::Question);
            EXPECT_NE(h.window.dialogs()[0].text.find("张三"), std::string::npos);
            const std::string file = readBytes(h.document());
            if (answer == ui::Answer::No) {
                EXPECT_EQ(file, kTwoPersons);
                EXPECT_EQ(h.window.text(app::kIdName), "赵六");
                continue;
            }
            EXPECT_NE(sectionOf(file, "[ql_2]").find("nick=赵六"), std::string::npos);
            EXPECT_NE(file.find("newcode=10008\r\nuLastInd=7\r\n"), std::string::npos);
            // Now it is this form's card: no second question.
            h.window.click(app::kIdSave);
            EXPECT_EQ(h.window.dialogs().size(), 1u);
        }
    }
}

TEST(SavingAPerson, CodesOutsideTheRangeAreRefusedWithAMessage) {
    for (const char* code : {"10000", "990001", "0", "-10002"}) {
        SCOPED_TRACE(code);
        FormHarness h;
        writeBytes(h.document(), kTwoPersons);
        h.start();
        h.window.type(app::kIdCode, code);
        h.window.click(app::kIdSave);
        ASSERT_EQ(h.window.dialogs().size(), 1u);
        EXPECT_NE(h.window.dialogs()[0].text.find("未保存"), std::string::npos);
        EXPECT_EQ(readBytes(h.document()), kTwoPersons);
    }
    for (const char* code : {"10001", "990000"}) {
        SCOPED_TRACE(code);
        FormHarness h;
        h.start();
        h.window.type(app::kIdCode, code);
        h.window.click(app::kIdSave);
        EXPECT_TRUE(h.window.dialogs().empty());
        EXPECT_NE(readBytes(h.document()).find(std::string("uInd=") + code), std::string::npos);
    }
}

TEST(SavingAPerson, AnUnwritableDocumentIsReportedAndTheFormKeepsItsValues) {
    FormHarness h;
    const std::filesystem::path missing = h.folder() / "gone" / "x.qelvo";
    const std::u8string tail = missing.u8string();
    h.startWithTail(std::string(tail.begin(), tail.end()));
    h.window.type(app::kIdName, "张三");
    h.window.click(app::kIdSave);
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    const std::string& message = h.window.dialogs()[0].text;
    EXPECT_NE(message.find("x.qelvo"), std::string::npos);
    EXPECT_NE(message.find("此人未保存"), std::string::npos);
    EXPECT_EQ(h.window.text(app::kIdName), "张三");
    EXPECT_EQ(h.form.values().name, "张三");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(SavingAPerson, AMemoWithLoneCarriageReturnsIsSavedAndShownWithLineBreaks) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    h.start();
    h.window.clickRow(app::kIdPersonList, 0);
    h.window.type(app::kIdMemo, "旧文\r粘贴\r\n末\r");
    h.window.click(app::kIdSave);
    EXPECT_TRUE(h.window.dialogs().empty());
    EXPECT_NE(sectionOf(readBytes(h.document()), "[ql_7]").find("\r\nmemo=旧文|粘贴|末|\r\n"), std::string::npos);
    h.window.click(app::kIdNew);
    h.window.clickRow(app::kIdPersonList, 0);
    EXPECT_EQ(h.window.text(app::kIdMemo), "旧文\r\n粘贴\r\n末\r\n");
}

// A memo of a megabyte is shown and saved whole, its line breaks turned both ways (bench/text_bench measures how the
// time grows with its length).
TEST(SavingAPerson, AMegabyteMemoIsShownAndSavedWhole) {
    std::string stored;
    while (stored.size() < 1024 * 1024)
        stored += "大学同学|住在北京 \x81\x7C|";  // the second "|" is the second half of a character
    FormHarness h;
    writeBytes(h.document(), "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=10001\r\nmemo=" +
                                 stored + "\r\n");
    h.start();
    h.window.clickRow(app::kIdPersonList, 0);
    const std::string memo = h.window.text(app::kIdMemo);
    const std::string firstLines = "大学同学\r\n住在北京 \x81\x7C\r\n大学同学\r\n";
    EXPECT_EQ(memo.substr(0, firstLines.size()), firstLines);
    h.window.click(app::kIdSave);
    EXPECT_TRUE(h.window.dialogs().empty());
    EXPECT_NE(readBytes(h.document()).find("\r\nmemo=" + stored + "\r\n"), std::string::npos);
}

#if !defined(_WIN32)
TEST(SavingAPerson, AFailedSaveStillRefillsTheList) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    h.start();
    ASSERT_EQ(h.window.row(app::kIdPersonList, 0)[1], "王五");
    // Another program adds a person; then the disk is full.
    std::string outside = kTwoPersons;
    outside.replace(outside.find("uLastInd=7"), 10, "uLastInd=8");
    outside += "[ql_8]\r\nuInd=10008\r\nnick=赵六\r\n";
    writeBytes(h.document(), outside);
    h.window.type(app::kIdCode, "10009");
    h.window.type(app::kIdName, "钱七");
    {
        FileSizeLimit full(outside.size());
        h.window.click(app::kIdSave);
    }
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    EXPECT_NE(h.window.dialogs()[0].text.find("此人未保存"), std::string::npos);
    EXPECT_EQ(readBytes(h.document()), outside);
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 8);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[1], "赵六");
    EXPECT_EQ(h.window.text(app::kIdName), "钱七");
}
#endif

// The fill reads the thousand indexes below "uLastInd", present or not (bench/form_bench measures it).
TEST(PersonList, ShowsAtMostAThousandRowsWhateverTheLastIndexSays) {
    FormHarness h;
    writeBytes(h.document(),
               "[base]\r\nver=1\r\nnewcode=990001\r\nuLastInd=980000\r\n[ql_980000]\r\nuInd=990000\r\n"
               "[ql_979001]\r\nuInd=989001\r\n[ql_979000]\r\nuInd=989000\r\n");
    h.start();
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 1000);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[0], "990000");
    EXPECT_EQ(h.window.row(app::kIdPersonList, 999)[0], "989001");
}

TEST(PersonList, LastIndexBelowOneOrNoNumberGivesAnEmptyList) {
    for (const char* last : {"0", "-2", "abc", ""}) {
        SCOPED_TRACE(last);
        FormHarness h;
        writeBytes(h.document(), std::string("[base]\r\nver=1\r\nnewcode=10002\r\nuLastInd=") + last +
                                     "\r\n[ql_1]\r\nuInd=10001\r\n");
        h.start();
        EXPECT_EQ(h.window.rowCount(app::kIdPersonList), 0);
    }
}

TEST(OldForm, PersonsAreReadAndWrittenWithSuffixedKeys) {
    FormHarness h;
    writeBytes(h.document(),
               "[base]\r\nnewcode=10003\r\nuLastInd=2\r\n[ql]\r\nuInd_2=10002\r\nnick_2=张三\r\nsun_2=5\r\n");
    CChkUid store;
    store.InitChkCfg(h.document(), ".qelvo");
    const std::vector<store::Person> listed = records::readPersonList(store);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(records::listRow(listed[0])[1], "张三");
    EXPECT_EQ(records::listRow(listed[0])[4], "狮");
    records::Card card = records::cardOfPerson(listed[0]);
    card.values.name = "张三丰";
    ASSERT_TRUE(records::writePerson(store, card, false));
    card.values.code = 10003;
    ASSERT_TRUE(records::writePerson(store, card, true));
    const std::string file = readBytes(h.document());
    EXPECT_NE(file.find("nick_2=张三丰\r\n"), std::string::npos);
    EXPECT_NE(file.find("uInd_3=10003\r\n"), std::string::npos);
    EXPECT_NE(file.find("newcode=10004\r\nuLastInd=3\r\n"), std::string::npos);
    EXPECT_EQ(file.find("[ql_"), std::string::npos);
    EXPECT_TRUE(records::storedPerson(store, 3).has_value());
    EXPECT_FALSE(records::storedPerson(store, 4).has_value());
}

}  // namespace
}  // namespace apptest
