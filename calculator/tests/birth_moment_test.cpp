#include "core/birth_moment.h"

#include <gtest/gtest.h>

#include <string>

namespace corvina {
namespace {

MomentResult momentOf(const std::string& request) {
    const RequestParse parse = parseCalculatorRequest(request);
    EXPECT_TRUE(parse.request) << parse.reason;
    return parse.request ? birthMoment(*parse.request) : MomentResult{};
}

TEST(BirthMoment, TakesTheZonesOffsetAndTheCalendarOfTheDate) {
    const struct {
        const char* request;
        double julianDayUt;
        int zone;
        bool defaulted, julian;
    } cases[] = {
        {"$c#2000.1.1,1200:13", 2451545.0, 13, false, false},
        {"$c#2000.1.1,1200:1", 2451545.0 - 0.5, 1, false, false},    // UTC+12
        {"$c#2000.1.1,1200:25", 2451545.0 + 0.5, 25, false, false},  // UTC-12
        {"$c#2000.1.1,2000:5", 2451545.0, 5, false, false},          // UTC+8
        {"$c#2000.1.1,2000:-1", 2451545.0, 5, true, false},          // no zone chosen: UTC+8
        {"$c#2000.1.1,2000:0", 2451545.0, 5, true, false},
        {"$c#2000.1.1,2000:26", 2451545.0, 5, true, false},
        {"$c#2000.1.1,0100:12", 2451545.0 - 12 / 24.0, 12, false, false},  // 00:00 UT
        {"$c#1991.1.2,1255:5", 2448258.5 + (4 * 60 + 55) / 1440.0, 5, false, false},
        {"$c#1582.10.4,0000:13", 2299159.5, 13, false, true},
        {"$c#1582.10.15,0000:13", 2299160.5, 13, false, false},
        {"$c#1500.2.29,1200:13", 2268992.0, 13, false, true},
        {"$c#-4712.1.1,1200:13", 0.0, 13, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const MomentResult result = momentOf(c.request);
        ASSERT_TRUE(result.moment) << result.reason;
        EXPECT_NEAR(result.moment->julianDayUt, c.julianDayUt, 1e-9);
        EXPECT_EQ(result.moment->zoneIndex, c.zone);
        EXPECT_EQ(result.moment->zoneDefaulted, c.defaulted);
        EXPECT_EQ(result.moment->julianCalendar, c.julian);
    }
}

// With a place the local time is moved by the place's offset in minutes, whatever the zone; the zone is still
// echoed as the form sent it (or as the default when it is outside the list).
TEST(BirthMoment, APlaceMovesTheLocalTimeByItsOffsetInMinutes) {
    const struct {
        const char* request;
        double julianDayUt;
        int offset, zone;
        bool defaulted;
    } cases[] = {
        {"$c#2000.1.1,2000:5", 2451545.0, 480, 5, false},  // without a place: the zone's hours
        {"$c#2000.1.1,1200:13@51.4779,-0.0015,+0", 2451545.0, 0, 13, false},
        {"$c#2000.1.1,1730:5@28.6139,77.2090,+330", 2451545.0, 330, 5, false},  // not the zone's UTC+8
        {"$c#2000.1.1,1745:6@27.7172,85.3240,+345", 2451545.0, 345, 6, false},
        {"$c#2000.1.1,0830:16@-34.6037,-58.3816,-210", 2451545.0, -210, 16, false},
        {"$c#2000.1.1,1209:13@48.8566,2.3522,+9", 2451545.0, 9, 13, false},  // local mean time of Paris
        {"$c#2000.1.2,0600:-1@0,0,+1080", 2451545.0, 1080, 5, true},         // the day before in universal time
        {"$c#1999.12.31,1800:99@0,0,-1080", 2451545.0, -1080, 5, true},      // the day after
        {"$c#2000.1.1,1200:5@0,0,+1", 2451545.0 - 1 / 1440.0, 1, 5, false},
        {"$c#1500.2.29,1300:13@0,0,+60", 2268992.0, 60, 13, false},  // Julian calendar
        {"$c#1582.10.15,0000:13@0,0,+60", 2299160.5 - 1 / 24.0, 60, 13, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const MomentResult result = momentOf(c.request);
        ASSERT_TRUE(result.moment) << result.reason;
        EXPECT_NEAR(result.moment->julianDayUt, c.julianDayUt, 1e-9);
        EXPECT_EQ(result.moment->offsetMinutes, c.offset);
        EXPECT_EQ(result.moment->zoneIndex, c.zone);
        EXPECT_EQ(result.moment->zoneDefaulted, c.defaulted);
    }
}

TEST(BirthMoment, RefusesDaysTheirCalendarDoesNotHave) {
    const struct {
        const char* request;
        bool exists;
    } cases[] = {
        {"$c#2000.2.29,1200:5", true},  {"$c#1900.2.29,1200:5", false}, {"$c#2001.2.29,1200:5", false},
        {"$c#1600.2.29,1200:5", true},  {"$c#1500.2.29,1200:5", true},  {"$c#1300.2.29,1200:5", true},
        {"$c#1501.2.29,1200:5", false}, {"$c#2000.4.31,1200:5", false}, {"$c#2000.12.31,1200:5", true},
        {"$c#1582.10.4,1200:5", true},  {"$c#1582.10.5,1200:5", false}, {"$c#1582.10.14,1200:5", false},
        {"$c#1582.10.15,1200:5", true}, {"$c#2000.2.30,1200:5", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const MomentResult result = momentOf(c.request);
        EXPECT_EQ(result.moment.has_value(), c.exists);
        EXPECT_EQ(result.reason.empty(), c.exists);
    }
}

}  // namespace
}  // namespace corvina
