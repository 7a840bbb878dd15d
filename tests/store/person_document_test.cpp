#include "store/person_document.h"

#include <gtest/gtest.h>

#include "scratch.h"

namespace store {
namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;

// The second person of a new document, as typed, chosen and computed on the form.
Person examplePerson() {
    Person p;
    p[PersonKey::UInd] = "10002";
    p[PersonKey::Nick] = "张三";
    p[PersonKey::Type] = "2";
    p[PersonKey::Srday] = "1991.1.2,1255";
    p[PersonKey::Nongli] = "十一月十七";
    p[PersonKey::Timezone] = "5";
    p[PersonKey::Area] = "中国";
    p[PersonKey::Cxw] = " ( 月~天 ) , ( 金~木 ) ";
    p[PersonKey::Hxw] = "日天,日海,水土, ( 天~海 ) ";
    p[PersonKey::Gxw] = "火冥";
    p[PersonKey::Lxw] = " ( 日~火 ) , ( 水~火 ) , ( 水~冥 ) ,火海, ( 海~冥 ) ";
    p[PersonKey::Mxw] = " ( 日~木 ) ,月金,木天";
    p[PersonKey::Rydu] = "171.63";
    p[PersonKey::Memo] = memoToDocument("大学同学\r\n住在北京");
    const int signs[] = {10, 4, 10, 11, 12, 5, 10, 10, 10, 8};
    const float degrees[] = {11.87f, 3.5f, 25.02f, 2.4f, 18.66f, 7.13f, 28.9f, 9.71f, 15.22f, 20.35f};
    for (int i = 0; i < kPlanetCount; ++i) {
        p[kPlanetTable[static_cast<std::size_t>(i)].signKey] = formatIndex(signs[i]);
        p[kPlanetTable[static_cast<std::size_t>(i)].degreeKey] = formatDegree(degrees[i]);
    }
    p[PersonKey::NoteTime] = "2024-03-01 09:30:15";
    return p;
}

TEST(PersonDocument, WritesThePersonInKeyTableOrder) {
    ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "cfg.qelvo", ".qelvo");
    ASSERT_TRUE(store.SetMyKeys(newDocumentEdits()));
    auto edits = personEdits(examplePerson(), 2, DocumentForm::Current);
    edits.push_back(IniEdit::set("base", "uLastInd", formatCode(2)));
    edits.push_back(IniEdit::set("base", "newcode", formatCode(10003)));
    ASSERT_TRUE(store.SetMyKeys(edits));
    EXPECT_EQ(readBytes(folder / "cfg.qelvo"),
              "[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=2\r\n[ql_2]\r\nuInd=10002\r\nnick=张三\r\ntype=2\r\n"
              "srday=1991.1.2,1255\r\nnongli=十一月十七\r\ntimezone=5\r\narea=中国\r\nxxw=\r\n"
              "cxw= ( 月~天 ) , ( 金~木 ) \r\nhxw=日天,日海,水土, ( 天~海 ) \r\ngxw=火冥\r\n"
              "lxw= ( 日~火 ) , ( 水~火 ) , ( 水~冥 ) ,火海, ( 海~冥 ) \r\nmxw= ( 日~木 ) ,月金,木天\r\n"
              "rydu=171.63\r\nmemo=大学同学|住在北京\r\nsun=10\r\nsunval=11.87\r\nmoon=4\r\nmoonval=3.50\r\n"
              "mercury=10\r\nmercuryval=25.02\r\nvenus=11\r\nvenusval=2.40\r\nmars=12\r\nmarsval=18.66\r\n"
              "jupiter=5\r\njupiterval=7.13\r\nsaturn=10\r\nsaturnval=28.90\r\nuranus=10\r\nuranusval=9.71\r\n"
              "neptune=10\r\nneptuneval=15.22\r\npluto=8\r\nplutoval=20.35\r\nnotetime=2024-03-01 09:30:15\r\n");

    // Read back in record order: the aspect texts come back without their outer blanks, as the document reads.
    const Person back = readPerson(store, 2, DocumentForm::Current);
    EXPECT_EQ(back.index, 2);
    EXPECT_EQ(back[PersonKey::Nick], "张三");
    EXPECT_EQ(back[PersonKey::Cxw], "( 月~天 ) , ( 金~木 )");
    EXPECT_EQ(memoFromDocument(back[PersonKey::Memo]), "大学同学\r\n住在北京");
    EXPECT_EQ(back[PersonKey::Xxw], "");
}

