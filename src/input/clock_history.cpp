#include "input/clock_history.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "input/clock_zone_data.h"
#include "util/c_number.h"
#include "util/format.h"
#include "util/gbk.h"

namespace input {
namespace {

using clockdata::ClockChange;
using clockdata::ZoneHistory;

constexpr std::int64_t kSecondsPerDay = 86400;
// Wider than any offset a clock has had, so that every state a reading may stand for starts or ends in the window.
constexpr std::int64_t kReadingWindow = 2 * kSecondsPerDay;

// The clocks of one zone as a place reads them: the zone's history, and the place's own local mean time where the
// database keeps its reference city's; none: the database's as it is.
struct ZoneClocks {
    const ZoneHistory& history;
    std::optional<std::int32_t> meanTime;
};

ZoneClocks clocksOf(std::size_t zone, std::optional<double> longitude = std::nullopt) {
    const std::size_t name = zone < clockdata::kZoneCount ? zone : 0;
    std::optional<std::int32_t> meanTime;
    if (longitude)
        meanTime = localMeanTimeOffset(*longitude);
    return ZoneClocks{clockdata::kHistories[clockdata::kZones[name].history], meanTime};
}

ClockState stateOf(const ZoneClocks& clocks, std::uint16_t type) {
    const clockdata::ClockType& t = clockdata::kTypes[type];
    ClockState state{t.offsetSeconds, t.standardOffsetSeconds, t.dstFlag != 0, t.abbreviation};
    if (clocks.meanTime && state.abbreviation == "LMT") {
        // The place's own mean time, whole days away from the database's where that lies across the date line: the
        // database reckons Alaska before 1867 and the Philippines before 1845 by the date of the other side.
        constexpr std::int32_t kDay = 86400;
        const auto days =
            static_cast<std::int32_t>(std::lround((state.offsetSeconds - *clocks.meanTime) / double{kDay}));
        state.offsetSeconds = *clocks.meanTime + days * kDay;
        state.standardOffsetSeconds = state.offsetSeconds;
    }
    return state;
}

// Interval i of a zone: i = 0 before the first change, i = k from change k-1 until change k (or for ever).
struct Interval {
    std::int64_t start;
    std::int64_t end;
    ClockState state;
};

Interval intervalOf(const ZoneClocks& clocks, std::size_t i) {
    constexpr std::int64_t kLow = INT64_MIN / 2;
    constexpr std::int64_t kHigh = INT64_MAX / 2;
    const ZoneHistory& h = clocks.history;
    const std::int64_t start = i == 0 ? kLow : h.changes[i - 1].at;
    const std::int64_t end = i < h.changeCount ? h.changes[i].at : kHigh;
    return Interval{start, end, stateOf(clocks, i == 0 ? h.initial : h.changes[i - 1].type)};
}

// The interval that holds a UTC second.
std::size_t intervalAt(const ZoneHistory& h, std::int64_t utcSeconds) {
    const ClockChange* end = h.changes + h.changeCount;
    const ClockChange* next =
        std::upper_bound(h.changes, end, utcSeconds, [](std::int64_t t, const ClockChange& c) { return t < c.at; });
    return static_cast<std::size_t>(next - h.changes);
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

ClockState stateAt(const ZoneClocks& clocks, std::int64_t utcSeconds) {
    return intervalOf(clocks, intervalAt(clocks.history, utcSeconds)).state;
}

// A reading of a zone's clocks, as readClock says.
ClockReading read(const ZoneClocks& clocks, const LocalMoment& moment) {
    const ZoneHistory& h = clocks.history;
    const std::int64_t local = secondsOfReading(moment);
    const std::size_t first = intervalAt(h, local - kReadingWindow);
    const std::size_t last = intervalAt(h, local + kReadingWindow);
    // Each interval near the reading whose clocks showed it: the UTC second the reading stands for under that
    // interval's offset lies inside the interval.
    std::optional<ClockState> shown[2];
    int count = 0;
    for (std::size_t i = first; i <= last && count < 2; ++i) {
        const Interval interval = intervalOf(clocks, i);
        const std::int64_t utc = local - interval.state.offsetSeconds;
        if (utc >= interval.start && utc < interval.end)
            shown[count++] = interval.state;
    }
    if (count == 1)
        return ClockReading{ClockReading::Kind::kOne, *shown[0], *shown[0]};
    if (count == 2)
        return ClockReading{ClockReading::Kind::kRepeated, *shown[0], *shown[1]};
    // No interval showed it: a change moved the clocks forward across it.
    for (std::size_t i = first; i < last; ++i) {
        const Interval before = intervalOf(clocks, i);
        const Interval after = intervalOf(clocks, i + 1);
        if (before.end + before.state.offsetSeconds <= local && local < after.start + after.state.offsetSeconds)
            return ClockReading{ClockReading::Kind::kSkipped, before.state, after.state};
    }
    const ClockState state = stateAt(clocks, local);
    return ClockReading{ClockReading::Kind::kOne, state, state};
}

ZoneClocks clocksOf(const ClockPlace& place) {
    return clocksOf(place.zone, place.longitude);
}

}  // namespace

std::optional<ClockPlace> clockPlaceForArea(std::string_view area) {
    if (area.empty())
        return std::nullopt;
    for (std::size_t i = 0; i < clockdata::kPlaceCount; ++i) {
        const clockdata::PlaceZone& place = clockdata::kPlaces[i];
        const std::string_view name = place.name;
        if (!util::gbk::contains(area, name))
            continue;
        if (place.zone < 0)
            return std::nullopt;
        return ClockPlace{name, static_cast<std::size_t>(place.zone), std::nullopt};
    }
    return std::nullopt;
}

std::optional<ClockPlace> clockPlaceAt(std::string_view name, std::string_view zoneName, double longitude) {
    const std::optional<std::size_t> zone = clockZoneNamed(zoneName);
    if (!zone || !(longitude >= -180 && longitude <= 180))
        return std::nullopt;
    return ClockPlace{name, *zone, longitude};
}

std::size_t clockZoneCount() {
    return clockdata::kZoneCount;
}

std::string_view clockZoneName(std::size_t zone) {
    return clockdata::kZones[zone < clockdata::kZoneCount ? zone : 0].name;
}

std::optional<std::size_t> clockZoneNamed(std::string_view name) {
    const clockdata::ZoneName* begin = clockdata::kZones;
    const clockdata::ZoneName* end = begin + clockdata::kZoneCount;
    const clockdata::ZoneName* found = std::lower_bound(
        begin, end, name, [](const clockdata::ZoneName& zone, std::string_view n) { return zone.name < n; });
    if (found == end || found->name != name)
        return std::nullopt;
    return static_cast<std::size_t>(found - begin);
}

std::string_view tzdataVersion() {
    return clockdata::kTzdataVersion;
}

std::int32_t localMeanTimeOffset(double longitude) {
    // Four minutes of time to a degree.
    if (std::isnan(longitude))
        return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(longitude, -180.0, 180.0) * 240));
}

