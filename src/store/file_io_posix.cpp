#include "store/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <random>
#include <system_error>
#include <vector>

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

constexpr const char* kNotRegular = "不是普通文件（而是设备、管道或套接字），文档只能是普通文件";
constexpr const char* kOwnerLockedOut = "文档属于其他用户，本次写入会使其所有者失去对它的读写权限，因此没有写入";
constexpr const char* kGroupLockedOut = "无法保留文档的所属组，本次写入会使该组的成员失去对它的读写权限，因此没有写入";

std::string describe(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return "文件夹不存在";
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
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
        case ENOMEM:
            return "内存不足";
        default:
            return util::format("系统错误 %d", error);
    }
}

// A failed read says what it could not do.
std::string describeRead(int error) {
    if (error == EACCES || error == EPERM)
        return "没有读取权限";
    return describe(error);
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
    // Without O_NONBLOCK opening a pipe would wait for a writer.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            result.ok = true;
            return result;
        }
        result.error = describeRead(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.error = describeRead(errno);
        return result;
    }
    if (S_ISDIR(st.st_mode)) {
        result.error = describe(EISDIR);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = kNotRegular;
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
            result.error = describeRead(errno);
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

namespace {

std::uint32_t nameHash(std::string_view name) {
    std::uint32_t hash = 2166136261u;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// The part of a temporary name that tells the document: prefix and hash.
std::string temporaryStem(const std::filesystem::path& target) {
    return util::format("%s%08x-", std::string(kTemporaryPrefix).c_str(),
                        static_cast<unsigned>(nameHash(target.filename().string())));
}

std::string randomLetters(std::size_t count) {
    static std::mt19937_64 random = [] {
        std::random_device device;
        return std::mt19937_64((static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                               static_cast<std::uint64_t>(::getpid()) ^ static_cast<std::uint64_t>(nowNanoseconds()));
    }();
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string letters(count, '\0');
    for (char& c : letters)
        c = kLetters[random() % (sizeof kLetters - 1)];
    return letters;
}

// Whether the user uid belongs to group gid, by the user database (false where it does not know the user).
bool userInGroup(uid_t uid, gid_t gid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return false;
    if (entry.pw_gid == gid)
        return true;
    std::vector<gid_t> groups(64);
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0)
            return false;
    }
    groups.resize(static_cast<std::size_t>(count));
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// Why a replacement owned as now would take from the old file's owner or group the reading and writing they had,
// or nullptr when it would not.
const char* lockedOut(const struct stat& old, const struct stat& now) {
    const mode_t mode = now.st_mode;
    if (now.st_gid != old.st_gid && ((mode >> 3) & 06 & ~mode) != 0)
        return kGroupLockedOut;  // the old group's members would lose what its bits gave them beyond everyone's
    if (now.st_uid == old.st_uid)
        return nullptr;
    const mode_t ownerHad = (old.st_mode >> 6) & 06;
    const mode_t ownerHas = userInGroup(old.st_uid, now.st_gid) ? (mode >> 3) & 06 : mode & 06;
    return (ownerHad & ~ownerHas) == 0 ? nullptr : kOwnerLockedOut;
}

// Moves a new document in place unless another writer made one meanwhile (then appeared is set).
int publishNew(int folder, const char* temp, const char* leaf, bool& appeared) {
    if (::renameat2(folder, temp, folder, leaf, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        appeared = errno == EEXIST;
        return errno;
    }
    // File systems without an exclusive rename: a hard link fails as well when the name is taken.
    if (::linkat(folder, temp, folder, leaf, 0) == 0) {
        ::unlinkat(folder, temp, 0);
        return 0;
    }
    if (errno == EEXIST) {
        appeared = true;
        return errno;
    }
    // Neither (a file system without hard links): a plain rename, after a last look.
    struct stat st {};
    if (::fstatat(folder, leaf, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        appeared = true;
        return EEXIST;
    }
    return ::renameat(folder, temp, folder, leaf) == 0 ? 0 : errno;
}

}  // namespace

WriteResult replaceFile(const std::filesystem::path& target, std::string_view bytes, const WriteOptions& options) {
    WriteResult result;
    auto failed = [&result](std::string error) {
        result.error = std::move(error);
        return result;
    };
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (options.createFolder) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (options.mustBeNew) {
            result.appeared = true;
            return failed(describe(EEXIST));
        }
        if (S_ISDIR(old.st_mode))
            return failed(describe(EISDIR));
        if (!S_ISREG(old.st_mode))
            return failed(kNotRegular);
        if (::access(target.c_str(), W_OK) != 0)
            return failed(describe(errno));
    }

    // Names are taken relative to the folder, so that a document within a few bytes of the longest path still has
    // room for its temporary file. The folder needs only to be searched, not read.
    Fd dir(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return failed(describe(errno));
    const std::string leaf = target.filename().string();
    std::string tempName;
    int created = -1;
    for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
        tempName = temporaryName(target, randomLetters(8));
        created = ::openat(dir.get(), tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
        if (created < 0 && errno != EEXIST)
            return failed(describe(errno));
    }
    Fd fd(created);
    if (fd.get() < 0)
        return failed(describe(EEXIST));
    auto fail = [&](int error) {
        ::unlinkat(dir.get(), tempName.c_str(), 0);
        return failed(describe(error));
    };
    if (exists) {
        // The replacement keeps the old file's group and owner where this user may give them (a group member may
        // keep the group, only the administrator the owner), then its permissions (a change of owner clears the
        // set-id bits).
        struct stat made {};
        if (::fstat(fd.get(), &made) != 0)
            return fail(errno);
        if (made.st_gid != old.st_gid) [[maybe_unused]]
            const int ignored = ::fchown(fd.get(), static_cast<uid_t>(-1), old.st_gid);
        if (made.st_uid != old.st_uid) [[maybe_unused]]
            const int ignored = ::fchown(fd.get(), old.st_uid, static_cast<gid_t>(-1));
    }
    const mode_t mode = exists ? (old.st_mode & 07777) : 0600;
    if (::fchmod(fd.get(), mode) != 0)
        return fail(errno);
    if (exists) {
        struct stat made {};
        if (::fstat(fd.get(), &made) != 0)
            return fail(errno);
        if (const char* reason = lockedOut(old, made)) {
            ::unlinkat(dir.get(), tempName.c_str(), 0);
            return failed(reason);
        }
    }
    int error = 0;
    if (!writeAll(fd.get(), bytes, error))
        return fail(error);
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    if (::close(fd.release()) != 0)
        return fail(errno);
    if (options.mustBeNew) {
        if (const int published = publishNew(dir.get(), tempName.c_str(), leaf.c_str(), result.appeared)) {
            ::unlinkat(dir.get(), tempName.c_str(), 0);
            return failed(describe(published));
        }
    } else if (::renameat(dir.get(), tempName.c_str(), dir.get(), leaf.c_str()) != 0) {
        return fail(errno);
    }
    // Make the rename itself durable (where the folder may be read).
    Fd readable(::openat(dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (readable.get() >= 0)
        ::fsync(readable.get());
    result.ok = true;
    return result;
}

std::string temporaryName(const std::filesystem::path& target, std::string_view letters) {
    return temporaryStem(target) + std::string(letters);
}

bool isTemporaryOf(std::string_view name, const std::filesystem::path& target) {
    const std::string stem = temporaryStem(target);
    return name.size() == kTemporaryNameLength && name.substr(0, stem.size()) == stem &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stem.size()), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

void removeStaleTemporaries(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    // A folder that may be written but not read cannot be searched for them: they stay.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        ::close(fd);
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(listing)) {
        if (isTemporaryOf(entry->d_name, target))
            stale.emplace_back(entry->d_name);
    }
    for (const std::string& name : stale) {
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(fd, name.c_str(), 0);
    }
    ::closedir(listing);
}

DocumentLock::DocumentLock(const std::filesystem::path& target) {
    // The lock is on the document itself. Every write replaces the document while holding the lock on the old
    // one, so a writer that waited may find its lock on a file that is no longer the document: it then locks the
    // document anew. A document that does not exist yet has nothing to lock; its first write is made only if no
    // other writer made it meanwhile (WriteOptions::mustBeNew), otherwise it starts over under the new document's
    // lock. The document is opened for writing, which a write needs anyway, and flock then works on network file
    // systems too; it needs no permission on the folder beyond searching it.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int fd = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) {
                held_ = true;
                newDocument_ = true;
                return;
            }
            const int error = errno;
            error_ = error == EACCES && ::access(target.c_str(), R_OK) != 0 ? describeRead(error) : describe(error);
            return;
        }
        Fd file(fd);
        struct stat locked {};
        if (::fstat(fd, &locked) != 0) {
            error_ = describe(errno);
            return;
        }
        if (!S_ISREG(locked.st_mode)) {
            error_ = kNotRegular;
            return;
        }
        int result = 0;
        while ((result = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (result != 0) {
            error_ = "无法锁定文档（" + describe(errno) + "），为免与其他程序的写入冲突，没有写入";
            return;
        }
        struct stat now {};
        if (::stat(target.c_str(), &now) == 0 && now.st_dev == locked.st_dev && now.st_ino == locked.st_ino) {
            handle_ = file.release();
            held_ = true;
            return;
        }
        // Replaced while this writer waited (or removed): lock what is there now.
    }
    error_ = "无法锁定文档：它一直在被其他程序替换";
}

DocumentLock::~DocumentLock() {
    if (handle_ >= 0) {
        ::flock(static_cast<int>(handle_), LOCK_UN);
        ::close(static_cast<int>(handle_));
    }
}

}  // namespace store::fileio