TEST(PersonDocument, PlacesKeysByForm) {
    const struct {
        std::int32_t n;
        DocumentForm form;
        const char* section;
        const char* key;
    } cases[] = {
        {2, DocumentForm::Current, "ql_2", "nick"},
        {2, DocumentForm::Old, "ql", "nick_2"},
        {980000, DocumentForm::Current, "ql_980000", "nick"},
        {980000, DocumentForm::Old, "ql", "nick_980000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section);
        EXPECT_EQ(personSection(c.n, c.form), c.section);
        EXPECT_EQ(personKey("nick", c.n, c.form), c.key);
    }
    EXPECT_EQ(documentForm(""), DocumentForm::Old);
    EXPECT_EQ(documentForm("not a version"), DocumentForm::Current);
}

TEST(PersonDocument, ReadsAMissingPersonAsEmptyTexts) {
    ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "cfg.qelvo", ".qelvo");
    ASSERT_TRUE(store.SetMyKey("ql", "nick_3", "李四"));
    const Person old = readPerson(store, 3, DocumentForm::Old);
    EXPECT_EQ(old[PersonKey::Nick], "李四");
    const Person missing = readPerson(store, 4, DocumentForm::Current);
    EXPECT_EQ(missing.index, 4);
    for (const std::string& text : missing.texts)
        EXPECT_EQ(text, "");
}

TEST(PersonDocument, MemoLineBreaks) {
    const struct {
        const char* form;
        const char* stored;
    } toDocument[] = {
        {"a\r\nb", "a|b"},
        {"a\nb", "a|b"},
        {"a\r\n\nb", "a||b"},
        {"a\rb", "a|b"},  // a lone carriage return (old Mac text, some input methods) would end the file's line
        {"a\r\r\nb\n\r", "a||b||"},
        {"\r", "|"},
        {"\x81\r\n", "\x81|"},          // a first half of a character cut off before a line break
        {"\x81\x7C\r\n", "\x81\x7C|"},  // a character whose second byte is "|" stays whole
    };
    for (const auto& c : toDocument) {
        SCOPED_TRACE(c.form);
        EXPECT_EQ(memoToDocument(c.form), c.stored);
    }
    EXPECT_EQ(memoFromDocument("a|b|"), "a\r\nb\r\n");
    EXPECT_EQ(memoFromDocument("\x81\x7C|x"), "\x81\x7C\r\nx");
}

// Memos with every kind of line break are saved as one value per line of the file and come back as line breaks.
TEST(PersonDocument, MemoWithAnyLineBreakStaysOneLineOfTheFile) {
    ScratchFolder folder;
    CChkUid store;
    store.InitChkCfg(folder / "cfg.qelvo", ".qelvo");
    ASSERT_TRUE(store.SetMyKeys(newDocumentEdits()));
    Person person;
    person[PersonKey::UInd] = formatCode(10002);
    person[PersonKey::Memo] = memoToDocument("旧文\r粘贴\n一行\r\n末");
    ASSERT_TRUE(store.SetMyKeys(personEdits(person, 2, DocumentForm::Current))) << store.lastError();

    const std::string file = readBytes(folder / "cfg.qelvo");
    std::size_t lines = 0;
    for (std::size_t pos = 0; pos < file.size(); ++pos) {
        ASSERT_FALSE(file[pos] == '\r' && (pos + 1 == file.size() || file[pos + 1] != '\n')) << pos;
        ASSERT_FALSE(file[pos] == '\n' && (pos == 0 || file[pos - 1] != '\r')) << pos;
        lines += file[pos] == '\n';
    }
    EXPECT_EQ(lines, 2 + 3 + kPersonKeyCount);  // two heads, three base values, the person's keys
    EXPECT_NE(file.find("\r\nmemo=旧文|粘贴|一行|末\r\n"), std::string::npos);
    EXPECT_EQ(memoFromDocument(readPerson(store, 2, DocumentForm::Current)[PersonKey::Memo]),
              "旧文\r\n粘贴\r\n一行\r\n末");
}

TEST(PersonDocument, NumberTexts) {
    EXPECT_EQ(formatDegree(7.5f), "7.50");
    EXPECT_EQ(formatDegree(0.0f), "0.00");
    EXPECT_EQ(formatDegree(12.345f), "12.35");  // the single-precision value lies just above 12.345
    EXPECT_EQ(formatDegree(-3.14159f), "-3.14");
    EXPECT_EQ(formatCode(10001), "10001");
    EXPECT_EQ(formatCode(-5), "-5");
    EXPECT_EQ(formatIndex(-1), "-1");
}

}  // namespace
}  // namespace store
