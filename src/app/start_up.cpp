#include "app/start_up.h"

#include "util/text_codec.h"

namespace app {

DocumentChoice documentFromCommandTail(std::string_view tail) {
    DocumentChoice choice;
    for (char c : tail)
        if (c != '"')
            choice.pathText.push_back(c);
    if (!choice.pathText.empty()) {
        // The tail is GBK; the file system takes the path as Unicode (UTF-8 spelled as char8_t).
        const std::string utf8 = util::gbkToUtf8(choice.pathText, true).value_or(choice.pathText);
        choice.path = std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    }
    return choice;
}

std::string captionFor(std::string_view formCaption, const DocumentChoice& document) {
    std::string caption(formCaption);
    if (!document.pathText.empty())
        caption.append("    -    ").append(document.pathText);
    return caption;
}

}  // namespace app
