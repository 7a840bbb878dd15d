#include "program_driver.h"

#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

std::filesystem::path driverFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    buffer.resize(::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
    return std::filesystem::path(buffer).parent_path();
}

bool endProgramOfWindow(const wchar_t* windowClass) {
    const HWND window = ::FindWindowW(windowClass, nullptr);
    DWORD owner = 0;
    if (window == nullptr || ::GetWindowThreadProcessId(window, &owner) == 0)
        return false;
    const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, owner);
    if (process == nullptr)
        return false;
    const bool ended = ::TerminateProcess(process, 1) && ::WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

namespace {

struct BoxSearch {
    DWORD processId;
    std::string caption;
    HWND found;
};

BOOL CALLBACK findBox(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<BoxSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (owner != search->processId || std::string_view(className) != "#32770" || !::IsWindowVisible(window))
        return TRUE;
    char caption[256] = {};
    ::GetWindowTextA(window, caption, sizeof caption);
    if (search->caption != caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

ProgramDriver::~ProgramDriver() {
    if (process_.hProcess) {
        if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process_.hProcess, 1);
            ::WaitForSingleObject(process_.hProcess, 5000);
        }
        ::CloseHandle(process_.hProcess);
        ::CloseHandle(process_.hThread);
    }
}

bool ProgramDriver::start(const std::filesystem::path& document, bool waitForForm) {
    return launch(L"qelvo.exe", document.empty() ? L"" : L"\"" + document.wstring() + L"\"", L"mvQelvo", waitForForm);
}

bool ProgramDriver::startCalculator() {
    return launch(L"corvina.exe", L"", L"Corvina", true);
}

bool ProgramDriver::running() const {
    return process_.hProcess != nullptr && ::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ProgramDriver::launch(const wchar_t* name,
                           const std::wstring& arguments,
                           const wchar_t* windowClass,
                           bool waitForWindow) {
    const std::filesystem::path program = (folder_.empty() ? driverFolder() : folder_) / name;
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process_))
        return false;
    ::WaitForInputIdle(process_.hProcess, 20000);
    if (!waitForWindow)
        return true;
    for (int i = 0; i < 400; ++i) {
        HWND window = nullptr;
        while ((window = ::FindWindowExW(nullptr, window, windowClass, nullptr)) != nullptr) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == process_.dwProcessId && ::IsWindowVisible(window)) {
                form_ = window;
                return true;
            }
        }
        if (::WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0)
            return false;
    }
    return false;
}

bool ProgramDriver::waitForExit(DWORD milliseconds) {
    return ::WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

std::string ProgramDriver::caption() const {
    char buffer[1024] = {};
    ::GetWindowTextA(form_, buffer, sizeof buffer);
    return buffer;
}

std::string ProgramDriver::text(int id) const {
    std::vector<char> buffer(4096, '\0');
    const LRESULT n = ::SendMessageA(control(id), WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data(), static_cast<std::size_t>(n > 0 ? n : 0));
}

void ProgramDriver::setText(int id, std::string_view gbk) {
    const std::string text(gbk);
    ::SendMessageA(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ProgramDriver::click(int id) {
    ::SendMessageA(control(id), BM_CLICK, 0, 0);
}

void ProgramDriver::postClick(int id) {
    ::PostMessageA(control(id), BM_CLICK, 0, 0);
}

void ProgramDriver::choose(int id, int position) {
    ::SendMessageA(control(id), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    ::SendMessageA(form_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control(id)));
}

int ProgramDriver::selection(int id) const {
    return static_cast<int>(::SendMessageA(control(id), CB_GETCURSEL, 0, 0));
}

int ProgramDriver::rowCount(int id) const {
    return static_cast<int>(::SendMessageA(control(id), LVM_GETITEMCOUNT, 0, 0));
}

void ProgramDriver::pressKey(int id, WORD key) {
    const HWND target = control(id);
    ::PostMessageA(target, WM_KEYDOWN, key, 1);
    ::PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

bool ProgramDriver::clickRow(int id, int row) {
    // A click through the posted mouse messages: it takes effect some time later (see waitUntil). LVM_GETITEMRECT
    // writes into the list's own process: the rectangle travels through memory there.
    const HWND list = control(id);
    void* remote = ::VirtualAllocEx(process_.hProcess, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    if (!remote)
        return false;
    RECT rect{LVIR_BOUNDS, 0, 0, 0};
    bool done = ::WriteProcessMemory(process_.hProcess, remote, &rect, sizeof rect, nullptr) &&
                ::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote)) &&
                ::ReadProcessMemory(process_.hProcess, remote, &rect, sizeof rect, nullptr);
    ::VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    if (!done)
        return false;
    const LPARAM at = MAKELPARAM(rect.left + 8, (rect.top + rect.bottom) / 2);
    ::PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(list, WM_LBUTTONUP, 0, at);
    return true;
}

HWND ProgramDriver::waitForBox(std::string_view caption, DWORD milliseconds) const {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        BoxSearch search{process_.dwProcessId, std::string(caption), nullptr};
        ::EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        ::Sleep(50);
    }
    return nullptr;
}

std::string ProgramDriver::boxText(HWND box) {
    char buffer[1024] = {};
    ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
    return buffer;
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeFileBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::filesystem::path freshFolder(std::wstring_view name) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::filesystem::path folder = std::filesystem::path(temp) / L"qelvo-gui" / name;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

std::string gbkPath(const std::filesystem::path& path) {
    const std::wstring wide = path.wstring();
    const int n =
        ::WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    ::WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

bool waitUntil(const std::function<bool()>& done, DWORD milliseconds) {
    for (DWORD waited = 0; waited < milliseconds; waited += 20) {
        if (done())
            return true;
        ::Sleep(20);
    }
    return done();
}

std::filesystem::path hostFile(const char* variable) {
    const char* path = std::getenv(variable);
    if (path == nullptr || *path == '\0')
        return {};
    std::string windowsPath = std::string("Z:") + path;
    for (char& c : windowsPath) {
        if (c == '/')
            c = '\\';
    }
    return std::filesystem::path(windowsPath);
}

namespace {

// Creates the request file with the content and waits until the runner has removed it.
bool askRunner(const std::filesystem::path& request, const std::string& content) {
    if (request.empty())
        return false;
    {
        std::ofstream out(request, std::ios::binary);
        out << content;
        if (!out)
            return false;
    }
    for (int i = 0; i < 300 && std::filesystem::exists(request); ++i)
        ::Sleep(100);
    return !std::filesystem::exists(request);
}

}  // namespace

void requestScreenshot() {
    askRunner(hostFile("QELVO_SHOT_REQUEST"), "");
}

std::string hostSwetest(const std::string& arguments) {
    const std::filesystem::path request = hostFile("QELVO_SWETEST_REQUEST");
    if (!askRunner(request, arguments))
        return {};
    std::filesystem::path output = request;
    output += L".out";
    std::string text = fileBytes(output);
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    return text;
}

HWND createMessageWindow(const char* className, WNDPROC procedure) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    ::RegisterClassA(&windowClass);
    return ::CreateWindowA(className, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, windowClass.hInstance,
                           nullptr);
}
