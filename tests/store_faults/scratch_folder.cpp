#include "scratch_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "child_process.h"

namespace faults {

ScratchFolder::ScratchFolder(const std::filesystem::path& parent) {
    std::string pattern = (parent / "qelvo-faults-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    // A test may have left a folder without write permission; the owner can always give it back.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
}

std::optional<std::string> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> entryNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool isTemporaryOf(std::string_view name, const std::filesystem::path&) {
    // ".qelvo-tmp-", eight hexadecimal digits of the document's name, "-", eight random letters or digits.
    constexpr std::string_view kPrefix = ".qelvo-tmp-";
    return name.size() == kPrefix.size() + 17 && name.substr(0, kPrefix.size()) == kPrefix &&
           name[kPrefix.size() + 8] == '-';
}

unsigned modeOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

Immutable::Immutable(std::filesystem::path path) : path_(std::move(path)) {
    const ChildResult result = run({"chattr", "+i", path_.string()});
    set_ = result.exitCode == 0;
}

Immutable::~Immutable() {
    if (set_)
        run({"chattr", "-i", path_.string()});
}

std::optional<std::filesystem::path> folderTakingImmutable() {
    for (const std::filesystem::path& parent :
         {std::filesystem::temp_directory_path(), std::filesystem::path(QELVO_FAULTS_BINARY_DIR)}) {
        if (::access(parent.c_str(), W_OK) != 0)
            continue;
        const ScratchFolder probe(parent);
        writeBytes(probe / "probe", "");
        if (Immutable(probe / "probe").set())
            return parent;
    }
    return std::nullopt;
}

}  // namespace faults
