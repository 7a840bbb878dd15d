#include "util/text_codec.h"

#include <windows.h>

namespace util {
namespace {

constexpr UINT kSystemCodePage = 936;

std::optional<std::wstring> toWide(UINT codePage, std::string_view text, bool lossy) {
    if (text.empty())
        return std::wstring();
    const DWORD flags = lossy ? 0 : MB_ERR_INVALID_CHARS;
    const int n = ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::optional<std::string> fromWide(UINT codePage, std::wstring_view text, bool lossy) {
    if (text.empty())
        return std::string();
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultPtr = codePage == CP_UTF8 ? nullptr : &usedDefault;
    // Without WC_NO_BEST_FIT_CHARS a character the code page lacks may become a look-alike (Å as A) without the
    // default character being reported: a conversion that must not lose anything refuses it instead.
    const DWORD flags = lossy ? 0 : (codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS);
    const int n = ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, usedDefaultPtr);
    if (n <= 0 || (usedDefault && !lossy))
        return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::optional<std::string> gbkToUtf8(std::string_view gbk, bool lossy) {
    const auto wide = toWide(kSystemCodePage, gbk, lossy);
    return wide ? fromWide(CP_UTF8, *wide, lossy) : std::nullopt;
}

std::optional<std::string> utf8ToGbk(std::string_view utf8, bool lossy) {
    const auto wide = toWide(CP_UTF8, utf8, lossy);
    return wide ? fromWide(kSystemCodePage, *wide, lossy) : std::nullopt;
}

std::optional<std::string> gbkToUtf16le(std::string_view gbk) {
    const auto wide = toWide(kSystemCodePage, gbk, false);
    if (!wide)
        return std::nullopt;
    std::string out;
    out.reserve(wide->size() * 2);
    for (wchar_t c : *wide) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return out;
}

std::optional<std::string> utf16leToGbk(std::string_view utf16le) {
    if (utf16le.size() % 2 != 0)
        return std::nullopt;
    std::wstring wide;
    wide.reserve(utf16le.size() / 2);
    for (std::size_t i = 0; i < utf16le.size(); i += 2)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(utf16le[i]) |
                                            (static_cast<unsigned char>(utf16le[i + 1]) << 8)));
    return fromWide(kSystemCodePage, wide, false);
}

}  // namespace util
