#pragma once

#include <string_view>

// China's first-level divisions by GeoNames' codes of them (the atlas keeps only the code): "30" -> "广东".
namespace place {

// The short Chinese name (GBK) of the division with GeoNames' code; empty for a code that names none.
std::string_view chinaDivisionName(std::string_view code);

// The code of a division named by its short or full name ("广东", "广东省", "新疆维吾尔自治区", "北京市"); empty for
// any other text.
std::string_view chinaDivisionCode(std::string_view name);

}  // namespace place
