#include "util/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace util {

namespace {

// A file descriptor that closes itself.
class Descriptor {
  public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

struct Pipe {
    Descriptor read, write;
    bool open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read.reset(fds[0]);
        write.reset(fds[1]);
        return true;
    }
};

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

// Reads what is there into text (up to limit; the rest is read and dropped, so the child never blocks on a full
// pipe, and cut says so); false at the end of the stream.
bool drain(int fd, std::string& text, std::size_t limit, bool& cut) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN;
    if (n == 0)
        return false;
    const std::size_t room = limit > text.size() ? limit - text.size() : 0;
    text.append(buffer, std::min(room, static_cast<std::size_t>(n)));
    cut = cut || static_cast<std::size_t>(n) > room;
    return true;
}

// Whether the child has ended, looked at without reaping it: while it is not reaped, its process id, which is also
// its group's id, cannot be given to another process, so the group can still be killed safely. False on an error
// (ECHILD: somebody else reaped it).
bool hasEnded(pid_t pid, bool& error) {
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0)
            return info.si_pid == pid;
        if (errno != EINTR) {
            error = true;
            return false;
        }
    }
}

}  // namespace

ChildOutcome runChild(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout,
                      std::size_t outputLimit) {
    ChildOutcome outcome;
    Pipe out, err;
    if (!out.open() || !err.open()) {
        outcome.startError = errno;
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, out.write.get(), 1);
    ::posix_spawn_file_actions_adddup2(&actions, err.write.get(), 2);
    // The child starts with the default signal handling, whatever this program set for itself.
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    // A process group of its own, whose id is the child's: at the time-out the group is killed, so that nothing the
    // child started (a program holding its output, the command a script waits for) keeps running.
    ::posix_spawnattr_setpgroup(&attributes, 0);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    out.write.reset();
    err.write.reset();
    if (spawned != 0) {
        outcome.startError = spawned;
        return outcome;
    }

    const Clock::time_point deadline = Clock::now() + timeout;
    bool outOpen = true, errOpen = true;
    bool timedOut = false;
    bool errCut = false;
    while (outOpen || errOpen) {
        pollfd fds[2] = {{outOpen ? out.read.get() : -1, POLLIN, 0}, {errOpen ? err.read.get() : -1, POLLIN, 0}};
        const int wait = millisecondsUntil(deadline);
        if (wait == 0) {
            timedOut = true;
            break;
        }
        const int ready = ::poll(fds, 2, wait);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        if (outOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            outOpen = drain(out.read.get(), outcome.out, outputLimit, outcome.outCut);
        if (errOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            errOpen = drain(err.read.get(), outcome.err, outputLimit, errCut);
    }

    // The outputs are closed, or the deadline has passed: the child ends now, or it is waited for until the deadline.
    // Past the deadline its whole group is killed, before the child is reaped.
    bool lost = false;
    bool ended = false;
    while (!(ended = hasEnded(pid, lost)) && !lost && !timedOut) {
        if (millisecondsUntil(deadline) == 0)
            timedOut = true;
        else
            ::usleep(2000);
    }
    if (timedOut && !lost)
        ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (lost) {
        outcome.end = ChildOutcome::End::Signalled;
        return outcome;
    }
    if (timedOut) {
        outcome.end = ChildOutcome::End::TimedOut;
        outcome.endedBeforeTimeOut = ended;
        if (ended && WIFEXITED(status))
            outcome.exitCode = WEXITSTATUS(status);
        else if (ended && WIFSIGNALED(status))
            outcome.signal = WTERMSIG(status);
    } else if (WIFEXITED(status)) {
        outcome.end = ChildOutcome::End::Exited;
        outcome.exitCode = WEXITSTATUS(status);
    } else {
        outcome.end = ChildOutcome::End::Signalled;
        outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return outcome;
}

std::optional<std::filesystem::path> findOnPath(std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos)
        return std::nullopt;
    const char* path = std::getenv("PATH");
    const std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string_view::npos)
            end = folders.size();
        const std::string_view folder = folders.substr(start, end - start);
        std::filesystem::path candidate = std::filesystem::path(std::string(folder.empty() ? "." : folder)) / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace util
