#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "link/message_transport.h"

// The calculator messages where programs do not exchange window messages: a text sent to a window class runs that
// class's program (its name in lower case: "Corvina" is corvina, found in the given folder, then on PATH) as
// `program --answer TEXT`, waits for it a limited time, and hands its answer to the listener of the window class that
// the request names ("$mvQelvo#..." names mvQelvo) as the copy-data message would carry it: the answer's bytes and a
// NUL. When no answer comes lastFailure() says what happened, in GBK: no program, its exit status or signal, an
// output too long to be an answer, or the time-out, at which the program and everything it started are stopped.
namespace calclink {

class ProcessTransport final : public MessageTransport {
  public:
    explicit ProcessTransport(std::filesystem::path programFolder,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Nothing when the program was not found; 1 when it answered, 0 when it did not.
    std::optional<std::intptr_t> sendText(std::string_view windowClass, std::string_view text) override;
    void listen(std::string_view windowClass, CopyDataReceiver receive) override;
    std::string lastFailure() const override { return lastFailure_; }

    // The program that answers for windowClass, if any.
    std::optional<std::filesystem::path> programFor(std::string_view windowClass) const;

  private:
    void report(std::string why) { lastFailure_ = std::move(why); }

    std::filesystem::path programFolder_;
    std::chrono::milliseconds timeout_;
    std::string lastFailure_;
    std::map<std::string, CopyDataReceiver, std::less<>> listeners_;
};

}  // namespace calclink
