#pragma once

#include <cstddef>

// Tells the system that a freshly allocated, not yet touched buffer will be large and filled at once, so that it may
// back it with large pages (far fewer page faults for a document of tens of megabytes). A hint: it may do nothing.
namespace util {

void adviseLargeBuffer(void* data, std::size_t size);

}  // namespace util
