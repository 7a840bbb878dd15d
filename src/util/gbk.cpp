#include "util/gbk.h"

namespace util::gbk {

std::size_t find(std::string_view text, std::string_view needle, std::size_t from) {
    if (from > text.size())
        return std::string_view::npos;
    if (needle.empty())
        return from;
    // Walk character by character from the start, so that boundaries are those of the whole text.
    std::size_t pos = 0;
    while (pos < from)
        pos += charLength(text, pos);
    for (; pos + needle.size() <= text.size(); pos += charLength(text, pos)) {
        if (text.compare(pos, needle.size(), needle) != 0)
            continue;
        // The match must end on a boundary: walk over it.
        std::size_t end = pos;
        while (end < pos + needle.size())
            end += charLength(text, end);
        if (end == pos + needle.size())
            return pos;
    }
    return std::string_view::npos;
}

bool contains(std::string_view text, std::string_view needle) {
    return find(text, needle) != std::string_view::npos;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty())
        return std::string(text);
    // One walk over the characters, so the cost grows with the text, not with the text times its matches (find
    // from a later position walks again from the start to learn the character boundaries).
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t pos = 0; pos + from.size() <= text.size();) {
        if (text.compare(pos, from.size(), from) == 0) {
            std::size_t end = pos;
            while (end < pos + from.size())
                end += charLength(text, end);
            if (end == pos + from.size()) {
                out.append(text.substr(copied, pos - copied));
                out.append(to);
                pos = copied = end;
                continue;
            }
        }
        pos += charLength(text, pos);
    }
    out.append(text.substr(copied));
    return out;
}

std::string foldAsciiCase(std::string_view text) {
    std::string out(text);
    for (std::size_t pos = 0; pos < out.size();) {
        const std::size_t len = charLength(out, pos);
        if (len == 1 && out[pos] >= 'A' && out[pos] <= 'Z')
            out[pos] = static_cast<char>(out[pos] - 'A' + 'a');
        pos += len;
    }
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t pos = 0; pos < a.size();) {
        const std::size_t len = charLength(a, pos);
        if (len != charLength(b, pos))
            return false;
        if (len == 2) {
            if (a[pos] != b[pos] || a[pos + 1] != b[pos + 1])
                return false;
        } else {
            char x = a[pos], y = b[pos];
            if (x >= 'A' && x <= 'Z')
                x = static_cast<char>(x - 'A' + 'a');
            if (y >= 'A' && y <= 'Z')
                y = static_cast<char>(y - 'A' + 'a');
            if (x != y)
                return false;
        }
        pos += len;
    }
    return true;
}

}  // namespace util::gbk
