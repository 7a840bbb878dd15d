#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/form_layout.h"
#include "app/main_form.h"
#include "link/message_transport.h"
#include "scratch.h"
#include "ui/headless/headless_window.h"
#include "util/clock.h"

// The main form on the headless backend, with a fixed clock, a loopback calculator and a scratch folder.
namespace apptest {

// 2024-03-01 09:30:15 in local time.
std::int64_t exampleMoment();

class FormHarness {
  public:
    FormHarness();
    ~FormHarness();

    std::filesystem::path document() const { return folder_ / "cfg.qelvo"; }
    const std::filesystem::path& folder() const { return folder_.path(); }

    // The form's initialisation with the document's path as the command-line tail (quoted when asked).
    void start(bool quoted = false);
    void startWithTail(const std::string& tail);

    // A calculator window that records each request and answers it at once with answer.
    void runCalculator(std::string answer);

    ui::headless::HeadlessWindow window{app::mainFormLayout()};
    util::FixedClock clock{exampleMoment()};
    calclink::LoopbackTransport transport;
    app::MainForm form{window, clock, transport};
    std::vector<std::string> requests;

  private:
    testing_support::ScratchFolder folder_;
};

using testing_support::readBytes;
using testing_support::writeBytes;

#if !defined(_WIN32)
// Files may grow no larger than limit bytes while it lives (a full disk, for this process).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::uintmax_t limit);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    std::uintmax_t saved_ = 0;
    void (*previous_)(int) = nullptr;
};
#endif

// The ids of planet p's controls.
int signList(int p);
int degreeEdit(int p);
int markField(int p);

}  // namespace apptest
