#include "util/format.h"

#include <cstdarg>
#include <cstdio>

namespace util {

std::string format(const char* pattern, ...) {
    char small[128];
    va_list args;
    va_start(args, pattern);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, pattern, args);
    va_end(args);
    std::string out;
    if (needed < 0) {
        va_end(copy);
        return out;
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        out.assign(small, static_cast<std::size_t>(needed));
    } else {
        out.resize(static_cast<std::size_t>(needed));
        std::vsnprintf(out.data(), out.size() + 1, pattern, copy);
    }
    va_end(copy);
    return out;
}

}  // namespace util
