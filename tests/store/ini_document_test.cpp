#include "store/ini_document.h"

#include <gtest/gtest.h>

#include "store/ini_editor.h"

#include <optional>
#include <string>
#include <vector>

namespace store {
namespace {

using E = IniEdit;

struct ReadCase {
    const char* what;
    std::string file;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

void expectReads(const std::vector<ReadCase>& cases) {
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const IniDocument doc(c.file);
        const auto value = doc.value(c.section, c.key);
        if (c.expected) {
            ASSERT_TRUE(value.has_value());
            EXPECT_EQ(std::string(*value), *c.expected);
        } else {
            EXPECT_FALSE(value.has_value()) << "read " << std::string(value.value_or(""));
        }
    }
}

struct EditCase {
    const char* what;
    std::string before;
    std::vector<IniEdit> edits;
    std::string after;
};

void expectEdits(const std::vector<EditCase>& cases) {
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = IniDocument(c.before).withEdits(c.edits);
        ASSERT_TRUE(result.text.has_value()) << result.error.reason;
        EXPECT_EQ(*result.text, c.after);
    }
}

TEST(IniDocumentRead, MatchesNamesIgnoringAsciiCaseOnly) {
    expectReads({
        {"section and key in other case", "[Sec]\r\nKey=v\r\n", "sEC", "kEY", "v"},
        {"GBK lead with A and a are different characters", "[\x81\x41]\r\nk=1\r\n", "\x81\x61", "k", std::nullopt},
        {"GBK name matches itself", "[\x81\x41]\r\nk=1\r\n", "\x81\x41", "k", "1"},
        {"trail byte ] in a section name", "[\x81\x5D]\r\nk=2\r\n", "\x81\x5D", "k", "2"},
        {"trail byte \\ in a key name", "[s]\r\n\x81\x5C=3\r\n", "s", "\x81\x5C", "3"},
        {"Chinese names", "[人物]\r\n称呼=张三\r\n", "人物", "称呼", "张三"},
    });
}

TEST(IniDocumentRead, TrimsBlanksAndOneOuterPairOfQuotes) {
    expectReads({
        {"blanks inside brackets", "  [ s ]  \r\nk=v\r\n", "s", "k", "v"},
        {"blanks around key, equals and value", "[s]\r\n  k  =  v  v  \r\n", "s", "k", "v  v"},
        {"tabs are blanks", "[s]\r\n\tk\t=\tv\t\r\n", "s", "k", "v"},
        {"double quotes", "[s]\r\nk=\"v\"\r\n", "s", "k", "v"},
        {"quotes keep inner blanks", "[s]\r\nk=\" x \"\r\n", "s", "k", " x "},
        {"only the outer pair", "[s]\r\nk=\"a\"b\"\r\n", "s", "k", "a\"b"},
        {"single quotes", "[s]\r\nk='v'\r\n", "s", "k", "v"},
        {"unmatched quotes stay", "[s]\r\nk=\"v'\r\n", "s", "k", "\"v'"},
        {"a lone quote stays", "[s]\r\nk=\"\r\n", "s", "k", "\""},
        {"arguments are trimmed too", "[s]\r\nk=v\r\n", "  s ", " k  ", "v"},
    });
}

TEST(IniDocumentRead, CommentsOddLinesAndHeads) {
    expectReads({
        {"comment line is never a key", "[s]\r\n;k=v\r\n", "s", ";k", std::nullopt},
        {"indented comment", "[s]\r\n  ;k=v\r\n", "s", ";k", std::nullopt},
        {"hash is ordinary", "[s]\r\n#k=v\r\n", "s", "#k", "v"},
        {"semicolon inside a value is data", "[s]\r\nk=v ;x\r\n", "s", "k", "v ;x"},
        {"line without equals is no key", "[s]\r\nk\r\n", "s", "k", std::nullopt},
        {"name ends at the first ]", "[c]d]\r\nk=1\r\n", "c", "k", "1"},
        {"head without ]", "[b   \r\nk=2\r\n", "b", "k", "2"},
        {"text after ] ignored", "[s] trailing\r\nk=3\r\n", "s", "k", "3"},
        {"indented head", "   [s]\r\nk=4\r\n", "s", "k", "4"},
        {"lines before the first head", "k=0\r\n[s]\r\nx=1\r\n", "", "k", std::nullopt},
        {"first of duplicate sections", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", "b", std::nullopt},
        {"first of duplicate keys", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
        {"empty value is a value", "[s]\r\nk=\r\n", "s", "k", ""},
        {"missing section", "[s]\r\nk=1\r\n", "t", "k", std::nullopt},
        {"missing key", "[s]\r\nk=1\r\n", "s", "j", std::nullopt},
        {"empty file", "", "s", "k", std::nullopt},
    });
}

TEST(IniDocumentRead, EveryLineBreakEndsALine) {
    expectReads({
        {"LF", "[s]\nk=1\nj=2\n", "s", "j", "2"},
        {"lone CR", "[s]\rk=1\rj=2\r", "s", "j", "2"},
        {"mixed", "[s]\r\nk=1\rj=2\n[t]\rx=3", "t", "x", "3"},
        {"last line without break", "[s]\r\nk=1", "s", "k", "1"},
    });
}

TEST(IniDocumentRead, ReturnsLongValuesWhole) {
    const std::string memo(5000, 'x');
    const IniDocument doc("[s]\r\nmemo=" + memo + "\r\n");
    EXPECT_EQ(doc.value("s", "memo").value_or(""), memo);
}

TEST(IniDocumentWrite, CreatesAndAppends) {
    expectEdits({
        {"new file", "", {E::set("s", "k", "v")}, "[s]\r\nk=v\r\n"},
        {"new section at the end, no blank line",
         "[a]\r\nx=1\r\n",
         {E::set("b", "k", "v")},
         "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        {"file without final break gets one", "[a]\r\nx=1", {E::set("b", "k", "v")}, "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        {"file ending in a lone CR keeps it", "[a]\rx=1\r", {E::set("b", "k", "v")}, "[a]\rx=1\r[b]\r\nk=v\r\n"},
        {"new keys after the last key line, in order",
         "[s]\r\nb=\r\na=\r\n",
         {E::set("s", "z", ""), E::set("s", "y", "")},
         "[s]\r\nb=\r\na=\r\nz=\r\ny=\r\n"},
        {"new key before trailing comments and blank lines",
         "[s]\r\nk=1\r\n;c\r\n\r\n[t]\r\n",
         {E::set("s", "n", "2")},
         "[s]\r\nk=1\r\nn=2\r\n;c\r\n\r\n[t]\r\n"},
        {"new key right after a head without keys",
         "[s]\r\n;c\r\n[t]\r\n",
         {E::set("s", "k", "1")},
         "[s]\r\nk=1\r\n;c\r\n[t]\r\n"},
        {"new key after a final head without break", "[s]", {E::set("s", "k", "1")}, "[s]\r\nk=1\r\n"},
        {"new key after a last key without break", "[s]\r\na=1", {E::set("s", "b", "2")}, "[s]\r\na=1\r\nb=2\r\n"},
        {"first duplicate section is written",
         "[s]\r\na=1\r\n[s]\r\nb=2\r\n",
         {E::set("s", "b", "3")},
         "[s]\r\na=1\r\nb=3\r\n[s]\r\nb=2\r\n"},
    });
}

TEST(IniDocumentWrite, ReplacesOnlyTheValue) {
    expectEdits({
        {"spelling of names stays", "[Sec]\r\nKey=v\r\n", {E::set("SEC", "KEY", "new")}, "[Sec]\r\nKey=new\r\n"},
        {"place stays", "[s]\r\na=1\r\nb=2\r\nc=3\r\n", {E::set("s", "b", "x")}, "[s]\r\na=1\r\nb=x\r\nc=3\r\n"},
        {"blanks before the equals stay", "[s]\r\n  k = old  \r\n", {E::set("s", "k", "new")}, "[s]\r\n  k =new\r\n"},
        {"line ending of the line stays", "[s]\nk=1\nj=2\n", {E::set("s", "k", "9")}, "[s]\nk=9\nj=2\n"},
        {"first of duplicate keys", "[s]\r\nk=1\r\nk=2\r\n", {E::set("s", "k", "3")}, "[s]\r\nk=3\r\nk=2\r\n"},
        {"names trimmed, value exactly as given",
         "",
         {E::set("   sec   ", "  key  ", " value ")},
         "[sec]\r\nkey= value \r\n"},
        {"GBK bytes pass unchanged", "", {E::set("人物", "称呼", "张三\x81\x7C")}, "[人物]\r\n称呼=张三\x81\x7C\r\n"},
    });
}

TEST(IniDocumentWrite, KeepsEveryUntouchedByte) {
    const std::string before = "; top comment\n\nstray=0\r[a] note\r\n  x = 1 \r\nodd line\r\n;c\n[b]\rk=\"q\"\n";
    expectEdits({
        {"write into b",
         before,
         {E::set("b", "k", "2")},
         "; top comment\n\nstray=0\r[a] note\r\n  x = 1 \r\nodd line\r\n;c\n[b]\rk=2\n"},
        {"add to a",
         before,
         {E::set("a", "y", "2")},
         "; top comment\n\nstray=0\r[a] note\r\n  x = 1 \r\ny=2\r\nodd line\r\n;c\n[b]\rk=\"q\"\n"},
    });
}

TEST(IniDocumentWrite, DeletesAndClears) {
    expectEdits({
        {"delete a key removes its line", "[s]\r\na=1\r\nb=2\r\n", {E::deleteKey("s", "A")}, "[s]\r\nb=2\r\n"},
        {"delete a missing key changes nothing", "[s]\r\na=1\r\n", {E::deleteKey("s", "x")}, "[s]\r\na=1\r\n"},
        {"delete sections keeps their comments",
         ";c0\r\n[sec]\r\n;c1\r\n[sec2]\r\n;c2\r\n",
         {E::deleteSection("sec"), E::deleteSection("sec2")},
         ";c0\r\n;c1\r\n;c2\r\n"},
        {"delete a section with keys", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n", {E::deleteSection("a")}, "[b]\r\ny=2\r\n"},
        {"delete a missing section changes nothing", "[a]\r\nx=1\r\n", {E::deleteSection("b")}, "[a]\r\nx=1\r\n"},
        {"clear keeps the head only",
         "[a]\r\nx=1\r\n;c\r\n[b]\r\ny=2\r\n",
         {E::clearSection("a")},
         "[a]\r\n[b]\r\ny=2\r\n"},
        {"clear a missing section creates nothing", "[a]\r\nx=1\r\n", {E::clearSection("b")}, "[a]\r\nx=1\r\n"},
        {"after delete the next duplicate is the section",
         "[s]\r\na=1\r\n[s]\r\nb=2\r\n",
         {E::deleteSection("s"), E::set("s", "c", "3")},
         "[s]\r\nb=2\r\nc=3\r\n"},
        {"set after delete makes a new section",
         "[s]\r\na=1\r\n[t]\r\n",
         {E::deleteSection("s"), E::set("s", "a", "2")},
         "[t]\r\n[s]\r\na=2\r\n"},
        {"writes into a section made earlier in the batch",
         "",
         {E::set("a", "x", "1"), E::set("b", "y", "2"), E::set("A", "z", "3")},
         "[a]\r\nx=1\r\nz=3\r\n[b]\r\ny=2\r\n"},
    });
}

TEST(IniDocumentWrite, RefusesWhatWouldNotReadBack) {
    const std::vector<IniEdit> refused = {
        E::set("s", "k", "a\r\nb"), E::set("s", "k", "a\nb"), E::set("s", "k", std::string("a\0b", 3)),
        E::set("", "k", "v"),       E::set("  ", "k", "v"),   E::set("s", "", "v"),
        E::set("s", ";k", "v"),     E::set("s", "[k", "v"),   E::set("s", "a=b", "v"),
        E::set("a]b", "k", "v"),    E::set("s\n", "k", "v"),  E::set("s\x9d", "k", "v"),
    };
    const IniDocument doc("[s]\r\nk=1\r\n");
    for (const IniEdit& edit : refused) {
        SCOPED_TRACE(edit.section + "|" + edit.key + "|" + edit.value);
        const auto result = doc.withEdits({E::set("s", "ok", "1"), edit});
        EXPECT_FALSE(result.text.has_value());
        EXPECT_EQ(result.error.editIndex, 1u);
        EXPECT_FALSE(result.error.reason.empty());
    }
    // A section name whose second byte of a character is "]" is fine.
    EXPECT_TRUE(doc.withEdits({E::set("\x81\x5D", "k", "v")}).text.has_value());
}

TEST(IniEditorLateText, FollowsEverySectionAsANewSectionWould) {
    const std::string late = "[n]\r\nk=v\r\n";
    const struct {
        const char* what;
        std::string before;
        std::vector<IniEdit> edits;
        std::string after;
    } cases[] = {
        {"empty document", "", {}, late},
        {"after the last section", "[a]\r\nx=1\r\n", {}, "[a]\r\nx=1\r\n" + late},
        {"a last line without break gets one", "[a]\r\nx=1", {}, "[a]\r\nx=1\r\n" + late},
        {"a lone CR at the end stays", "[a]\rx=1\r", {}, "[a]\rx=1\r" + late},
        {"after the sections that edits made and changed",
         "[a]\r\nx=1\r\n[b]\r\n",
         {E::set("a", "x", "2"), E::set("c", "y", "3"), E::deleteSection("b")},
         "[a]\r\nx=2\r\n[c]\r\ny=3\r\n" + late},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const IniDocument doc(c.before);
        IniEditor editor(doc);
        for (const IniEdit& edit : c.edits)
            ASSERT_FALSE(editor.apply(edit).has_value());
        int calls = 0;
        editor.appendLater(late.size(), [&](std::string& out) {
            ++calls;
            out += late;
        });
        EXPECT_EQ(calls, 0) << "made before the text is asked for";
        EXPECT_EQ(editor.text(), c.after);
        EXPECT_EQ(calls, 1);
        // The same as the section made by an edit.
        std::vector<IniEdit> edits = c.edits;
        edits.push_back(E::set("n", "k", "v"));
        EXPECT_EQ(doc.withEdits(edits).text.value_or(""), c.after);
    }
}

TEST(IniDocumentEntries, ListsKeyLinesInFileOrder) {
    const IniDocument doc("[s]\r\n;c\r\nb = 2\r\nodd\r\na=\"1\"\r\nb=3\r\n");
    const auto entries = doc.entries("S");
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 3u);
    EXPECT_EQ((*entries)[0].key, "b");
    EXPECT_EQ((*entries)[0].value, "2");
    EXPECT_EQ((*entries)[1].value, "1");
    EXPECT_EQ((*entries)[2].value, "3");
    EXPECT_FALSE(doc.entries("t").has_value());
}

}  // namespace
}  // namespace store
