// The qelvo-doc tool from outside, as a script would use it: what it prints, its exit status, and the document's
// bytes afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// The tool run by the shell with args, standard output and error into files of the folder; prefix, when given, is
// shell text before the tool's environment and name (a limit, or a program that runs it: a time limit, another user).
ToolRun runTool(const ScratchFolder& folder,
                const std::vector<std::string>& args,
                const std::string& locale = "C.UTF-8",
                const std::string& prefix = "") {
    std::string command = prefix + " env LC_ALL=" + locale + " " + quoted(QELVO_DOC_TOOL);
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
        {{doc, "get", "base", "ver"}, 1, ""},  // no document yet: missing, and none is made
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
        std::vector<std::string> args = step.args;
        args.insert(args.begin(), "--raw");  // GBK bytes both ways, whatever the terminal speaks
        const ToolRun run = runTool(folder, args);
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
    writeBytes(
        folder / "l.qelvo",
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

// The codes in the first column of the tool's rows, in order.
std::vector<std::string> firstColumn(const std::string& rows) {
    std::vector<std::string> codes;
    for (std::size_t at = 0; at < rows.size();) {
        const std::size_t end = std::min(rows.find('\n', at), rows.size());
        codes.push_back(rows.substr(at, rows.find('\t', at) - at));
        at = end + 1;
    }
    return codes;
}

TEST(QelvoDocTool, EveryCommandSeesTheCardsTheDocumentHolds) {
    // Cards 1, 3 and 7, each born at 08:00 on 1 July 1988 in Beijing (summer time) with the zone of UTC+8, whatever
    // "uLastInd" says: below the highest card, far above it, or missing. "ql_07" is no card's section.
    const std::string card = "nick=x\r\nsrday=1988.7.1,0800\r\ntimezone=5\r\narea=\xD6\xD0\xB9\xFA\xB1\xB1\xBE\xA9\r\n";
    std::string current, old = "[ql]\r\n";
    for (const int n : {1, 3, 7}) {
        const std::string code = std::to_string(10000 + n);
        current += "[ql_" + std::to_string(n) + "]\r\nuInd=" + code + "\r\n" + card;
        old += "uInd_" + std::to_string(n) + "=" + code + "\r\n";
        for (std::size_t at = 0; at < card.size();) {
            const std::size_t equals = card.find('=', at), end = card.find('\r', at);
            old += card.substr(at, equals - at) + "_" + std::to_string(n) + card.substr(equals, end + 2 - equals);
            at = end + 2;
        }
    }
    current += "[ql_07]\r\nuInd=99999\r\n" + card;
    const struct {
        const char* name;
        std::string document;
    } cases[] = {
        {"current form, uLastInd below the cards", "[base]\r\nver=1.0.6.18\r\nuLastInd=2\r\n" + current},
        {"current form, uLastInd at the largest number", "[base]\r\nver=1.0.6.18\r\nuLastInd=2147483647\r\n" + current},
        {"current form, no uLastInd", "[base]\r\nver=1.0.6.18\r\n" + current},
        {"old form, uLastInd below the cards", "[base]\r\nuLastInd=2\r\n" + old},
        {"old form, uLastInd at the largest number", "[base]\r\nuLastInd=2147483647\r\n" + old},
    };
    const std::vector<std::string> held = {"10007", "10003", "10001"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::string doc = (folder / "d.qelvo").string();
        writeBytes(doc, c.document);
        const ToolRun zones = runTool(folder, {doc, "zones"});
        EXPECT_EQ(zones.status, 0) << zones.err;
        EXPECT_EQ(firstColumn(zones.out), held);
        const ToolRun found = runTool(folder, {doc, "find", "\xE5\x8C\x97\xE4\xBA\xAC"});  // 北京
        EXPECT_EQ(found.status, 0) << found.err;
        EXPECT_EQ(firstColumn(found.out), held);
        const ToolRun exported = runTool(folder, {doc, "export", "csv", (folder / "all.csv").string()});
        EXPECT_EQ(exported.status, 0) << exported.err;
        EXPECT_NE(exported.err.find(utf8(u8"已导出 3 张卡片")), std::string::npos) << exported.err;
    }
}

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
        ASSERT_EQ(runTool(folder, {"--raw", doc, "set", "ql_1", key, value}).status, 0);
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

// 张三 and 备注 in the two encodings; a character GBK lacks (an emoji); half a UTF-8 character.
const std::string kZhangSanUtf8 = "\xE5\xBC\xA0\xE4\xB8\x89";
const std::string kZhangSanGbk = "\xD5\xC5\xC8\xFD";
const std::string kMemoUtf8 = "\xE5\xA4\x87\xE6\xB3\xA8";
const std::string kMemoGbk = "\xB1\xB8\xD7\xA2";
const std::string kNotInGbk = "\xF0\x9F\x98\x80";
const std::string kBrokenUtf8 = "\xE5\xBC";

bool isUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size())
            return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2)
                return false;
        }
        i += n;
    }
    return true;
}

