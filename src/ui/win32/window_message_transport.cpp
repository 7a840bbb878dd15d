#include "ui/win32/window_message_transport.h"

#include <windows.h>

#include <array>
#include <string>

namespace ui::win32 {

std::optional<std::intptr_t> WindowMessageTransport::sendText(std::string_view windowClass, std::string_view text) {
    const std::string className(windowClass);
    const HWND target = ::FindWindowA(className.c_str(), nullptr);
    if (!target)
        return std::nullopt;
    // The request travels in a 100-byte buffer. SendMessage waits until the other window handled it, and meanwhile
    // dispatches the messages sent to us, so an answer can arrive before this returns.
    std::array<char, 100> buffer{};
    text.copy(buffer.data(), buffer.size() - 1);
    return static_cast<std::intptr_t>(::SendMessageA(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(buffer.data())));
}

void WindowMessageTransport::listen(std::string_view, CopyDataReceiver) {}

}  // namespace ui::win32
