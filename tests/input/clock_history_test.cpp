#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "input/clock_history.h"

namespace input {
namespace {

BirthdayResult birthday(int year, int month, int day, std::string time) {
    BirthdayResult b;
    b.year = year;
    b.month = month;
    b.day = day;
    b.timeGiven = !time.empty();
    b.timeText = time.empty() ? "1200" : time;
    return b;
}

TEST(ClockHistory, FindsThePlaceTheAreaNames) {
    const struct {
        const char* area;
        const char* zone;  // nullptr: none
    } cases[] = {
        {"中国", "Asia/Shanghai"},
        {"中国北京", "Asia/Shanghai"},
        {"中国香港", "Asia/Hong_Kong"},  // the region before the country
        {"台湾台北", "Asia/Taipei"},
        {"澳门", "Asia/Macau"},
        {"日本东京", "Asia/Tokyo"},
        {"韩国", "Asia/Seoul"},
        {"英国伦敦", "Europe/London"},
        {"德国", "Europe/Berlin"},
        {"法国", "Europe/Paris"},
        {"印度", "Asia/Kolkata"},
        {"印度尼西亚", nullptr},  // several zones; the name holding 印度 stops the search
        {"南苏丹", "Africa/Juba"},
        {"苏丹", "Africa/Khartoum"},
        {"美国纽约", nullptr},
        {"俄罗斯", nullptr},
        {"澳大利亚", nullptr},
        {"刚果", nullptr},
        {"", nullptr},
        {"\xD6", nullptr},  // a lead byte cut off
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.area);
        const auto place = clockPlaceForArea(c.area);
        if (c.zone == nullptr) {
            EXPECT_FALSE(place);
        } else {
            ASSERT_TRUE(place);
            EXPECT_EQ(clockZoneName(place->zone), c.zone);
        }
    }
}

TEST(ClockHistory, ReadsTheClocksOfAPlace) {
    using Kind = ClockReading::Kind;
    const struct {
        const char* area;
        LocalMoment moment;
        Kind kind;
        int before;  // offsets in seconds
        int after;
        bool summer;
    } cases[] = {
        {"中国", {1988, 7, 1, 8, 0}, Kind::kOne, 32400, 32400, true},
        {"中国", {1988, 1, 1, 8, 0}, Kind::kOne, 28800, 28800, false},
        {"中国", {1988, 4, 17, 1, 59}, Kind::kOne, 28800, 28800, false},
        {"中国", {1988, 4, 17, 2, 0}, Kind::kSkipped, 28800, 32400, false},
        {"中国", {1988, 4, 17, 2, 59}, Kind::kSkipped, 28800, 32400, false},
        {"中国", {1988, 4, 17, 3, 0}, Kind::kOne, 32400, 32400, true},
        {"中国", {1988, 9, 11, 0, 59}, Kind::kOne, 32400, 32400, true},
        {"中国", {1988, 9, 11, 1, 30}, Kind::kRepeated, 32400, 28800, true},
        {"中国", {1988, 9, 11, 2, 0}, Kind::kOne, 28800, 28800, false},
        {"中国", {1992, 7, 1, 8, 0}, Kind::kOne, 28800, 28800, false},
        {"中国", {1900, 6, 1, 8, 0}, Kind::kOne, 29143, 29143, false},  // local mean time, +8:05:43
        {"中国", {1800, 6, 1, 8, 0}, Kind::kOne, 29143, 29143, false},  // before the history: its first state
        {"英国", {2021, 3, 28, 1, 30}, Kind::kSkipped, 0, 3600, false},
        {"英国", {2037, 10, 25, 1, 30}, Kind::kRepeated, 3600, 0, true},  // the last covered year
        {"日本", {1949, 7, 1, 12, 0}, Kind::kOne, 36000, 36000, true},
        {"印度", {2000, 1, 1, 0, 0}, Kind::kOne, 19800, 19800, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.area << " " << c.moment.year << "-" << c.moment.month << "-"
                                        << c.moment.day << " " << c.moment.hour << ":" << c.moment.minute);
        const auto place = clockPlaceForArea(c.area);
        ASSERT_TRUE(place);
        const ClockReading reading = readClock(place->zone, c.moment);
        EXPECT_EQ(reading.kind, c.kind);
        EXPECT_EQ(reading.before.offsetSeconds, c.before);
        EXPECT_EQ(reading.after.offsetSeconds, c.after);
        EXPECT_EQ(clockTimeOf(reading.before) == ClockTime::kSummer, c.summer);
    }
}

TEST(ClockHistory, NamesTheClocksByTheirPlaceInStandardTime) {
    // The database flags Ireland's winter, Namibia's and Morocco's during Ramadan as its daylight time.
    const struct {
        const char* area;
        LocalMoment moment;
        const char* text;
    } cases[] = {
        {"中国", {1988, 7, 1, 8, 0}, "UTC+9（夏令时）"},     {"中国", {1900, 6, 1, 8, 0}, "UTC+8:05:43（地方平时）"},
        {"英国", {1990, 1, 15, 10, 0}, "UTC+0（标准时）"},   {"爱尔兰", {1990, 1, 15, 10, 0}, "UTC+0（冬令时）"},
        {"爱尔兰", {1990, 7, 15, 10, 0}, "UTC+1（标准时）"}, {"纳米比亚", {2000, 7, 1, 10, 0}, "UTC+1（冬令时）"},
        {"摩洛哥", {2019, 5, 20, 10, 0}, "UTC+0（冬令时）"}, {"捷克", {1947, 1, 15, 10, 0}, "UTC+0（冬令时）"},
        {"土耳其", {2016, 7, 1, 10, 0}, "UTC+3（夏令时）"},  // the standard time became UTC+3 that autumn
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.area << " " << c.moment.year << "-" << c.moment.month);
        EXPECT_EQ(clockStateText(readClock(clockPlaceForArea(c.area)->zone, c.moment).before), c.text);
    }
}

