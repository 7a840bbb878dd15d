#pragma once

#include <filesystem>

// The program's place in the system: where it runs from and where a user's own data belong.
class CMvs {
  public:
    // The full path of the running program file, or with folderOnly its folder.
    std::filesystem::path getAppPath(bool folderOnly) const;

    // The folder for the user's own data of this program: $XDG_DATA_HOME/qelvo (or ~/.local/share/qelvo), or
    // %APPDATA%\Qelvo on Windows. It may not exist yet.
    std::filesystem::path userDataFolder() const;

    // Whether a new file can be created in folder (the folder exists and is writable).
    bool canCreateFileIn(const std::filesystem::path& folder) const;
};
