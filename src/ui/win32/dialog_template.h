#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/dialog_layout.h"

// An in-memory dialog template (DLGTEMPLATE with its items), built from a dialog layout so that the layout table
// stays the one source of the window: the controls come in the layout's tab order, then the ones not in it.
namespace ui::win32 {

struct TemplateItem {
    std::uint32_t style = 0;
    Rect rect;
    int id = kNoId;
    std::uint16_t classAtom = 0;  // a predefined class (0x0080 button .. 0x0085 combo box), or 0 for className
    std::wstring className;
    std::wstring title;
    int titleResource = 0;  // when not 0, the title is this resource's ordinal (an icon's)
};

struct TemplateWindow {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    Rect rect;
    std::wstring className;  // empty: the standard dialog class
    std::wstring caption;
    std::wstring fontName;
    int fontPoints = 0;
};

// The bytes of a template, aligned for DialogBoxIndirectParamW (kept as 16-bit words).
std::vector<std::uint16_t> buildDialogTemplate(const TemplateWindow& window, const std::vector<TemplateItem>& items);

// The window and the items of a layout, with the styles its controls ask for.
TemplateWindow templateWindowOf(const DialogSpec& spec);
std::vector<TemplateItem> templateItemsOf(const DialogSpec& spec);

}  // namespace ui::win32
