// corvina, the calculator program. Without arguments on Windows it opens its window of class "Corvina" and answers
// the requests sent to it; with arguments, anywhere, it is the command line of command_line.h.
#include <cstdio>

#include "command_line.h"

#ifdef _WIN32
#include <windows.h>

#include "windows/calculator_window.h"

namespace {

// How the starter asked the window to be shown (a card index starts it minimised, without the focus).
int startupShowCommand() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
}

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    if (argc <= 1)
        return corvina::win32::runCalculatorWindow(::GetModuleHandleW(nullptr), startupShowCommand());
#endif
    return corvina::runCommandLine(argc, argv, stdin, stdout, stderr);
}
