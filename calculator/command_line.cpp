#include "command_line.h"

#include <cstring>
#include <string>

#include "ephemeris/request_answer.h"
#include "util/text_codec.h"

namespace corvina {
namespace {

std::string terminalText(const std::string& gbk) {
#ifdef _WIN32
    return gbk;
#else
    return util::gbkToUtf8(gbk, true).value_or(gbk);
#endif
}

void writeAnswer(const std::string& answer, std::FILE* out) {
    std::fwrite(answer.data(), 1, answer.size() - 1, out);  // without the NUL that ends it
    std::fputc('\n', out);
}

int answerOne(const char* request, std::FILE* out, std::FILE* err) {
    const RequestAnswer result = answerRequest(request);
    if (!result.answer) {
        std::fprintf(err, "corvina: %s\n", terminalText("无应答：" + result.reason).c_str());
        return 1;
    }
    if (result.moment->zoneDefaulted && !result.request->place)
        std::fprintf(err, "corvina: %s\n", terminalText("时区序号不在 1..25 之内，按东8区计算").c_str());
    writeAnswer(*result.answer, out);
    return std::fflush(out) == 0 ? 0 : 1;
}

int answerEach(std::FILE* in, std::FILE* out) {
    std::string line;
    for (int c = std::fgetc(in);; c = std::fgetc(in)) {
        if (c != EOF && c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (c == EOF && line.empty())
            break;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const RequestAnswer result = answerRequest(line);
        if (result.answer)
            writeAnswer(*result.answer, out);
        else
            std::fprintf(out, "%s\n", terminalText("无应答：" + result.reason).c_str());
        std::fflush(out);  // the asker may wait for this line before it sends the next
        line.clear();
        if (c == EOF)
            break;
    }
    return std::fflush(out) == 0 ? 0 : 1;
}

}  // namespace

int runCommandLine(int argc, char** argv, std::FILE* in, std::FILE* out, std::FILE* err) {
    if (argc == 3 && std::strcmp(argv[1], "--answer") == 0)
        return answerOne(argv[2], out, err);
    if (argc == 2 && std::strcmp(argv[1], "--answers") == 0)
        return answerEach(in, out);
    std::fprintf(err,
                 "usage: corvina --answer '$<window class>#<year>.<month>.<day>,<HHMM>:<zone index>"
                 "[@<latitude>,<longitude>,<offset minutes>]'\n"
                 "       corvina --answers < requests.txt\n");
    return 2;
}

}  // namespace corvina
