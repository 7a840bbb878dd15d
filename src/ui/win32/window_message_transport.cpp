#include "ui/win32/window_message_transport.h"

#include <windows.h>

#include <array>
#include <string>
#include <system_error>

#include "ui/win32/wide_text.h"

namespace ui::win32 {

namespace {

std::string systemReason(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : L"error " + std::to_wstring(code);
    ::LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return toGbk(text);
}

// A process handle that closes itself; the process itself lives on.
class ProcessHandles {
  public:
    ~ProcessHandles() {
        if (info.hProcess)
            ::CloseHandle(info.hProcess);
        if (info.hThread)
            ::CloseHandle(info.hThread);
    }
    PROCESS_INFORMATION info{};
};

constexpr std::string_view kNoResult = "行星位置未能获得。";

// Starts program and waits for its window of windowClass; nullptr when none came, with failure saying why.
HWND startAndAwait(const std::string& windowClass,
                   const std::filesystem::path& program,
                   std::chrono::milliseconds wait,
                   std::string& failure) {
    const std::string shown = toGbk(program.wstring());
    std::error_code ec;
    if (!std::filesystem::is_regular_file(program, ec)) {
        failure = "计算程序没有运行，也找不到它来启动：\r\n" + shown + "\r\n" + std::string(kNoResult);
        return nullptr;
    }
    // Minimised and without the focus: the user goes on with the form while the calculator answers from the taskbar.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    const std::wstring folder = program.parent_path().wstring();
    ProcessHandles process;
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process.info)) {
        failure = "无法启动计算程序 " + shown + "（" + systemReason(::GetLastError()) + "），" + std::string(kNoResult);
        return nullptr;
    }
    const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(wait.count());
    ::WaitForInputIdle(process.info.hProcess, static_cast<DWORD>(wait.count()));
    HWND window = nullptr;
    bool ended = false;
    while (!(window = ::FindWindowA(windowClass.c_str(), nullptr)) && !ended && ::GetTickCount64() < deadline)
        ended = ::WaitForSingleObject(process.info.hProcess, 50) == WAIT_OBJECT_0;
    // A program that ended may have handed over to a window that another start opened meanwhile.
    if (!window)
        window = ::FindWindowA(windowClass.c_str(), nullptr);
    ::SetCursor(previous);
    if (window)
        return window;
    const auto seconds = std::to_string((wait.count() + 999) / 1000);
    failure = ended
                  ? "计算程序 " + shown + " 启动后随即退出，" + std::string(kNoResult)
                  : "计算程序 " + shown + " 已启动，但 " + seconds + " 秒内没有打开它的窗口，" + std::string(kNoResult);
    return nullptr;
}

}  // namespace

void WindowMessageTransport::startWhenMissing(std::string_view windowClass,
                                              std::filesystem::path program,
                                              std::chrono::milliseconds wait) {
    peers_[std::string(windowClass)] = Peer{std::move(program), wait};
}

std::optional<std::intptr_t> WindowMessageTransport::sendText(std::string_view windowClass, std::string_view text) {
    lastFailure_.clear();
    const std::string className(windowClass);
    HWND target = ::FindWindowA(className.c_str(), nullptr);
    if (!target) {
        const auto peer = peers_.find(className);
        if (peer == peers_.end())
            return std::nullopt;
        target = startAndAwait(className, peer->second.program, peer->second.wait, lastFailure_);
        if (!target)
            return std::nullopt;
    }
    // The request travels in a 100-byte buffer. SendMessage waits until the other window handled it, and meanwhile
    // dispatches the messages sent to us, so an answer can arrive before this returns.
    std::array<char, 100> buffer{};
    text.copy(buffer.data(), buffer.size() - 1);
    return static_cast<std::intptr_t>(::SendMessageA(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(buffer.data())));
}

void WindowMessageTransport::listen(std::string_view, CopyDataReceiver) {}

}  // namespace ui::win32
