// qelvo-doc lunar and solar from outside: the Chinese calendar both ways without a document, what each prints and
// its exit status, and a document that happens to be named "lunar" still reached by the document commands.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "scratch.h"
#include "util/text_codec.h"

namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;
using testing_support::writeBytes;

struct ToolOutcome {
    int status;
    std::string out;
    std::string err;
};

// The tool run in folder with the arguments (GBK with --raw first, else UTF-8 in a UTF-8 terminal).
ToolOutcome runIn(const ScratchFolder& folder, const std::vector<std::string>& args) {
    auto quoted = [](const std::string& word) {
        std::string q = "'";
        for (char c : word)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    std::string command = "cd " + quoted(folder.path().string()) + " && LC_ALL=C.UTF-8 " + quoted(QELVO_DOC_TOOL);
    for (const std::string& arg : args)
        command += " " + quoted(arg);
    command += " >out 2>err";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(folder / "out"), readBytes(folder / "err")};
}

TEST(QelvoDocCalendar, ConvertsBothWaysWithoutADocument) {
    const struct {
        const char* command;
        const char* text;
        int status;
        const char* out;
        const char* err;  // the start of the message
    } cases[] = {
        {"lunar", "1991.1.2", 0, "庚午马年十一月十七\n", ""},
        {"lunar", "2033-12-22 08:00", 0, "癸丑牛年闰十一月初一\n", ""},
        {"lunar", "农历1990年闰五月初一", 0, "庚午马年闰五月初一\n", ""},
        {"lunar", "1850.1.1", 1, "", "1850年1月1日不在农历可换算的范围（农历1899年至2100年）内。\n"},
        {"lunar", "昨天", 2, "", "请输入正确的日期内容！\n"},
        {"solar", "农历1990年十一月十七，1255", 0, "1991.1.2,1255\n", ""},
        {"solar", "阴历1990.11.17", 0, "1991.1.2\n", ""},
        {"solar", "1990.11.17", 0, "1991.1.2\n", ""},  // the mark may be left out
        {"solar", "农历1990年闰十一月初一", 2, "", "农历1990年没有闰十一月（这一年闰五月）！\n"},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.text);
        const ToolOutcome raw = runIn(folder, {"--raw", c.command, c.text});
        EXPECT_EQ(raw.status, c.status);
        EXPECT_EQ(raw.out, c.out);
        EXPECT_EQ(raw.err, c.err);
        // In a UTF-8 terminal the same, in UTF-8.
        const ToolOutcome utf8 = runIn(folder, {c.command, util::gbkToUtf8(c.text, true).value()});
        EXPECT_EQ(utf8.status, c.status);
        EXPECT_EQ(utf8.out, util::gbkToUtf8(c.out, true).value());
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "lunar"));
    EXPECT_FALSE(std::filesystem::exists(folder / "solar"));
}

TEST(QelvoDocCalendar, ADocumentNamedLunarKeepsItsCommands) {
    ScratchFolder folder;
    writeBytes(folder / "lunar",
               "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n[ql_1]\r\nuInd=10001\r\nnick=Li\r\n");
    const ToolOutcome got = runIn(folder, {"--raw", "lunar", "get", "ql_1", "nick"});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, "Li");
    const ToolOutcome listed = runIn(folder, {"--raw", "lunar", "list"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.rfind("10001\tLi\t", 0), 0u) << listed.out;
    // Without a command of the table the words are a date.
    const ToolOutcome usage = runIn(folder, {"--raw", "lunar"});
    EXPECT_EQ(usage.status, 2);
}

}  // namespace
