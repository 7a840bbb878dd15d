// The qelvo-doc tool from outside, as a script would use it: what it prints, its exit status, and the document's
// bytes afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "scratch.h"

namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;
using testing_support::writeBytes;

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& word) {
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

ToolRun runTool(const ScratchFolder& folder, const std::vector<std::string>& args) {
    std::string command = "LC_ALL=C.UTF-8 " + quoted(QELVO_DOC_TOOL);
    for (const std::string& arg : args)
        command += " " + quoted(arg);
    command += " >" + quoted((folder / "out").string()) + " 2>" + quoted((folder / "err").string());
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(folder / "out"), readBytes(folder / "err")};
}

TEST(QelvoDocTool, ReadsAndWritesValuesAsBytes) {
    ScratchFolder folder;
    const std::string doc = (folder / "d.qelvo").string();
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
    } steps[] = {
        {{doc, "get", "base", "ver"}, 1, ""},                  // no document yet: missing, and none is made
        {{doc, "set", "base", "ver", "1.0.6.18"}, 0, ""},
        {{doc, "set", "ql_1", "nick", "\xD5\xC5\xC8\xFD"}, 0, ""},
        {{doc, "set", "ql_1", "memo", " a=b;c "}, 0, ""},
        {{doc, "get", "QL_1", "NICK"}, 0, "\xD5\xC5\xC8\xFD"},  // the bytes exactly, no line break
        {{doc, "get", "ql_1", "memo"}, 0, "a=b;c"},             // outer blanks trimmed, as the document reads
        {{doc, "get", "ql_1", "area"}, 1, ""},
        {{doc, "clear", "ql_1"}, 0, ""},
        {{doc, "delete", "base"}, 0, ""},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.args[1] + " " + step.args[2]);
        const ToolRun run = runTool(folder, step.args);
        EXPECT_EQ(run.status, step.status) << run.err;
        EXPECT_EQ(run.out, step.out);
    }
    EXPECT_EQ(readBytes(folder / "d.qelvo"), "[ql_1]\r\n");
}

TEST(QelvoDocTool, SaysWhyItFails) {
    ScratchFolder folder;
    const std::string missing = (folder / "no" / "d.qelvo").string();
    const struct {
        std::vector<std::string> args;
    } cases[] = {
        {{missing, "set", "base", "ver", "1"}},
        {{(folder / "d.qelvo").string(), "set", "a]b", "k", "v"}},
        {{(folder / "d.qelvo").string(), "frobnicate"}},
        {{(folder / "d.qelvo").string(), "get", "base"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const ToolRun run = runTool(folder, c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "no"));
    EXPECT_FALSE(std::filesystem::exists(folder / "d.qelvo"));
}

TEST(QelvoDocTool, ListsThePersonListInUtf8) {
    ScratchFolder folder;
    writeBytes(folder / "l.qelvo",
               "[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=2\r\n[ql_1]\r\nuInd=10001\r\nnick=\xD5\xC5\xC8\xFD\r\n"
               "sun=10\r\nmoon=13\r\n[ql_2]\r\nuInd=10002\r\nsrday=1991.1.2\r\n");
    const ToolRun run = runTool(folder, {(folder / "l.qelvo").string(), "list"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "10002\t\t1991.1.2\t\t\t\t\t\t\t\t\t\t\t\n"
              "10001\t\xE5\xBC\xA0\xE4\xB8\x89\t\t\t\xE6\x91\xA9\t\t\t\t\t\t\t\t\t\n");  // UTF-8 张三, 摩
}

std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

TEST(QelvoDocTool, ListsTheCardsWhoseZoneDisagreesWithTheClocksOfTheirBirthPlace) {
    ScratchFolder folder;
    std::string document = "[base]\r\nver=1.0.6.18\r\nnewcode=10010\r\nuLastInd=9\r\n";
    const struct {
        const char* name;
        const char* birthday;
        int zone;
        const char* area;
    } cards[] = {
        {"张三", "1988.7.1,0800", 5, "中国北京"},  // summer time: the clocks at UTC+9
        {"李四", "1988.7.1,0800", 4, "中国"},      // computed with the clocks' offset
        {"王五", "1988.12.1,0800", 5, "中国"},     // winter
        {"赵六", "1988.4.17,0230", 5, "中国"},     // skipped by the clocks
        {"孙七", "1988.9.11,0130", 5, "中国"},     // shown twice, once at UTC+8
        {"周八", "1988.7.1,0800", 18, "美国"},     // several civil times
        {"吴九", "2000.7.1,0800", 8, "印度"},      // UTC+5:30
        {"郑十", "1988.7.1", 5, "中国"},           // no time of day
        {"钱一", "不详", 5, "中国"},               // no birthday
    };
    int n = 0;
    for (const auto& card : cards) {
        ++n;
        document += "[ql_" + std::to_string(n) + "]\r\nuInd=" + std::to_string(10000 + n) + "\r\nnick=" + card.name +
                    "\r\nsrday=" + card.birthday + "\r\ntimezone=" + std::to_string(card.zone) +
                    "\r\narea=" + card.area + "\r\n";
    }
    writeBytes(folder / "z.qelvo", document);
    const ToolRun run = runTool(folder, {(folder / "z.qelvo").string(), "zones"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, utf8(u8"10007\t吴九\t2000.7.1,0800\t东5区\tUTC+5:30（标准时）\n"
                            u8"10004\t赵六\t1988.4.17,0230\t东8区\t不存在：UTC+8（标准时）拨快到UTC+9（夏令时）\n"
                            u8"10001\t张三\t1988.7.1,0800\t东8区\tUTC+9（夏令时）\n"));

    // Only cards that agree: nothing listed, status 1.
    writeBytes(folder / "a.qelvo",
               "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=10001\r\n"
               "srday=1988.7.1,0800\r\ntimezone=4\r\narea=中国\r\n");
    const ToolRun none = runTool(folder, {(folder / "a.qelvo").string(), "zones"});
    EXPECT_EQ(none.status, 1) << none.err;
    EXPECT_EQ(none.out, "");
}

}  // namespace
