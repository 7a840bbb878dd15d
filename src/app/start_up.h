#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// What the program takes from its command line: the whole tail after the program's name, every double quote
// removed, is the person document's path (empty: the default document); the caption names it.
namespace app {

struct DocumentChoice {
    std::string pathText;        // GBK, as the caption shows it; empty for the default document
    std::filesystem::path path;  // the same path for the file system
};

DocumentChoice documentFromCommandTail(std::string_view tail);

// The form's caption followed by "    -    " and the path when there is one.
std::string captionFor(std::string_view formCaption, const DocumentChoice& document);

}  // namespace app
