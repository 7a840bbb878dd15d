#include "util/local_time.h"

#include <ctime>

namespace util {

std::string formatLocalTime(std::int64_t moment, const char* pattern) {
    const std::time_t t = static_cast<std::time_t>(moment);
    if (static_cast<std::int64_t>(t) != moment)
        return {};
    std::tm local{};
#if defined(_WIN32)
    if (localtime_s(&local, &t) != 0)
        return {};
#else
    if (localtime_r(&t, &local) == nullptr)
        return {};
#endif
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &local);
    if (length == 0)
        return {};
    return std::string(buffer, length);
}

}  // namespace util
