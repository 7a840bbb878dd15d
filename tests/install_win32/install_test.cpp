// The Windows release artifacts as a user gets them: the installer run silently for the current user, the installed
// card index on the typical road with the calculator it starts itself, the silent uninstall that removes what was
// installed and keeps the user's documents; and the portable zip's programs on the same road.
#include <gtest/gtest.h>

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <string>
#include <system_error>

#include "program_driver.h"

namespace {

constexpr int kIdSave = 1, kIdName = 1022, kIdArea = 1026, kIdInput = 1049, kIdGetBirthday = 1050;
constexpr std::array<int, 10> kSignList = {1001, 1003, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012};
constexpr std::array<int, 10> kDegreeEdit = {1002, 1004, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1020};
constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qelvo";
// The place atlas is among them where the build made one.
constexpr const wchar_t* kInstalledFiles[] = {
    L"qelvo.exe",       L"corvina.exe",         L"uninstall.exe", L"readme.txt",
    L"LICENSE.txt",     L"corvina-LICENSE.txt", L"AGPL-3.0.txt",
#if QELVO_INSTALLS_ATLAS
    L"qelvo-atlas.dat",
#endif
};
constexpr const wchar_t* kShortcuts[] = {L"Qelvo 星盘卡片.lnk", L"Corvina 星位计算器.lnk", L"Qelvo 说明.lnk",
                                         L"卸载 Qelvo.lnk"};

std::filesystem::path knownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path)))
        folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

std::filesystem::path installFolder() {
    return knownFolder(FOLDERID_LocalAppData) / L"Programs" / L"Qelvo";
}

std::filesystem::path startMenuFolder() {
    return knownFolder(FOLDERID_Programs) / L"Qelvo";
}

std::optional<std::wstring> userString(const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[2048] = {};
    DWORD size = sizeof buffer;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buffer);
}

std::optional<DWORD> userNumber(const std::wstring& key, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool userKeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

std::wstring classes(const wchar_t* key) {
    return std::wstring(L"Software\\Classes\\") + key;
}

// Runs a command line and waits for its process; its exit code, or nothing when it did not start or end in time.
std::optional<DWORD> run(std::wstring commandLine, DWORD milliseconds = 60000) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return std::nullopt;
    std::optional<DWORD> code;
    if (::WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0) {
        DWORD exit = 0;
        ::GetExitCodeProcess(process.hProcess, &exit);
        code = exit;
    }
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return code;
}

std::optional<DWORD> installSilently() {
    const std::filesystem::path setup = hostFile("QELVO_SETUP");
    if (setup.empty())
        return std::nullopt;
    return run(L"\"" + setup.wstring() + L"\" /S");
}

// The uninstaller hands over to a copy of itself and ends at once; done when its entry is gone.
bool uninstallSilently() {
    const auto quiet = userString(kUninstallKey, L"QuietUninstallString");
    if (!quiet || !run(*quiet))
        return false;
    return waitUntil([] { return !userKeyExists(kUninstallKey); }, 30000) &&
           waitUntil([] { return !std::filesystem::exists(installFolder() / L"uninstall.exe"); }, 10000);
}

std::filesystem::path shortcutTarget(const std::filesystem::path& link) {
    IShellLinkW* shellLink = nullptr;
    std::filesystem::path target;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&shellLink))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) && SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    shellLink->Release();
    return target;
}

// The typical road, with no calculator running: the card index starts the one beside it, whose answer fills the
// ten planets (for 1991-01-02 12:55 at UTC+8 the sun stands in Capricorn at 11 degrees, the moon in Leo).
void typicalRoad(ProgramDriver& program) {
    ASSERT_EQ(::FindWindowW(L"Corvina", nullptr), nullptr);
    program.setText(kIdInput, "1991年1月2日，1255");
    program.setText(kIdArea, "中国");
    program.click(kIdGetBirthday);
    EXPECT_EQ(program.waitForBox("提示", 200), nullptr);
    EXPECT_EQ(program.selection(kSignList[0]), 10);
    EXPECT_EQ(program.text(kDegreeEdit[0]).rfind("11.", 0), 0u) << program.text(kDegreeEdit[0]);
    EXPECT_EQ(program.selection(kSignList[1]), 5);
    for (int p = 2; p < 10; ++p) {
        SCOPED_TRACE(p);
        EXPECT_GT(program.selection(kSignList[static_cast<std::size_t>(p)]), 0);
    }
    EXPECT_NE(::FindWindowW(L"Corvina", nullptr), nullptr);
}

class WindowsInstaller : public testing::Test {
  protected:
    static void SetUpTestSuite() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void SetUp() override {
        if (hostFile("QELVO_SETUP").empty())
            GTEST_SKIP() << "no installer given (QELVO_SETUP)";
    }
};

