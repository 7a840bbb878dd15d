#include "ui/win32/win32_window.h"

// The Windows headers below need it first.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "ui/win32/chart_window.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/wide_text.h"

namespace ui::win32 {

namespace {

constexpr UINT kAboutCommand = 16;  // a system command id: its low four bits are the system's

HINSTANCE moduleHandle() {
    return ::GetModuleHandleW(nullptr);
}

// A loaded icon that is destroyed with its holder.
class IconHandle {
  public:
    IconHandle() = default;
    explicit IconHandle(HICON icon) : icon_(icon) {}
    ~IconHandle() {
        if (icon_)
            ::DestroyIcon(icon_);
    }
    IconHandle(const IconHandle&) = delete;
    IconHandle& operator=(const IconHandle&) = delete;
    HICON get() const { return icon_; }

  private:
    HICON icon_ = nullptr;
};

HICON loadIcon(int resource, int size) {
    return static_cast<HICON>(
        ::LoadImageW(moduleHandle(), MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

bool registerDialogClass(std::string_view windowClass) {
    WNDCLASSW dialogClass{};
    if (!::GetClassInfoW(nullptr, L"#32770", &dialogClass))
        return false;
    const std::wstring name = toWide(windowClass);
    dialogClass.lpszClassName = name.c_str();
    dialogClass.hInstance = moduleHandle();
    return ::RegisterClassW(&dialogClass) != 0;
}

struct Win32Window::Impl {
    const DialogSpec& spec;
    WindowExtras extras;
    HWND hwnd = nullptr;
    FormEvents* events = nullptr;
    bool settingText = false;  // an edit's EN_CHANGE during setText is the program's change, not the user's
    const std::function<void()>* created = nullptr;
    IconHandle bigIcon;
    IconHandle smallIcon;
    ChartWindow chart;
    std::map<int, std::vector<int>> columnWidths;  // by report list, the layout's width of each column

    Impl(const DialogSpec& s, const WindowExtras& e)
        : spec(s),
          extras(e),
          bigIcon(e.iconResource ? loadIcon(e.iconResource, ::GetSystemMetrics(SM_CXICON)) : nullptr),
          smallIcon(e.iconResource ? loadIcon(e.iconResource, ::GetSystemMetrics(SM_CXSMICON)) : nullptr) {}

    HWND item(int id) const { return hwnd ? ::GetDlgItem(hwnd, id) : nullptr; }

    static INT_PTR CALLBACK proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            auto* self = reinterpret_cast<Impl*>(lParam);
            self->hwnd = dialog;
            return self->initDialog();
        }
        auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        return self ? self->handle(message, wParam, lParam) : FALSE;
    }

    INT_PTR initDialog() {
        const HMENU systemMenu = ::GetSystemMenu(hwnd, FALSE);
        if (systemMenu && !spec.systemMenu.empty()) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            for (const MenuItemSpec& entry : spec.systemMenu)
                ::AppendMenuW(systemMenu, MF_STRING, static_cast<UINT_PTR>(entry.id), toWide(entry.text).c_str());
        }
        if (systemMenu && !extras.aboutMenuText.empty()) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, kAboutCommand, toWide(extras.aboutMenuText).c_str());
        }
        if (bigIcon.get())
            ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
        if (smallIcon.get())
            ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
        if (spec.topmost)
            ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        for (const ControlSpec& c : spec.controls) {
            if (c.kind == ControlKind::Edit) {
                // The system lets the user type only about 30,000 characters into an edit, while the program's own
                // texts (a long memo shown) go in whole: lifted to the largest, so a memo can be typed on and pasted.
                ::SendMessageW(item(c.id), EM_SETLIMITTEXT, 0, 0);
                continue;
            }
            if (c.kind != ControlKind::ReportList)
                continue;
            DWORD ex = 0;
            if (c.styles & style::kGridLines)
                ex |= LVS_EX_GRIDLINES;
            if (c.styles & style::kFullRowSelect)
                ex |= LVS_EX_FULLROWSELECT;
            ::SendMessageW(item(c.id), LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
        }
        if (*created)
            (*created)();
        // TRUE: the dialog manager puts the focus on the first control of the tab order.
        return TRUE;
    }

    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                const int code = HIWORD(wParam);
                if (code == BN_CLICKED && (lParam == 0 || isButton(id) || id == IDOK || id == IDCANCEL)) {
                    events->onCommand(id);
                    return TRUE;
                }
                if (code == CBN_SELCHANGE && isKind(id, ControlKind::DropDownList)) {
                    events->onSelectionChange(id);
                    return TRUE;
                }
                if (code == EN_CHANGE && !settingText && isKind(id, ControlKind::Edit)) {
                    events->onEditChange(id);
                    return TRUE;
                }
                return FALSE;
            }
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header && header->code == static_cast<UINT>(NM_CLICK) &&
                    isKind(static_cast<int>(header->idFrom), ControlKind::ReportList))
                    events->onListClick(static_cast<int>(header->idFrom));
                return FALSE;
            }
            case WM_COPYDATA: {
                const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
                if (data && data->lpData)
                    events->onCopyData(std::string_view(static_cast<const char*>(data->lpData), data->cbData));
                ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            case WM_SYSCOMMAND:
                if ((wParam & 0xFFF0) == kAboutCommand) {
                    showAbout();
                    return TRUE;
                }
                for (const MenuItemSpec& entry : spec.systemMenu) {
                    if ((wParam & 0xFFF0) == static_cast<WPARAM>(entry.id)) {
                        events->onCommand(entry.id);
                        return TRUE;
                    }
                }
                return FALSE;
            case WM_PAINT:
                if (::IsIconic(hwnd) && bigIcon.get()) {
                    paintIcon();
                    return TRUE;
                }
                return FALSE;
            case WM_QUERYDRAGICON:
                return reinterpret_cast<INT_PTR>(bigIcon.get());
            default:
                return FALSE;
        }
    }

    bool isKind(int id, ControlKind kind) const {
        for (const ControlSpec& c : spec.controls)
            if (c.id == id)
                return c.kind == kind;
        return false;
    }
    bool isButton(int id) const { return isKind(id, ControlKind::Button); }

    void paintIcon() {
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(hwnd, &paint);
        ::SendMessageW(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client;
        ::GetClientRect(hwnd, &client);
        const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(dc, x, y, bigIcon.get());
        ::EndPaint(hwnd, &paint);
    }

    void showAbout() {
        TemplateWindow about;
        about.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
        about.rect = {0, 0, 235, 55};
        about.caption = toWide(extras.aboutCaption);
        about.fontName = toWide(spec.fontName);
        about.fontPoints = spec.fontPoints;
        std::vector<TemplateItem> items(3);
        items[0].style = WS_CHILD | WS_VISIBLE | SS_ICON;
        items[0].rect = {11, 17, 20, 20};
        items[0].classAtom = 0x0082;
        items[0].titleResource = extras.iconResource;
        items[1].style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
        items[1].rect = {40, 8, 134, 40};  // five lines: the version and the licence
        items[1].classAtom = 0x0082;
        items[1].title = toWide(extras.aboutText);
        items[2].style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
        items[2].rect = {178, 7, 50, 16};
        items[2].id = IDOK;
        items[2].classAtom = 0x0080;
        items[2].title = toWide(extras.aboutButton);
        const std::vector<std::uint16_t> bytes = buildDialogTemplate(about, items);
        ::DialogBoxIndirectParamW(moduleHandle(), reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), hwnd, aboutProc,
                                  0);
    }
};

