#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace faults {
namespace {

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Appends what one read gives; false at the end of the stream.
bool readSome(int& fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            closeFd(fd);
            return false;
        }
        into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

std::optional<ChildProcess> ChildProcess::start(const std::vector<std::string>& argv) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return std::nullopt;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int failed = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (failed != 0) {
        ::close(out[0]);
        ::close(err[0]);
        errno = failed;
        return std::nullopt;
    }
    return ChildProcess(pid, out[0], err[0]);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), out_(other.out_), err_(other.err_), result_(std::move(other.result_)) {
    other.pid_ = -1;
    other.out_ = -1;
    other.err_ = -1;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        wait();
    }
}

bool ChildProcess::awaitOutput(std::size_t bytes) {
    while (result_.out.size() < bytes) {
        if (out_ < 0 || !readSome(out_, result_.out))
            return false;
    }
    return true;
}

void ChildProcess::kill(int signal) {
    if (pid_ > 0)
        ::kill(pid_, signal);
}

ChildResult ChildProcess::wait() {
    while (out_ >= 0 || err_ >= 0) {
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0)
            readSome(out_, result_.out);
        if (fds[1].revents != 0)
            readSome(err_, result_.err);
    }
    closeFd(out_);
    closeFd(err_);
    if (pid_ > 0) {
        const int status = waitFor(pid_);
        pid_ = -1;
        if (WIFEXITED(status))
            result_.exitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status))
            result_.signal = WTERMSIG(status);
    }
    return result_;
}

ChildResult run(const std::vector<std::string>& argv) {
    auto child = ChildProcess::start(argv);
    if (!child) {
        ChildResult result;
        result.exitCode = 127;
        result.err = "cannot start " + argv.at(0) + ": " + std::strerror(errno);
        return result;
    }
    return child->wait();
}

std::optional<std::string> inForkedProcess(const std::function<std::string()>& work) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipe[0]);
        ::close(pipe[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(pipe[0]);
        const std::string text = work();
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(pipe[1], text.data() + done, text.size() - done);
            if (n <= 0)
                ::_exit(3);
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string text;
    int fd = pipe[0];
    while (readSome(fd, text)) {
    }
    const int status = waitFor(pid);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}

}  // namespace faults
