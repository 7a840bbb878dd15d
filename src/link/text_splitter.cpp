#include "link/text_splitter.h"

#include "util/gbk.h"

namespace calclink {

void splitText(std::string_view text, std::string_view separator, std::vector<std::string>& list, bool clearFirst) {
    if (clearFirst)
        list.clear();
    std::string_view rest = text;
    if (!separator.empty()) {
        // Each search starts on the rest: it begins on a character boundary of the text, so its boundaries are the
        // text's, and the text is walked once however many separators it holds.
        for (std::size_t hit; (hit = util::gbk::find(rest, separator)) != std::string_view::npos;) {
            list.emplace_back(rest.substr(0, hit));
            rest.remove_prefix(hit + separator.size());
        }
    }
    list.emplace_back(rest);
}

}  // namespace calclink
