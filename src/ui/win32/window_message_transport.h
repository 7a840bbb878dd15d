#pragma once

#include "link/message_transport.h"

// The calculator messages between Windows programs: a text goes to the top-level window of a class as WM_SETTEXT
// (ANSI, at most 99 bytes); copy-data for our own window arrives as WM_COPYDATA at the form's window, which the
// window backend hands to the form, so listening needs nothing here.
namespace ui::win32 {

class WindowMessageTransport final : public calclink::MessageTransport {
  public:
    std::optional<std::intptr_t> sendText(std::string_view windowClass, std::string_view text) override;
    void listen(std::string_view windowClass, CopyDataReceiver receive) override;
};

}  // namespace ui::win32
