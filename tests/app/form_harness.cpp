#include "form_harness.h"

#include <ctime>

#if !defined(_WIN32)
#include <sys/resource.h>

#include <csignal>
#endif

#include "store/person_document.h"

namespace apptest {

std::int64_t exampleMoment() {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 1;
    t.tm_hour = 9;
    t.tm_min = 30;
    t.tm_sec = 15;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

FormHarness::FormHarness() {
    window.attach(&form);
}

FormHarness::~FormHarness() = default;

void FormHarness::start(bool quoted) {
    const std::u8string path = document().u8string();
    std::string tail(path.begin(), path.end());
    if (quoted)
        tail = "\"" + tail + "\"";
    startWithTail(tail);
}

void FormHarness::startWithTail(const std::string& tail) {
    form.initialize(tail);
}

void FormHarness::runCalculator(std::string answer) {
    transport.addWindow("Corvina", [this, answer](std::string_view text) {
        requests.emplace_back(text);
        transport.sendCopyData(app::kFormClassName, answer);
        return std::intptr_t{1};
    });
}

#if !defined(_WIN32)
FileSizeLimit::FileSizeLimit(std::uintmax_t limit) {
    rlimit current{};
    ::getrlimit(RLIMIT_FSIZE, &current);
    saved_ = current.rlim_cur;
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    current.rlim_cur = static_cast<rlim_t>(limit);
    ::setrlimit(RLIMIT_FSIZE, &current);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit current{};
    ::getrlimit(RLIMIT_FSIZE, &current);
    current.rlim_cur = static_cast<rlim_t>(saved_);
    ::setrlimit(RLIMIT_FSIZE, &current);
    std::signal(SIGXFSZ, previous_);
}
#endif

int signList(int p) {
    return store::kPlanetTable[static_cast<std::size_t>(p)].signList;
}
int degreeEdit(int p) {
    return store::kPlanetTable[static_cast<std::size_t>(p)].degreeEdit;
}
int markField(int p) {
    return store::kPlanetTable[static_cast<std::size_t>(p)].markField;
}

}  // namespace apptest
