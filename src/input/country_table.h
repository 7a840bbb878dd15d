#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The country table: 200 slots, the first 193 holding a country's Chinese name (GBK) and its whole-hour time zone,
// searched in slot order for the first name that the area text contains.
namespace input {

constexpr std::size_t kCountryNameSize = 50;
constexpr std::size_t kCountrySlots = 200;
constexpr std::int32_t kNoZoneCode = 255;

// The time-zone list: index 0 the placeholder "--时区--", 1..25 east 12 .. west 12; the index of a code is code + 13.
constexpr int kTimeZonePlaceholder = 0;
constexpr int kTimeZoneIndexOffset = 13;
constexpr int kDefaultTimeZoneIndex = 5;  // "东8区", taken when none is chosen

struct CountryZone {
    char name[kCountryNameSize];   // NUL-terminated and NUL-padded; empty for an empty slot
    char spare[kCountryNameSize];  // empty in every slot and never read
    std::int32_t zoneCode;         // UTC offset in hours with the sign reversed (UTC+8 is -8); kNoZoneCode: none

    std::string_view nameText() const;
};

const std::array<CountryZone, kCountrySlots>& countryTable();

// The time-zone index (zone code + 13) of the first slot whose name the area text contains as whole characters;
// nothing when the area is empty, no name is contained, or the first slot that matches has no zone.
std::optional<int> timeZoneIndexForArea(std::string_view area);

}  // namespace input
