#include <gtest/gtest.h>

#include "app/start_up.h"
#include "form_harness.h"
#include "store/person_document.h"

namespace apptest {
namespace {

using ui::headless::DialogRecord;

constexpr const char* kOldDocument =
    "[base]\r\nnewcode=10003\r\nuLastInd=2\r\n[ql]\r\nuInd_1=10001\r\nnick_1=李四\r\nuInd_2=10002\r\nnick_2=张三\r\n"
    "sun_2=10\r\n";

TEST(StartUp, DocumentPathAndCaptionFromTheCommandTail) {
    const struct {
        const char* tail;
        const char* path;
        const char* caption;
    } cases[] = {
        {"", "", "Orbalis 1.0.6.21"},
        {"\"C:\\a b\\x.qelvo\"", "C:\\a b\\x.qelvo", "Orbalis 1.0.6.21    -    C:\\a b\\x.qelvo"},
        {"d\"o\"c.qelvo", "doc.qelvo", "Orbalis 1.0.6.21    -    doc.qelvo"},
        {"\"\"", "", "Orbalis 1.0.6.21"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail);
        const app::DocumentChoice choice = app::documentFromCommandTail(c.tail);
        EXPECT_EQ(choice.pathText, c.path);
        EXPECT_EQ(choice.path.empty(), std::string(c.path).empty());
        EXPECT_EQ(app::captionFor(app::kFormCaption, choice), c.caption);
    }
}

TEST(StartUp, EmptyDocumentGetsItsBaseSectionAndAnEmptyForm) {
    FormHarness h;
    h.start(true);
    EXPECT_EQ(readBytes(h.document()), "[base]\r\nver=1.0.6.18\r\nnewcode=10001\r\nuLastInd=0\r\n");
    EXPECT_TRUE(h.window.dialogs().empty());
    EXPECT_FALSE(h.window.closed());
    EXPECT_EQ(h.window.caption().rfind("Orbalis 1.0.6.21    -    ", 0), 0u);
    EXPECT_EQ(h.window.text(app::kIdCode), "10001");
    EXPECT_EQ(h.window.text(app::kIdNoteTime), "2024-03-01 09:30:15");
    EXPECT_EQ(h.window.rowCount(app::kIdPersonList), 0);
    for (int p = 0; p < store::kPlanetCount; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(h.window.selection(signList(p)), 0);
        EXPECT_EQ(h.window.itemCount(signList(p)), 13);
        EXPECT_EQ(h.window.text(degreeEdit(p)), "0");
    }
    EXPECT_EQ(h.window.text(app::kIdCategory), "--类型--");
    EXPECT_EQ(h.window.text(app::kIdTimeZone), "--时区--");
    EXPECT_EQ(h.window.itemCount(app::kIdTimeZone), 26);
    EXPECT_EQ(h.window.columns(app::kIdPersonList).size(), 14u);
    EXPECT_EQ(h.window.focus(), 1002);  // the sun's degree
}

TEST(StartUp, CurrentDocumentShowsNewcodeAndItsPersons) {
    FormHarness h;
    writeBytes(h.document(),
               "[base]\r\nver=x\r\nnewcode=10005\r\nuLastInd=3\r\n[ql_3]\r\nuInd=10003\r\nnick=王五\r\nsun=10\r\n"
               "[ql_1]\r\nuInd=10001\r\n");
    const std::string before = readBytes(h.document());
    h.start();
    EXPECT_EQ(readBytes(h.document()), before);
    EXPECT_TRUE(h.window.dialogs().empty());
    EXPECT_EQ(h.window.text(app::kIdCode), "10005");
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 3);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0),
              (std::vector<std::string>{"10003", "王五", "", "", "摩", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(h.window.row(app::kIdPersonList, 1)[0], "");
    EXPECT_EQ(h.window.row(app::kIdPersonList, 2)[0], "10001");
}

TEST(StartUp, OldDocumentAsksFirstAndUpgradesOnYes) {
    FormHarness h;
    writeBytes(h.document(), kOldDocument);
    h.window.answerNext(ui::Answer::Yes);
    h.start();
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    const DialogRecord& question = h.window.dialogs()[0];
    EXPECT_EQ(question.kind, DialogRecord::Kind::Question);
    EXPECT_EQ(question.text, "文件版本过低，是否转换升级文件？");
    EXPECT_EQ(question.caption, "提示");
    EXPECT_FALSE(h.window.closed());
    const std::string after = readBytes(h.document());
    EXPECT_NE(after.find("ver=1.0.6.18"), std::string::npos);
    EXPECT_NE(after.find("[ql_2]\r\nuInd=10002\r\nnick=张三"), std::string::npos);
    EXPECT_EQ(after.find("[ql]"), std::string::npos);
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 2);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[1], "张三");
    EXPECT_EQ(h.window.text(app::kIdCode), "10003");
}

TEST(StartUp, AnOldDocumentWithoutItsBaseSectionIsAskedAboutNotTakenForEmpty) {
    FormHarness h;
    writeBytes(h.document(), "[ql]\r\nuInd_1=10001\r\nnick_1=甲\r\nuInd_2=10002\r\nnick_2=张三\r\n");
    h.window.answerNext(ui::Answer::Yes);
    h.start();
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    EXPECT_EQ(h.window.dialogs()[0].text, "文件版本过低，是否转换升级文件？");
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 2);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 1)[1], "甲");
    EXPECT_EQ(h.window.text(app::kIdCode), "10003");
}

TEST(StartUp, OldDocumentDeclinedClosesAndLeavesEveryByte) {
    FormHarness h;
    writeBytes(h.document(), kOldDocument);
    h.window.answerNext(ui::Answer::No);
    h.start();
    EXPECT_TRUE(h.window.closed());
    EXPECT_EQ(readBytes(h.document()), kOldDocument);
    // The closed form takes no more events.
    h.window.click(app::kIdSave);
    EXPECT_EQ(readBytes(h.document()), kOldDocument);
}

#if !defined(_WIN32)
TEST(StartUp, FailedUpgradeSaysWhyAndClosesWithoutTouchingTheDocument) {
    FormHarness h;
    // The two persons come out of the upgrade with 36 keys each: the file grows.
    std::string old = kOldDocument;
    old.replace(old.find("uLastInd=2"), 10, "uLastInd=6");
    writeBytes(h.document(), old);
    h.window.answerNext(ui::Answer::Yes);
    {
        FileSizeLimit limit(old.size());
        h.start();
    }
    ASSERT_EQ(h.window.dialogs().size(), 2u);
    EXPECT_EQ(h.window.dialogs()[1].kind, DialogRecord::Kind::Message);
    EXPECT_NE(h.window.dialogs()[1].text.find("cfg.qelvo"), std::string::npos);
    EXPECT_TRUE(h.window.closed());
    EXPECT_EQ(readBytes(h.document()), old);
}
#endif

}  // namespace
}  // namespace apptest
