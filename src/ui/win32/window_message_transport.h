#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "link/message_transport.h"

// The calculator messages between Windows programs: a text goes to the top-level window of a class as WM_SETTEXT
// (ANSI, at most 99 bytes); copy-data for our own window arrives as WM_COPYDATA at the form's window, which the
// window backend hands to the form, so listening needs nothing here. A class may name the program that opens its
// window: when no such window is open, that program is started (minimised, without taking the focus) and its window
// awaited before the text is sent; lastFailure() says why, when it still is not there.
namespace ui::win32 {

class WindowMessageTransport final : public calclink::MessageTransport {
  public:
    // Starts program when a text for windowClass finds no window, and waits up to wait for the window.
    void startWhenMissing(std::string_view windowClass,
                          std::filesystem::path program,
                          std::chrono::milliseconds wait = std::chrono::seconds(8));

    std::optional<std::intptr_t> sendText(std::string_view windowClass, std::string_view text) override;
    void listen(std::string_view windowClass, CopyDataReceiver receive) override;
    std::string lastFailure() const override { return lastFailure_; }

  private:
    struct Peer {
        std::filesystem::path program;
        std::chrono::milliseconds wait;
    };
    std::map<std::string, Peer, std::less<>> peers_;
    std::string lastFailure_;
};

}  // namespace ui::win32
