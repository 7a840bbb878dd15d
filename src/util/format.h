#pragma once

#include <string>

// printf-style formatting into a std::string of any length (the system writes its numbers with "%ld", "%d",
// "%0.2f" and "%.2f"). Always formats in the "C" conventions of the runtime.
namespace util {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
format(const char* pattern, ...);

}  // namespace util
