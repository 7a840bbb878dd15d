// corvina: the calculator program. For now its one mode is the command line:
//   corvina --answer '<request>'
// prints the answer's text (without its terminating NUL) and a newline; a request that gets no answer exits with 1
// and its reason on stderr; a wrong command line exits with 2.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/birth_moment.h"
#include "ephemeris/request_answer.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--answer") != 0) {
        std::fprintf(stderr, "usage: corvina --answer '$<window class>#<year>.<month>.<day>,<HHMM>:<zone index>'\n");
        return 2;
    }
    const corvina::RequestAnswer result = corvina::answerRequest(argv[2]);
    if (!result.answer) {
        std::fprintf(stderr, "corvina: no answer: %s\n", result.reason.c_str());
        return 1;
    }
    if (result.zoneDefaulted)
        std::fprintf(stderr, "corvina: the zone index is not 1..25; zone %d (UTC+8) taken\n", corvina::kDefaultZoneIndex);
    const std::string& answer = *result.answer;
    std::fwrite(answer.data(), 1, answer.size() - 1, stdout);
    std::fputc('\n', stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
