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

}  // namespace
