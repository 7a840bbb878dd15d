#include "input/clock_history.h"

#include <algorithm>
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

ClockState stateOf(std::uint16_t type) {
    const clockdata::ClockType& t = clockdata::kTypes[type];
    return ClockState{t.offsetSeconds, t.standardOffsetSeconds, t.dstFlag != 0, t.abbreviation};
}

// A zone's history; a link has its zone's.
const ZoneHistory& history(std::size_t zone) {
    return clockdata::kHistories[clockdata::kZones[zone < clockdata::kZoneCount ? zone : 0].history];
}

// Interval i of a zone: i = 0 before the first change, i = k from change k-1 until change k (or for ever).
struct Interval {
    std::int64_t start;
    std::int64_t end;
    ClockState state;
};

Interval intervalOf(const ZoneHistory& h, std::size_t i) {
    constexpr std::int64_t kLow = INT64_MIN / 2;
    constexpr std::int64_t kHigh = INT64_MAX / 2;
    const std::int64_t start = i == 0 ? kLow : h.changes[i - 1].at;
    const std::int64_t end = i < h.changeCount ? h.changes[i].at : kHigh;
    return Interval{start, end, stateOf(i == 0 ? h.initial : h.changes[i - 1].type)};
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
        return ClockPlace{name, static_cast<std::size_t>(place.zone)};
    }
    return std::nullopt;
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

ClockState clockStateAt(std::size_t zone, std::int64_t utcSeconds) {
    const ZoneHistory& h = history(zone);
    return intervalOf(h, intervalAt(h, utcSeconds)).state;
}

std::size_t clockChangeCount(std::size_t zone, std::int64_t fromUtc, std::int64_t toUtc) {
    const ZoneHistory& h = history(zone);
    const std::size_t from = intervalAt(h, fromUtc - 1);
    const std::size_t to = intervalAt(h, toUtc - 1);
    return to > from ? to - from : 0;
}

std::int64_t secondsOfReading(const LocalMoment& m) {
    return daysFromCivil(m.year, m.month, m.day) * kSecondsPerDay + m.hour * 3600 + m.minute * 60;
}

ClockReading readClock(std::size_t zone, const LocalMoment& moment) {
    const ZoneHistory& h = history(zone);
    const std::int64_t local = secondsOfReading(moment);
    const std::size_t first = intervalAt(h, local - kReadingWindow);
    const std::size_t last = intervalAt(h, local + kReadingWindow);
    // Each interval near the reading whose clocks showed it: the UTC second the reading stands for under that
    // interval's offset lies inside the interval.
    std::optional<ClockState> shown[2];
    int count = 0;
    for (std::size_t i = first; i <= last && count < 2; ++i) {
        const Interval interval = intervalOf(h, i);
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
        const Interval before = intervalOf(h, i);
        const Interval after = intervalOf(h, i + 1);
        if (before.end + before.state.offsetSeconds <= local && local < after.start + after.state.offsetSeconds)
            return ClockReading{ClockReading::Kind::kSkipped, before.state, after.state};
    }
    const ClockState state = clockStateAt(zone, local);
    return ClockReading{ClockReading::Kind::kOne, state, state};
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

ClockCheck checkBirthClock(std::string_view area, const BirthdayResult& birthday, int zoneIndex) {
    ClockCheck check;
    check.zoneIndex = zoneIndex;
    check.place = clockPlaceForArea(area);
    if (!check.place)
        return check;
    if (!birthday.timeGiven || birthday.timeText.size() != 4) {
        check.kind = ClockCheck::Kind::kNoTime;
        return check;
    }
    if (zoneIndex < 1 || zoneIndex > 25) {
        check.kind = ClockCheck::Kind::kNoEntry;
        return check;
    }
    const LocalMoment moment{birthday.year, birthday.month, birthday.day,
                             util::readCInt(birthday.timeText.substr(0, 2)),
                             util::readCInt(birthday.timeText.substr(2, 2))};
    check.reading = readClock(check.place->zone, moment);
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
    if (offset == (13 - zoneIndex) * 3600) {
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
