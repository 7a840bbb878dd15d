#include "form_harness.h"

#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

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
    std::random_device device;
    folder_ = std::filesystem::temp_directory_path() / ("qelvo-app-" + std::to_string(device()));
    std::filesystem::create_directories(folder_);
    window.attach(&form);
}

FormHarness::~FormHarness() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

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

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

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
