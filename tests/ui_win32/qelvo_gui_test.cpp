// The Windows program end to end: started on a document, worked from outside by control ids, the document and the
// registry read back with the system's own functions.
#include <gtest/gtest.h>

// The Windows headers below need it first.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart_engine.h"
#include "chart/dignity_table.h"
#include "chart/zodiac_sign_table.h"
#include "program_driver.h"
#include "records/person_card.h"
#include "windows/calculator_window.h"

namespace {

constexpr int kIdSave = 1, kIdCode = 1000, kIdBirthday = 1021, kIdName = 1022, kIdPersonList = 1023, kIdCategory = 1024,
              kIdMemo = 1025, kIdArea = 1026, kIdTimeZone = 1027, kIdAssociate = 1038, kIdInput = 1049,
              kIdGetBirthday = 1050, kIdChart = 1052;
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

    Calculator() : window(createMessageWindow("Corvina", proc)) { requests.clear(); }
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
    } fields[] = {{1032, aspects.square}, {1033, aspects.opposition}, {1030, aspects.conjunction},
                  {1031, aspects.trine},  {1035, aspects.sextile},    {1036, aspects.plumBlossom},
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
    // The birthday column (80 pixels in the layout) is as wide as the list itself measures its texts, the time of
    // day included.
    const HWND list = program.control(kIdPersonList);
    const auto birthdayWidth = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    EXPECT_GE(birthdayWidth, static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0)));
    EXPECT_GE(birthdayWidth, 80);
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(birthdayWidth, 0));
    EXPECT_EQ(profileValue(document, "ql_1", "nick"), "李明");
    EXPECT_EQ(profileValue(document, "ql_1", "srday"), "1991.1.2,1255");
    EXPECT_EQ(profileValue(document, "ql_1", "timezone"), "5");
    EXPECT_EQ(profileValue(document, "ql_1", "sun"), "1");
    EXPECT_EQ(profileValue(document, "ql_1", "moon"), "1");
    EXPECT_EQ(profileValue(document, "base", "newcode"), "10002");
    EXPECT_NE(fileBytes(document).find("nick=\xC0\xEE\xC3\xF7\r\n"), std::string::npos);  // GBK on disk
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