Win32Window::Win32Window(const DialogSpec& spec, const WindowExtras& extras)
    : impl_(std::make_unique<Impl>(spec, extras)) {}

Win32Window::~Win32Window() = default;

int Win32Window::run(FormEvents& events, const std::function<void()>& created) {
    impl_->events = &events;
    impl_->created = &created;
    const std::vector<std::uint16_t> bytes =
        buildDialogTemplate(templateWindowOf(impl_->spec), templateItemsOf(impl_->spec));
    const INT_PTR result = ::DialogBoxIndirectParamW(moduleHandle(), reinterpret_cast<const DLGTEMPLATE*>(bytes.data()),
                                                     nullptr, &Impl::proc, reinterpret_cast<LPARAM>(impl_.get()));
    impl_->hwnd = nullptr;
    return static_cast<int>(result);
}

std::string Win32Window::caption() const {
    if (!impl_->hwnd)
        return std::string(impl_->spec.caption);
    const int n = ::GetWindowTextLengthW(impl_->hwnd);
    std::wstring wide(static_cast<std::size_t>(n) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(::GetWindowTextW(impl_->hwnd, wide.data(), n + 1)));
    return toGbk(wide);
}

void Win32Window::setCaption(std::string_view caption) {
    ::SetWindowTextW(impl_->hwnd, toWide(caption).c_str());
}

std::string Win32Window::text(int id) const {
    const HWND control = impl_->item(id);
    if (!control)
        return {};
    const int n = ::GetWindowTextLengthW(control);
    std::wstring wide(static_cast<std::size_t>(n) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(::GetWindowTextW(control, wide.data(), n + 1)));
    return toGbk(wide);
}

void Win32Window::setText(int id, std::string_view text) {
    // The edit sends EN_CHANGE from within SetWindowTextW, so the flag covers exactly this change.
    const bool outer = impl_->settingText;
    impl_->settingText = true;
    ::SetWindowTextW(impl_->item(id), toWide(text).c_str());
    impl_->settingText = outer;
}

void Win32Window::setItems(int id, const std::vector<std::string>& items) {
    const HWND list = impl_->item(id);
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : items)
        ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(entry).c_str()));
}

int Win32Window::itemCount(int id) const {
    const LRESULT n = ::SendMessageW(impl_->item(id), CB_GETCOUNT, 0, 0);
    return n < 0 ? 0 : static_cast<int>(n);
}

