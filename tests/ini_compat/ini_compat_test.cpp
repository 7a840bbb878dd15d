#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ini_script.h"
#include "script_generator.h"
#include "script_minimizer.h"
#include "store/ini_document.h"
#include "util/gbk.h"

namespace inicompat {
namespace {

TEST(IniScriptText, CarriesEveryByteOfNamesAndValues) {
    std::string everyByte;
    for (int c = 0; c < 256; ++c)
        everyByte += static_cast<char>(c);
    const IniScript script = {
        {IniOp::Kind::Set, everyByte, "k e y", ""},
        {IniOp::Kind::DeleteKey, "s", everyByte, {}},
        {IniOp::Kind::DeleteSection, "\x81\x5D", {}, {}},
        {IniOp::Kind::Clear, " ", {}, {}},
        {IniOp::Kind::Read, "s", "\r\n", {}},
    };
    std::string error;
    EXPECT_EQ(parseScript(formatScript(script), error), script) << error;
}

TEST(IniScriptText, RefusesLinesThatAreNotOperations) {
    const char* const lines[] = {
        "set x73 x6b",         // too few arguments
        "read x73 x6b x76",    // too many
        "write x73 x6b x76",   // no such operation
        "clear 73",            // no "x"
        "clear x7",            // half a byte
        "delete-section xzz",  // not hex
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        std::string error;
        EXPECT_FALSE(parseScript(std::string("# comment\nclear x73\n") + line + "\n", error));
        EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    }
}

TEST(IniScriptText, DescribesOutcomesReadably) {
    const IniOutcome outcome{std::string("[\x81\x5D]\r\nk=\"v\"\r\n"), {std::string("v"), std::nullopt}, {}};
    EXPECT_EQ(describeOutcome(formatOutcome(outcome)),
              "  file \"[\\x81]]\\r\\nk=\\\"v\\\"\\r\\n\"\n"
              "  read \"v\"\n"
              "  read (missing)\n");
}

TEST(ScriptGenerator, GivesTheSameScriptsForTheSameSeed) {
    ScriptGenerator a(7), b(7), c(8);
    std::vector<IniScript> fromA, fromB, fromC;
    for (int i = 0; i < 50; ++i) {
        fromA.push_back(a.next());
        fromB.push_back(b.next());
        fromC.push_back(c.next());
    }
    EXPECT_EQ(fromA, fromB);
    EXPECT_NE(fromA, fromC);
}

bool isValidGbk(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size(); pos += util::gbk::charLength(text, pos)) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c < 0x20 && c != '\t')
            return false;
        if (c >= 0x80 && util::gbk::charLength(text, pos) != 2)
            return false;
    }
    return true;
}

bool startsInBlank(std::string_view text) {
    return !text.empty() && (text.front() == ' ' || text.front() == '\t');
}

bool endsInBlank(std::string_view text) {
    return !text.empty() && (text.back() == ' ' || text.back() == '\t');
}

