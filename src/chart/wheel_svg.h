#pragma once

#include <string>

#include "chart/wheel_picture.h"

// A wheel picture as an SVG document (UTF-8): one element per shape, texts converted from GBK and escaped, in a CJK
// font. Written here rather than through a library: the picture needs a dozen kinds of element and nothing else.
namespace chart {

// The SVG document of the picture; title (GBK) becomes its title element when not empty.
std::string wheelSvg(const WheelPicture& picture, std::string_view title);

// The fonts a renderer asks for, in order: CJK fonts of the common systems, then any sans-serif.
inline constexpr const char* kWheelFontFamilies =
    "'WenQuanYi Micro Hei', 'Noto Sans CJK SC', 'Source Han Sans SC', 'Microsoft YaHei', 'PingFang SC', SimHei, "
    "SimSun, sans-serif";

}  // namespace chart
