#pragma once

#include <string>
#include <string_view>

// The system's GBK texts and the window system's UTF-16, converted with code page 936 whatever the Windows's own
// language, so the texts show right everywhere. Characters without a counterpart become '?'.
namespace ui::win32 {

std::wstring toWide(std::string_view gbk);
std::string toGbk(std::wstring_view wide);

}  // namespace ui::win32
