#include "link/message_transport.h"

#include <utility>

namespace calclink {

std::intptr_t sendToCalculator(MessageTransport& transport, std::string_view windowClass, std::string_view text) {
    return transport.sendText(windowClass, text).value_or(0);
}

void LoopbackTransport::addWindow(std::string_view windowClass, TextHandler handler) {
    windows_[std::string(windowClass)] = std::move(handler);
}

void LoopbackTransport::removeWindow(std::string_view windowClass) {
    auto it = windows_.find(windowClass);
    if (it != windows_.end())
        windows_.erase(it);
}

void LoopbackTransport::setMissingWindowReason(std::string reason) {
    missingWindowReason_ = std::move(reason);
}

bool LoopbackTransport::sendCopyData(std::string_view windowClass, std::string_view bytes) {
    auto it = listeners_.find(windowClass);
    if (it == listeners_.end() || !it->second)
        return false;
    // A copy, so that a listener replaced while it runs stays alive until it returns.
    const CopyDataReceiver receive = it->second;
    receive(bytes);
    return true;
}

std::optional<std::intptr_t> LoopbackTransport::sendText(std::string_view windowClass, std::string_view text) {
    auto it = windows_.find(windowClass);
    if (it == windows_.end()) {
        lastFailure_ = missingWindowReason_;
        return std::nullopt;
    }
    lastFailure_.clear();
    const TextHandler handle = it->second;
    return handle(text);
}

void LoopbackTransport::listen(std::string_view windowClass, CopyDataReceiver receive) {
    listeners_[std::string(windowClass)] = std::move(receive);
}

}  // namespace calclink