ClockState clockStateAt(std::size_t zone, std::int64_t utcSeconds) {
    return stateAt(clocksOf(zone), utcSeconds);
}

std::size_t clockChangeCount(std::size_t zone, std::int64_t fromUtc, std::int64_t toUtc) {
    const ZoneHistory& h = clocksOf(zone).history;
    const std::size_t from = intervalAt(h, fromUtc - 1);
    const std::size_t to = intervalAt(h, toUtc - 1);
    return to > from ? to - from : 0;
}

std::int64_t secondsOfReading(const LocalMoment& m) {
    return daysFromCivil(m.year, m.month, m.day) * kSecondsPerDay + m.hour * 3600 + m.minute * 60;
}

ClockReading readClock(std::size_t zone, const LocalMoment& moment) {
    return read(clocksOf(zone), moment);
}

ClockReading readClock(const ClockPlace& place, const LocalMoment& moment) {
    return read(clocksOf(place), moment);
}

std::string utcOffsetText(std::int32_t offsetSeconds) {
    const char sign = offsetSeconds < 0 ? '-' : '+';
    const std::int32_t magnitude = std::abs(offsetSeconds);
    const int hours = magnitude / 3600;
    const int minutes = magnitude / 60 % 60;
    const int seconds = magnitude % 60;
    if (seconds != 0)
        return util::format("UTC%c%d:%02d:%02d", sign, hours, minutes, seconds);
    if (minutes != 0)
        return util::format("UTC%c%d:%02d", sign, hours, minutes);
    return util::format("UTC%c%d", sign, hours);
}

