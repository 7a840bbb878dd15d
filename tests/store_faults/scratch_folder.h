#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Folders and files for the fault tests: a fresh folder per test, whole-file reads and writes that bypass the store,
// and the file attributes that make a file or folder read-only even for the administrator.
namespace faults {

// A new empty folder, removed with its contents at the end of its scope.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::filesystem::path& parent = std::filesystem::temp_directory_path());
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// The file's bytes, or nullopt when it cannot be read.
std::optional<std::string> readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, std::string_view bytes);

// The names in a folder, sorted, dot files included.
std::vector<std::string> entryNames(const std::filesystem::path& folder);

// Whether name is one of the temporary files that a write of document leaves when it is cut short.
bool isTemporaryOf(std::string_view name, const std::filesystem::path& document);

// The permission bits of a file (symbolic links followed).
unsigned modeOf(const std::filesystem::path& path);

// The immutable attribute (chattr +i), which refuses every change, the administrator's included. It is taken away
// again at the end of the scope.
class Immutable {
  public:
    explicit Immutable(std::filesystem::path path);
    ~Immutable();
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;

    bool set() const { return set_; }

  private:
    std::filesystem::path path_;
    bool set_ = false;
};

// A folder under which files can be made immutable: the system's temporary folder or else the build folder
// (tmpfs and overlay file systems refuse the attribute); nullopt when neither will, or we may not set it.
std::optional<std::filesystem::path> folderTakingImmutable();

}  // namespace faults
