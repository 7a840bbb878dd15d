#pragma once

#include <filesystem>
#include <string>

// Ties the person document's extension to this program for the current user (HKEY_CURRENT_USER\Software\Classes):
// "qelvofile" described as "Qelvo Document" and opened by the program, ".qelvo" of that type with an empty new
// document in the shell's New menu. Empty when every entry was written, otherwise why not (GBK).
namespace ui::win32 {

std::string associateDocumentType(const std::filesystem::path& program);

}  // namespace ui::win32
