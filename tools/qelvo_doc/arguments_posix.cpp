#include "arguments.h"

#include <langinfo.h>

#include <clocale>
#include <csignal>
#include <cstring>

#include "util/text_codec.h"

Arguments readArguments(int argc, char** argv) {
    Arguments args;
    if (argc > 1)
        args.document = argv[1];
    for (int i = 2; i < argc; ++i)
        args.words.emplace_back(argv[i]);
    return args;
}

void prepareProcess() {
    std::setlocale(LC_CTYPE, "");
    // A write beyond the file-size limit fails with an error instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

std::string forTerminal(const std::string& gbk) {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset != nullptr && (std::strcmp(codeset, "GBK") == 0 || std::strcmp(codeset, "GB18030") == 0 ||
                               std::strcmp(codeset, "CP936") == 0))
        return gbk;
    return util::gbkToUtf8(gbk, true).value_or(gbk);
}
