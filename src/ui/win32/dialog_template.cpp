#include "ui/win32/dialog_template.h"

#include <windows.h>  // first: the headers below need its definitions

#include <commctrl.h>

#include <algorithm>

#include "ui/win32/wide_text.h"

namespace ui::win32 {

namespace {

constexpr std::uint16_t kButtonAtom = 0x0080;
constexpr std::uint16_t kEditAtom = 0x0081;
constexpr std::uint16_t kStaticAtom = 0x0082;
constexpr std::uint16_t kComboBoxAtom = 0x0085;

class Writer {
  public:
    void word(std::uint16_t w) { words_.push_back(w); }
    void dword(std::uint32_t d) {
        word(static_cast<std::uint16_t>(d & 0xFFFF));
        word(static_cast<std::uint16_t>(d >> 16));
    }
    void text(const std::wstring& s) {
        for (wchar_t c : s)
            word(static_cast<std::uint16_t>(c));
        word(0);
    }
    // Items start on a DWORD boundary; the buffer itself is DWORD-aligned by its allocator.
    void alignDword() {
        if (words_.size() % 2 != 0)
            word(0);
    }
    std::vector<std::uint16_t> take() { return std::move(words_); }

  private:
    std::vector<std::uint16_t> words_;
};

std::uint16_t dialogUnit(int v) {
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
}

TemplateItem itemOf(const ControlSpec& c, int defaultButton) {
    namespace st = style;
    TemplateItem item;
    item.rect = c.rect;
    item.id = c.id;
    item.title = toWide(c.text);
    std::uint32_t s = WS_CHILD | WS_VISIBLE;
    if (c.styles & st::kTabStop)
        s |= WS_TABSTOP;
    if (c.styles & st::kBorder)
        s |= WS_BORDER;
    if (c.styles & st::kVScroll)
        s |= WS_VSCROLL;
    switch (c.kind) {
        case ControlKind::Edit:
            item.classAtom = kEditAtom;
            if (c.styles & st::kAutoHScroll)
                s |= ES_AUTOHSCROLL;
            if (c.styles & st::kMultiLine)
                s |= ES_MULTILINE | ES_AUTOVSCROLL;
            if (c.styles & st::kWantReturn)
                s |= ES_WANTRETURN;
            break;
        case ControlKind::DropDownList:
            item.classAtom = kComboBoxAtom;
            s |= WS_VSCROLL | ((c.styles & st::kDropDown) ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST);
            break;
        case ControlKind::ReportList:
            item.className = WC_LISTVIEWW;
            s |= LVS_REPORT | LVS_SHOWSELALWAYS;
            if (!(c.styles & st::kMultiSelect))
                s |= LVS_SINGLESEL;
            break;
        case ControlKind::StaticText:
            item.classAtom = kStaticAtom;
            s |= SS_LEFT;
            break;
        case ControlKind::Button:
            item.classAtom = kButtonAtom;
            s |= (c.styles & st::kDefaultButton) || c.id == defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            break;
    }
    item.style = s;
    return item;
}

}  // namespace

std::vector<std::uint16_t> buildDialogTemplate(const TemplateWindow& window, const std::vector<TemplateItem>& items) {
    Writer w;
    const bool font = !window.fontName.empty();
    w.dword(window.style | (font ? DS_SETFONT : 0));
    w.dword(window.exStyle);
    w.word(static_cast<std::uint16_t>(items.size()));
    w.word(dialogUnit(window.rect.x));
    w.word(dialogUnit(window.rect.y));
    w.word(dialogUnit(window.rect.width));
    w.word(dialogUnit(window.rect.height));
    w.word(0);  // no menu
    if (window.className.empty())
        w.word(0);
    else
        w.text(window.className);
    w.text(window.caption);
    if (font) {
        w.word(static_cast<std::uint16_t>(window.fontPoints));
        w.text(window.fontName);
    }
    for (const TemplateItem& item : items) {
        w.alignDword();
        w.dword(item.style);
        w.dword(0);
        w.word(dialogUnit(item.rect.x));
        w.word(dialogUnit(item.rect.y));
        w.word(dialogUnit(item.rect.width));
        w.word(dialogUnit(item.rect.height));
        w.word(static_cast<std::uint16_t>(item.id == kNoId ? 0xFFFF : item.id));
        if (item.classAtom != 0) {
            w.word(0xFFFF);
            w.word(item.classAtom);
        } else {
            w.text(item.className);
        }
        if (item.titleResource != 0) {
            w.word(0xFFFF);
            w.word(static_cast<std::uint16_t>(item.titleResource));
        } else {
            w.text(item.title);
        }
        w.word(0);  // no creation data
    }
    return w.take();
}

TemplateWindow templateWindowOf(const DialogSpec& spec) {
    TemplateWindow window;
    window.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_VISIBLE | DS_3DLOOK;
    window.exStyle = WS_EX_APPWINDOW;
    window.rect = {0, 0, spec.width, spec.height};
    window.className = toWide(spec.className);
    window.caption = toWide(spec.caption);
    window.fontName = toWide(spec.fontName);
    window.fontPoints = spec.fontPoints;
    return window;
}

std::vector<TemplateItem> templateItemsOf(const DialogSpec& spec) {
    // The dialog manager's tab order is the order of creation: first the tab order, then everything else.
    std::vector<TemplateItem> items;
    std::vector<bool> placed(spec.controls.size(), false);
    for (int id : spec.tabOrder) {
        for (std::size_t i = 0; i < spec.controls.size(); ++i) {
            if (!placed[i] && spec.controls[i].id == id) {
                items.push_back(itemOf(spec.controls[i], spec.defaultButton));
                placed[i] = true;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < spec.controls.size(); ++i)
        if (!placed[i])
            items.push_back(itemOf(spec.controls[i], spec.defaultButton));
    return items;
}

}  // namespace ui::win32
