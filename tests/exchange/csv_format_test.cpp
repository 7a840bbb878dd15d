#include "exchange/csv_format.h"

#include <gtest/gtest.h>

#include "exchange/card_exchange.h"
#include "scratch.h"
#include "store/person_document.h"
#include "util/text_codec.h"

namespace {

using store::PersonKey;
using testing_support::ScratchFolder;
using testing_support::writeBytes;

// GBK texts that a CSV writer must quote or that a reader could take apart.
store::Person hostileCard(std::int32_t n) {
    store::Person p;
    p.index = n;
    for (std::size_t i = 0; i < store::kPersonKeyCount; ++i)
        p.texts[i] = std::to_string(n) + "." + std::to_string(i);
    p[PersonKey::UInd] = store::formatCode(store::kCodeBase + n);
    p[PersonKey::Nick] = "张\"三\", 小名\"\"阿三\"";
    p[PersonKey::Srday] = "1991.1.2,1255";
    p[PersonKey::Nongli] = "=1+1";
    p[PersonKey::Area] = "中国,北京;上海\t|";
    p[PersonKey::Memo] = "第一行|\"第二行\",|||末行 ";
    p[PersonKey::Xxw] = " ( 日~火 ) ,月土";
    p[PersonKey::NoteTime] = "";
    p[PersonKey::Lxw] = "\xA1\xA1";  // the full-width blank
    return p;
}

TEST(CsvFormat, WhatIsWrittenIsReadBackFieldForField) {
    const std::vector<store::Person> cards = {hostileCard(1), hostileCard(2), store::Person{}};
    const exchange::WrittenCards written = exchange::writeCsv(cards);
    EXPECT_TRUE(written.problems.empty());
    ASSERT_EQ(written.bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(written.bytes.substr(3, 25), "code,name,category,birthd");
    // The memo's lines are real line breaks inside its quoted field.
    EXPECT_NE(written.bytes.find("\"\xE7\xAC\xAC\xE4\xB8\x80\xE8\xA1\x8C\r\n\"\"\xE7\xAC\xAC"), std::string::npos);
    const exchange::ReadCards read = exchange::readCsv(written.bytes);
    EXPECT_TRUE(read.problems.empty()) << exchange::problemLines(read.problems);
    ASSERT_EQ(read.persons.size(), cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read.persons[i].texts, cards[i].texts);
    }
}

TEST(CsvFormat, ReadsColumnsByNameWithOrWithoutAByteOrderMark) {
    const std::string utf8 =
        " Name ,UNKNOWN,memo,Sun_Sign,birthday\n"
        "Anna,x,\"line one\nline two\",10\n"              // fewer fields: the rest are empty
        "\n"                                              // a blank line is no record
        "\xE5\xBC\xA0\xE4\xB8\x89,,,3,\"1980.5.6\"\r\n";  // 张三
    for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8}) {
        const exchange::ReadCards read = exchange::readCsv(bytes);
        EXPECT_TRUE(read.problems.empty()) << exchange::problemLines(read.problems);
        ASSERT_EQ(read.persons.size(), 2u);
        EXPECT_EQ(read.persons[0][PersonKey::Nick], "Anna");
        EXPECT_EQ(read.persons[0][PersonKey::Memo], "line one|line two");
        EXPECT_EQ(read.persons[0][PersonKey::Sun], "10");
        EXPECT_EQ(read.persons[0][PersonKey::Srday], "");
        EXPECT_EQ(read.persons[1][PersonKey::Nick], "张三");
        EXPECT_EQ(read.persons[1][PersonKey::Srday], "1980.5.6");
        EXPECT_EQ(read.persons[1][PersonKey::Area], "");
    }
}

TEST(CsvFormat, RecordsThatCannotBeReadAreSkippedWithTheirLineAndWhy) {
    const std::string bytes =
        "name,area,memo\r\n"
        "good one,,\r\n"                        // line 2
        "\xED\x95\x9C\xEA\xB5\xAD,,\r\n"        // line 3: 한국, which GBK lacks
        "ok,\xFF\xFE,\r\n"                      // line 4: not UTF-8
        "\"two\nlines\",,\r\n"                  // line 5: a break in the name
        "\"quoted\"tail,,\r\n"                  // line 7: text after the closing quote
        "a,b,c,d\r\n"                           // line 8: more fields than the header
        "a,b,c,\r\n"                            // line 9: an empty extra field is nothing
        "\"multi\",,\"memo\nover\nthree\"\r\n"  // line 10
        "last,\"open\r\n";                      // line 13: the quote is never closed
    const exchange::ReadCards read = exchange::readCsv(bytes);
    ASSERT_EQ(read.persons.size(), 3u);
    EXPECT_EQ(read.persons[0][PersonKey::Nick], "good one");
    EXPECT_EQ(read.persons[1][PersonKey::Memo], "c");
    EXPECT_EQ(read.persons[2][PersonKey::Memo], "memo|over|three");
    const struct {
        int line;
        const char* part;
    } expected[] = {
        {3, "第 1 列（name）：含有 GBK 中没有的字符 U+D55C"},
        {4, "第 2 列（area）：不是有效的 UTF-8 文字"},
        {5, "第 1 列（name）：只有备注可以分行"},
        {7, "引号后面还有文字"},
        {8, "第 4 列：字段比表头多"},
        {13, "引号没有结束"},
    };
    ASSERT_EQ(read.problems.size(), std::size(expected)) << exchange::problemLines(read.problems);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].part);
        EXPECT_EQ(read.problems[i].line, expected[i].line);
        EXPECT_NE(read.problems[i].reason.find(expected[i].part), std::string::npos) << read.problems[i].reason;
    }
}