TEST(QelvoDocTool, SpeaksAUtf8TerminalsEncodingBothWays) {
    ScratchFolder folder;
    const std::string doc = (folder / "u.qelvo").string();
    const std::string utf8 = "zh_CN.UTF-8";
    EXPECT_EQ(runTool(folder, {doc, "set", "ql_1", "nick", kZhangSanUtf8}, utf8).status, 0);
    EXPECT_EQ(runTool(folder, {doc, "set", kMemoUtf8, kMemoUtf8, "a" + kZhangSanUtf8}, utf8).status, 0);
    const std::string stored =
        "[ql_1]\r\nnick=" + kZhangSanGbk + "\r\n[" + kMemoGbk + "]\r\n" + kMemoGbk + "=a" + kZhangSanGbk + "\r\n";
    EXPECT_EQ(readBytes(folder / "u.qelvo"), stored);
    EXPECT_EQ(runTool(folder, {doc, "get", "ql_1", "nick"}, utf8).out, kZhangSanUtf8);
    EXPECT_EQ(runTool(folder, {doc, "get", kMemoUtf8, kMemoUtf8}, utf8).out, "a" + kZhangSanUtf8);

    // An argument that GBK cannot hold, or that is no UTF-8 at all, is refused before anything is written.
    const std::vector<std::string> refused[] = {
        {doc, "set", "ql_1", "nick", kNotInGbk},
        {doc, "set", "ql_1", kNotInGbk, "x"},
        {doc, "set", kBrokenUtf8, "nick", "x"},
        {doc, "delete", kNotInGbk},
    };
    for (const auto& args : refused) {
        SCOPED_TRACE(args[1] + " " + args[2]);
        const ToolRun run = runTool(folder, args, utf8);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("GBK"), std::string::npos);
        EXPECT_TRUE(isUtf8(run.err)) << run.err;
    }
    EXPECT_EQ(readBytes(folder / "u.qelvo"), stored);

    // --raw, before or after the document: GBK bytes both ways.
    EXPECT_EQ(runTool(folder, {"--raw", doc, "get", "ql_1", "nick"}, utf8).out, kZhangSanGbk);
    EXPECT_EQ(runTool(folder, {doc, "--raw", "set", kMemoGbk, "k", kZhangSanGbk}, utf8).status, 0);
    EXPECT_EQ(runTool(folder, {doc, "get", kMemoUtf8, "k"}, utf8).out, kZhangSanUtf8);
    // Messages are in the terminal's encoding too.
    const ToolRun wrong = runTool(folder, {doc, "frobnicate"}, utf8);
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(isUtf8(wrong.err) && wrong.err.find("\xE7\x94\xA8\xE6\xB3\x95") != std::string::npos) << wrong.err;
}

// Whether the system has a locale of that name (as `locale -a` spells it).
bool hasLocale(const std::string& name) {
    std::FILE* list = ::popen("locale -a 2>/dev/null", "r");
    if (list == nullptr)
        return false;
    std::string all;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, list) != nullptr)
        all += buffer;
    ::pclose(list);
    return ("\n" + all).find("\n" + name + "\n") != std::string::npos;
}

TEST(QelvoDocTool, PassesBytesThroughInGbkAndPlainLocales) {
    std::vector<std::string> locales = {"C"};
    for (const char* gbk : {"zh_CN.gb18030", "zh_CN.gbk", "zh_CN.GB18030", "zh_CN.GBK"}) {
        if (hasLocale(gbk))
            locales.emplace_back(gbk);
    }
    for (const std::string& locale : locales) {
        SCOPED_TRACE(locale);
        ScratchFolder folder;
        const std::string doc = (folder / "g.qelvo").string();
        EXPECT_EQ(runTool(folder, {doc, "set", kMemoGbk, "nick", kZhangSanGbk}, locale).status, 0);
        EXPECT_EQ(readBytes(folder / "g.qelvo"), "[" + kMemoGbk + "]\r\nnick=" + kZhangSanGbk + "\r\n");
        EXPECT_EQ(runTool(folder, {doc, "get", kMemoGbk, "nick"}, locale).out, kZhangSanGbk);
    }
}

