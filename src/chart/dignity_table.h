#pragma once

#include <string_view>

// The dignity of a planet in a sign: "庙" (domicile), "弱" (detriment), "旺" (exaltation), "陷" (fall) or nothing.
// It depends on the planet and the sign only, never on the degree.
namespace chart {

// The mark (GBK) of planet 0..9 in sign index sign; empty for a sign not in the planet's row, a sign index of 0 or
// below, or a planet index outside 0..9.
std::string_view markFor(int planet, int sign);

}  // namespace chart
