#include "arguments.h"

#include <windows.h>  // first: the headers below need its definitions

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string_view>

#include "util/format.h"

namespace {

// The argument in code page 936, or nothing when it holds a character the code page lacks (no "?" in its place).
bool toGbk(const wchar_t* wide, std::string& out) {
    const int length = static_cast<int>(::wcslen(wide));
    out.clear();
    if (length == 0)
        return true;
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return false;
    out.assign(static_cast<std::size_t>(n), '\0');
    usedDefault = FALSE;
    return ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, length, out.data(), n, nullptr, &usedDefault) == n &&
           !usedDefault;
}

}  // namespace

Arguments readArguments(int, char**) {
    Arguments args;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr)
        return args;
    int i = 1;
    auto takeRaw = [&] {
        if (i < argc && std::wstring_view(argv[i]) == L"--raw") {
            args.raw = true;
            ++i;
        }
    };
    takeRaw();
    if (i < argc)
        args.document = std::filesystem::path(argv[i++]);
    takeRaw();
    // The arguments come as Unicode whatever the console's code page: --raw changes nothing on this side.
    for (; i < argc; ++i) {
        std::string word;
        if (!toGbk(argv[i], word)) {
            args.error =
                util::format("第%d个参数含有GBK中没有的字符；文档未改动。", static_cast<int>(args.words.size()) + 1);
            break;
        }
        args.words.push_back(std::move(word));
    }
    ::LocalFree(argv);
    return args;
}

void prepareProcess() {
    _setmode(_fileno(stdout), _O_BINARY);
}

std::filesystem::path pathFromArgument(const std::string& gbk, bool) {
    const int size = static_cast<int>(gbk.size());
    const int n = ::MultiByteToWideChar(936, 0, gbk.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(936, 0, gbk.data(), size, wide.data(), n);
    return std::filesystem::path(wide);
}

std::string forTerminal(const std::string& gbk, bool) {
    return gbk;  // the console of a Chinese Windows takes code page 936
}

const char* outOfMemoryMessage(bool) {
    return "内存不足，命令未完成；文档未改动。\n";
}