TEST(WindowsProgram, TypingInTheSearchFieldFiltersTheList) {
    constexpr int kIdSearch = 1053, kIdSearchCount = 1054;
    const auto document = freshFolder(L"search") / L"persons.qelvo";
    const std::string persons =
        "[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=2\r\n"
        "[ql_1]\r\nuInd=10001\r\nnick=李明\r\n[ql_2]\r\nuInd=10002\r\nnick=王芳\r\n";
    {
        HANDLE file = ::CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, persons.data(), static_cast<DWORD>(persons.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    ASSERT_EQ(program.rowCount(kIdPersonList), 2);
    EXPECT_EQ(program.text(kIdSearchCount), "共 2 人");
    program.setText(kIdSearch, "李");  // the edit tells the form of the change, as it does for typing
    EXPECT_TRUE(waitUntil([&] { return program.rowCount(kIdPersonList) == 1; }));
    EXPECT_EQ(program.text(kIdSearchCount), "共 1 人");
    ASSERT_TRUE(program.clickRow(kIdPersonList, 0));
    EXPECT_TRUE(waitUntil([&] { return program.text(kIdName) == "李明"; }));
    // Showing the person set the form's fields without a search of their own.
    EXPECT_EQ(program.rowCount(kIdPersonList), 1);
    program.setText(kIdSearch, "");
    EXPECT_TRUE(waitUntil([&] { return program.rowCount(kIdPersonList) == 2; }));
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

TEST(WindowsProgram, OldDocumentDeclinedIsLeftAsItWas) {
    const auto document = freshFolder(L"old") / L"old.qelvo";
    const std::string old = "[base]\r\nnewcode=10002\r\nuLastInd=1\r\n[ql]\r\nuInd_1=10001\r\nnick_1=\xC0\xEE\r\n";
    ASSERT_TRUE(writeFileBytes(document, old));
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
    // The version, then the licence: free software under the GPL, without warranty.
    std::string texts;
    for (HWND item = ::FindWindowExA(about, nullptr, "Static", nullptr); item != nullptr;
         item = ::FindWindowExA(about, item, "Static", nullptr)) {
        char text[512] = {};
        ::GetWindowTextA(item, text, sizeof text);
        texts += text;
    }
    EXPECT_NE(texts.find("Qelvo Version 1.0\n"), std::string::npos) << texts;
    EXPECT_NE(texts.find("GNU GPL 3.0 或更新版本"), std::string::npos);
    EXPECT_NE(texts.find("不提供任何担保"), std::string::npos);
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

// The chart window of a process: a visible top-level window of class "QelvoChart"; nullptr when none.
HWND chartWindowOf(HWND form) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(form, &process);
    HWND window = nullptr;
    while ((window = ::FindWindowExW(nullptr, window, L"QelvoChart", nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == process && ::IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

// What the screen shows of a window's client area: how many pixels are not white, how many distinct colours there
// are, and how many pixels have one given colour.
struct ClientPixels {
    int width = 0;
    int height = 0;
    long inked = 0;
    std::size_t colours = 0;
    long ofColour = 0;
};

ClientPixels clientPixels(HWND window, COLORREF colour) {
    ClientPixels result;
    RECT client{};
    ::GetClientRect(window, &client);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    result.width = client.right;
    result.height = client.bottom;
    if (result.width <= 0 || result.height <= 0)
        return result;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, result.width, result.height);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, result.width, result.height, screen, origin.x, origin.y, SRCCOPY);
    ::SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = result.width;
    info.bmiHeader.biHeight = -result.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(result.width) * result.height);
    ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(result.height), pixels.data(), &info, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    const std::uint32_t wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    std::vector<std::uint32_t> seen;
    for (std::uint32_t p : pixels) {
        p &= 0xFFFFFF;
        if (p != 0xFFFFFF)
            ++result.inked;
        if (p == wanted)
            ++result.ofColour;
        seen.push_back(p);
    }
    std::sort(seen.begin(), seen.end());
    result.colours = static_cast<std::size_t>(std::unique(seen.begin(), seen.end()) - seen.begin());
    return result;
}

// "星盘" opens a window that draws the wheel of the planets on the form, and draws it anew when a sign changes and
// when the window is resized.
TEST(WindowsProgram, TheChartButtonOpensAWheelThatFollowsTheForm) {
    const auto document = freshFolder(L"chart") / L"persons.qelvo";
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    program.setText(kIdName, "李明");
    program.setText(kDegreeEdit[0], "10");
    program.setText(kDegreeEdit[1], "12");
    program.setText(kDegreeEdit[2], "11.5");
    program.choose(kSignList[0], 1);  // sun 白羊 10
    program.choose(kSignList[1], 7);  // moon 天秤 12: opposite the sun
    program.choose(kSignList[2], 5);  // mercury 狮子 11.5
    // Venus and mars beside the sun, jupiter square to them: labels to push apart.
    program.setText(kDegreeEdit[3], "12");
    program.setText(kDegreeEdit[4], "13.5");
    program.setText(kDegreeEdit[5], "14");
    program.choose(kSignList[3], 1);
    program.choose(kSignList[4], 1);
    program.choose(kSignList[5], 10);
    EXPECT_EQ(program.text(1033), "日月,月金,月火");
    EXPECT_EQ(chartWindowOf(program.form()), nullptr);

    program.click(kIdChart);
    HWND chart = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (chart = chartWindowOf(program.form())) != nullptr; }));
    char caption[256] = {};
    ::GetWindowTextA(chart, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), "星盘 - 10001 李明");

    const COLORREF opposition = RGB(148, 0, 60);   // the opposition's line
    const COLORREF fireSign = RGB(252, 226, 220);  // the fill of 白羊, 狮子 and 射手
    ClientPixels shown;
    EXPECT_TRUE(waitUntil([&] {
        shown = clientPixels(chart, opposition);
        return shown.ofColour > 50;
    })) << shown.ofColour;
    EXPECT_GT(shown.inked, shown.width * shown.height / 10);
    EXPECT_LT(shown.inked, shown.width * shown.height * 9 / 10);
    EXPECT_GE(shown.colours, 12u);
    EXPECT_GT(clientPixels(chart, fireSign).ofColour, shown.width * shown.height / 50);
    requestScreenshot();

    // The moon into 狮子: no opposition any more (its colour stays only in the legend), and the open window shows it
    // at once.
    program.choose(kSignList[1], 5);
    EXPECT_EQ(program.text(1033), "");
    EXPECT_TRUE(waitUntil([&] { return clientPixels(chart, opposition).ofColour < shown.ofColour / 3; }));

    // Beside the form, where it hides none of the form's fields.
    RECT formRect{}, chartRect{};
    ::GetWindowRect(program.form(), &formRect);
    ::GetWindowRect(chart, &chartRect);
    EXPECT_GE(chartRect.left, formRect.right);

    // Larger (and moved to where the screen shows all of it), and drawn at the new size.
    ::SetWindowPos(chart, nullptr, 0, 0, shown.width + 200, shown.height + 200, SWP_NOZORDER);
    ClientPixels larger;
    EXPECT_TRUE(waitUntil([&] {
        larger = clientPixels(chart, fireSign);
        return larger.width > shown.width && larger.ofColour > larger.width * larger.height / 50;
    })) << larger.width
        << " " << larger.ofColour;

    // Pressed again, the one window comes forward; Esc closes it, and the button opens a new one.
    program.click(kIdChart);
    EXPECT_EQ(chartWindowOf(program.form()), chart);
    ::PostMessageA(chart, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(waitUntil([&] { return !::IsWindow(chart); }));
    EXPECT_TRUE(program.running());
    program.click(kIdChart);
    EXPECT_NE(chartWindowOf(program.form()), nullptr);
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

// A card whose stored sign, zone or category lies beyond its list or below it, shown after a card with valid ones: the
// lists show no selection (not the previous card's), and saving writes none.
TEST(WindowsProgram, PositionsBeyondTheListsLeaveNoSelectionAfterAnotherCard) {
    const auto document = freshFolder(L"beyond the lists") / L"persons.qelvo";
    ASSERT_TRUE(writeFileBytes(
        document,
        "[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=2\r\n"
        "[ql_2]\r\nuInd=10002\r\nnick=foreign\r\ntype=-1\r\ntimezone=99\r\nsun=13\r\nmoon=2\r\nmars=-4\r\n"
        "[ql_1]\r\nuInd=10001\r\nnick=valid\r\ntype=2\r\ntimezone=5\r\nsun=3\r\nmoon=4\r\nmars=6\r\n"));
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    ASSERT_EQ(program.rowCount(kIdPersonList), 2);
    ASSERT_TRUE(program.clickRow(kIdPersonList, 1));
    ASSERT_TRUE(waitUntil([&] { return program.text(kIdName) == "valid"; }));
    EXPECT_EQ(program.selection(kSignList[0]), 3);
    EXPECT_EQ(program.selection(kIdTimeZone), 5);
    EXPECT_EQ(program.selection(kIdCategory), 2);
    EXPECT_EQ(program.selection(kSignList[4]), 6);

    ASSERT_TRUE(program.clickRow(kIdPersonList, 0));
    ASSERT_TRUE(waitUntil([&] { return program.text(kIdName) == "foreign"; }));
    EXPECT_EQ(program.selection(kSignList[0]), -1);
    EXPECT_EQ(program.selection(kIdTimeZone), -1);
    EXPECT_EQ(program.selection(kIdCategory), -1);
    EXPECT_EQ(program.selection(kSignList[4]), -1);
    EXPECT_EQ(program.selection(kSignList[1]), 2);

    program.click(kIdSave);
    EXPECT_EQ(profileValue(document, "ql_2", "sun"), "-1");
    EXPECT_EQ(profileValue(document, "ql_2", "timezone"), "-1");
    EXPECT_EQ(profileValue(document, "ql_2", "type"), "-1");
    EXPECT_EQ(profileValue(document, "ql_2", "mars"), "-1");
    EXPECT_EQ(profileValue(document, "ql_2", "moon"), "2");
    EXPECT_EQ(profileValue(document, "ql_1", "sun"), "3");
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

// The value of key in the file's bytes (the first line "key=..."), whatever its length.
std::string documentValue(const std::string& file, const std::string& key) {
    const std::size_t begin = file.find("\r\n" + key + "=");
    if (begin == std::string::npos)
        return "<missing>";
    const std::size_t start = begin + key.size() + 3;
    return file.substr(start, file.find("\r\n", start) - start);
}

// A memo of a megabyte goes into its field and back into the document whole (the times are printed; how they grow
// with the text is bench/text_bench's to measure).
TEST(WindowsProgram, AMegabyteMemoIsShownAndSavedWhole) {
    const auto document = freshFolder(L"long memo") / L"persons.qelvo";
    std::string stored;
    while (stored.size() < 1024 * 1024)
        stored += "大学同学，住在北京 notes 1991.1.2|";
    ASSERT_TRUE(writeFileBytes(document,
                               "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n"
                               "[ql_1]\r\nuInd=10001\r\nnick=long\r\nmemo=" +
                                   stored + "\r\n"));
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    const LRESULT expected =
        static_cast<LRESULT>(::MultiByteToWideChar(936, 0, stored.data(), static_cast<int>(stored.size()), nullptr, 0) +
                             std::count(stored.begin(), stored.end(), '|'));
    const DWORD begin = ::GetTickCount();
    ASSERT_TRUE(program.clickRow(kIdPersonList, 0));
    EXPECT_TRUE(
        waitUntil([&] { return ::SendMessageW(program.control(kIdMemo), WM_GETTEXTLENGTH, 0, 0) == expected; }, 30000));
    const DWORD shown = ::GetTickCount() - begin;
    program.click(kIdSave);
    const DWORD saved = ::GetTickCount() - begin - shown;
    std::printf("a memo of %zu bytes: shown in %lu ms, saved in %lu ms\n", stored.size(),
                static_cast<unsigned long>(shown), static_cast<unsigned long>(saved));
    EXPECT_EQ(documentValue(fileBytes(document), "memo"), stored.substr(0, stored.size()));
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

// The memo takes typing and pasting beyond the system's default limit of about 30,000 characters.
TEST(WindowsProgram, TheMemoTakesTypingBeyondTheSystemsDefaultLimit) {
    const auto document = freshFolder(L"typed memo") / L"persons.qelvo";
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    std::wstring pasted;
    for (int line = 0; line < 4000; ++line)
        pasted += L"大学同学住在北京\r\n";  // ten characters, the document's seventeen bytes
    const HWND memo = program.control(kIdMemo);
    ::SendMessageW(memo, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted.c_str()));  // cut at the limit
    ::PostMessageW(memo, WM_CHAR, L'末', 0);                                              // typed after it
    EXPECT_TRUE(waitUntil([&] { return ::SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0) == 40001; }));
    program.click(kIdSave);
    EXPECT_EQ(documentValue(fileBytes(document), "memo").size(), 4000u * 17 + 2);
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
}

// What the system starts to open a ".qelvo" document; empty when it knows nothing.
std::wstring systemOpener() {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = MAX_PATH * 2;
    if (::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, L".qelvo", L"open", buffer, &length) !=
        S_OK)
        return {};
    return buffer;
}

// "关联成功！" only when it is so: afterwards the system names the program for ".qelvo", and a document opened
// through the shell starts the program on it.
TEST(WindowsProgram, AfterTheAssociationTheShellOpensDocumentsWithTheProgram) {
    const auto folder = freshFolder(L"shell open");
    ProgramDriver program;
    ASSERT_TRUE(program.start(folder / L"persons.qelvo"));
    program.postClick(kIdAssociate);
    const HWND box = program.waitForBox("提示");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ProgramDriver::boxText(box), "关联成功！");
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    program.click(2);
    EXPECT_TRUE(program.waitForExit());

    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring programPath = (std::filesystem::path(self).parent_path() / L"qelvo.exe").wstring();
    const std::wstring opener = systemOpener();
    EXPECT_EQ(::CompareStringOrdinal(opener.c_str(), -1, programPath.c_str(), -1, TRUE), CSTR_EQUAL)
        << "the system opens .qelvo with [" << gbkPath(opener) << "]";

    const std::filesystem::path opened = folder / L"从外壳打开.qelvo";
    ASSERT_TRUE(writeFileBytes(opened,
                               "[base]\r\nver=1.0.6.18\r\nnewcode=10002\r\nuLastInd=1\r\n"
                               "[ql_1]\r\nuInd=10001\r\nnick=shell\r\n"));
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_NOCLOSEPROCESS;
    open.lpVerb = L"open";
    open.lpFile = opened.c_str();
    open.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(::ShellExecuteExW(&open)) << ::GetLastError();
    ASSERT_NE(open.hProcess, nullptr);
    HWND form = nullptr;
    EXPECT_TRUE(waitUntil(
        [&] {
            form = nullptr;
            while ((form = ::FindWindowExW(nullptr, form, L"mvQelvo", nullptr)) != nullptr) {
                DWORD owner = 0;
                ::GetWindowThreadProcessId(form, &owner);
                if (owner == ::GetProcessId(open.hProcess) && ::IsWindowVisible(form))
                    return true;
            }
            return false;
        },
        20000));
    if (form != nullptr) {
        char caption[1024] = {};
        ::GetWindowTextA(form, caption, sizeof caption);
        EXPECT_EQ(std::string(caption), "Orbalis 1.0.6.21    -    " + gbkPath(opened));
        EXPECT_EQ(::SendMessageA(::GetDlgItem(form, kIdPersonList), LVM_GETITEMCOUNT, 0, 0), 1);
        ::PostMessageA(form, WM_COMMAND, IDCANCEL, 0);
    }
    if (::WaitForSingleObject(open.hProcess, 15000) != WAIT_OBJECT_0)
        ::TerminateProcess(open.hProcess, 1);
    ::CloseHandle(open.hProcess);
}

