#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Ties the person document's type to the program for the current user, the freedesktop way and without root: the
// MIME type application/x-qelvo for *.qelvo in $XDG_DATA_HOME/mime/packages, the desktop entry qelvo.desktop in
// $XDG_DATA_HOME/applications that opens the document given, the icon in the hicolor theme, the MIME and desktop
// databases updated where their tools exist, the program made the type's default (xdg-mime, otherwise
// $XDG_CONFIG_HOME/mimeapps.list), and an empty document "Qelvo 文档.qelvo" in the user's templates folder (the file
// manager's "New" menu) where there is one. POSIX only.
namespace util {

inline constexpr const char* kDocumentMimeType = "application/x-qelvo";
inline constexpr const char* kDesktopEntryName = "qelvo.desktop";

struct DesktopAssociation {
    std::filesystem::path program;                   // the program the desktop entry runs
    std::vector<std::pair<int, std::string>> icons;  // PNG pictures of the program's icon, by size in pixels
};

// Empty when every step succeeded, otherwise the step that failed and why (GBK).
std::string associateDocumentType(const DesktopAssociation& association);

// The parts, each as its file holds it (UTF-8).
std::string mimeTypePackage();
std::string desktopEntry(const std::filesystem::path& program);
// mimeapps.list with the type's default application set, every other line kept.
std::string withDefaultApplication(const std::string& mimeappsList,
                                   const std::string& mimeType,
                                   const std::string& desktopEntryName);

// $XDG_DATA_HOME and $XDG_CONFIG_HOME, or their defaults under $HOME.
std::filesystem::path userDataHome();
std::filesystem::path userConfigHome();

}  // namespace util
