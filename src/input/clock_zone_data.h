#pragma once

#include <cstddef>
#include <cstdint>

// The generated history of the clocks (src/generated/clock_zone_data.cpp, written by scripts/make-clock-zones): every
// zone of the time-zone database with its state before the first change and its changes in time order, every name
// (zones and links) pointing at a zone's history, and the places an area text names with their zones.
namespace input::clockdata {

// A state of a zone's clocks.
struct ClockType {
    std::int32_t offsetSeconds;          // local clock minus UTC
    std::int32_t standardOffsetSeconds;  // the place's standard time meanwhile: the offset of the periods around
                                         // that the database does not flag as daylight time
    std::uint8_t dstFlag;                // the database's daylight flag: 1 also for a winter time behind standard
    const char* abbreviation;            // as the time-zone database spells it (ASCII); "LMT": local mean time
};

struct ClockChange {
    std::int64_t at;     // the UTC second from which the clocks show the type
    std::uint16_t type;  // into kTypes
};

struct ZoneHistory {
    std::uint16_t initial;  // the type before the first change, into kTypes
    const ClockChange* changes;
    std::size_t changeCount;
};

struct ZoneName {
    const char* name;       // the database's name of a zone or a link, such as Asia/Shanghai or Asia/Kashgar
    std::uint16_t history;  // into kHistories; a link has its zone's
};

struct PlaceZone {
    const char* name;  // as the area text names it (GBK)
    int zone;          // into kZones; -1: the place keeps more than one civil time
};

extern const char* const kTzdataVersion;
extern const ClockType kTypes[];
extern const ZoneHistory kHistories[];
// In byte order of their names, for a binary search.
extern const ZoneName kZones[];
extern const std::size_t kZoneCount;
// Searched in order: regions first (香港 before the table's 中国), then the country table in its order.
extern const PlaceZone kPlaces[];
extern const std::size_t kPlaceCount;

}  // namespace input::clockdata