TEST(ClockHistory, NamesOffsetsAndEntries) {
    EXPECT_EQ(utcOffsetText(32400), "UTC+9");
    EXPECT_EQ(utcOffsetText(0), "UTC+0");
    EXPECT_EQ(utcOffsetText(-12600), "UTC-3:30");
    EXPECT_EQ(utcOffsetText(29143), "UTC+8:05:43");
    const struct {
        int index;
        const char* name;
        int offset;
    } entries[] = {{1, "东12区", 43200}, {4, "东9区", 32400},  {12, "东1区", 3600},
                   {13, "中时区", 0},    {14, "西1区", -3600}, {25, "西12区", -43200}};
    for (const auto& e : entries) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(timeZoneEntryName(e.index), e.name);
        EXPECT_EQ(timeZoneIndexOfOffset(e.offset), e.index);
    }
    EXPECT_EQ(timeZoneEntryName(0), "");
    EXPECT_EQ(timeZoneEntryName(26), "");
    EXPECT_FALSE(timeZoneIndexOfOffset(19800));      // +5:30
    EXPECT_FALSE(timeZoneIndexOfOffset(13 * 3600));  // beyond the list
    EXPECT_FALSE(timeZoneIndexOfOffset(-13 * 3600));
}

TEST(ClockHistory, ChecksABirthdaysZoneAgainstTheClocks) {
    using Kind = ClockCheck::Kind;
    const struct {
        const char* area;
        BirthdayResult birthday;
        int zone;
        Kind kind;
        int suggested;
    } cases[] = {
        {"中国", birthday(1988, 7, 1, "0800"), 5, Kind::kDiffers, 4},
        {"中国", birthday(1988, 7, 1, "0800"), 4, Kind::kAgrees, 0},
        {"中国", birthday(1988, 12, 1, "0800"), 5, Kind::kAgrees, 0},
        {"中国", birthday(1988, 7, 1, ""), 5, Kind::kNoTime, 0},
        {"中国", birthday(1988, 7, 1, "0800"), -1, Kind::kNoEntry, 0},
        {"中国", birthday(1988, 7, 1, "0800"), 0, Kind::kNoEntry, 0},
        {"中国", birthday(1900, 7, 1, "0800"), 5, Kind::kNotInList, 0},
        {"中国", birthday(1988, 4, 17, "0230"), 5, Kind::kSkipped, 0},
        {"中国", birthday(1988, 9, 11, "0130"), 5, Kind::kRepeated, 0},
        {"英国", birthday(1990, 1, 15, "1000"), 12, Kind::kDiffers, 13},  // 东1区 in winter
        {"英国", birthday(1990, 7, 15, "1000"), 12, Kind::kAgrees, 0},
        {"印度", birthday(1990, 7, 15, "1000"), 8, Kind::kNotInList, 0},
        {"洪都拉斯", birthday(2000, 1, 15, "1000"), 5, Kind::kDiffers, 19},  // 东8区; clocks at UTC-6
        {"北马其顿", birthday(2000, 1, 15, "1000"), 5, Kind::kDiffers, 12},  // 东8区; clocks at UTC+1
        {"新西兰", birthday(1990, 1, 15, "1000"), 1, Kind::kNoPlace, 0},
        {"美国", birthday(1988, 7, 1, "0800"), 18, Kind::kNoPlace, 0},
        {"", birthday(1988, 7, 1, "0800"), 5, Kind::kNoPlace, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.area << " " << c.birthday.year << "-" << c.birthday.month << "-"
                                        << c.birthday.day << " " << c.birthday.timeText << " zone " << c.zone);
        const ClockCheck check = checkBirthClock(c.area, c.birthday, c.zone);
        EXPECT_EQ(check.kind, c.kind);
        if (c.kind == Kind::kDiffers) {
            EXPECT_EQ(check.suggestedIndex, c.suggested);
        }
    }
}