int Win32Window::selection(int id) const {
    const LRESULT n = ::SendMessageW(impl_->item(id), CB_GETCURSEL, 0, 0);
    return n < 0 ? -1 : static_cast<int>(n);
}

void Win32Window::select(int id, int position) {
    // A position outside the entries is passed as -1: Windows clears the selection for any of them, but Wine keeps
    // the old one for a position past the end, which would leave the previous card's choice on the form.
    const HWND list = impl_->item(id);
    const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
    const bool inside = position >= 0 && count > 0 && position < count;
    ::SendMessageW(list, CB_SETCURSEL, inside ? static_cast<WPARAM>(position) : static_cast<WPARAM>(-1), 0);
}

void Win32Window::setColumns(int id, const std::vector<ColumnSpec>& columns) {
    const HWND list = impl_->item(id);
    while (::SendMessageW(list, LVM_DELETECOLUMN, 0, 0)) {
    }
    std::vector<int>& widths = impl_->columnWidths[id];
    widths.clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring title = toWide(columns[i].title);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = columns[i].centred ? LVCFMT_CENTER : LVCFMT_LEFT;
        column.cx = columns[i].widthPixels;
        widths.push_back(columns[i].widthPixels);
        column.pszText = title.data();
        column.iSubItem = static_cast<int>(i);
        ::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

void Win32Window::setRows(int id, std::vector<std::vector<std::string>> rows) {
    const HWND list = impl_->item(id);
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            std::wstring cell = toWide(rows[r][c]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(r);
            item.iSubItem = static_cast<int>(c);
            item.pszText = cell.data();
            if (c == 0)
                ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            else
                ::SendMessageW(list, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
        }
    }
    // Every column as wide as the layout makes it, or as its widest text where the font draws that wider (the
    // birthday with its time of day): no text is cut short.
    const std::vector<int>& widths = impl_->columnWidths[id];
    for (std::size_t c = 0; c < widths.size(); ++c) {
        ::SendMessageW(list, LVM_SETCOLUMNWIDTH, c, MAKELPARAM(LVSCW_AUTOSIZE, 0));
        const auto needed = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
        ::SendMessageW(list, LVM_SETCOLUMNWIDTH, c, MAKELPARAM(std::max(needed, widths[c]), 0));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

int Win32Window::rowCount(int id) const {
    return static_cast<int>(::SendMessageW(impl_->item(id), LVM_GETITEMCOUNT, 0, 0));
}

int Win32Window::firstSelectedRow(int id) const {
    return static_cast<int>(
        ::SendMessageW(impl_->item(id), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

int Win32Window::focus() const {
    HWND focused = ::GetFocus();
    // The focus may sit in a child of a control (the edit part of a drop-down list).
    while (focused && impl_->hwnd && ::GetParent(focused) != impl_->hwnd)
        focused = ::GetParent(focused);
    return focused ? ::GetDlgCtrlID(focused) : kNoId;
}

void Win32Window::setFocus(int id) {
    const HWND control = impl_->item(id);
    if (control)
        ::SendMessageW(impl_->hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void Win32Window::messageBox(std::string_view text, std::string_view caption) {
    ::MessageBoxW(impl_->hwnd, toWide(text).c_str(), toWide(caption).c_str(), MB_OK);
}

Answer Win32Window::ask(std::string_view text, std::string_view caption) {
    const int answer =
        ::MessageBoxW(impl_->hwnd, toWide(text).c_str(), toWide(caption).c_str(), MB_YESNO | MB_ICONQUESTION);
    return answer == IDYES ? Answer::Yes : Answer::No;
}

std::optional<std::filesystem::path> Win32Window::chooseFile(bool save,
                                                             std::string_view title,
                                                             const std::vector<FileFilter>& filters) {
    // The filter list: pairs of description and pattern, each ended by a NUL, the whole by a second NUL.
    std::wstring filter;
    for (const FileFilter& f : filters) {
        filter += toWide(f.description);
        filter.push_back(L'\0');
        filter += toWide(f.pattern);
        filter.push_back(L'\0');
    }
    filter.push_back(L'\0');
    std::wstring extension;
    if (!filters.empty() && filters[0].pattern.substr(0, 2) == "*.")
        extension = toWide(filters[0].pattern.substr(2));
    const std::wstring caption = toWide(title);
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = impl_->hwnd;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = caption.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags =
        OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    if (!chosen)
        return std::nullopt;
    return std::filesystem::path(std::wstring(file.data()));
}

void Win32Window::close() {
    if (impl_->hwnd)
        ::EndDialog(impl_->hwnd, IDCANCEL);
}

void Win32Window::showChart(const chart::WheelChart& chart) {
    impl_->chart.show(impl_->hwnd, chart);
}

void Win32Window::updateChart(const chart::WheelChart& chart) {
    impl_->chart.update(chart);
}

}  // namespace ui::win32
