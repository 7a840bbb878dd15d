// qelvo-doc as scripts and other programs use it, as whole processes, against the limit of the disk measured in the
// same run: each command on documents of 1,000, 10,000 and 100,000 persons (warm in the page cache), several runs,
// the medians of both and their ratio. The limit of a command that only reads is reading the file once (`cat` to
// /dev/null); of one that writes, reading it and writing a copy flushed to the disk (`dd ... conv=fsync`).
//
//   tool_bench [--runs N] [--sizes 1000,10000,100000]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "document_generator.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs argv with standard output to /dev/null (or to the file named) and standard error to /dev/null; the time on the
// wall from the start to the end of the process, in milliseconds, or a negative number when it failed.
double timedRun(const std::vector<std::string>& arguments, const char* output = "/dev/null") {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)  // 1: "not found", a valid answer of get and find
        return -1;
    return took.count();
}

struct Line {
    std::string command;
    double tool = 0, limit = 0;
    const char* limitName = "";
    double goal = 0;
};

// The median of runs of the work, after one run that warms the caches; prepare runs before each, untimed.
double medianOf(int runs, const std::function<double()>& work, const std::function<void()>& prepare = {}) {
    if (prepare)
        prepare();
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        const double t = work();
        if (t < 0)
            return -1;
        times.push_back(t);
    }
    return bench::median(times);
}

void copyFile(const fs::path& from, const fs::path& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 7;
    std::vector<std::int32_t> sizes = {1000, 10000, 100000};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--sizes") == 0) {
            sizes.clear();
            for (const char* p = argv[i + 1]; *p != '\0';) {
                sizes.push_back(static_cast<std::int32_t>(std::strtol(p, const_cast<char**>(&p), 10)));
                if (*p == ',')
                    ++p;
            }
        }
    }
    const std::string tool = QELVO_DOC_TOOL;
    const fs::path& folder = bench::benchFolder("tool-bench");
    std::printf("qelvo-doc as whole processes against the limit of the disk; medians of %d runs, in ms\n\n", runs);
    std::printf("%-9s %-34s %10s %10s %-16s %7s %6s\n", "persons", "command", "qelvo-doc", "limit", "", "ratio",
                "goal");
    for (const std::int32_t size : sizes) {
        const fs::path document = folder / "persons.qelvo", old = folder / "old.qelvo", work = folder / "work.qelvo",
                       copy = folder / "copy.qelvo", out = folder / "out.csv";
        bench::writeBytes(document, bench::currentDocument(size));
        bench::writeBytes(old, bench::oldDocument(size));
        const std::string last = "ql_" + std::to_string(size - 1);
        const std::string doc = document.string();

        const double read = medianOf(runs, [&] { return timedRun({"cat", doc}); });
        auto readWrite = [&](const fs::path& from) {
            return medianOf(runs, [&] {
                return timedRun(
                    {"dd", "if=" + from.string(), "of=" + copy.string(), "bs=1M", "conv=fsync", "status=none"});
            });
        };
        const double write = readWrite(document);
        const double oldWrite = readWrite(old);
        auto toolRun = [&](std::vector<std::string> arguments) {
            arguments.insert(arguments.begin(), tool);
            return medianOf(runs, [&] { return timedRun(arguments); });
        };
        std::vector<Line> lines = {
            {"get " + last + " nick", toolRun({doc, "get", last, "nick"}), read, "cat", 3},
            {"list", toolRun({doc, "list"}), read, "cat", 3},
            {"find <a name>", toolRun({"--raw", doc, "find", "王小明"}), read, "cat", 3},
            {"export csv OUT", toolRun({doc, "export", "csv", out.string()}), read, "cat", 3},
            {"zones", toolRun({doc, "zones"}), read, "cat", 3},
        };
        copyFile(document, work);
        lines.push_back({"set " + last + " nick X",
                         medianOf(runs,
                                  [&] {
                                      return timedRun({tool, work.string(), "set", last, "nick", "X"});
                                  }),
                         write, "dd conv=fsync", 2});
        lines.push_back({"upgrade (old form)",
                         medianOf(
                             runs,
                             [&] {
                                 return timedRun({tool, work.string(), "upgrade"});
                             },
                             [&] { copyFile(old, work); }),
                         oldWrite, "dd conv=fsync", 3});
        for (const Line& line : lines) {
            const double ratio = line.limit > 0 && line.tool >= 0 ? line.tool / line.limit : -1;
            const bool within = ratio >= 0 && ratio <= line.goal;
            std::printf("%-9d %-34s %10.1f %10.1f %-16s %6.1fx %5.0fx%s\n", static_cast<int>(size),
                        line.command.c_str(), line.tool, line.limit, line.limitName, ratio, line.goal,
                        size >= 100000 && !within ? "  above the goal" : "");
        }
        std::printf("\n");
    }
    fs::remove_all(folder);
    std::printf("goals: at 100,000 persons a command within its ratio of the limit\n");
    return 0;
}
