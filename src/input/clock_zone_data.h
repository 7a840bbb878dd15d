#pragma once

#include <cstddef>
#include <cstdint>

// The generated history of the clocks (clock_zone_data.cpp, written by scripts/make-clock-zones): for each zone its
// offset before the first change and its changes in time order, and the places of the country table that keep one
// civil time with their zone.
namespace input::clockdata {

struct ClockChange {
    std::int64_t at;                     // the UTC second from which the clocks show this; 0 in a zone's initial state
    std::int32_t offsetSeconds;          // local clock minus UTC
    std::int32_t standardOffsetSeconds;  // the place's standard time meanwhile: the offset of the periods around
                                         // that the database does not flag as daylight time
    std::int32_t dstFlag;                // the database's daylight flag: 1 also for a winter time behind standard
    const char* abbreviation;            // as the time-zone database spells it (ASCII)
};

struct ZoneHistory {
    const char* name;  // the time-zone database's zone, such as Asia/Shanghai
    ClockChange initial;
    const ClockChange* changes;
    std::size_t changeCount;
};

struct PlaceZone {
    const char* name;  // as the area text names it (GBK)
    int zone;          // into kZones; -1: the place keeps more than one civil time
};

extern const char* const kTzdataVersion;
extern const ZoneHistory kZones[];
extern const std::size_t kZoneCount;
// Searched in order: regions first (香港 before the table's 中国), then the country table in its order.
extern const PlaceZone kPlaces[];
extern const std::size_t kPlaceCount;

}  // namespace input::clockdata
