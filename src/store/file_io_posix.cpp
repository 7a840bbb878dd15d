#include "store/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>

#include "util/format.h"
#include "util/memory_hint.h"

namespace store::fileio {
namespace {

std::int64_t toNanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileStamp stampFrom(const struct stat& st) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modified = std::max(toNanoseconds(st.st_mtim), toNanoseconds(st.st_ctim));
    stamp.identity = static_cast<std::uint64_t>(st.st_ino) ^ (static_cast<std::uint64_t>(st.st_dev) << 40);
    return stamp;
}

std::string describe(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return "文件夹不存在";
        case EACCES:
        case EPERM:
        case EROFS:
            return "没有写入权限（文件或文件夹是只读的）";
        case ENOSPC:
        case EFBIG:
        case EDQUOT:
            return "磁盘空间不足";
        case EISDIR:
            return "该路径是一个文件夹";
        case ELOOP:
            return "符号链接形成了循环";
        case ENAMETOOLONG:
            return "路径太长";
        default:
            return util::format("系统错误 %d", error);
    }
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes, int& error) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::int64_t stampGranularity(const FileStamp& stamp) {
    // File systems that keep whole seconds (or two seconds) show a zero fraction; the others keep at least the
    // kernel's clock tick.
    if (stamp.modified % 1000000000 == 0)
        return 2100000000;
    return 20000000;
}

std::int64_t nowNanoseconds() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return toNanoseconds(t);
}

FileStamp stampOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return stampFrom(st);
}

ReadResult readFile(const std::filesystem::path& path) {
    ReadResult result;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            result.ok = true;
            return result;
        }
        result.error = describe(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.error = describe(errno);
        return result;
    }
    if (S_ISDIR(st.st_mode)) {
        result.error = describe(EISDIR);
        return result;
    }
    result.exists = true;
    result.stamp = stampFrom(st);
    result.bytes.reserve(static_cast<std::size_t>(st.st_size));
    util::adviseLargeBuffer(result.bytes.data(), result.bytes.capacity());
    result.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == result.bytes.size())
            result.bytes.resize(got + 65536);  // the file may have grown since fstat
        const ssize_t n = ::read(fd.get(), result.bytes.data() + got, result.bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.error = describe(errno);
            return result;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    result.bytes.resize(got);
    result.ok = true;
    return result;
}

std::filesystem::path writeTarget(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(target, ec))
            return target;
        const std::filesystem::path link = std::filesystem::read_symlink(target, ec);
        if (ec)
            return target;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target;
}

std::optional<std::string> replaceFile(const std::filesystem::path& target,
                                       std::string_view bytes,
                                       const WriteOptions& options) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (options.createFolder) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return describe(EISDIR);
        if (::access(target.c_str(), W_OK) != 0)
            return describe(errno);
    }

    std::string tempName = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    Fd fd(::mkstemp(tempName.data()));
    if (fd.get() < 0)
        return describe(errno);
    auto fail = [&tempName](int error) {
        ::unlink(tempName.c_str());
        return std::optional<std::string>(describe(error));
    };
    const mode_t mode = exists ? (old.st_mode & 07777) : 0600;
    if (::fchmod(fd.get(), mode) != 0)
        return fail(errno);
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Keep the owner where we may (as the owner's administrator); a plain user cannot give files away.
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old.st_uid, old.st_gid);
    }
    int error = 0;
    if (!writeAll(fd.get(), bytes, error))
        return fail(error);
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    if (::close(fd.release()) != 0)
        return fail(errno);
    if (::rename(tempName.c_str(), target.c_str()) != 0)
        return fail(errno);
    // Make the rename itself durable.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return std::nullopt;
}

void removeStaleTemporaries(const std::filesystem::path& target) {
    // Temporary files are named "." + the document's name + "." + six characters (mkstemp).
    const std::string prefix = "." + target.filename().string() + ".";
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            entry.is_regular_file(ec))
            std::filesystem::remove(entry.path(), ec);
    }
}

DocumentLock::DocumentLock(const std::filesystem::path& target) {
    // The lock is on the document's folder: the document itself is replaced by every write, so a lock on its
    // inode would not outlive the write. Where the folder cannot be locked the write goes on unlocked.
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return;
        }
    }
    handle_ = fd;
}

DocumentLock::~DocumentLock() {
    if (handle_ >= 0) {
        ::flock(static_cast<int>(handle_), LOCK_UN);
        ::close(static_cast<int>(handle_));
    }
}

}  // namespace store::fileio
