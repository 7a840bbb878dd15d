#include "util/memory_hint.h"

namespace util {

// Large pages on Windows need a privilege that ordinary users lack: nothing to do.
void adviseLargeBuffer(void*, std::size_t) {}

}  // namespace util
