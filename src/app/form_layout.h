#pragma once

#include <array>
#include <string_view>

#include "ui/dialog_layout.h"

// The main form's layout, the one table every backend builds the window from: the window, its controls with ids,
// kinds, labels, positions in dialog units, styles, the tab order and default button; and the fixed entries of its
// lists and the columns of the person list.
namespace app {

inline constexpr std::string_view kFormClassName = "mvQelvo";
inline constexpr std::string_view kFormCaption = "Orbalis 1.0.6.21";

// Control ids.
inline constexpr int kIdSave = ui::kIdOk;
inline constexpr int kIdExit = ui::kIdCancel;
inline constexpr int kIdNew = 3;
inline constexpr int kIdCode = 1000;
inline constexpr int kIdBirthday = 1021;
inline constexpr int kIdName = 1022;
inline constexpr int kIdPersonList = 1023;
inline constexpr int kIdCategory = 1024;
inline constexpr int kIdMemo = 1025;
inline constexpr int kIdArea = 1026;
inline constexpr int kIdTimeZone = 1027;
inline constexpr int kIdNoteTime = 1028;
inline constexpr int kIdLunarDate = 1029;
inline constexpr int kIdConjunction = 1030;
inline constexpr int kIdTrine = 1031;
inline constexpr int kIdSquare = 1032;
inline constexpr int kIdOpposition = 1033;
inline constexpr int kIdAspects = 1034;
inline constexpr int kIdSextile = 1035;
inline constexpr int kIdPlumBlossom = 1036;
inline constexpr int kIdSunMoon = 1037;
inline constexpr int kIdAssociate = 1038;
inline constexpr int kIdInput = 1049;
inline constexpr int kIdGetBirthday = 1050;
inline constexpr int kIdNow = 1051;
inline constexpr int kIdChart = 1052;        // "星盘": the chart window
inline constexpr int kIdSearch = 1053;       // "查找": the person list shows the cards holding its text
inline constexpr int kIdSearchCount = 1054;  // "共 N 人": how many cards the search found
// Sign lists, degree edits and mark fields by planet: store::kPlanetTable.
// Commands of the system menu (multiples of 16, as system menu ids must be).
inline constexpr int kIdExportCsv = 0x100;
inline constexpr int kIdExportAaf = 0x110;
inline constexpr int kIdImportCsv = 0x120;
inline constexpr int kIdImportAaf = 0x130;

const ui::DialogSpec& mainFormLayout();

// The fixed entries of the category and time-zone lists (the sign lists hold the zodiac sign table's combo texts).
extern const std::array<std::string_view, 4> kCategoryEntries;
extern const std::array<std::string_view, 26> kTimeZoneEntries;
// The fourteen columns of the person list.
extern const std::array<ui::ColumnSpec, 14> kPersonListColumns;

}  // namespace app