// The ten longitudes that the ephemeris library's own tool on the host gives for a moment in universal time.
std::vector<double> toolLongitudes(int year, int month, int day, int hour, int minute) {
    char arguments[128];
    std::snprintf(arguments, sizeof arguments, "-b%d.%d.%d -ut%d:%02d -p0123456789 -fl -emos -head", day, month, year,
                  hour, minute);
    std::vector<double> longitudes;
    std::istringstream out(hostSwetest(arguments));
    double value = 0;
    while (longitudes.size() < 10 && out >> value)
        longitudes.push_back(value);
    return longitudes;
}

// The card index with the real calculator program, both running: a typed birthday fills the ten planets with the
// positions that the ephemeris tool gives, cut to whole minutes.
TEST(WindowsProgram, TypicalRoadWithTheRealCalculator) {
    const auto document = freshFolder(L"real calculator") / L"persons.qelvo";
    ProgramDriver calculator;
    ASSERT_TRUE(calculator.startCalculator());
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));

    program.setText(kIdInput, "1991年1月2日，1255");
    program.setText(kIdArea, "中国");
    program.click(kIdGetBirthday);  // the answer comes back while the request is being handled
    EXPECT_EQ(program.text(kIdBirthday), "1991.1.2,1255");
    EXPECT_EQ(program.selection(kIdTimeZone), 5);
    EXPECT_EQ(program.text(kIdTimeZone), "东8区");

    // 12:55 at UTC+8 is 04:55 in universal time, the same day.
    const std::vector<double> tool = toolLongitudes(1991, 1, 2, 4, 55);
    ASSERT_EQ(tool.size(), 10u) << "the runner offers no ephemeris tool";
    chart::PlanetPositions positions{};
    for (int p = 0; p < 10; ++p) {
        SCOPED_TRACE(p);
        const long minutes = static_cast<long>(std::floor(tool[static_cast<std::size_t>(p)] * 60.0)) % (360 * 60);
        const int sign = static_cast<int>(minutes / (30 * 60)) + 1;
        char degreeText[16];
        std::snprintf(degreeText, sizeof degreeText, "%ld.%02ld", (minutes / 60) % 30, minutes % 60);
        const float degree = static_cast<float>(std::atof(degreeText));
        positions[static_cast<std::size_t>(p)] = {sign, degree};
        EXPECT_EQ(program.selection(kSignList[static_cast<std::size_t>(p)]), sign);
        EXPECT_EQ(program.text(kDegreeEdit[static_cast<std::size_t>(p)]), records::formatDegreeField(degree));
        EXPECT_EQ(program.text(kMarkField[static_cast<std::size_t>(p)]), chart::markFor(p, sign));
        EXPECT_EQ(calculator.text(corvina::win32::kPlanetId + 3 * p + 1), chart::signComboText(sign));
    }
    const chart::AspectTexts aspects = chart::computeAspects(positions);
    EXPECT_EQ(program.text(1032), aspects.square);
    EXPECT_EQ(program.text(1033), aspects.opposition);
    EXPECT_EQ(program.text(1030), aspects.conjunction);
    EXPECT_EQ(program.text(1031), aspects.trine);
    EXPECT_EQ(program.text(1035), aspects.sextile);
    EXPECT_EQ(program.text(1036), aspects.plumBlossom);
    EXPECT_EQ(program.text(1037), aspects.sunMoon);

    EXPECT_EQ(calculator.text(corvina::win32::kRequestId), "请求：$mvQelvo#1991.1.2,1255:5");
    EXPECT_EQ(calculator.text(corvina::win32::kMomentId), "1991年1月2日 12:55，东8区（UTC+8），格里历");
    EXPECT_EQ(calculator.text(corvina::win32::kProblemId), "");
    EXPECT_EQ(calculator.text(corvina::win32::kCountId), "已应答 1 次");
    requestScreenshot();  // the form with a computed chart, the calculator beside it
    program.click(2);
    EXPECT_TRUE(program.waitForExit());
    EXPECT_TRUE(calculator.running());
}

