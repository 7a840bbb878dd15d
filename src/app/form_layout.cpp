#include "app/form_layout.h"

namespace app {

namespace {

using ui::ControlKind;
using ui::ControlSpec;
namespace st = ui::style;

constexpr std::uint32_t kEditStyle = st::kTabStop | st::kBorder | st::kAutoHScroll;
constexpr std::uint32_t kListStyle = st::kTabStop | st::kDropDown;
constexpr std::uint32_t kButtonStyle = st::kTabStop;

constexpr ControlSpec label(std::string_view text, int x, int y, int width = 32) {
    return {ui::kNoId, ControlKind::StaticText, text, {x, y + 3, width, 8}, 0};
}
constexpr ControlSpec edit(int id, int x, int y, int width, int height) {
    return {id, ControlKind::Edit, {}, {x, y, width, height}, kEditStyle};
}
constexpr ControlSpec list(int id, int x, int y, int width, int height) {
    return {id, ControlKind::DropDownList, {}, {x, y, width, height}, kListStyle};
}
constexpr ControlSpec
button(int id, std::string_view text, int x, int y, int width, int height, std::uint32_t extra = 0) {
    return {id, ControlKind::Button, text, {x, y, width, height}, kButtonStyle | extra};
}

// A planet row: label, sign list, degree edit, "度", mark field.
constexpr int kRowY[] = {170, 186, 203, 220, 235, 251, 267, 283, 299, 315};
constexpr std::string_view kRowLabel[] = {
    "太阳:", "月亮:", "水星:", "金星:", "火星:", "木星:", "土星:", "天王星:", "海王星:", "冥王星:"};
constexpr int kSignList[] = {1001, 1003, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012};
constexpr int kDegreeEdit[] = {1002, 1004, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1020};
constexpr int kMarkField[] = {1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048};

// The layout is a table, one control a line, as a dialog editor would list it.
// clang-format off
#define QELVO_PLANET_ROW(p)                                                  \
    label(kRowLabel[p], 6, kRowY[p], 36), list(kSignList[p], 44, kRowY[p] + 1, 36, 200), \
        edit(kDegreeEdit[p], 84, kRowY[p], 32, 15), label("度", 118, kRowY[p], 10),         \
        edit(kMarkField[p], 131, kRowY[p], 32, 15)

constexpr ControlSpec kControls[] = {
    label("编号:", 10, 17),
    edit(kIdCode, 44, 17, 60, 16),
    list(kIdCategory, 107, 18, 60, 93),
    label("称呼:", 10, 33),
    edit(kIdName, 44, 33, 60, 16),
    label("生日:", 10, 49),
    edit(kIdBirthday, 44, 49, 69, 16),
    label("农历:", 116, 49, 24),
    edit(kIdLunarDate, 141, 49, 59, 16),
    label("输入:", 10, 65),
    edit(kIdInput, 44, 65, 95, 19),
    button(kIdNow, "此刻", 141, 68, 20, 14),
    button(kIdGetBirthday, "获得生日", 163, 68, 32, 14),
    {ui::kNoId, ControlKind::StaticText,
     "如：1991.1.2，1991-1-2，1991年1月2日。\r\n这样的格式，要带时间，后加诸如【,1255】", {45, 85, 147, 21}, 0},
    label("地区:", 10, 108),
    edit(kIdArea, 44, 108, 60, 16),
    list(kIdTimeZone, 106, 110, 60, 93),
    label("备注:", 10, 128),
    {kIdMemo, ControlKind::Edit, {}, {44, 128, 137, 39},
     st::kTabStop | st::kBorder | st::kMultiLine | st::kVScroll | st::kWantReturn},
    QELVO_PLANET_ROW(0),
    QELVO_PLANET_ROW(1),
    QELVO_PLANET_ROW(2),
    QELVO_PLANET_ROW(3),
    QELVO_PLANET_ROW(4),
    QELVO_PLANET_ROW(5),
    QELVO_PLANET_ROW(6),
    QELVO_PLANET_ROW(7),
    QELVO_PLANET_ROW(8),
    QELVO_PLANET_ROW(9),
    label("收录:", 10, 331),
    edit(kIdNoteTime, 44, 331, 77, 15),
    label("查找", 207, 5, 18),
    edit(kIdSearch, 227, 5, 190, 14),
    {kIdSearchCount, ControlKind::StaticText, {}, {422, 8, 88, 8}, 0},
    {kIdPersonList, ControlKind::ReportList, {}, {207, 23, 303, 171},
     st::kTabStop | st::kBorder | st::kMultiSelect | st::kGridLines | st::kFullRowSelect},
    label("刑", 200, 203, 14),
    edit(kIdSquare, 217, 203, 240, 17),
    label("冲", 200, 225, 14),
    edit(kIdOpposition, 217, 225, 240, 17),
    label("合", 200, 246, 14),
    edit(kIdConjunction, 217, 246, 240, 17),
    label("拱", 200, 267, 14),
    edit(kIdTrine, 217, 267, 240, 17),
    label("六合", 196, 288, 18),
    edit(kIdSextile, 217, 288, 239, 16),
    label("梅花", 196, 307, 18),
    edit(kIdPlumBlossom, 217, 307, 239, 16),
    label("日月", 196, 326, 18),
    edit(kIdSunMoon, 217, 326, 44, 16),
    button(kIdNew, "新增", 101, 364, 50, 16),
    button(kIdAspects, "相位", 159, 364, 50, 16),
    button(kIdSave, "保存", 217, 364, 50, 16, st::kDefaultButton),
    button(kIdAssociate, "*.qelvo关联", 275, 364, 50, 16),
    button(kIdExit, "退出", 333, 364, 50, 16),
    button(kIdChart, "星盘", 391, 364, 50, 16),
};

#undef QELVO_PLANET_ROW
// clang-format on

constexpr int kTabOrder[] = {
    1002, 1004, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1020, 1005, 1000, 1024, 1022, 1021, 1029, 1026, 1027, 1025,
    1001, 1003, 1,    2,    1006, 1007, 1008, 1009, 1010, 1011, 1012, 1053, 1023, 1028, 3,    1030, 1031, 1032, 1033,
    1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052,
};

constexpr ui::MenuItemSpec kSystemMenu[] = {
    {kIdExportCsv, "导出全部卡片为 CSV(&C)..."},
    {kIdExportAaf, "导出全部卡片为 AAF(&F)..."},
    {kIdImportCsv, "从 CSV 导入卡片(&I)..."},
    {kIdImportAaf, "从 AAF 导入卡片(&M)..."},
};

constexpr ui::DialogSpec kLayout{
    kFormClassName, kFormCaption, 528, 394, "MS Shell Dlg", 9, true, kControls, kTabOrder, kIdSave, kSystemMenu,
};

}  // namespace

const ui::DialogSpec& mainFormLayout() {
    return kLayout;
}

const std::array<std::string_view, 4> kCategoryEntries = {"--类型--", "明星/名人", "亲朋/相识", "素人"};

const std::array<std::string_view, 26> kTimeZoneEntries = {
    "--时区--", "东12区", "东11区", "东10区", "东9区",  "东8区",  "东7区",  "东6区",  "东5区",
    "东4区",    "东3区",  "东2区",  "东1区",  "中时区", "西1区",  "西2区",  "西3区",  "西4区",
    "西5区",    "西6区",  "西7区",  "西8区",  "西9区",  "西10区", "西11区", "西12区",
};

const std::array<ui::ColumnSpec, 14> kPersonListColumns = {{
    {"编号", 45, true},
    {"称呼", 55, true},
    {"生日", 80, true},
    {"农历", 80, true},
    {"日", 25, true},
    {"月", 25, true},
    {"水", 25, true},
    {"金", 25, true},
    {"火", 25, true},
    {"木", 25, true},
    {"土", 25, true},
    {"天", 25, true},
    {"海", 25, true},
    {"冥", 25, true},
}};

}  // namespace app