TEST_F(WindowsInstaller, InstallsForTheUserRunsAndUninstallsKeepingTheUsersDocuments) {
    ASSERT_EQ(installSilently(), DWORD{0});
    const std::filesystem::path folder = installFolder();
    for (const wchar_t* file : kInstalledFiles) {
        SCOPED_TRACE(gbkPath(file));
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / file));
    }
    for (const wchar_t* link : kShortcuts) {
        SCOPED_TRACE(gbkPath(link));
        EXPECT_TRUE(std::filesystem::is_regular_file(startMenuFolder() / link));
    }
    EXPECT_EQ(shortcutTarget(startMenuFolder() / kShortcuts[0]), folder / L"qelvo.exe");
    EXPECT_EQ(shortcutTarget(startMenuFolder() / kShortcuts[1]), folder / L"corvina.exe");

    const std::wstring uninstaller = L"\"" + (folder / L"uninstall.exe").wstring() + L"\"";
    EXPECT_EQ(userString(kUninstallKey, L"DisplayName"), L"Qelvo " QELVO_VERSION);
    EXPECT_EQ(userString(kUninstallKey, L"DisplayVersion"), QELVO_VERSION);
    EXPECT_EQ(userString(kUninstallKey, L"Publisher"), L"The Qelvo developers");
    EXPECT_EQ(userString(kUninstallKey, L"UninstallString"), uninstaller);
    EXPECT_EQ(userString(kUninstallKey, L"QuietUninstallString"), uninstaller + L" /S");
    EXPECT_EQ(userString(kUninstallKey, L"InstallLocation"), folder.wstring());
    const auto size = userNumber(kUninstallKey, L"EstimatedSize");
    ASSERT_TRUE(size.has_value());
    EXPECT_GT(*size, 500u);  // in KB: the two programs
    EXPECT_LT(*size, 50000u);

    // The association, as the program's own button writes it.
    const std::wstring program = (folder / L"qelvo.exe").wstring();
    EXPECT_EQ(userString(classes(L"qelvofile"), nullptr), L"Qelvo Document");
    EXPECT_EQ(userString(classes(L"qelvofile\\shell\\open\\command"), nullptr), L"\"" + program + L"\" \"%1\"");
    EXPECT_EQ(userString(classes(L".qelvo"), nullptr), L"qelvofile");
    EXPECT_EQ(userString(classes(L".qelvo\\ShellNew"), L"NullFile"), L"");

    // The installed card index, as the Start-menu entry starts it: no document named, so cfg.qelvo beside it.
    {
        ProgramDriver installed(folder);
        ASSERT_TRUE(installed.start({}));
        typicalRoad(installed);
        installed.setText(kIdName, "李明");
        installed.click(kIdSave);
        installed.click(2);
        EXPECT_TRUE(installed.waitForExit());
    }
    const std::filesystem::path document = folder / L"cfg.qelvo";
    const std::string saved = fileBytes(document);
    EXPECT_NE(saved.find("nick=\xC0\xEE\xC3\xF7\r\n"), std::string::npos);

    // The calculator the card index started still runs: the uninstaller closes it to remove its program.
    ASSERT_TRUE(uninstallSilently());
    EXPECT_EQ(::FindWindowW(L"Corvina", nullptr), nullptr);
    for (const wchar_t* file : kInstalledFiles) {
        SCOPED_TRACE(gbkPath(file));
        EXPECT_FALSE(std::filesystem::exists(folder / file));
    }
    EXPECT_FALSE(std::filesystem::exists(startMenuFolder()));
    EXPECT_FALSE(userKeyExists(classes(L"qelvofile")));
    EXPECT_FALSE(userKeyExists(classes(L".qelvo")));
    EXPECT_EQ(fileBytes(document), saved);
    std::set<std::filesystem::path> left;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        left.insert(entry.path().filename());
    EXPECT_EQ(left, std::set<std::filesystem::path>{L"cfg.qelvo"});
}

TEST_F(WindowsInstaller, UninstallKeepsAnAssociationThatOpensAnotherCopy) {
    ASSERT_EQ(installSilently(), DWORD{0});
    const std::wstring other = L"\"C:\\Portable\\Qelvo\\qelvo.exe\" \"%1\"";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, classes(L"qelvofile\\shell\\open\\command").c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                     static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);

    ASSERT_TRUE(uninstallSilently());
    EXPECT_FALSE(std::filesystem::exists(installFolder() / L"qelvo.exe"));
    EXPECT_EQ(userString(classes(L"qelvofile\\shell\\open\\command"), nullptr), other);
    EXPECT_EQ(userString(classes(L".qelvo"), nullptr), L"qelvofile");
}

TEST(PortableZip, ItsProgramsRunTheTypicalRoadFromAnyFolder) {
    const std::filesystem::path folder = hostFile("QELVO_PORTABLE");
    if (folder.empty())
        GTEST_SKIP() << "no portable folder given (QELVO_PORTABLE)";
    const auto document = freshFolder(L"portable") / L"persons.qelvo";
    ProgramDriver program(folder);
    ASSERT_TRUE(program.start(document));
    typicalRoad(program);
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
    EXPECT_TRUE(endProgramOfWindow(L"Corvina"));
    EXPECT_FALSE(userKeyExists(kUninstallKey));
}

}  // namespace
