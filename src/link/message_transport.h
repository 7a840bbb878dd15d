#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// How the calculator messages travel between programs: a window found by its class name is sent a text (the
// request), and a window receives copy-data (the answer) as exactly the bytes the message carries.
namespace calclink {

class MessageTransport {
  public:
    virtual ~MessageTransport() = default;

    // Sends text to the top-level window of windowClass and waits until it was handled; the window's result, or
    // nothing when no such window exists.
    virtual std::optional<std::intptr_t> sendText(std::string_view windowClass, std::string_view text) = 0;

    // Hands the copy-data that arrives for our window of windowClass to receive, until replaced.
    using CopyDataReceiver = std::function<void(std::string_view bytes)>;
    virtual void listen(std::string_view windowClass, CopyDataReceiver receive) = 0;

    // Why the last sendText reached no window, as a sentence for the user (GBK); empty when it reached one, or when
    // the transport has nothing to tell beyond the window's absence.
    virtual std::string lastFailure() const { return {}; }
};

// Finds the window of windowClass and sends it the request; 0 when there is no such window.
std::intptr_t sendToCalculator(MessageTransport& transport, std::string_view windowClass, std::string_view text);

// Windows of this one process, reached synchronously: a text handler plays another program's window, and copy-data
// sent to a listening class is delivered at once, as a window message sent across programs would be.
class LoopbackTransport final : public MessageTransport {
  public:
    using TextHandler = std::function<std::intptr_t(std::string_view text)>;

    // A window of windowClass that handles the texts sent to it.
    void addWindow(std::string_view windowClass, TextHandler handler);
    void removeWindow(std::string_view windowClass);
    // What lastFailure() tells after a text found no window (by default nothing).
    void setMissingWindowReason(std::string reason);

    // Copy-data to the listener of windowClass; false when nobody listens.
    bool sendCopyData(std::string_view windowClass, std::string_view bytes);

    std::optional<std::intptr_t> sendText(std::string_view windowClass, std::string_view text) override;
    void listen(std::string_view windowClass, CopyDataReceiver receive) override;
    std::string lastFailure() const override { return lastFailure_; }

  private:
    std::string missingWindowReason_;
    std::string lastFailure_;
    std::map<std::string, TextHandler, std::less<>> windows_;
    std::map<std::string, CopyDataReceiver, std::less<>> listeners_;
};

}  // namespace calclink
