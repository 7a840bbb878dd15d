#pragma once

#include <cstdio>

// The calculator's command line, for tests and for checking by hand; no window.
//   corvina --answer '<request>'   prints the answer's text (without its terminating NUL) and a newline, the houses
//                                  included when the request has a place; a request that gets no answer exits
//                                  with 1 and its reason on stderr
//   corvina --answers              reads one request per line from stdin and prints one line for each: its answer,
//                                  or "无应答：" and the reason
// A wrong command line exits with 2. Reasons are UTF-8 on POSIX and GBK on Windows, as each one's terminal reads.
namespace corvina {

int runCommandLine(int argc, char** argv, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace corvina