const std::string kOldDocument =
    "[base]\r\nnewcode=10004\r\nuLastInd=3\r\n[ql]\r\nuInd_1=10001\r\nnick_1=" + kZhangSanGbk +
    "\r\nuInd_3=10003\r\nnick_3=b\r\nhobby_2=go\r\nnick_7=late\r\nmisc=kept\r\n";

TEST(QelvoDocTool, UpgradesAnOldDocumentOnlyOnce) {
    ScratchFolder folder;
    const std::string doc = (folder / "o.qelvo").string();
    writeBytes(folder / "o.qelvo", kOldDocument);
    const ToolRun first = runTool(folder, {doc, "upgrade"});
    EXPECT_EQ(first.status, 0) << first.err;
    const std::string upgraded = readBytes(folder / "o.qelvo");
    EXPECT_NE(upgraded.find("[ql_1]\r\nuInd=10001\r\nnick=" + kZhangSanGbk + "\r\n"), std::string::npos);

    const ToolRun again = runTool(folder, {doc, "upgrade"});
    EXPECT_EQ(again.status, 3);
    EXPECT_FALSE(again.err.empty());
    EXPECT_TRUE(isUtf8(again.err));
    EXPECT_EQ(readBytes(folder / "o.qelvo"), upgraded);
    EXPECT_EQ(runTool(folder, {doc, "--raw", "get", "ql_1", "nick"}).out, kZhangSanGbk);

    const ToolRun missing = runTool(folder, {(folder / "none.qelvo").string(), "upgrade"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_FALSE(missing.err.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "none.qelvo"));
}

TEST(QelvoDocTool, TwoUpgradesStartedTogetherConvertOnce) {
    ScratchFolder folder;
    writeBytes(folder / "ref.qelvo", kOldDocument);
    ASSERT_EQ(runTool(folder, {(folder / "ref.qelvo").string(), "upgrade"}).status, 0);
    const std::string expected = readBytes(folder / "ref.qelvo");
    const std::string doc = quoted((folder / "c.qelvo").string());
    const std::string tool = quoted(QELVO_DOC_TOOL);
    const std::string status1 = quoted((folder / "s1").string()), status2 = quoted((folder / "s2").string());
    const std::string command = "(" + tool + " " + doc + " upgrade 2>/dev/null; echo $? >" + status1 + ") & (" + tool +
                                " " + doc + " upgrade 2>/dev/null; echo $? >" + status2 + ") & wait";
    const auto start = std::chrono::steady_clock::now();
    int rounds = 0;
    for (; rounds < 100 && std::chrono::steady_clock::now() - start < std::chrono::seconds(3); ++rounds) {
        writeBytes(folder / "c.qelvo", kOldDocument);
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::vector<std::string> statuses = {readBytes(folder / "s1"), readBytes(folder / "s2")};
        std::sort(statuses.begin(), statuses.end());
        ASSERT_EQ(statuses, (std::vector<std::string>{"0\n", "3\n"})) << "round " << rounds;
        ASSERT_EQ(readBytes(folder / "c.qelvo"), expected) << "round " << rounds;
    }
    EXPECT_GT(rounds, 0);
}

#if defined(__SANITIZE_ADDRESS__)
#define QELVO_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QELVO_TEST_UNDER_ASAN 1
#endif
#endif

TEST(QelvoDocTool, EndsWithAMessageWhenMemoryRunsOut) {
#if defined(QELVO_TEST_UNDER_ASAN)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
    ScratchFolder folder;
    std::string old = "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql]\r\n";
    const std::string filler(40, 'x');
    for (int i = 0; i < 400000; ++i)
        old += "hobby" + std::to_string(i) + "_1=" + filler + "\r\n";
    writeBytes(folder / "big.qelvo", old);
    // 60 MB of address space: enough to start, not enough to upgrade a 22 MB document.
    const std::string command = "ulimit -v 60000; LC_ALL=C.UTF-8 " + quoted(QELVO_DOC_TOOL) + " " +
                                quoted((folder / "big.qelvo").string()) + " upgrade 2>" +
                                quoted((folder / "err").string());
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_FALSE(readBytes(folder / "err").empty());
    EXPECT_EQ(readBytes(folder / "big.qelvo"), old);
}

TEST(QelvoDocTool, FindsExportsAndImportsCards) {
    ScratchFolder folder;
    const std::string doc = (folder / "d.qelvo").string();
    writeBytes(
        folder / "d.qelvo",
        "[base]\r\nver=1.0.6.18\r\nnewcode=10004\r\nuLastInd=3\r\n[ql_1]\r\nuInd=10001\r\nnick=\xD5\xC5\xC8\xFD\r\n"
        "sun=10\r\nmemo=a,\"b\"|c\r\n[ql_3]\r\nuInd=10003\r\nnick=Anna\r\nsrday=1991.1.2,1255\r\ntimezone=5\r\n");
    const ToolRun list = runTool(folder, {doc, "list"});
    ASSERT_EQ(list.status, 0) << list.err;

    // find: the rows of the list that hold the text, printed as list prints them.
    const ToolRun found = runTool(folder, {doc, "find", "\xE5\xBC\xA0"});  // 张, typed in a UTF-8 terminal
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, list.out.substr(list.out.find("10001\t")));
    EXPECT_EQ(runTool(folder, {doc, "find", "ANNA"}).out, list.out.substr(0, list.out.find('\n') + 1));

    for (const char* format : {"csv", "aaf"}) {
        SCOPED_TRACE(format);
        const ToolRun toStdout = runTool(folder, {doc, "export", format});
        EXPECT_EQ(toStdout.status, 0) << toStdout.err;
        const std::string file = (folder / (std::string("cards.") + format)).string();
        EXPECT_EQ(runTool(folder, {doc, "export", format, file}).status, 0);
        EXPECT_EQ(readBytes(file), toStdout.out);

        const std::string copy = (folder / (std::string("copy-") + format + ".qelvo")).string();
        const ToolRun imported = runTool(folder, {copy, "import", format, file});
        EXPECT_EQ(imported.status, 0) << imported.err;
        const ToolRun copied = runTool(folder, {copy, "list"});
        // The two cards get the next free codes of the new document: 10001 and 10002.
        EXPECT_EQ(copied.out.substr(0, 6), "10002\t");
        EXPECT_NE(copied.out.find("Anna\t1991.1.2,1255"), std::string::npos);
        EXPECT_NE(copied.out.find("10001\t\xE5\xBC\xA0\xE4\xB8\x89"), std::string::npos);  // UTF-8 张三
    }
    EXPECT_NE(readBytes(folder / "copy-csv.qelvo").find("memo=a,\"b\"|c\r\n"), std::string::npos);
}

