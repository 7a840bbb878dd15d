#include "ui/win32/file_association.h"

#include <windows.h>
#include <shlobj.h>

#include "ui/win32/wide_text.h"

namespace ui::win32 {

namespace {

// A registry key that closes itself.
class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_)
            ::RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::string systemMessage(LSTATUS status) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : L"error " + std::to_wstring(status);
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return toGbk(text);
}

// Writes one string value under HKCU\Software\Classes\<key>; empty or why it failed.
std::string writeValue(const std::wstring& key, const wchar_t* name, const std::wstring& data) {
    const std::wstring path = L"Software\\Classes\\" + key;
    RegistryKey opened;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_SET_VALUE, nullptr, opened.out(), nullptr);
    if (status == ERROR_SUCCESS)
        status = ::RegSetValueExW(opened.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (status == ERROR_SUCCESS)
        return {};
    return "无法写入 HKEY_CURRENT_USER\\" + toGbk(path) + "（" + systemMessage(status) + "）";
}

}  // namespace

std::string associateDocumentType(const std::filesystem::path& program) {
    const std::wstring command = L"\"" + program.wstring() + L"\" \"%1\"";
    const struct {
        const wchar_t* key;
        const wchar_t* name;
        std::wstring data;
    } entries[] = {
        {L"qelvofile", nullptr, L"Qelvo Document"},
        {L"qelvofile\\shell\\open\\command", nullptr, command},
        {L".qelvo", nullptr, L"qelvofile"},
        {L".qelvo\\ShellNew", L"NullFile", L""},
    };
    std::string why;
    for (const auto& entry : entries) {
        why = writeValue(entry.key, entry.name, entry.data);
        if (!why.empty())
            break;
    }
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return why;
}

}  // namespace ui::win32
