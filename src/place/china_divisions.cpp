#include "place/china_divisions.h"

#include <array>

// GeoNames numbers China's provinces, autonomous regions and municipalities from 01 to 33 (17 and 27 are unused; Hong
// Kong, Macao and Taiwan are countries of their own there). Written by hand; each code checked against the seat of
// its division in the dump (01 Hefei, 30 Guangzhou, ...).
namespace place {
namespace {

struct Division {
    std::string_view code;
    std::string_view name;      // as a place's description shows it
    std::string_view fullName;  // as an address writes it
};

constexpr std::array<Division, 31> kDivisions = {{
    {"01", "安徽", "安徽省"},           {"02", "浙江", "浙江省"},         {"03", "江西", "江西省"},
    {"04", "江苏", "江苏省"},           {"05", "吉林", "吉林省"},         {"06", "青海", "青海省"},
    {"07", "福建", "福建省"},           {"08", "黑龙江", "黑龙江省"},     {"09", "河南", "河南省"},
    {"10", "河北", "河北省"},           {"11", "湖南", "湖南省"},         {"12", "湖北", "湖北省"},
    {"13", "新疆", "新疆维吾尔自治区"}, {"14", "西藏", "西藏自治区"},     {"15", "甘肃", "甘肃省"},
    {"16", "广西", "广西壮族自治区"},   {"18", "贵州", "贵州省"},         {"19", "辽宁", "辽宁省"},
    {"20", "内蒙古", "内蒙古自治区"},   {"21", "宁夏", "宁夏回族自治区"}, {"22", "北京", "北京市"},
    {"23", "上海", "上海市"},           {"24", "山西", "山西省"},         {"25", "山东", "山东省"},
    {"26", "陕西", "陕西省"},           {"28", "天津", "天津市"},         {"29", "云南", "云南省"},
    {"30", "广东", "广东省"},           {"31", "海南", "海南省"},         {"32", "四川", "四川省"},
    {"33", "重庆", "重庆市"},
}};

}  // namespace

std::string_view chinaDivisionName(std::string_view code) {
    for (const Division& division : kDivisions)
        if (division.code == code)
            return division.name;
    return {};
}

std::string_view chinaDivisionCode(std::string_view name) {
    for (const Division& division : kDivisions)
        if (division.name == name || division.fullName == name)
            return division.code;
    return {};
}

}  // namespace place
