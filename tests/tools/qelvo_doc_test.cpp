// The qelvo-doc tool from outside, as a script would use it: what it prints, its exit status, and the document's
// bytes afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
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
// Runs a program of this machine on the scratch folder's files; its exit status.
int runProgram(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(QelvoDocTool, WritesTheChartWheelOfACardAsSvgThatRenders) {
    ScratchFolder folder;
    const std::string doc = (folder / "d.qelvo").string();
    ASSERT_EQ(runTool(folder, {doc, "set", "base", "ver", "1.0.6.18"}).status, 0);
    // 李<明>& in GBK: the name goes into the picture's title, escaped.
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{{"nick", "\xC0\xEE<\xC3\xF7>&"},
                                                                                     {"sun", "1"},
                                                                                     {"sunval", "10.00"},
                                                                                     {"moon", "7"},
                                                                                     {"moonval", "12.00"},
                                                                                     {"mercury", "0"},
                                                                                     {"mercuryval", "3.00"}}) {
        ASSERT_EQ(runTool(folder, {doc, "set", "ql_1", key, value}).status, 0);
    }
    const std::string svgPath = (folder / "wheel.svg").string();
    ToolRun run = runTool(folder, {doc, "chart", "10001", svgPath});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string svg = readBytes(folder / "wheel.svg");
    EXPECT_NE(svg.find("<title>10001 \xE6\x9D\x8E&lt;\xE6\x98\x8E&gt;&amp;</title>"), std::string::npos);
    EXPECT_NE(svg.find("\xE6\x9C\xAA\xE5\xAE\x9A"), std::string::npos);  // 未定: mercury has no sign
    EXPECT_EQ(runTool(folder, {doc, "chart", "10001"}).out, svg);        // the same on standard output
    EXPECT_EQ(runTool(folder, {doc, "chart", "10001", "-"}).out, svg);

    // Well-formed, and it renders at each size it is made for.
    EXPECT_EQ(runProgram("xmllint --noout " + quoted(svgPath)), 0);
    for (const char* pixels : {"300", "1200"}) {
        SCOPED_TRACE(pixels);
        const std::string sized = (folder / (std::string(pixels) + ".svg")).string();
        const std::string png = (folder / (std::string(pixels) + ".png")).string();
        ASSERT_EQ(runTool(folder, {doc, "chart", "10001", sized, pixels}).status, 0);
        EXPECT_NE(readBytes(sized).find("width=\"" + std::string(pixels) + "\""), std::string::npos);
        EXPECT_EQ(runProgram("xmllint --noout " + quoted(sized)), 0);
        ASSERT_EQ(runProgram("rsvg-convert " + quoted(sized) + " -o " + quoted(png)), 0);
        const std::string bytes = readBytes(png);
        ASSERT_GT(bytes.size(), 24u);
        EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
        const auto be32 = [&](std::size_t at) {
            return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16) |
                   (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
        };
        EXPECT_EQ(be32(16), std::stoi(pixels));  // the width in the PNG header
    }
}

TEST(QelvoDocTool, ChartRefusesWhatItCannotDrawAndSaysWhy) {
    ScratchFolder folder;
    const std::string doc = (folder / "d.qelvo").string();
    ASSERT_EQ(runTool(folder, {doc, "set", "base", "ver", "1.0.6.18"}).status, 0);
    ASSERT_EQ(runTool(folder, {doc, "set", "ql_1", "sun", "1"}).status, 0);
    const struct {
        std::vector<std::string> operands;
        int status;
    } cases[] = {
        {{"10002"}, 1},  // no such card
        {{"abc"}, 2},
        {{"5"}, 2},
        {{"10001x"}, 2},  // not a code
        {{"990001"}, 2},
        {{}, 2},  // out of range; missing
        {{"10001", "-", "50"}, 2},
        {{"10001", "-", "big"}, 2},                          // a size it does not make
        {{"10001", (folder / "no" / "w.svg").string()}, 2},  // a file it cannot write
        {{"10001", "-", "600", "extra"}, 2},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {doc, "chart"};
        args.insert(args.end(), c.operands.begin(), c.operands.end());
        SCOPED_TRACE(testing::PrintToString(c.operands));
        const ToolRun run = runTool(folder, args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
    // A disk that fills up mid-write (a file-size limit of 4 KiB; the picture is larger) leaves no file behind.
    const std::string cut = (folder / "cut.svg").string();
    EXPECT_EQ(runProgram("ulimit -f 4; " + quoted(QELVO_DOC_TOOL) + " " + quoted(doc) + " chart 10001 " + quoted(cut) +
                         " 2>/dev/null"),
              2);
    EXPECT_FALSE(std::filesystem::exists(cut));
}

}  // namespace
