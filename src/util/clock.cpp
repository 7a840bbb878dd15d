#include "util/clock.h"

#include <ctime>

namespace util {

std::int64_t SystemClock::now() const {
    return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace util
