#include "arguments.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

Arguments readArguments(int, char**) {
    Arguments args;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr)
        return args;
    if (argc > 1)
        args.document = std::filesystem::path(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int wide = static_cast<int>(::wcslen(argv[i]));
        const int n = ::WideCharToMultiByte(936, 0, argv[i], wide, nullptr, 0, nullptr, nullptr);
        std::string word(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
        if (n > 0)
            ::WideCharToMultiByte(936, 0, argv[i], wide, word.data(), n, nullptr, nullptr);
        args.words.push_back(std::move(word));
    }
    ::LocalFree(argv);
    return args;
}

void prepareProcess() {
    _setmode(_fileno(stdout), _O_BINARY);
}

std::string forTerminal(const std::string& gbk) {
    return gbk;  // the console of a Chinese Windows takes code page 936
}
