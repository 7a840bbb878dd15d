#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Where qelvo-doc puts what it makes: standard output, every write of it checked, and the files its commands write,
// which are never the document itself and are written the way the document is (one atomic replacement of a regular
// file). Each returns nothing when done, otherwise why not, as a sentence for the user (GBK).

// Writes bytes (already in the terminal's encoding) to standard output and flushes them.
std::optional<std::string> writeStandardOutput(std::string_view bytes);

// Whether output names the document, however it is named: the same file (a path, a symbolic or hard link, "./" or
// ".."), or, while neither exists, the same name in the same folder once symbolic links are followed.
bool namesTheDocument(const std::filesystem::path& output, const std::filesystem::path& document);

// Writes bytes into the file output names (shown to the user as named, GBK): refused when that is the document;
// otherwise a regular file replaced atomically, anything else (a folder, a device, a pipe, a file this user may not
// write) refused. On failure nothing on disk has changed.
std::optional<std::string> writeOutputFile(const std::filesystem::path& output,
                                           const std::string& named,
                                           const std::filesystem::path& document,
                                           std::string_view bytes);