// Every script keeps to what both sides can be compared on, and the scripts together reach every case the
// comparison is for.
TEST(ScriptGenerator, StaysComparableAndReachesEveryCase) {
    ScriptGenerator generator(1);
    std::set<std::string> seen;
    auto see = [&seen](bool happened, const char* what) {
        if (happened)
            seen.insert(what);
    };
    for (int i = 0; i < 1000; ++i) {
        const IniScript script = generator.next();
        std::set<std::string> exactNames, foldedNames;
        for (const IniOp& op : script) {
            store::IniEdit edit;
            edit.section = op.section;
            edit.key = op.key;
            edit.value = op.value;
            if (op.kind == IniOp::Kind::Set || op.kind == IniOp::Kind::DeleteKey) {
                edit.kind =
                    op.kind == IniOp::Kind::Set ? store::IniEdit::Kind::SetValue : store::IniEdit::Kind::DeleteKey;
                ASSERT_EQ(store::IniDocument::checkEdit(edit), std::nullopt) << describeScript({op});
            }
            ASSERT_TRUE(isValidGbk(op.section) && isValidGbk(op.key) && isValidGbk(op.value)) << describeScript({op});
            ASSERT_FALSE(endsInBlank(op.section) || endsInBlank(op.key)) << describeScript({op});
            ASSERT_FALSE(startsInBlank(op.value) || endsInBlank(op.value)) << describeScript({op});
            if (op.kind != IniOp::Kind::Set && op.kind != IniOp::Kind::Read) {
                ASSERT_FALSE(startsInBlank(op.section) || startsInBlank(op.key)) << describeScript({op});
                ASSERT_TRUE(std::any_of(script.begin(), script.end(),
                                        [](const IniOp& other) { return other.kind == IniOp::Kind::Set; }))
                    << "a delete or clear on no file:\n"
                    << describeScript(script);
            }

            const std::string name = std::string(store::trimBlanks(op.section)) + "/" + op.key;
            see(exactNames.count(name) == 0 && foldedNames.count(util::gbk::foldAsciiCase(name)) != 0,
                "a name spelled in another case");
            exactNames.insert(name);
            foldedNames.insert(util::gbk::foldAsciiCase(name));
            for (const std::string* text : {&op.section, &op.key}) {
                see(util::gbk::contains(*text, "\x81\x41"), "81 41");
                see(util::gbk::contains(*text, "\x81\x61"), "81 61");
                see(util::gbk::contains(*text, "\x81\x5D"), "a GBK name with ]");
                see(util::gbk::contains(*text, "\x81\x5C"), "a GBK name with \\");
                see(startsInBlank(*text), "a name with leading blanks");
                see(store::trimBlanks(*text).find(' ') != std::string::npos, "a name with a blank inside");
            }
            see(op.value.find_first_of(" \t") != std::string::npos, "a value with a blank inside");
            see(op.value.find('=') != std::string::npos, "a value with =");
            see(op.value.find(';') != std::string::npos, "a value with ;");
            see(op.value.size() >= 2 && op.value.front() == '"' && op.value.back() == '"', "a value in quotes");
            see(op.value.size() > 1000, "a long value");
            see(op.kind == IniOp::Kind::DeleteKey, "delete a key");
            see(op.kind == IniOp::Kind::DeleteSection, "delete a section");
            see(op.kind == IniOp::Kind::Clear, "clear a section");
            see(op.kind == IniOp::Kind::Read, "read");
        }
    }
    const char* const expected[] = {
        "a name spelled in another case",
        "81 41",
        "81 61",
        "a GBK name with ]",
        "a GBK name with \\",
        "a name with leading blanks",
        "a name with a blank inside",
        "a value with a blank inside",
        "a value with =",
        "a value with ;",
        "a value in quotes",
        "a long value",
        "delete a key",
        "delete a section",
        "clear a section",
        "read",
    };
    for (const char* what : expected)
        EXPECT_EQ(seen.count(what), 1u) << what;
}

TEST(ScriptMinimizer, KeepsOnlyTheOperationsThatMatter) {
    IniScript script;
    for (int i = 0; i < 40; ++i)
        script.push_back({IniOp::Kind::Set, "s", std::to_string(i), "v"});
    // The difference needs operations 3 and 31, in that order.
    int batches = 0;
    auto stillFails = [&batches](const std::vector<IniScript>& candidates) {
        ++batches;
        std::vector<bool> fails;
        for (const IniScript& candidate : candidates) {
            auto at = [&candidate](const char* key) {
                return std::find_if(candidate.begin(), candidate.end(),
                                    [key](const IniOp& op) { return op.key == key; });
            };
            fails.push_back(at("3") != candidate.end() && at("31") != candidate.end() && at("3") < at("31"));
        }
        return fails;
    };
    const IniScript smallest = minimizeScript(script, stillFails);
    ASSERT_EQ(smallest.size(), 2u);
    EXPECT_EQ(smallest[0].key, "3");
    EXPECT_EQ(smallest[1].key, "31");
    EXPECT_LE(batches, 20);
}

TEST(ScriptMinimizer, LeavesAScriptAloneWhenNothingCanGo) {
    const IniScript script = {{IniOp::Kind::Set, "s", "a", "1"}, {IniOp::Kind::Read, "s", "a", {}}};
    auto onlyWhole = [&script](const std::vector<IniScript>& candidates) {
        return std::vector<bool>(candidates.size(), false);
    };
    EXPECT_EQ(minimizeScript(script, onlyWhole), script);
}

}  // namespace
}  // namespace inicompat
