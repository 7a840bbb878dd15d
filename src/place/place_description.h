#pragma once

#include <string>

#include "place/atlas_file.h"

// What tells a place from others of its name, in a look-up's list (GBK).
namespace place {

// In China the province ("广东 中国"), in the United States the state's code ("NY 美国"), elsewhere the coordinates
// ("北纬47.37° 东经8.54° 瑞士"); the country or region as the country names call it, or its code where none does.
std::string describePlace(const Place& place);

// The coordinates to a hundredth of a degree: "北纬23.35° 东经116.68°", "南纬33.87° 西经151.21°".
std::string coordinatesText(const Place& place);

}  // namespace place
