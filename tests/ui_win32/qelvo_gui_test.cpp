// The Windows program end to end: started on a document, worked from outside by control ids, the document and the
// registry read back with the system's own functions.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/chart_engine.h"
#include "chart/dignity_table.h"
#include "program_driver.h"

namespace {

// Asks the test's runner for a screenshot of the display, when it offers one (QELVO_SHOT_REQUEST names the file to
// create, as a path of the host), and waits for it a little. Never fails a test.
void requestScreenshot() {
    const char* request = std::getenv("QELVO_SHOT_REQUEST");
    if (request == nullptr || *request == '\0')
        return;
    std::string windowsPath = std::string("Z:") + request;  // the host's root is drive Z: under Wine
    for (char& c : windowsPath) {
        if (c == '/')
            c = '\\';
    }
    HANDLE marker = ::CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
    if (marker == INVALID_HANDLE_VALUE)
        return;
    ::CloseHandle(marker);
    for (int i = 0; i < 100 && ::GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        ::Sleep(100);  // the runner removes the request once the picture is taken
}

constexpr int kIdSave = 1, kIdCode = 1000, kIdBirthday = 1021, kIdName = 1022, kIdPersonList = 1023, kIdMemo = 1025,
              kIdArea = 1026, kIdTimeZone = 1027, kIdAssociate = 1038, kIdInput = 1049, kIdGetBirthday = 1050;
constexpr std::array<int, 10> kSignList = {1001, 1003, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012};
constexpr std::array<int, 10> kDegreeEdit = {1002, 1004, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1020};
constexpr std::array<int, 10> kMarkField = {1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048};

std::string profileValue(const std::filesystem::path& document, const char* section, const char* key) {
    char buffer[512] = {};
    ::GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, gbkPath(document).c_str());
    return buffer;
}

std::wstring registryValue(const wchar_t* key, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    const std::wstring path = std::wstring(L"Software\\Classes\\") + key;
    if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

// A stand-in for the calculator program: a window of class "Corvina" on this thread that records each request and
// answers at once with copy-data to the form, while the form still waits for its request to be handled.
struct Calculator {
    static inline std::vector<std::string> requests;
    static inline std::string answer;
    static inline HWND form = nullptr;
    HWND window = nullptr;

    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_SETTEXT) {
            requests.emplace_back(reinterpret_cast<const char*>(lParam));
            COPYDATASTRUCT data{0, static_cast<DWORD>(answer.size() + 1), answer.data()};
            ::SendMessageA(form, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&data));
            return TRUE;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }

    Calculator() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = proc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "Corvina";
        ::RegisterClassA(&windowClass);
        window = ::CreateWindowA("Corvina", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
        requests.clear();
    }
    ~Calculator() { ::DestroyWindow(window); }
};

TEST(WindowsProgram, FirstStartOnAMissingDocumentCreatesItsBase) {
    const auto document = freshFolder(L"first start") / L"新 文档.qelvo";
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    EXPECT_EQ(program.caption(), "Orbalis 1.0.6.21    -    " + gbkPath(document));
    EXPECT_EQ(program.text(kIdCode), "10001");
    EXPECT_EQ(program.selection(kIdTimeZone), 0);
    EXPECT_EQ(program.rowCount(kIdPersonList), 0);
    EXPECT_EQ(profileValue(document, "base", "ver"), "1.0.6.18");
    EXPECT_EQ(profileValue(document, "base", "newcode"), "10001");
    EXPECT_EQ(profileValue(document, "base", "uLastInd"), "0");
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

TEST(WindowsProgram, TypicalRoadThroughTheCalculatorToTheDocument) {
    const auto document = freshFolder(L"typical road") / L"persons.qelvo";
    Calculator calculator;
    Calculator::answer = "x|15Ari23|3Tau05|0Gem00|29Can59|1Leo01|2Vir02|3Lib03|4Sco04|5Sag05|6Cap06";
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    Calculator::form = program.form();

    program.setText(kIdInput, "1991年1月2日，1255");
    program.setText(kIdArea, "中国");
    program.click(kIdGetBirthday);
    ASSERT_EQ(Calculator::requests.size(), 1u);
    EXPECT_EQ(Calculator::requests[0], "$mvQelvo#1991.1.2,1255:5");
    EXPECT_EQ(program.text(kIdBirthday), "1991.1.2,1255");
    EXPECT_EQ(program.selection(kIdTimeZone), 5);

    const float degrees[10] = {15.23f, 3.05f, 0.f, 29.59f, 1.01f, 2.02f, 3.03f, 4.04f, 5.05f, 6.06f};
    const char* shown[10] = {"15.23", "3.05", "0", "29.59", "1.01", "2.02", "3.03", "4.04", "5.05", "6.06"};
    chart::PlanetPositions positions{};
    for (int p = 0; p < 10; ++p) {
        SCOPED_TRACE(p);
        positions[p] = {p + 1, degrees[p]};
        EXPECT_EQ(program.selection(kSignList[p]), p + 1);
        EXPECT_EQ(program.text(kDegreeEdit[p]), shown[p]);
        EXPECT_EQ(program.text(kMarkField[p]), chart::markFor(p, p + 1));
    }
    const chart::AspectTexts aspects = chart::computeAspects(positions);
    const struct {
        int id;
        const std::string& text;
    } fields[] = {{1032, aspects.square},  {1033, aspects.opposition},  {1030, aspects.conjunction},
                  {1031, aspects.trine},   {1035, aspects.sextile},     {1036, aspects.plumBlossom},
                  {1037, aspects.sunMoon}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.id);
        EXPECT_EQ(program.text(f.id), f.text);
    }

    // A user's own pick of a sign recomputes the aspects.
    program.choose(kSignList[1], 1);
    positions[1].sign = 1;
    EXPECT_EQ(program.text(1030), chart::computeAspects(positions).conjunction);
    EXPECT_EQ(program.text(kMarkField[1]), chart::markFor(1, 1));

    program.setText(kIdName, "李明");
    program.click(kIdSave);
    EXPECT_EQ(program.rowCount(kIdPersonList), 1);
    EXPECT_EQ(profileValue(document, "ql_1", "nick"), "李明");
    EXPECT_EQ(profileValue(document, "ql_1", "srday"), "1991.1.2,1255");
    EXPECT_EQ(profileValue(document, "ql_1", "timezone"), "5");
    EXPECT_EQ(profileValue(document, "ql_1", "sun"), "1");
    EXPECT_EQ(profileValue(document, "ql_1", "moon"), "1");
    EXPECT_EQ(profileValue(document, "base", "newcode"), "10002");
    EXPECT_NE(fileBytes(document).find("nick=\xC0\xEE\xC3\xF7\r\n"), std::string::npos);  // GBK on disk
    requestScreenshot();  // a listed person and an applied answer: the picture of the form at work
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

TEST(WindowsProgram, EnterSavesInAFieldAndBreaksTheMemoEscClosesWithoutSaving) {
    const auto document = freshFolder(L"keys") / L"persons.qelvo";
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));

    program.setText(kIdMemo, "ab");
    program.pressKey(kIdMemo, VK_RETURN);
    EXPECT_TRUE(waitUntil([&] { return program.text(kIdMemo).find("\r\n") != std::string::npos; }));

    program.setText(kIdName, "王芳");
    program.pressKey(kIdName, VK_RETURN);
    EXPECT_TRUE(waitUntil([&] { return profileValue(document, "ql_1", "nick") == "王芳"; }));
    EXPECT_EQ(profileValue(document, "ql_1", "memo"), "|ab");  // the memo's line break as the document keeps it

    const std::string saved = fileBytes(document);
    program.setText(kIdName, "张伟");
    program.pressKey(kIdName, VK_ESCAPE);
    EXPECT_TRUE(program.waitForExit());
    EXPECT_EQ(fileBytes(document), saved);
}

