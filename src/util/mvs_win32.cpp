#include "util/mvs.h"

// The Windows headers below need it first.
#include <windows.h>

#include <shlobj.h>

#include <string>

std::filesystem::path CMvs::getAppPath(bool folderOnly) const {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);  // a long path is never cut short
    }
    const std::filesystem::path program(buffer);
    return folderOnly ? program.parent_path() : program;
}

std::filesystem::path CMvs::userDataFolder() const {
    PWSTR folder = nullptr;
    std::filesystem::path result;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder)))
        result = std::filesystem::path(folder) / L"Qelvo";
    ::CoTaskMemFree(folder);
    return result;
}

bool CMvs::canCreateFileIn(const std::filesystem::path& folder) const {
    // Access rights on Windows are best learnt by trying: create and remove a probe file.
    const std::filesystem::path probe = folder / (L".qelvo-probe-" + std::to_wstring(::GetCurrentProcessId()));
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
}
