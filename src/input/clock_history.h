#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "input/birthday_parser.h"

// What the clocks of a birth place showed: for every zone of the time-zone database (and so for every place of the
// atlas, and the places of the country table that keep one civil time, with 香港, 澳门, 台湾), the offsets from UTC
// that their clocks had through history, built into the program, so every system gives the same answers; and the
// check of a birthday's zone against them.
namespace input {

struct ClockState {
    std::int32_t offsetSeconds = 0;          // local clock minus UTC
    std::int32_t standardOffsetSeconds = 0;  // the place's standard time meanwhile
    bool dstFlag = false;  // the database's daylight flag, also set for a winter time: name a state by clockTimeOf
    std::string_view abbreviation;  // CST, CDT, LMT, +0630, ... (ASCII)
};

// What time the clocks kept: summer time ahead of the place's standard time, winter time behind it, the standard
// time itself, or the local mean time before any zone.
enum class ClockTime { kStandard, kSummer, kWinter, kLocalMean };
ClockTime clockTimeOf(const ClockState& state);
std::string clockTimeName(ClockTime time);  // 标准时, 夏令时, 冬令时, 地方平时
// A state as the user reads it: "UTC+9（夏令时）".
std::string clockStateText(const ClockState& state);

// A place and the zone its clocks follow: one the area text names, or one of the atlas with its longitude.
struct ClockPlace {
    std::string_view name;  // GBK, as the texts name it: as matched in the area text, or the atlas place's name
                            // (a view: the text must outlive the place)
    std::size_t zone;       // for clockZoneName, clockStateAt and readClock
    // A place of the atlas: its longitude in degrees east. Its clocks before standard time show its own local mean
    // time, and an offset that no entry of the time-zone list holds is computed with exactly.
    std::optional<double> longitude;
};

// The place of the first name (regions first, then the country table's order) that the area text contains as
// whole characters; nothing when none is contained or the first one that is keeps more than one civil time.
std::optional<ClockPlace> clockPlaceForArea(std::string_view area);

// A place of the atlas by its name (GBK), its zone's name in the time-zone database (a link's name too) and its
// longitude in degrees east; nothing when the database has no such zone or the longitude is not within -180..180.
std::optional<ClockPlace> clockPlaceAt(std::string_view name, std::string_view zoneName, double longitude);

// Every name of the database, zones and links, in byte order; a link reads its zone's history.
std::size_t clockZoneCount();
std::string_view clockZoneName(std::size_t zone);                  // Asia/Shanghai
std::optional<std::size_t> clockZoneNamed(std::string_view name);  // exactly as the database spells it
std::string_view tzdataVersion();  // the version of the database the history was made from

// The local mean time at a longitude in degrees east: longitude / 15 hours, to the nearest second (a longitude
// beyond ±180 counts as ±180, one that is not a number as 0).
std::int32_t localMeanTimeOffset(double longitude);

// The state of the zone's clocks at a UTC second, as the database has them.
ClockState clockStateAt(std::size_t zone, std::int64_t utcSeconds);

// How many times the zone's clocks changed (offset, summer time or abbreviation) in [fromUtc, toUtc).
std::size_t clockChangeCount(std::size_t zone, std::int64_t fromUtc, std::int64_t toUtc);

// A reading of a clock: date and time of day (proleptic Gregorian calendar).
struct LocalMoment {
    int year = 0, month = 1, day = 1, hour = 0, minute = 0;
};

// The seconds since 1970-01-01 00:00 of the reading taken as UTC.
std::int64_t secondsOfReading(const LocalMoment& moment);

// What a reading of the zone's clocks stood for: one state, none (a change moved the clocks forward past it: before
// is the state until then, after the one from then on), or two (a change moved them back and they showed it twice:
// before is the first pass, after the second).
struct ClockReading {
    enum class Kind { kOne, kSkipped, kRepeated };
    Kind kind = Kind::kOne;
    ClockState before;  // kOne: the state
    ClockState after;   // kOne: the same state
};

ClockReading readClock(std::size_t zone, const LocalMoment& moment);
// The same for a place: its zone's clocks, except that where the database keeps local mean time (its reference
// city's, "LMT"), a place with a longitude shows its own, on the side of the date line the database reckons.
ClockReading readClock(const ClockPlace& place, const LocalMoment& moment);

// "UTC+8", "UTC-3:30", "UTC+8:05:43".
std::string utcOffsetText(std::int32_t offsetSeconds);
// The time-zone list's entry for an index of 1..25: "东12区" .. "东1区", "中时区", "西1区" .. "西12区"; else empty.
std::string timeZoneEntryName(int index);
// The index of a whole-hour offset from UTC-12 to UTC+12; nothing for any other offset.
std::optional<int> timeZoneIndexOfOffset(std::int32_t offsetSeconds);
// The offset of an entry of 1..25 in seconds; nothing for any other index.
std::optional<std::int32_t> timeZoneOffsetOfIndex(int index);

// A birthday's zone against the clocks of its place.
struct ClockCheck {
    enum class Kind {
        kNoPlace,    // the area names no place with one civil time
        kNoTime,     // the birthday has no time of day (reading: the clocks at its default noon)
        kNoEntry,    // the zone index is no entry of 1..25 (reading: the clocks at the birth time)
        kAgrees,     // the clocks had the entry's offset
        kDiffers,    // they had another whole-hour offset of the list: suggestedIndex
        kNotInList,  // they had an offset that the list does not hold (not whole hours, or beyond 12 hours)
        kSkipped,    // the clocks never showed the time: a change moved them past it
        kRepeated,   // the clocks showed the time twice
    };
    Kind kind = Kind::kNoPlace;
    std::optional<ClockPlace> place;
    ClockReading reading;
    int zoneIndex = 0;       // the index checked
    int suggestedIndex = 0;  // kDiffers: the entry of the clocks' offset
};

ClockCheck checkBirthClock(std::string_view area, const BirthdayResult& birthday, int zoneIndex);
ClockCheck checkBirthClock(const ClockPlace& place, const BirthdayResult& birthday, int zoneIndex);

}  // namespace input