TEST(QelvoDocTool, ImportListsWhatItSkipsAndRefusesWhatItCannotRead) {
    ScratchFolder folder;
    const std::string doc = (folder / "d.qelvo").string();
    writeBytes(folder / "in.csv", "name,area\r\nAnna,x\r\n\"open\r\n");
    writeBytes(folder / "none.csv", "name\r\n\xFF\r\n");
    const ToolRun partly = runTool(folder, {doc, "import", "csv", (folder / "in.csv").string()});
    EXPECT_EQ(partly.status, 0);
    EXPECT_NE(partly.err.find("3"), std::string::npos) << partly.err;  // the line of the open quote
    EXPECT_NE(readBytes(folder / "d.qelvo").find("nick=Anna"), std::string::npos);
    const std::string before = readBytes(folder / "d.qelvo");

    const struct {
        std::vector<std::string> args;
    } refused[] = {
        {{doc, "import", "csv", (folder / "none.csv").string()}},
        {{doc, "import", "csv", (folder / "missing.csv").string()}},
        {{doc, "import", "csv", folder.path().string()}},
        {{doc, "import", "xml", (folder / "in.csv").string()}},
        {{doc, "export", "xml"}},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.args[3 < r.args.size() ? 3 : 2]);
        const ToolRun run = runTool(folder, r.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_EQ(readBytes(folder / "d.qelvo"), before);
    // A folder is said to be one.
    const ToolRun fromFolder = runTool(folder, {doc, "import", "aaf", folder.path().string()});
    EXPECT_NE(fromFolder.err.find("\xE6\x96\x87\xE4\xBB\xB6\xE5\xA4\xB9"), std::string::npos) << fromFolder.err;
}

// The names in a folder, sorted.
std::vector<std::string> entryNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::string kOneCard =
    "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=10001\r\nnick=x\r\nsun=1\r\nsunval=10."
    "00\r\n";

TEST(QelvoDocTool, RefusesToWriteOverTheDocumentHoweverItIsNamed) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "sub");
    const std::filesystem::path doc = folder / "d.qelvo";
    writeBytes(doc, kOneCard);
    std::filesystem::create_symlink(doc, folder / "link.svg");
    std::filesystem::create_hard_link(doc, folder / "hard.svg");
    writeBytes(folder / "out", "");  // where runTool puts the tool's output and messages
    writeBytes(folder / "err", "");
    const std::vector<std::string> before = entryNames(folder.path());
    const std::string names[] = {
        doc.string(),
        (folder / "link.svg").string(),
        (folder.path() / "." / "d.qelvo").string(),
        (folder.path() / "sub" / ".." / "d.qelvo").string(),
        std::filesystem::relative(doc).string(),  // from the test's own folder: "../.." up to the scratch folder
        (folder / "hard.svg").string(),
    };
    const std::vector<std::string> commands[] = {{"export", "csv"}, {"export", "aaf"}, {"chart", "10001"}};
    for (const std::string& name : names) {
        for (const std::vector<std::string>& command : commands) {
            SCOPED_TRACE(command[0] + " " + command[1] + " " + name);
            std::vector<std::string> args = {doc.string()};
            args.insert(args.end(), command.begin(), command.end());
            args.push_back(name);
            const ToolRun run = runTool(folder, args);
            EXPECT_EQ(run.status, 2);
            EXPECT_NE(run.err.find(utf8(u8"就是文档本身")), std::string::npos) << run.err;
            EXPECT_EQ(readBytes(doc), kOneCard);
        }
    }
    EXPECT_EQ(entryNames(folder.path()), before);

    // A document that does not exist yet: its name, however it is spelt, is not taken for the export either.
    const std::filesystem::path fresh = folder / "new.qelvo";
    std::filesystem::create_symlink("new.qelvo", folder / "to-new");
    for (const std::filesystem::path& name : {fresh, folder.path() / "sub" / ".." / "new.qelvo", folder / "to-new"}) {
        SCOPED_TRACE(name.string());
        const ToolRun run = runTool(folder, {fresh.string(), "export", "csv", name.string()});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(utf8(u8"就是文档本身")), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(fresh));
    }
}

