#include "ui/win32/wide_text.h"

#include <windows.h>

namespace ui::win32 {

namespace {
constexpr UINT kGbk = 936;
}

std::wstring toWide(std::string_view gbk) {
    if (gbk.empty())
        return {};
    const int n = ::MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), n);
    return wide;
}

std::string toGbk(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int n =
        ::WideCharToMultiByte(kGbk, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string gbk(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(kGbk, 0, wide.data(), static_cast<int>(wide.size()), gbk.data(), n, nullptr, nullptr);
    return gbk;
}

}  // namespace ui::win32
