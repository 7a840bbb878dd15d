#pragma once

#include <filesystem>
#include <string>

// Ties the person document's extension to this program: "qelvofile" described as "Qelvo Document" and opened by
// the program, ".qelvo" of that type with an empty new document in the shell's New menu. Written for the current user
// (HKEY_CURRENT_USER\Software\Classes); when the system then still does not open ".qelvo" with program, also under
// HKEY_CLASSES_ROOT. Empty when the system now opens ".qelvo" documents with program, otherwise why not (GBK).
namespace ui::win32 {

std::string associateDocumentType(const std::filesystem::path& program);

}  // namespace ui::win32