ClockPlace atlasPlace(const char* zone, double longitude) {
    const auto place = clockPlaceAt("某地", zone, longitude);
    EXPECT_TRUE(place) << zone;
    return place.value_or(ClockPlace{});
}

TEST(ClockHistory, FindsEveryZoneAndLinkByItsName) {
    for (std::size_t zone = 0; zone < clockZoneCount(); ++zone) {
        SCOPED_TRACE(clockZoneName(zone));
        EXPECT_EQ(clockZoneNamed(clockZoneName(zone)), zone);
    }
    for (const char* name :
         {"", "asia/shanghai", "Asia/Shanghai ", "Asia", "Asia/", "Mars/Olympus_Mons", "Zulu2", "\xD6\xD0\xB9\xFA"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(clockZoneNamed(name));
    }
}

TEST(ClockHistory, ALinkReadsTheHistoryOfItsZone) {
    const struct {
        const char* link;
        const char* zone;
    } cases[] = {
        {"Asia/Choibalsan", "Asia/Ulaanbaatar"},  // made a link in 2025
        {"America/Yellowknife", "America/Edmonton"},
        {"Asia/Kashgar", "Asia/Urumqi"},
        {"US/Eastern", "America/New_York"},
        {"Europe/Bratislava", "Europe/Prague"},
        {"PRC", "Asia/Shanghai"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        const auto link = clockZoneNamed(c.link);
        const auto zone = clockZoneNamed(c.zone);
        ASSERT_TRUE(link && zone);
        EXPECT_EQ(clockZoneName(*link), c.link);
        EXPECT_EQ(clockChangeCount(*link, -5'000'000'000, 3'000'000'000),
                  clockChangeCount(*zone, -5'000'000'000, 3'000'000'000));
        for (std::int64_t utc = -4'000'000'000; utc < 2'200'000'000; utc += 7 * 86400) {
            const ClockState a = clockStateAt(*link, utc);
            const ClockState b = clockStateAt(*zone, utc);
            ASSERT_EQ(a.offsetSeconds, b.offsetSeconds) << utc;
            ASSERT_EQ(a.abbreviation, b.abbreviation) << utc;
        }
    }
}

TEST(ClockHistory, APlaceKeepsItsOwnLocalMeanTimeBeforeStandardTime) {
    using Kind = ClockReading::Kind;
    const struct {
        const char* zone;
        double longitude;
        LocalMoment moment;
        Kind kind;
        int before;  // offsets in seconds
        int after;
        const char* text;  // of the state before
    } cases[] = {
        // 汕头: 116.682° / 15 = 7:46:43.68, not Shanghai's 8:05:43, until China's standard time of 1901.
        {"Asia/Shanghai", 116.682, {1900, 6, 1, 8, 0}, Kind::kOne, 28004, 28004, "UTC+7:46:44（地方平时）"},
        // Shanghai's change at 1901-01-01 00:00 of its own mean time is 23:41:01 in 汕头: the clocks skip to 23:54:17.
        {"Asia/Shanghai", 116.682, {1900, 12, 31, 23, 45}, Kind::kSkipped, 28004, 28800, "UTC+7:46:44（地方平时）"},
        {"Asia/Shanghai", 116.682, {1901, 6, 1, 8, 0}, Kind::kOne, 28800, 28800, "UTC+8（标准时）"},
        {"Asia/Shanghai", 121.4581, {1900, 12, 31, 23, 57}, Kind::kRepeated, 29150, 28800, "UTC+8:05:50（地方平时）"},
        {"Asia/Urumqi", 87.6005, {1920, 7, 15, 10, 0}, Kind::kOne, 21024, 21024, "UTC+5:50:24（地方平时）"},
        {"America/New_York", -74.006, {1850, 1, 1, 12, 0}, Kind::kOne, -17761, -17761, "UTC-4:56:01（地方平时）"},
        {"America/New_York",
         -74.006,
         {1883, 11, 18, 12, 1},
         Kind::kRepeated,
         -17761,
         -18000,
         "UTC-4:56:01（地方平时）"},
        {"America/New_York", 180, {1850, 1, 1, 12, 0}, Kind::kOne, -43200, -43200, "UTC-12（地方平时）"},
        // Across the date line: Alaska kept Russia's date until 1867, the Philippines America's until 1845.
        {"America/Juneau", -134.4197, {1860, 1, 1, 12, 0}, Kind::kOne, 54139, 54139, "UTC+15:02:19（地方平时）"},
        {"America/Juneau", -134.4197, {1880, 1, 1, 12, 0}, Kind::kOne, -32261, -32261, "UTC-8:57:41（地方平时）"},
        {"Asia/Manila", 120.9822, {1840, 1, 1, 12, 0}, Kind::kOne, -57364, -57364, "UTC-15:56:04（地方平时）"},
        {"Asia/Manila", 120.9822, {1880, 1, 1, 12, 0}, Kind::kOne, 29036, 29036, "UTC+8:03:56（地方平时）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.zone << " " << c.longitude << " " << c.moment.year << "-" << c.moment.month
                                        << "-" << c.moment.day << " " << c.moment.hour << ":" << c.moment.minute);
        const ClockReading reading = readClock(atlasPlace(c.zone, c.longitude), c.moment);
        EXPECT_EQ(reading.kind, c.kind);
        EXPECT_EQ(reading.before.offsetSeconds, c.before);
        EXPECT_EQ(reading.after.offsetSeconds, c.after);
        EXPECT_EQ(clockStateText(reading.before), c.text);
    }
    EXPECT_EQ(localMeanTimeOffset(116.682), 28004);
    EXPECT_EQ(localMeanTimeOffset(-0.001), 0);
    EXPECT_EQ(localMeanTimeOffset(-0.003), -1);
    EXPECT_EQ(localMeanTimeOffset(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(localMeanTimeOffset(1e300), 43200);
}

TEST(ClockHistory, ReadsTheChangesOfTheClocksAtAPlace) {
    using Kind = ClockReading::Kind;
    const struct {
        const char* zone;
        double longitude;
        LocalMoment moment;
        Kind kind;
        int before;
        int after;
        ClockTime time;  // of the state before
    } cases[] = {
        {"America/New_York", -74.006, {1990, 4, 1, 2, 30}, Kind::kSkipped, -18000, -14400, ClockTime::kStandard},
        {"America/New_York", -74.006, {1990, 10, 28, 1, 30}, Kind::kRepeated, -14400, -18000, ClockTime::kSummer},
        {"America/Chicago", -87.65, {1990, 4, 1, 2, 30}, Kind::kSkipped, -21600, -18000, ClockTime::kStandard},
        {"Europe/Moscow", 37.6156, {1990, 7, 15, 10, 0}, Kind::kOne, 14400, 14400, ClockTime::kSummer},
        {"Australia/Sydney", 151.2073, {1990, 1, 15, 10, 0}, Kind::kOne, 39600, 39600, ClockTime::kSummer},
        {"Australia/Sydney", 151.2073, {1990, 3, 4, 2, 30}, Kind::kRepeated, 39600, 36000, ClockTime::kSummer},
        {"Australia/Sydney", 151.2073, {1990, 10, 28, 2, 30}, Kind::kSkipped, 36000, 39600, ClockTime::kStandard},
        {"Asia/Kolkata", 88.36, {1942, 9, 1, 0, 30}, Kind::kSkipped, 19800, 23400, ClockTime::kStandard},
        {"Asia/Kathmandu", 85.3206, {1980, 7, 15, 10, 0}, Kind::kOne, 19800, 19800, ClockTime::kStandard},
        // Samoa crossed the date line from its summer time: 30 December 2011 never came.
        {"Pacific/Apia", -171.76, {2011, 12, 30, 12, 0}, Kind::kSkipped, -36000, 50400, ClockTime::kSummer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.zone << " " << c.moment.year << "-" << c.moment.month << "-"
                                        << c.moment.day << " " << c.moment.hour << ":" << c.moment.minute);
        const ClockReading reading = readClock(atlasPlace(c.zone, c.longitude), c.moment);
        EXPECT_EQ(reading.kind, c.kind);
        EXPECT_EQ(reading.before.offsetSeconds, c.before);
        EXPECT_EQ(reading.after.offsetSeconds, c.after);
        EXPECT_EQ(clockTimeOf(reading.before), c.time);
    }
}

TEST(ClockHistory, APlaceNeedsAKnownZoneAndALongitudeOnEarth) {
    const struct {
        const char* zone;
        double longitude;
        bool found;
    } cases[] = {
        {"Asia/Shanghai", 116.682, true},
        {"Asia/Kashgar", 75.99, true},
        {"Etc/GMT-8", 120, true},
        {"America/New_York", -180, true},
        {"America/New_York", 180, true},
        {"America/New_York", 180.0001, false},
        {"America/New_York", -200, false},
        {"America/New_York", std::numeric_limits<double>::quiet_NaN(), false},
        {"America/New_York", std::numeric_limits<double>::infinity(), false},
        {"Asia/Beijing", 116.4, false},
        {"", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.zone << " " << c.longitude);
        const auto place = clockPlaceAt("某地", c.zone, c.longitude);
        EXPECT_EQ(place.has_value(), c.found);
        if (place) {
            EXPECT_EQ(clockZoneName(place->zone), c.zone);
            EXPECT_EQ(place->longitude, c.longitude);
        }
    }
}

}  // namespace
}  // namespace input
