#include "link/process_transport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "scratch.h"
#include "util/text_codec.h"

namespace calclink {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

// A stand-in for the calculator: a shell script called corvina in its own folder, in UTF-8 as a terminal has it.
struct FakeCalculator {
    testing_support::ScratchFolder folder;

    explicit FakeCalculator(const std::string& body) {
        testing_support::writeBytes(folder / "corvina", "#!/bin/sh\n" + util::gbkToUtf8(body).value() + "\n");
        ::chmod((folder / "corvina").c_str(), 0755);
    }
};

struct Exchange {
    std::vector<std::string> answers;
    std::vector<std::string> problems;
    std::optional<std::intptr_t> result;
};

Exchange ask(ProcessTransport& transport, std::string_view request) {
    Exchange exchange;
    transport.listen("mvQelvo", [&](std::string_view bytes) { exchange.answers.emplace_back(bytes); });
    exchange.result = transport.sendText("Corvina", request);
    if (!transport.lastFailure().empty())
        exchange.problems.push_back(transport.lastFailure());
    return exchange;
}

TEST(ProcessTransport, HandsTheAnswerWithItsNulToTheWindowTheRequestNames) {
    FakeCalculator calculator(R"(test "$1" = --answer && printf '%s|0Ari1|\n' "$2")");
    ProcessTransport transport(calculator.folder.path());
    const Exchange exchange = ask(transport, "$mvQelvo#1991.1.2,1255:5");
    EXPECT_EQ(exchange.result, 1);
    ASSERT_EQ(exchange.answers.size(), 1u);
    EXPECT_EQ(exchange.answers[0], "$mvQelvo#1991.1.2,1255:5|0Ari1|\0"s);
    EXPECT_TRUE(exchange.problems.empty());

    // A request naming another window is answered, but nobody here hears it.
    const Exchange other = ask(transport, "$mvOther#1991.1.2,1255:5");
    EXPECT_EQ(other.result, 1);
    EXPECT_TRUE(other.answers.empty());
}

TEST(ProcessTransport, EveryWayWithoutAnAnswerIsReportedAndDeliversNothing) {
    const struct {
        const char* script;
        std::intptr_t result;
        const char* problem;
    } cases[] = {
        {"echo 'corvina: 无应答：日期不对' >&2; exit 1", 0,
         "计算器程序 corvina 以退出码 1 结束，没有应答：无应答：日期不对"},
        {"exit 3", 0, "计算器程序 corvina 以退出码 3 结束，没有应答。"},
        {"exit 0", 0, "计算器程序 corvina 正常结束（退出码 0），却没有输出应答。"},
        {"kill -9 $$", 0, "计算器程序 corvina 被信号 9 终止，没有应答。"},
        {"exec sleep 600", 0, "计算器程序 corvina 在1秒内没有应答，已将它和它启动的程序一并强行停止。"},
        // A megabyte of garbage is no answer, though a piece of it might read as one.
        {"yes 'x|1Ari2|' | head -c 1048576", 0, "计算器程序 corvina 的输出超过 64 KB，不是应答，没有采用。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        FakeCalculator calculator(c.script);
        ProcessTransport transport(calculator.folder.path(), 300ms);
        const auto started = std::chrono::steady_clock::now();
        const Exchange exchange = ask(transport, "$mvQelvo#1991.1.2,1255:5");
        EXPECT_LT(std::chrono::steady_clock::now() - started, 60s);  // not the sleeper's ten minutes
        EXPECT_EQ(exchange.result, c.result);
        EXPECT_TRUE(exchange.answers.empty());
        ASSERT_EQ(exchange.problems.size(), 1u);
        EXPECT_EQ(exchange.problems[0], c.problem);
    }
}

// Whether process pid, a child of this process, ended by SIGKILL (waiting for its end).
bool killed(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST(ProcessTransport, AtTheTimeOutStopsEverythingTheCalculatorStarted) {
#if defined(__linux__)
    // Orphans of this process's descendants become its children, so that the test can see how they ended.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
#else
    GTEST_SKIP() << "needs a subreaper to see how the calculator's children end";
#endif
    const struct {
        const char* name;
        const char* script;  // writes the process id of the child it starts into the file "child" beside it
        const char* problem;
    } cases[] = {
        {"a hung script waits for its command", R"(sleep 20 & echo $! >"$(dirname "$0")/child"; wait)",
         "计算器程序 corvina 在3秒内没有应答，已将它和它启动的程序一并强行停止。"},
        {"the calculator ends, its child holds the output",
         R"(sleep 20 & echo $! >"$(dirname "$0")/child"; echo 1Ari2; exit 0)",
         "计算器程序 corvina 已结束（退出码 0），但它启动的程序到3秒时仍占着它的输出，已被一并强行停止；"
         "它的输出没有采用。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeCalculator calculator(c.script);
        ProcessTransport transport(calculator.folder.path(), 3s);
        const Exchange exchange = ask(transport, "$mvQelvo#1991.1.2,1255:5");
        EXPECT_EQ(exchange.result, 0);
        EXPECT_TRUE(exchange.answers.empty());
        ASSERT_EQ(exchange.problems.size(), 1u);
        EXPECT_EQ(exchange.problems[0], c.problem);
        // The child was killed, not left to sleep its 20 seconds (after which it would end by itself).
        const std::string child = testing_support::readBytes(calculator.folder / "child");
        ASSERT_FALSE(child.empty());
        EXPECT_TRUE(killed(static_cast<pid_t>(std::stol(child))));
    }
}

TEST(ProcessTransport, AMissingProgramIsNoWindowAndSaysSo) {
    testing_support::ScratchFolder empty;
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    ::setenv("PATH", empty.path().c_str(), 1);
    ProcessTransport transport(empty.path());
    const Exchange exchange = ask(transport, "$mvQelvo#1991.1.2,1255:5");
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(exchange.result, std::nullopt);
    ASSERT_EQ(exchange.problems.size(), 1u);
    EXPECT_EQ(exchange.problems[0],
              "找不到计算器程序 corvina：本程序所在的文件夹和 PATH 中都没有它，无法获得行星位置。");
}

TEST(ProcessTransport, FindsTheProgramBesideFirstThenOnThePath) {
    FakeCalculator beside("exit 0");
    FakeCalculator onPath("exit 0");
    testing_support::ScratchFolder empty;
    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (empty.path().string() + ":" + onPath.folder.path().string()).c_str(), 1);
    EXPECT_EQ(ProcessTransport(beside.folder.path()).programFor("Corvina"), beside.folder / "corvina");
    EXPECT_EQ(ProcessTransport(empty.path()).programFor("Corvina"), onPath.folder / "corvina");
    EXPECT_EQ(ProcessTransport(empty.path()).programFor("../corvina"), std::nullopt);
    ::setenv("PATH", saved.c_str(), 1);
}

}  // namespace
}  // namespace calclink
