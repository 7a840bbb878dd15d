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
// Reads a regular file, symbolic links followed; anything else (a folder, a device, a pipe) is refused without
// waiting on it. Throws std::bad_alloc when the file does not fit in memory.
ReadResult readFile(const std::filesystem::path& path);

// The file that a write to path changes: path itself, or the final target of a symbolic link.
std::filesystem::path writeTarget(const std::filesystem::path& path);

struct WriteOptions {
    bool createFolder = false;  // create the missing folders of the path first
    bool mustBeNew = false;     // the document did not exist: never replace one that another writer made meanwhile
};
struct WriteResult {
    bool ok = false;
    bool appeared = false;  // mustBeNew, and the document exists now: nothing was written
    std::string error;      // why the write failed
};
// Replaces the file at target with bytes atomically: a temporary file in the same folder, flushed, renamed over the
// old one, keeping the old file's permissions and group (a new file is its owner's only). Refuses a read-only file,
// anything but a regular file, and a replacement that would take the document away from its owner. On failure
// nothing on disk has changed.
WriteResult replaceFile(const std::filesystem::path& target, std::string_view bytes, const WriteOptions& options = {});

// Temporary files have a name of fixed length that no one else uses: kTemporaryPrefix, eight hexadecimal digits
// derived from the document's name (so that writes of different documents in one folder tell theirs apart), a dash
// and eight random letters or digits.
inline constexpr std::string_view kTemporaryPrefix = ".qelvo-tmp-";
inline constexpr std::size_t kTemporaryNameLength = kTemporaryPrefix.size() + 8 + 1 + 8;

// The temporary file's name for a write of target with the given eight random letters or digits.
std::string temporaryName(const std::filesystem::path& target, std::string_view letters);

// Whether name is a temporary file of a write of target.
bool isTemporaryOf(std::string_view name, const std::filesystem::path& target);

// Removes the temporary files that writes of target left behind when their process died mid-write, and nothing
// else. Call it only while holding the DocumentLock: then no running write can own one of them.
void removeStaleTemporaries(const std::filesystem::path& target);

// Held while a read-modify-write runs, so that two running copies never interleave theirs. A write never goes on
// without it: where it cannot be taken, error() says why.
class DocumentLock {
  public:
    explicit DocumentLock(const std::filesystem::path& target);
    ~DocumentLock();

    bool held() const { return held_; }
    const std::string& error() const { return error_; }

    // The document did not exist when the lock was taken: its write must use WriteOptions::mustBeNew, and start
    // over under a new lock when the document appeared meanwhile.
    bool newDocument() const { return newDocument_; }

    DocumentLock(const DocumentLock&) = delete;
    DocumentLock& operator=(const DocumentLock&) = delete;

  private:
    std::intptr_t handle_ = -1;
    bool held_ = false;
    bool newDocument_ = false;
    std::string error_;
};

}  // namespace store::fileio
