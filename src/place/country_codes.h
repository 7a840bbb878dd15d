#pragma once

#include <span>
#include <string_view>

// The countries and regions by their Chinese names (GBK) and their ISO 3166 codes: every name of the country table,
// and the regions and territories of the atlas that it does not name (香港, 澳门, 台湾, 波多黎各, ...).
namespace place {

struct CountryName {
    std::string_view name;  // GBK, as the country table writes it ("美国", "刚果(金)")
    std::string_view code;  // ISO 3166 alpha-2 ("US"); GeoNames' "XK" for Kosovo
};

// Every name once, the country table's names first and in its order; each code once.
std::span<const CountryName> countryNames();

// The code of a name ("美国" -> "US"), exactly as written; empty when the name is none of them.
std::string_view countryCodeForName(std::string_view name);

// The Chinese name shown for a code ("US" -> "美国"); empty for a code without one.
std::string_view countryNameForCode(std::string_view code);

}  // namespace place
