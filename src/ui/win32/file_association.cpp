#include "ui/win32/file_association.h"

#include <windows.h>
// clang-format off: the shell headers need <windows.h> first
#include <shlobj.h>
#include <shlwapi.h>
// clang-format on

#include <cwchar>

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
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : L"error " + std::to_wstring(status);
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return toGbk(text);
}

// Where the entries go: the user's own classes, which Windows shows through HKEY_CLASSES_ROOT, and that merged view
// itself, for a system that does not show the user's classes there.
struct ClassesRoot {
    HKEY root;
    const wchar_t* prefix;  // of every key under root
    const char* name;       // for messages
};
const ClassesRoot kUserClasses{HKEY_CURRENT_USER, L"Software\\Classes\\", "HKEY_CURRENT_USER\\Software\\Classes\\"};
const ClassesRoot kMergedClasses{HKEY_CLASSES_ROOT, L"", "HKEY_CLASSES_ROOT\\"};

struct Entry {
    const wchar_t* key;
    const wchar_t* name;
    std::wstring data;
};

// Writes one string value; empty or why it failed. The byte count includes the terminating NUL, as the registry
// asks of a REG_SZ value.
std::string writeValue(const ClassesRoot& classes, const Entry& entry) {
    const std::wstring path = std::wstring(classes.prefix) + entry.key;
    RegistryKey opened;
    LSTATUS status = ::RegCreateKeyExW(classes.root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                       nullptr, opened.out(), nullptr);
    if (status == ERROR_SUCCESS)
        status =
            ::RegSetValueExW(opened.get(), entry.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.data.c_str()),
                             static_cast<DWORD>((entry.data.size() + 1) * sizeof(wchar_t)));
    if (status == ERROR_SUCCESS)
        return {};
    return "无法写入 " + std::string(classes.name) + toGbk(entry.key) + "（" + systemMessage(status) + "）";
}

// Writes the entries in order, stopping at the first that fails; empty or why.
std::string writeEntries(const ClassesRoot& classes, const Entry (&entries)[4]) {
    for (const Entry& entry : entries) {
        std::string why = writeValue(classes, entry);
        if (!why.empty())
            return why;
    }
    return {};
}

// The program the system now starts to open a ".qelvo" document; empty when it knows none.
std::wstring systemOpener() {
    std::wstring buffer(32768, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    if (::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, L".qelvo", L"open",
                            buffer.data(), &length) != S_OK)
        return {};
    buffer.resize(::wcsnlen(buffer.c_str(), buffer.size()));
    return buffer;
}

// The path in one spelling: full, long names, so that two spellings of one file compare equal.
std::wstring canonical(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(n > 0 && n < 32768 ? n : 0);
    if (full.empty())
        full = path;
    std::wstring longName(32768, L'\0');
    n = ::GetLongPathNameW(full.c_str(), longName.data(), static_cast<DWORD>(longName.size()));
    if (n == 0 || n >= 32768)
        return full;
    longName.resize(n);
    return longName;
}

bool sameFile(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = canonical(a);
    const std::wstring y = canonical(b);
    return ::CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(), static_cast<int>(y.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

std::string associateDocumentType(const std::filesystem::path& program) {
    const std::wstring command = L"\"" + program.wstring() + L"\" \"%1\"";
    const Entry entries[4] = {
        {L"qelvofile", nullptr, L"Qelvo Document"},
        {L"qelvofile\\shell\\open\\command", nullptr, command},
        {L".qelvo", nullptr, L"qelvofile"},
        {L".qelvo\\ShellNew", L"NullFile", L""},
    };
    // Written for the user first; what counts is what the system then opens a document with.
    const std::string userWhy = writeEntries(kUserClasses, entries);
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    std::wstring opener = systemOpener();
    if (!opener.empty() && sameFile(opener, program.wstring()))
        return {};
    const std::string mergedWhy = writeEntries(kMergedClasses, entries);
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    opener = systemOpener();
    if (!opener.empty() && sameFile(opener, program.wstring()))
        return {};

    std::string why;
    for (const std::string* part : {&userWhy, &mergedWhy}) {
        if (!part->empty())
            why += *part + "；";
    }
    why += opener.empty() ? std::string("系统仍不知用哪个程序打开 .qelvo 文件")
                          : "系统打开 .qelvo 文件用的仍是 " + toGbk(opener);
    return why;
}

}  // namespace ui::win32
