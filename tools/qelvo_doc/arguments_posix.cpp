#include "arguments.h"

#include <langinfo.h>

#include <clocale>
#include <csignal>
#include <cstring>
#include <string_view>

#include "util/format.h"
#include "util/text_codec.h"

namespace {

// The terminal's encoding as far as the tool converts: GBK itself (GBK, GB18030, GB2312 pass through), UTF-8, or
// anything else (the C locale's ASCII among them), whose bytes pass through unchanged.
enum class Codeset { Gbk, Utf8, Other };

Codeset terminalCodeset() {
    const char* name = nl_langinfo(CODESET);
    const std::string_view codeset = name != nullptr ? name : "";
    if (codeset == "GBK" || codeset == "GB18030" || codeset == "GB2312" || codeset == "CP936")
        return Codeset::Gbk;
    if (codeset == "UTF-8" || codeset == "utf8")
        return Codeset::Utf8;
    return Codeset::Other;
}

constexpr std::string_view kRaw = "--raw";

}  // namespace

Arguments readArguments(int argc, char** argv) {
    Arguments args;
    int i = 1;
    auto takeRaw = [&] {
        if (i < argc && argv[i] == kRaw) {
            args.raw = true;
            ++i;
        }
    };
    takeRaw();
    if (i < argc)
        args.document = argv[i++];
    takeRaw();
    const bool convert = !args.raw && terminalCodeset() == Codeset::Utf8;
    for (; i < argc; ++i) {
        if (!convert) {
            args.words.emplace_back(argv[i]);
            continue;
        }
        auto gbk = util::utf8ToGbk(argv[i]);
        if (!gbk) {
            args.error = util::format("第%d个参数不是有效的UTF-8文字，或含有GBK中没有的字符；文档未改动。",
                                      static_cast<int>(args.words.size()) + 1);
            return args;
        }
        args.words.push_back(std::move(*gbk));
    }
    return args;
}

void prepareProcess() {
    std::setlocale(LC_CTYPE, "");
    // A write beyond the file-size limit, or into a pipe nobody reads any more, fails with an error that the tool
    // reports, instead of ending the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

std::filesystem::path pathFromArgument(const std::string& gbk, bool raw) {
    return std::filesystem::path(forTerminal(gbk, raw));
}

std::string forTerminal(const std::string& gbk, bool raw) {
    if (raw || terminalCodeset() != Codeset::Utf8)
        return gbk;
    return util::gbkToUtf8(gbk, true).value_or(gbk);
}

const char* outOfMemoryMessage(bool raw) {
    if (raw || terminalCodeset() != Codeset::Utf8)
        return "内存不足，命令未完成；文档未改动。\n";
    return reinterpret_cast<const char*>(u8"内存不足，命令未完成；文档未改动。\n");
}