// What stands at an output's name before and after a command that must leave it alone.
std::string describe(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, ec);
    switch (status.type()) {
        case std::filesystem::file_type::regular:
            return "file " + std::to_string(static_cast<unsigned>(status.permissions())) + " " + readBytes(path);
        case std::filesystem::file_type::directory:
            return "folder of " + std::to_string(entryNames(path).size());
        case std::filesystem::file_type::fifo:
            return "pipe";
        case std::filesystem::file_type::character:
            return "device";
        default:
            return "nothing";
    }
}

TEST(QelvoDocTool, WritesOutputFilesOnlyAsRegularFilesReplacedWhole) {
    ScratchFolder folder;
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);  // for the unprivileged user below
    const std::filesystem::path doc = folder / "d.qelvo";
    // Enough cards that the export, like the picture, is larger than the file-size limit below.
    std::string document = "[base]\r\nver=1.0.6.18\r\nnewcode=10041\r\nuLastInd=40\r\n";
    for (int n = 1; n <= 40; ++n)
        document += "[ql_" + std::to_string(n) + "]\r\nuInd=" + std::to_string(10000 + n) +
                    "\r\nnick=x\r\nsun=1\r\nsunval=10.00\r\nmemo=" + std::string(200, 'm') + "\r\n";
    writeBytes(doc, document);
    std::filesystem::permissions(doc, std::filesystem::perms(0644));
    writeBytes(folder / "out", "");  // where runTool puts the tool's output and messages
    writeBytes(folder / "err", "");

    // Running the tool as another user, when the test runs as the administrator (who may write any file).
    const bool root = ::geteuid() == 0;
    const std::string asUser = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    const bool userRuns = !root || runTool(folder, {}, "C.UTF-8", asUser).status == 2;
    const struct {
        const char* name;
        std::function<bool(const std::filesystem::path&)> make;  // false: not possible here
        std::string prefix;
    } cases[] = {
        {"an empty folder", [](const auto& out) { return std::filesystem::create_directory(out); }, ""},
        {"a named pipe", [](const auto& out) { return ::mkfifo(out.c_str(), 0600) == 0; }, ""},
        // The test's own node of the full device, never the system's.
        {"a device node", [](const auto& out) { return ::mknod(out.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0; },
         ""},
        {"a read-only file of the user's",
         [&](const auto& out) {
             writeBytes(out, "kept");
             std::filesystem::permissions(out, std::filesystem::perms(0444));
             return userRuns && (!root || ::chown(out.c_str(), 65534, 65534) == 0);
         },
         asUser},
        {"a file on a full disk",
         [](const auto& out) {
             writeBytes(out, "kept");
             return true;
         },
         "ulimit -f 4;"},
    };
    const std::vector<std::string> commands[] = {{"chart", "10001"}, {"export", "csv"}};
    for (const auto& c : cases) {
        for (const std::vector<std::string>& command : commands) {
            SCOPED_TRACE(std::string(c.name) + ", " + command[0]);
            const std::filesystem::path out = folder / "out.svg";
            if (!c.make(out)) {
                std::printf("%s: not possible here, left out\n", c.name);
                std::filesystem::remove(out);
                continue;
            }
            const std::string made = describe(out);
            const std::vector<std::string> before = entryNames(folder.path());
            std::vector<std::string> args = {doc.string()};
            args.insert(args.end(), command.begin(), command.end());
            args.push_back(out.string());
            // Bounded in time: a command that waits on the pipe for a reader is ended and fails the test.
            const ToolRun run = runTool(folder, args, "C.UTF-8", c.prefix + " timeout -s KILL 30");
            EXPECT_EQ(run.status, 2);
            EXPECT_NE(run.err, "");
            EXPECT_EQ(describe(out), made);
            EXPECT_EQ(entryNames(folder.path()), before);
            EXPECT_EQ(readBytes(doc), document);
            std::filesystem::remove(out);
        }
    }
}

