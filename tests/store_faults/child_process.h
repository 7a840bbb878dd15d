#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Other processes for the fault tests: a program started with its output captured, and a forked copy of the test
// that reports back one text.
namespace faults {

// Whether the tests run under AddressSanitizer, which cannot run under a limit of the address space.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

struct ChildResult {
    int exitCode = -1;  // -1 when the process ended by a signal
    int signal = 0;     // the signal that ended it, or 0
    std::string out;
    std::string err;
};

// A running program: standard input is empty, standard output and error go to pipes.
class ChildProcess {
  public:
    // Starts argv[0] (searched in PATH when it has no slash); nullopt when it cannot be started.
    static std::optional<ChildProcess> start(const std::vector<std::string>& argv);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }

    // Waits until standard output has given at least bytes in all (kept for the result's out); false when it ends
    // before.
    bool awaitOutput(std::size_t bytes);

    void kill(int signal);

    // Reads the rest of the output and waits for the end of the process.
    ChildResult wait();

  private:
    ChildProcess(pid_t pid, int out, int err) : pid_(pid), out_(out), err_(err) {}

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    ChildResult result_;
};

// Starts argv and waits for its end; an exit code of 127 with a message when it cannot be started.
ChildResult run(const std::vector<std::string>& argv);

// Runs work in a forked copy of this process and returns the text it gives back (nullopt when the copy did not end
// normally). The copy ends with _exit, so nothing of the test framework runs twice.
std::optional<std::string> inForkedProcess(const std::function<std::string()>& work);

}  // namespace faults
