// The qelvo-doc tool on Windows from outside: its arguments arrive as Unicode and become code page 936; a character
// that the code page lacks is refused, never written as "?".
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "scratch.h"

namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;

// The tool beside this test in the build folder: tests/tools/ and tools/qelvo_doc/.
std::filesystem::path toolPath() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path().parent_path().parent_path() / "tools" / "qelvo_doc" /
           "qelvo-doc.exe";
}

// Runs the tool with a command line of words, each quoted; its exit status, or -1 when it could not be started.
int runTool(const std::wstring& arguments) {
    std::wstring command = L"\"" + toolPath().wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &process))
        return -1;
    ::WaitForSingleObject(process.hProcess, 60000);
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

TEST(QelvoDocToolWindows, TakesChineseArgumentsAndRefusesWhatCodePage936Lacks) {
    ScratchFolder folder;
    const std::wstring doc = L"\"" + (folder.path() / "w.qelvo").wstring() + L"\"";
    ASSERT_EQ(runTool(doc + L" set ql_1 nick \u5F20\u4E09"), 0);  // 张三
    const std::string stored = "[ql_1]\r\nnick=\xD5\xC5\xC8\xFD\r\n";
    EXPECT_EQ(readBytes(folder.path() / "w.qelvo"), stored);
    const struct {
        const wchar_t* what;
        std::wstring arguments;
    } refused[] = {
        {L"a value", doc + L" set ql_1 memo a\U0001F600b"},
        {L"a key", doc + L" set ql_1 \u0151 x"},  // best fit would give "o"
        {L"a section", doc + L" delete ql_\u2135"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(std::filesystem::path(c.what).string());
        EXPECT_EQ(runTool(c.arguments), 2);
    }
    EXPECT_EQ(readBytes(folder.path() / "w.qelvo"), stored);
    EXPECT_EQ(runTool(doc + L" upgrade"), 3);  // no newcode: nothing to convert
}

}  // namespace
