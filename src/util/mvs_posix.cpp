#include "util/mvs.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

std::filesystem::path CMvs::getAppPath(bool folderOnly) const {
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        program = std::filesystem::current_path(ec) / "qelvo";
    return folderOnly ? program.parent_path() : program;
}

std::filesystem::path CMvs::userDataFolder() const {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/')
        return std::filesystem::path(xdg) / "qelvo";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".local" / "share" / "qelvo";
    return std::filesystem::path(".qelvo");
}

bool CMvs::canCreateFileIn(const std::filesystem::path& folder) const {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}