// A window of this test that records the copy-data it is sent, standing for a card index that asks.
struct Asker {
    static inline std::vector<std::string> received;
    static inline std::vector<DWORD> sizes;
    HWND window = nullptr;

    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            received.emplace_back(static_cast<const char*>(data->lpData), data->cbData);
            sizes.push_back(data->cbData);
            return 0;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }

    explicit Asker(const char* className) : window(createMessageWindow(className, proc)) {
        received.clear();
        sizes.clear();
    }
    ~Asker() {
        if (window != nullptr)
            ::DestroyWindow(window);
    }
};

// No calculator running: "获得生日" starts the one beside the card index, minimised and without the focus, and the
// answer fills the planets. The calculator then stays and answers others, also after the card index has ended.
TEST(WindowsProgram, TheCardIndexStartsTheCalculatorBesideItWhenNoneRuns) {
    ASSERT_EQ(::FindWindowW(L"Corvina", nullptr), nullptr);
    const auto document = freshFolder(L"calculator started") / L"persons.qelvo";
    ProgramDriver program;
    ASSERT_TRUE(program.start(document));
    program.setText(kIdInput, "1991年1月2日，1255");
    program.setText(kIdArea, "中国");
    program.click(kIdGetBirthday);  // returns once the started calculator has answered
    EXPECT_EQ(program.waitForBox("提示", 200), nullptr);
    EXPECT_EQ(program.selection(kSignList[0]), 10);  // the sun in Capricorn, 11 degrees
    EXPECT_EQ(program.text(kDegreeEdit[0]).rfind("11.", 0), 0u) << program.text(kDegreeEdit[0]);
    EXPECT_EQ(program.selection(kSignList[1]), 5);  // the moon in Leo
    const HWND calculator = ::FindWindowW(L"Corvina", nullptr);
    ASSERT_NE(calculator, nullptr);
    EXPECT_TRUE(::IsIconic(calculator));
    EXPECT_NE(::GetForegroundWindow(), calculator);
    program.click(2);
    EXPECT_TRUE(program.waitForExit());

    Asker asker("mvAfter");
    EXPECT_EQ(::SendMessageA(calculator, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("$mvAfter#1991.1.2,1255:5")), TRUE);
    ASSERT_EQ(Asker::received.size(), 1u);
    EXPECT_EQ(Asker::received[0].find("1991.1.2,1255:5|11Cap"), 0u) << Asker::received[0];
    EXPECT_TRUE(endProgramOfWindow(L"Corvina"));
}

