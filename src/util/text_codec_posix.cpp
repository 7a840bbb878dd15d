#include "util/text_codec.h"

#include <iconv.h>

#include <cerrno>

namespace util {
namespace {

// GBK as the system means it is code page 936 (which, unlike plain GBK, has the euro sign at 0x80).
constexpr const char* kSystemCodePage = "CP936";

std::optional<std::string> convert(const char* to,
                                   const char* from,
                                   std::string_view input,
                                   bool lossy,
                                   std::string_view replacement) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t used = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if (lossy && (errno == EILSEQ || errno == EINVAL)) {
            // Skip one input unit and put a replacement in its place.
            const std::size_t unit = std::string_view(from) == "UTF-16LE" ? 2 : 1;
            const std::size_t skip = std::min(unit, inLeft);
            in += skip;
            inLeft -= skip;
            if (out.size() - used < replacement.size())
                out.resize(out.size() * 2 + replacement.size());
            out.replace(used, replacement.size(), replacement);
            used += replacement.size();
        } else {
            ok = false;
            break;
        }
    }
    ::iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.resize(used);
    return out;
}

}  // namespace

std::optional<std::string> gbkToUtf8(std::string_view gbk, bool lossy) {
    return convert("UTF-8", kSystemCodePage, gbk, lossy, "?");
}

std::optional<std::string> utf8ToGbk(std::string_view utf8, bool lossy) {
    return convert(kSystemCodePage, "UTF-8", utf8, lossy, "?");
}

std::optional<std::string> gbkToUtf16le(std::string_view gbk) {
    return convert("UTF-16LE", kSystemCodePage, gbk, false, {});
}

std::optional<std::string> utf16leToGbk(std::string_view utf16le) {
    return convert(kSystemCodePage, "UTF-16LE", utf16le, false, {});
}

}  // namespace util
