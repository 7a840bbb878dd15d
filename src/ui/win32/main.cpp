// The Windows program: the main form in a dialog window, with its icon, About box, calculator link by window
// messages and the file association of the current user.

// The Windows headers below need it first.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/form_layout.h"
#include "app/main_form.h"
#include "app/start_up.h"
#include "link/calculator_request.h"
#include "ui/win32/file_association.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/win32_window.h"
#include "ui/win32/window_message_transport.h"
#include "util/clock.h"
#include "util/mvs.h"

namespace {

constexpr int kIconResource = 128;

// The command line after the program's name: a name in double quotes ends at the closing quote, any other at the
// first blank; the blanks after it are skipped. Read wide, so a path in any language comes through.
std::wstring commandTail(const wchar_t* line) {
    const wchar_t* p = line;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"')
            ++p;
        if (*p)
            ++p;
    } else {
        while (*p && *p > L' ')
            ++p;
    }
    while (*p && *p <= L' ')
        ++p;
    return p;
}

app::DocumentChoice documentOf(const std::wstring& tail) {
    std::wstring path;
    for (wchar_t c : tail)
        if (c != L'"')
            path.push_back(c);
    app::DocumentChoice choice;
    choice.pathText = ui::win32::toGbk(path);
    choice.path = std::filesystem::path(path);
    return choice;
}

}  // namespace

// The About box: the version, and the licence with its notice that there is no warranty.
constexpr const char* kAboutText =
    "Qelvo Version 1.0\n"
    "Copyright (C) 2026 Qelvo 开发者\n"
    "依 GNU GPL 3.0 或更新版本发布的\n"
    "自由软件，不提供任何担保。\n"
    "许可证：gnu.org/licenses/gpl-3.0";

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    const ui::DialogSpec& layout = app::mainFormLayout();
    if (!ui::win32::registerDialogClass(layout.className))
        return 1;

    const ui::win32::WindowExtras extras{kIconResource, "关于 Qelvo(&A)...", "关于 Qelvo", kAboutText, "确定"};
    ui::win32::Win32Window window(layout, extras);
    util::SystemClock clock;
    // The calculator beside the program is started when "获得生日" finds none running.
    ui::win32::WindowMessageTransport transport;
    transport.startWhenMissing(calclink::kCalculatorWindowClass, CMvs().getAppPath(true) / L"corvina.exe");
    app::MainForm form(window, clock, transport);
    form.setFileAssociation([] { return ui::win32::associateDocumentType(CMvs().getAppPath(false)); });

    const app::DocumentChoice document = documentOf(commandTail(::GetCommandLineW()));
    window.run(form, [&] { form.initialize(document); });
    return 0;
}