TEST(CsvFormat, ABirthdayIsOneTheFormWouldTake) {
    const struct {
        const char* field;
        const char* stored;  // nullptr: the record is skipped
    } cases[] = {
        {"1991.1.2,1255", "1991.1.2,1255"},
        {"1991-01-02 12:55", "1991.1.2,1255"},
        {"1991年1月2日", "1991.1.2"},
        {"91-1-2 1-2 12:55", "91.1.2,0102"},  // the parser reads the time "1-2," as 01:02
        {"", ""},
        {"  ", ""},
        {"1990.2.30", nullptr},
        {"1900.2.29", nullptr},
        {"1500.2.29", "1500.2.29"},
        {"0.1.1", nullptr},
        {"1991.1.2,2400", nullptr},
        {"1991/1/2", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        const std::string utf8 = util::gbkToUtf8(c.field).value_or("");
        const exchange::ReadCards read = exchange::readCsv("name,birthday\r\nX,\"" + utf8 + "\"\r\n");
        if (c.stored == nullptr) {
            EXPECT_TRUE(read.persons.empty());
            ASSERT_EQ(read.problems.size(), 1u);
            EXPECT_EQ(read.problems[0].line, 2);
            EXPECT_NE(read.problems[0].reason.find("第 2 列（birthday）：生日"), std::string::npos)
                << read.problems[0].reason;
        } else {
            EXPECT_TRUE(read.problems.empty()) << exchange::problemLines(read.problems);
            ASSERT_EQ(read.persons.size(), 1u);
            EXPECT_EQ(read.persons[0][PersonKey::Srday], c.stored);
        }
    }
}

TEST(CsvFormat, SaysWhichColumnsItDidNotUse) {
    const struct {
        const char* what;
        std::string bytes;
        const char* note;  // "": none
    } cases[] = {
        {"every column known", "name,memo\r\nA,b\r\n", ""},
        {"a renamed, a repeated and an unnamed column with text",
         "name,\xE7\x94\x9F\xE6\x97\xA5,NAME,,\r\nA,1991.1.2,B,x,\r\n",  // 生日
         "未使用的列：第 2 列“生日”（不是已知的列名）、第 3 列“NAME”（与第 1 列重名）、第 4 列（没有列名）。"},
        {"an unnamed column without text is no loss", "name,\r\nA,\r\nB\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const exchange::ReadCards read = exchange::readCsv(c.bytes);
        EXPECT_TRUE(read.problems.empty()) << exchange::problemLines(read.problems);
        EXPECT_FALSE(read.persons.empty());
        if (*c.note == '\0') {
            EXPECT_TRUE(read.notes.empty());
        } else {
            ASSERT_EQ(read.notes.size(), 1u);
            EXPECT_EQ(read.notes[0].substr(0, std::string(c.note).size()), c.note) << read.notes[0];
        }
    }
}

TEST(CsvFormat, ReadsWindows1252AsSpreadsheetsWriteIt) {
    const exchange::ReadCards read = exchange::readCsv(
        "name,area\r\nO\x92"
        "Brien,\x93"
        "Caf\xE9\x94\r\n");
    EXPECT_TRUE(read.problems.empty()) << exchange::problemLines(read.problems);
    ASSERT_EQ(read.persons.size(), 1u);
    EXPECT_EQ(read.persons[0][PersonKey::Nick], "O’Brien");
    EXPECT_EQ(read.persons[0][PersonKey::Area], "“Caf\xA8\xA6”");
}

TEST(CsvFormat, AFileWithoutAKnownHeaderReadsNothing) {
    for (const char* bytes : {"", "\xEF\xBB\xBF", "\r\n\r\n", "foo,bar\r\nAnna,1\r\n"}) {
        SCOPED_TRACE(bytes);
        const exchange::ReadCards read = exchange::readCsv(bytes);
        EXPECT_TRUE(read.persons.empty());
        EXPECT_EQ(read.problems.size(), 1u);
    }
}

}  // namespace
