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

TEST(CsvFormat, AFileWithoutAKnownHeaderReadsNothing) {
    for (const char* bytes : {"", "\xEF\xBB\xBF", "\r\n\r\n", "foo,bar\r\nAnna,1\r\n"}) {
        SCOPED_TRACE(bytes);
        const exchange::ReadCards read = exchange::readCsv(bytes);
        EXPECT_TRUE(read.persons.empty());
        EXPECT_EQ(read.problems.size(), 1u);
    }
}

}  // namespace
