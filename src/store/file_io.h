#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The few file operations the document store needs, each with a POSIX and a Windows implementation. Failures are
// values with a reason in the system's language (GBK).
namespace store::fileio {

// What identifies one version of a file on disk.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;   // nanoseconds since 1970, the later of the content and metadata change times
    std::uint64_t identity = 0;  // inode (POSIX) or 0 where the platform gives none cheaply
    bool operator==(const FileStamp&) const = default;
};

// Where time stamps may not tell two writes apart: how long after a change a file's stamp is trusted alone.
std::int64_t stampGranularity(const FileStamp& stamp);

// The current time on the clock that file stamps use, in nanoseconds since 1970.
std::int64_t nowNanoseconds();

FileStamp stampOf(const std::filesystem::path& path);

struct ReadResult {
    bool ok = false;  // false: the file exists but could not be read (error says why)
    bool exists = false;
    std::string bytes;
    FileStamp stamp;  // of the bytes read
    std::string error;
};
ReadResult readFile(const std::filesystem::path& path);

// The file that a write to path changes: path itself, or the final target of a symbolic link.
std::filesystem::path writeTarget(const std::filesystem::path& path);

struct WriteOptions {
    bool createFolder = false;  // create the missing folders of the path first
};
// Replaces the file at target with bytes atomically: a temporary file in the same folder, flushed, renamed over the
// old one, keeping the old file's permissions (a new file is its owner's only). Refuses a read-only file or a folder.
// On failure nothing on disk has changed. Returns the error, or nullopt on success.
std::optional<std::string> replaceFile(const std::filesystem::path& target,
                                       std::string_view bytes,
                                       const WriteOptions& options = {});

// Removes the temporary files that writes of target left behind when their process died mid-write. Call it only
// while holding the DocumentLock: then no running write can own one of them.
void removeStaleTemporaries(const std::filesystem::path& target);

// Held while a read-modify-write runs, so that two running copies never interleave theirs.
class DocumentLock {
  public:
    explicit DocumentLock(const std::filesystem::path& target);
    ~DocumentLock();

    // Whether the lock is held (where the platform could not lock, writes go on unlocked).
    bool held() const { return handle_ != -1; }
    DocumentLock(const DocumentLock&) = delete;
    DocumentLock& operator=(const DocumentLock&) = delete;

  private:
    std::intptr_t handle_ = -1;
};

}  // namespace store::fileio