// Where standard output goes in a run that cannot write it.
enum class Sink { FileSizeLimit, ClosedPipe, Closed };

// The tool started with standard output into sink, its standard error read through a pipe, and its status; a run
// ended by a signal has the status -signal.
ToolRun runToolInto(Sink sink, const ScratchFolder& folder, const std::vector<std::string>& args) {
    int err[2], out[2];
    if (::pipe(err) != 0 || ::pipe(out) != 0)
        return {-1000, "", "no pipe"};
    ::close(out[0]);  // nobody will read what the tool writes there
    const std::string file = (folder / "out").string();
    std::vector<std::string> words = {QELVO_DOC_TOOL};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(err[1], 2);
        if (sink == Sink::FileSizeLimit) {
            const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            const rlimit none{0, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &none);
        } else if (sink == Sink::ClosedPipe) {
            ::dup2(out[1], 1);
        } else {
            ::close(1);
        }
        // As a shell starts it: the signals a program may die of at their defaults.
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGXFSZ, SIG_DFL);
        ::setenv("LC_ALL", "C.UTF-8", 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(err[1]);
    ::close(out[1]);
    ToolRun run{-1000, "", ""};
    char buffer[4096];
    for (ssize_t n; (n = ::read(err[0], buffer, sizeof buffer)) > 0;)
        run.err.append(buffer, static_cast<std::size_t>(n));
    ::close(err[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return run;
}

TEST(QelvoDocTool, AFailedWriteToStandardOutputFailsTheCommand) {
    ScratchFolder folder;
    const std::string doc = (folder / "d.qelvo").string();
    writeBytes(doc,
               "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=10001\r\nnick=x\r\n"
               "srday=1988.7.1,0800\r\ntimezone=5\r\narea=\xD6\xD0\xB9\xFA\r\nsun=1\r\n");
    const std::vector<std::string> commands[] = {
        {"list"}, {"get", "ql_1", "nick"}, {"find", "x"}, {"zones"}, {"chart", "10001"}, {"export", "csv"},
    };
    const std::pair<Sink, const char*> sinks[] = {
        {Sink::FileSizeLimit, "a full disk"}, {Sink::ClosedPipe, "a pipe nobody reads"}, {Sink::Closed, "closed"}};
    for (const auto& [sink, sinkName] : sinks) {
        for (const std::vector<std::string>& command : commands) {
            SCOPED_TRACE(std::string(sinkName) + ", " + command[0]);
            std::vector<std::string> args = {doc};
            args.insert(args.end(), command.begin(), command.end());
            const ToolRun run = runToolInto(sink, folder, args);
            EXPECT_EQ(run.status, 2);
            EXPECT_NE(run.err.find(utf8(u8"无法写出到标准输出")), std::string::npos) << run.err;
        }
    }
}

}  // namespace
