#pragma once

#include <cstdint>
#include <string>

// A moment (seconds since 1970-01-01 UTC) as local calendar time, formatted with a strftime pattern into at most
// 127 bytes; the empty text when the moment has no local time or the result does not fit.
namespace util {

std::string formatLocalTime(std::int64_t moment, const char* pattern);

}  // namespace util