ClockTime clockTimeOf(const ClockState& state) {
    // By the clocks against the standard time, not by the database's flag: the database flags Ireland's winter (and
    // Namibia's, Morocco's during Ramadan) as the daylight time, the clocks then being an hour behind standard.
    if (state.offsetSeconds > state.standardOffsetSeconds)
        return ClockTime::kSummer;
    if (state.offsetSeconds < state.standardOffsetSeconds)
        return ClockTime::kWinter;
    return state.abbreviation == "LMT" ? ClockTime::kLocalMean : ClockTime::kStandard;
}

std::string clockTimeName(ClockTime time) {
    switch (time) {
        case ClockTime::kSummer:
            return "夏令时";
        case ClockTime::kWinter:
            return "冬令时";
        case ClockTime::kLocalMean:
            return "地方平时";
        case ClockTime::kStandard:
            break;
    }
    return "标准时";
}

std::string clockStateText(const ClockState& state) {
    return utcOffsetText(state.offsetSeconds) + "（" + clockTimeName(clockTimeOf(state)) + "）";
}

std::string timeZoneEntryName(int index) {
    if (index < 1 || index > 25)
        return {};
    if (index == 13)
        return "中时区";
    return index < 13 ? util::format("东%d区", 13 - index) : util::format("西%d区", index - 13);
}

std::optional<int> timeZoneIndexOfOffset(std::int32_t offsetSeconds) {
    if (offsetSeconds % 3600 != 0 || offsetSeconds < -12 * 3600 || offsetSeconds > 12 * 3600)
        return std::nullopt;
    return 13 - offsetSeconds / 3600;
}

std::optional<std::int32_t> timeZoneOffsetOfIndex(int index) {
    if (index < 1 || index > 25)
        return std::nullopt;
    return (13 - index) * 3600;
}

ClockCheck checkBirthClock(std::string_view area, const BirthdayResult& birthday, int zoneIndex) {
    if (const std::optional<ClockPlace> place = clockPlaceForArea(area))
        return checkBirthClock(*place, birthday, zoneIndex);
    ClockCheck check;
    check.zoneIndex = zoneIndex;
    return check;
}

ClockCheck checkBirthClock(const ClockPlace& place, const BirthdayResult& birthday, int zoneIndex) {
    ClockCheck check;
    check.zoneIndex = zoneIndex;
    check.place = place;
    // The clocks at the time the birthday gives, its default noon too: that is the moment computed with.
    const std::string time(birthday.timeText.size() == 4 ? std::string_view(birthday.timeText) : kDefaultTimeText);
    check.reading = readClock(place, LocalMoment{birthday.year, birthday.month, birthday.day,
                                                 util::readCInt(time.substr(0, 2)), util::readCInt(time.substr(2, 2))});
    if (!birthday.timeGiven || birthday.timeText.size() != 4) {
        check.kind = ClockCheck::Kind::kNoTime;
        return check;
    }
    const std::optional<std::int32_t> entryOffset = timeZoneOffsetOfIndex(zoneIndex);
    if (!entryOffset) {
        check.kind = ClockCheck::Kind::kNoEntry;
        return check;
    }
    switch (check.reading.kind) {
        case ClockReading::Kind::kSkipped:
            check.kind = ClockCheck::Kind::kSkipped;
            return check;
        case ClockReading::Kind::kRepeated:
            check.kind = ClockCheck::Kind::kRepeated;
            return check;
        case ClockReading::Kind::kOne:
            break;
    }
    const std::int32_t offset = check.reading.before.offsetSeconds;
    if (offset == *entryOffset) {
        check.kind = ClockCheck::Kind::kAgrees;
    } else if (const auto index = timeZoneIndexOfOffset(offset)) {
        check.kind = ClockCheck::Kind::kDiffers;
        check.suggestedIndex = *index;
    } else {
        check.kind = ClockCheck::Kind::kNotInList;
    }
    return check;
}

}  // namespace input
