#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Running another program to its end: its standard output and error collected, a time-out after which it is killed
// together with every program it started (it runs in a process group of its own, killed as a group), and every way
// it can fail told apart. POSIX only.
namespace util {

struct ChildOutcome {
    enum class End {
        Exited,      // exitCode holds its status
        Signalled,   // it was ended by signal
        TimedOut,    // it, or a program it started that held its outputs open, ran past the time-out; all were killed
        NotStarted,  // it could not be started; startError holds the errno
    };
    End end = End::NotStarted;
    int exitCode = -1;
    int signal = 0;
    int startError = 0;
    // TimedOut: the program itself had ended before the time-out (exitCode or signal say how); what held its outputs
    // open was a program it started.
    bool endedBeforeTimeOut = false;
    std::string out;      // its standard output, at most the limit asked for
    std::string err;      // its standard error, likewise
    bool outCut = false;  // its standard output was longer than the limit: the rest was read and dropped

    bool succeeded() const { return end == End::Exited && exitCode == 0; }
};

// Runs program with arguments (argv[0] is the program's path), standard input from /dev/null, and waits at most
// timeout for it to end and for its outputs to close; at the time-out its whole process group is killed.
ChildOutcome runChild(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout,
                      std::size_t outputLimit = 1 << 20);

// The first executable file called name in the folders of PATH; nothing when there is none.
std::optional<std::filesystem::path> findOnPath(std::string_view name);

}  // namespace util