// A card index with no calculator to start, or one that cannot be started: the user is told so and the form and the
// document stay as they were.
TEST(WindowsProgram, WithoutACalculatorToStartTheUserIsToldAndNothingChanges) {
    ASSERT_EQ(::FindWindowW(L"Corvina", nullptr), nullptr);
    const struct {
        const wchar_t* name;
        const char* calculatorBytes;  // nullptr: no corvina.exe beside the card index
        const char* message;          // how the message begins
    } cases[] = {
        {L"no calculator", nullptr, "计算程序没有运行，也找不到它来启动：\r\n"},
        {L"broken calculator", "not a program", "无法启动计算程序 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(gbkPath(c.name));
        const auto folder = freshFolder(c.name);
        std::filesystem::copy_file(driverFolder() / L"qelvo.exe", folder / L"qelvo.exe");
        if (c.calculatorBytes != nullptr) {
            std::ofstream(folder / L"corvina.exe", std::ios::binary) << c.calculatorBytes;
        }
        const auto document = folder / L"persons.qelvo";
        ProgramDriver program(folder);
        ASSERT_TRUE(program.start(document));
        program.setText(kIdName, "李明");
        program.click(kIdSave);
        program.choose(kSignList[0], 3);
        program.setText(kDegreeEdit[0], "12.5");
        const std::string saved = fileBytes(document);
        ASSERT_FALSE(saved.empty());

        program.setText(kIdInput, "1991.1.2");
        program.postClick(kIdGetBirthday);
        const HWND box = program.waitForBox("提示");
        ASSERT_NE(box, nullptr);
        const std::string text = ProgramDriver::boxText(box);
        EXPECT_EQ(text.rfind(c.message, 0), 0u) << text;
        EXPECT_NE(text.find(gbkPath(folder / L"corvina.exe")), std::string::npos) << text;
        EXPECT_NE(text.find("行星位置未能获得。"), std::string::npos) << text;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(waitUntil([&] { return program.waitForBox("提示", 0) == nullptr; }));
        EXPECT_EQ(program.selection(kSignList[0]), 3);
        EXPECT_EQ(program.text(kDegreeEdit[0]), "12.5");
        EXPECT_EQ(program.selection(kSignList[1]), 0);
        EXPECT_EQ(fileBytes(document), saved);
        EXPECT_EQ(::FindWindowW(L"Corvina", nullptr), nullptr);
        program.click(2);
        EXPECT_TRUE(program.waitForExit());
    }
}

TEST(WindowsProgram, TheCalculatorAnswersOnlyReadableRequestsAndSurvivesWindowsThatAreGone) {
    ProgramDriver calculator;
    ASSERT_TRUE(calculator.startCalculator());
    Asker asker("mvAsker");
    auto ask = [&](const std::string& request) {
        return ::SendMessageA(calculator.form(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(request.c_str()));
    };

    EXPECT_EQ(ask("$mvAsker#2000.1.1,1200:13"), TRUE);
    ASSERT_EQ(Asker::received.size(), 1u);
    const std::string& answer = Asker::received[0];
    EXPECT_EQ(answer.rfind("2000.1.1,1200:13|", 0), 0u) << answer;
    EXPECT_EQ(std::count(answer.begin(), answer.end(), '|'), 10);
    EXPECT_EQ(answer.back(), '\0');  // the NUL is counted in the length
    EXPECT_EQ(Asker::sizes[0], std::strlen(answer.c_str()) + 1);

    const std::string malformed[] = {
        "",
        "mvAsker#2000.1.1,1200:13",
        "$mvAsker2000.1.1,1200:13",
        "$mvAsker#2000.1.1,1200",
        "$mvAsker#2000.1.1;1200:13",
        "$mvAsker#2000.x.1,1200:13",
        "$" + std::string(100, 'A') + "#2000.1.1,1200:13",
        "$mvAsker#2000.1.1,1200:13" + std::string(200, ' '),
    };
    for (const std::string& request : malformed) {
        SCOPED_TRACE(request);
        EXPECT_EQ(ask(request), FALSE);
        EXPECT_EQ(calculator.text(corvina::win32::kProblemId).rfind("请求无法读取，未应答：", 0), 0u);
    }
    EXPECT_EQ(Asker::received.size(), 1u);

    {
        Asker gone("mvGone");  // a window that asks and is closed before the answer comes
    }
    EXPECT_EQ(ask("$mvGone#2000.1.1,1200:13"), FALSE);
    EXPECT_EQ(calculator.text(corvina::win32::kProblemId), "找不到类名为 mvGone 的窗口，应答未送出");
    EXPECT_EQ(calculator.text(corvina::win32::kCountId), "已应答 1 次");
    EXPECT_TRUE(calculator.running());

    ProgramDriver second;  // a second calculator brings the first forward and ends
    EXPECT_TRUE(second.startCalculator() || second.waitForExit());
    EXPECT_TRUE(second.waitForExit());
    EXPECT_TRUE(calculator.running());
}

// A request with a birth place: the answer carries the houses, and the calculator shows the place, the house system,
// the ascendant and the midheaven beside the planets; the next request without a place clears them.
TEST(WindowsProgram, TheCalculatorShowsTheHousesOfARequestWithAPlace) {
    ProgramDriver calculator;
    ASSERT_TRUE(calculator.startCalculator());
    Asker asker("mvAsker");
    const std::string planets =
        "1991.1.2,1255:5|11Cap16|1Leo14|23Sag53|26Cap13|27Tau45|11Leo51|25Cap48|9Cap48|14Cap09|19Sco37";
    const struct {
        const char* request;
        const char* houses;  // the answer's items after the planets; empty: none
        const char* moment;
        const char* place;
        const char* system;
        const char* angles;  // name, sign and position of the ascendant, then of the midheaven
    } cases[] = {
        {"$mvAsker#1991.1.2,1255:5@23.3540,116.6820,+480",
         "|P|28Ari35|20Cap07|28Ari35|0Gem01|25Gem44|20Can07|16Leo59|19Vir46|28Lib35|0Sag01|25Sag44|20Cap07|16Aqu59|"
         "19Pis46",
         "1991年1月2日 12:55，UTC+8:00，格里历", "北纬23.3540° 东经116.6820°", "普拉西德制",
         "上升 白羊 28°35′ 天顶 摩羯 20°07′"},
        {"$mvAsker#1991.1.2,1255:5@69.5000,116.6820,+480",
         "|W|29Cap44|20Cap07|0Cap00|0Aqu00|0Pis00|0Ari00|0Tau00|0Gem00|0Can00|0Leo00|0Vir00|0Lib00|0Sco00|0Sag00",
         "1991年1月2日 12:55，UTC+8:00，格里历", "北纬69.5000° 东经116.6820°", "整宫制（极圈内）",
         "上升 摩羯 29°44′ 天顶 摩羯 20°07′"},
        {"$mvAsker#1991.1.2,1255:5", "", "1991年1月2日 12:55，东8区（UTC+8），格里历", "", "", "     "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        Asker::received.clear();
        EXPECT_EQ(::SendMessageA(calculator.form(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.request)), TRUE);
        ASSERT_EQ(Asker::received.size(), 1u);
        EXPECT_EQ(Asker::received[0], planets + c.houses + '\0');
        EXPECT_EQ(calculator.text(corvina::win32::kMomentId), c.moment);
        EXPECT_EQ(calculator.text(corvina::win32::kPlaceId), c.place);
        EXPECT_EQ(calculator.text(corvina::win32::kHouseSystemId), c.system);
        std::string angles;
        for (int id = corvina::win32::kAngleId; id < corvina::win32::kAngleId + 6; ++id)
            angles += (id == corvina::win32::kAngleId ? "" : " ") + calculator.text(id);
        EXPECT_EQ(angles, c.angles);
        EXPECT_EQ(calculator.text(corvina::win32::kPlanetId + 2), "11°16′");
    }
}

}  // namespace