TEST(WindowsProgram, AMouseClickInTheListShowsAPersonAndTheKeyboardDoesNot) {
    const auto document = freshFolder(L"list") / L"persons.qelvo";
    {
        ProgramDriver writer;
        ASSERT_TRUE(writer.start(document));
        for (const char* name : {"李明", "王芳"}) {
            writer.click(3);
            writer.setText(kIdName, name);
            writer.click(kIdSave);
        }
        writer.click(2);
        ASSERT_TRUE(writer.waitForExit());
    }
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    ASSERT_EQ(program.rowCount(kIdPersonList), 2);
    ASSERT_TRUE(program.clickRow(kIdPersonList, 1));  // newest first: 王芳, then 李明
    EXPECT_TRUE(waitUntil([&] { return program.text(kIdName) == "李明"; }));
    EXPECT_EQ(program.text(kIdCode), "10001");
    program.pressKey(kIdPersonList, VK_UP);
    EXPECT_TRUE(waitUntil([&] {
        return ::SendMessageA(program.control(kIdPersonList), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                              LVNI_SELECTED) == 0;
    }));
    EXPECT_EQ(program.text(kIdName), "李明");
    ASSERT_TRUE(program.clickRow(kIdPersonList, 0));
    EXPECT_TRUE(waitUntil([&] { return program.text(kIdName) == "王芳"; }));
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

TEST(WindowsProgram, OldDocumentDeclinedIsLeftAsItWas) {
    const auto document = freshFolder(L"old") / L"old.qelvo";
    const std::string old = "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql]\r\nuInd_1=10001\r\nnick_1=\xC0\xEE\r\n";
    {
        HANDLE file = ::CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, old.data(), static_cast<DWORD>(old.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    ProgramDriver program;
    ASSERT_TRUE(program.start(document, false));  // the question comes before the form is shown
    const HWND question = program.waitForBox("提示");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(ProgramDriver::boxText(question), "文件版本过低，是否转换升级文件？");
    ::PostMessageA(question, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(program.waitForExit());
    EXPECT_EQ(fileBytes(document), old);
}

TEST(WindowsProgram, TheSystemMenusAboutItemOpensTheAboutBox) {
    const auto document = freshFolder(L"about") / L"persons.qelvo";
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    ::PostMessageA(program.form(), WM_SYSCOMMAND, 16, 0);
    const HWND about = program.waitForBox("关于 Qelvo");
    ASSERT_NE(about, nullptr);
    char button[64] = {};
    ::GetDlgItemTextA(about, IDOK, button, sizeof button);
    EXPECT_STREQ(button, "确定");
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

TEST(WindowsProgram, AssociationWritesTheUsersFourEntries) {
    const auto document = freshFolder(L"association") / L"persons.qelvo";
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    program.postClick(kIdAssociate);
    const HWND box = program.waitForBox("提示");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ProgramDriver::boxText(box), "关联成功！");
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);

    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring programPath = (std::filesystem::path(self).parent_path() / L"qelvo.exe").wstring();
    EXPECT_EQ(registryValue(L"qelvofile", nullptr), L"Qelvo Document");
    EXPECT_EQ(registryValue(L"qelvofile\\shell\\open\\command", nullptr), L"\"" + programPath + L"\" \"%1\"");
    EXPECT_EQ(registryValue(L".qelvo", nullptr), L"qelvofile");
    EXPECT_EQ(registryValue(L".qelvo\\ShellNew", L"NullFile"), L"");
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

}  // namespace
