#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// What a backend builds a dialog window from: the window's own attributes and one row per control, with ids, kinds,
// texts, positions in dialog units and styles, the tab order and the default button. Texts are GBK.
namespace ui {

inline constexpr int kNoId = -1;  // static texts that nothing addresses
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

enum class ControlKind {
    Edit,          // single line unless Style::kMultiLine
    DropDownList,  // the selected position is the value; entries are never sorted
    ReportList,    // rows of texts in columns, one record per row
    StaticText,
    Button,
};

namespace style {
inline constexpr std::uint32_t kTabStop = 1u << 0;
inline constexpr std::uint32_t kBorder = 1u << 1;
inline constexpr std::uint32_t kAutoHScroll = 1u << 2;
inline constexpr std::uint32_t kMultiLine = 1u << 3;  // edits: several lines
inline constexpr std::uint32_t kVScroll = 1u << 4;
inline constexpr std::uint32_t kWantReturn = 1u << 5;  // edits: Enter starts a new line
inline constexpr std::uint32_t kDropDown = 1u << 6;    // lists: the user may also type into the text part
inline constexpr std::uint32_t kDefaultButton = 1u << 7;
inline constexpr std::uint32_t kMultiSelect = 1u << 8;  // report lists: several rows selectable
inline constexpr std::uint32_t kGridLines = 1u << 9;
inline constexpr std::uint32_t kFullRowSelect = 1u << 10;
}  // namespace style

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct ControlSpec {
    int id = kNoId;
    ControlKind kind = ControlKind::StaticText;
    std::string_view text;  // button and static texts; the initial text of an edit
    Rect rect;
    std::uint32_t styles = 0;
};

struct ColumnSpec {
    std::string_view title;
    int widthPixels = 0;
    bool centred = true;
};

// A command the window's system menu offers; choosing it presses a button of that id. System menu ids are multiples of
// 16 below 0xF000.
struct MenuItemSpec {
    int id = kNoId;
    std::string_view text;
};

struct DialogSpec {
    std::string_view className;
    std::string_view caption;
    int width = 0, height = 0;  // dialog units
    std::string_view fontName;
    int fontPoints = 0;
    bool topmost = false;
    std::span<const ControlSpec> controls;
    std::span<const int> tabOrder;  // the focus starts at the first
    int defaultButton = kIdOk;
    std::span<const MenuItemSpec> systemMenu = {};
};

}  // namespace ui
