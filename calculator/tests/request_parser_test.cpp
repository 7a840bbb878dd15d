#include "core/request_parser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace corvina {
namespace {

TEST(RequestParser, ReadsEveryField) {
    const struct {
        const char* bytes;
        const char* windowClass;
        int year, month, day, hour, minute, zone;
    } cases[] = {
        {"$mvQelvo#1991.1.2,1255:5", "mvQelvo", 1991, 1, 2, 12, 55, 5},
        {"$mvQelvo#2100.12.31,2359:25", "mvQelvo", 2100, 12, 31, 23, 59, 25},
        {"$mvQelvo#1991.1.2,0000:-1", "mvQelvo", 1991, 1, 2, 0, 0, -1},
        {"$x#-500.02.09,1200:0", "x", -500, 2, 9, 12, 0, 0},
        {"$mvQelvo#10000.1.1,1200:99999999999999", "mvQelvo", 10000, 1, 1, 12, 0, 2147483647},
        {"$A$b.c:,#99999999999.1.1,1200:1", "A$b.c:,", 2147483647, 1, 1, 12, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const RequestParse parse = parseCalculatorRequest(c.bytes);
        ASSERT_TRUE(parse.request) << parse.reason;
        EXPECT_EQ(parse.request->windowClass, c.windowClass);
        EXPECT_EQ(parse.request->year, c.year);
        EXPECT_EQ(parse.request->month, c.month);
        EXPECT_EQ(parse.request->day, c.day);
        EXPECT_EQ(parse.request->hour, c.hour);
        EXPECT_EQ(parse.request->minute, c.minute);
        EXPECT_EQ(parse.request->zoneIndex, c.zone);
        EXPECT_EQ(parse.reason, "");
    }
}

TEST(RequestParser, RefusesMalformedRequestsWithTheirReason) {
    const std::string longest = "$" + std::string(82, 'C') + "#1991.1.2,1255:5";  // 99 bytes
    EXPECT_TRUE(parseCalculatorRequest(longest).request);
    const struct {
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"", "开头"},
        {"mvQelvo#1991.1.2,1255:5", "开头"},
        {" $mvQelvo#1991.1.2,1255:5", "开头"},
        {"$mvQelvo1991.1.2,1255:5", "\"#\""},
        {"$#1991.1.2,1255:5", "为空"},
        {"$mv Qelvo#1991.1.2,1255:5", "可打印"},
        {"$mv\xC7\xE0#1991.1.2,1255:5", "可打印"},
        {"$" + std::string(83, 'C') + "#1991.1.2,1255:5", "99 字节"},
        {"$mvQelvo#19a1.1.2,1255:5", "年份后"},
        {"$mvQelvo#.1.2,1255:5", "年份"},
        {"$mvQelvo#1991-1-2,1255:5", "年份后"},
        {"$mvQelvo#1991.1,1255:5", "月份后"},
        {"$mvQelvo#1991.-1.2,1255:5", "月份不是数字"},
        {"$mvQelvo#1991.1.,1255:5", "日期不是数字"},
        {"$mvQelvo#1991.1.2 1255:5", "\",\""},
        {"$mvQelvo#1991.1.2,12:55:5", "四位数字"},
        {"$mvQelvo#1991.1.2,125:5", "四位数字"},
        {"$mvQelvo#1991.1.2,12x5:5", "四位数字"},
        {"$mvQelvo#1991.1.2,12555:5", "\":\""},
        {"$mvQelvo#1991.1.2,1255", "\":\""},
        {"$mvQelvo#1991.1.2,1255:", "时区序号"},
        {"$mvQelvo#1991.1.2,1255:e", "时区序号"},
        {"$mvQelvo#1991.1.2,1255:5 ", "多余"},
        {std::string("$mvQelvo#1991.1.2,1255:5\0", 25), "多余"},
        {std::string("$mvQelvo#1991.1.2,1255\0:5", 25), "\":\""},
        {"$mvQelvo#1991.0.2,1255:5", "月份不在"},
        {"$mvQelvo#1991.13.2,1255:5", "月份不在"},
        {"$mvQelvo#1991.1.0,1255:5", "日期不在"},
        {"$mvQelvo#1991.1.32,1255:5", "日期不在"},
        {"$mvQelvo#1991.1.2,2400:5", "小时"},
        {"$mvQelvo#1991.1.2,1260:5", "分钟"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const RequestParse parse = parseCalculatorRequest(c.bytes);
        EXPECT_FALSE(parse.request);
        EXPECT_NE(parse.reason.find(c.reason), std::string::npos) << parse.reason;
    }
}

TEST(RequestParser, ReadsTheBirthPlace) {
    const struct {
        const char* bytes;
        double latitude, longitude;
        int offset, zone;
    } cases[] = {
        {"$mvQelvo#1991.1.2,1255:5@23.3540,116.6820,+480", 23.354, 116.682, 480, 5},
        {"$mvQelvo#1991.1.2,1255:5@23.354,116.682,480", 23.354, 116.682, 480, 5},
        {"$mvQelvo#1991.1.2,1255:13@-33.8688,151.2093,+600", -33.8688, 151.2093, 600, 13},
        {"$mvQelvo#1991.1.2,1255:-1@27.7172,85.3240,+345", 27.7172, 85.324, 345, -1},
        {"$mvQelvo#1890.5.6,0700:5@48.8566,2.3522,+9", 48.8566, 2.3522, 9, 5},
        {"$mvQelvo#1991.1.2,1255:16@-22.9068,-43.1729,-210", -22.9068, -43.1729, -210, 16},
        {"$mvQelvo#1991.1.2,1255:5@0,0,0", 0, 0, 0, 5},
        {"$mvQelvo#1991.1.2,1255:5@-0.0000,-0,-0", 0, 0, 0, 5},
        {"$mvQelvo#1991.1.2,1255:5@+90,-180,-1080", 90, -180, -1080, 5},
        {"$mvQelvo#1991.1.2,1255:5@-90.0000,180.0,+1080", -90, 180, 1080, 5},
        {"$mvQelvo#1991.1.2,1255:5@089.9999,0179.9999,+0480", 89.9999, 179.9999, 480, 5},
        {"$mvQelvo#1991.1.2,1255:5@0.0001,-0.0001,+1", 0.0001, -0.0001, 1, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const RequestParse parse = parseCalculatorRequest(c.bytes);
        ASSERT_TRUE(parse.request) << parse.reason;
        ASSERT_TRUE(parse.request->place);
        EXPECT_EQ(parse.request->zoneIndex, c.zone);
        // Exactly the double that the decimal text names, as any reader of the text gets it.
        EXPECT_EQ(parse.request->place->latitude, c.latitude);
        EXPECT_EQ(parse.request->place->longitude, c.longitude);
        EXPECT_EQ(parse.request->place->offsetMinutes, c.offset);
    }
    EXPECT_FALSE(parseCalculatorRequest("$mvQelvo#1991.1.2,1255:5").request->place);
    EXPECT_FALSE(parseCalculatorRequest("$mv@Q#1991.1.2,1255:5").request->place);  // "@" in the class is the class's
}

TEST(RequestParser, RefusesMalformedOrOutOfRangePlacesWithTheirReason) {
    const std::string head = "$mvQelvo#1991.1.2,1255:5";
    const std::string widest = "@-89.9999,-179.9999,-1080";
    EXPECT_TRUE(parseCalculatorRequest("$" + std::string(57, 'C') + "#1991.1.2,1255:5" + widest).request);  // 99
    const struct {
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"$" + std::string(58, 'C') + "#1991.1.2,1255:5" + widest, "99 字节"},
        {head + "@", "纬度不是"},
        {head + "@,116.6820,+480", "纬度不是"},
        {head + "@23.35401,116.6820,+480", "纬度不是"},
        {head + "@23.,116.6820,+480", "纬度不是"},
        {head + "@.5,116.6820,+480", "纬度不是"},
        {head + "@N23.3540,E116.6820,+480", "纬度不是"},
        {head + "@ 23.3540,116.6820,+480", "纬度不是"},
        {head + "@+-23.3540,116.6820,+480", "纬度不是"},
        {head + "@23.3540", "纬度后缺少"},
        {head + "@23.3540;116.6820,+480", "纬度后缺少"},
        {head + "@23,3540,116.6820,+480", "时差后有多余"},
        {head + "@23.3540,", "经度不是"},
        {head + "@23.3540,116.68200,+480", "经度不是"},
        {head + "@23.3540,1e2,+480", "经度后缺少"},
        {head + "@23.3540,116.6820", "经度后缺少"},
        {head + "@23.3540,116.6820,", "时差不是"},
        {head + "@23.3540,116.6820,+", "时差不是"},
        {head + "@23.3540,116.6820,++480", "时差不是"},
        {head + "@23.3540,116.6820,8h", "时差后有多余"},
        {head + "@23.3540,116.6820,+4.5", "时差后有多余"},
        {head + "@23.3540,116.6820,+480 ", "时差后有多余"},
        {head + "@23.3540,116.6820,+480@1,2,3", "时差后有多余"},
        {head + "@23.3540,116.6820,+480" + std::string(1, '\0'), "时差后有多余"},
        {head + "@90.0001,0,0", "纬度不在"},
        {head + "@-90.0001,0,0", "纬度不在"},
        {head + "@99999999999999999999999,0,0", "纬度不在"},
        {head + "@0,180.0001,0", "经度不在"},
        {head + "@0,-181,0", "经度不在"},
        {head + "@0,-99999999999999999999.9999,0", "经度不在"},
        {head + "@0,0,+1081", "时差不在"},
        {head + "@0,0,-1081", "时差不在"},
        {head + "@0,0,99999999999999999999", "时差不在"},
        {"$mvQelvo#1991.1.2,1255:@23.3540,116.6820,+480", "时区序号不是"},
        {"$mvQelvo#1991.1.2,1255:5#23.3540,116.6820,+480", "时区序号后有多余"},
        {"$mvQelvo#1991.13.2,1255:5@23.3540,116.6820,+480", "月份不在"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const RequestParse parse = parseCalculatorRequest(c.bytes);
        EXPECT_FALSE(parse.request);
        EXPECT_NE(parse.reason.find(c.reason), std::string::npos) << parse.reason;
    }
}

// Edits of a valid request give either a request with in-range fields or a refusal with a reason; nothing crashes
// (the sanitizer build watches the reads).
void survivesEditsOf(const std::string& valid, std::uint32_t seed, const std::string& alphabet) {
    std::mt19937 random(seed);
    for (int i = 0; i < 20000; ++i) {
        std::string bytes = valid;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = bytes.empty() ? 0 : random() % (bytes.size() + 1);
            const char byte = alphabet[random() % alphabet.size()];
            switch (random() % 3) {
                case 0:
                    bytes.insert(at, 1, byte);
                    break;
                case 1:
                    if (at < bytes.size())
                        bytes.erase(at, 1);
                    break;
                default:
                    if (at < bytes.size())
                        bytes[at] = byte;
                    break;
            }
        }
        if (i % 100 == 0)
            bytes.assign(random() % 200, static_cast<char>(random()));
        SCOPED_TRACE(bytes);
        const RequestParse parse = parseCalculatorRequest(bytes);
        if (!parse.request) {
            EXPECT_FALSE(parse.reason.empty());
            continue;
        }
        EXPECT_LE(bytes.size(), kRequestMaxBytes);
        EXPECT_FALSE(parse.request->windowClass.empty());
        EXPECT_TRUE(parse.request->month >= 1 && parse.request->month <= 12);
        EXPECT_TRUE(parse.request->day >= 1 && parse.request->day <= 31);
        EXPECT_TRUE(parse.request->hour >= 0 && parse.request->hour <= 23);
        EXPECT_TRUE(parse.request->minute >= 0 && parse.request->minute <= 59);
        if (const std::optional<BirthPlace>& place = parse.request->place) {
            EXPECT_TRUE(place->latitude >= -90 && place->latitude <= 90);
            EXPECT_TRUE(place->longitude >= -180 && place->longitude <= 180);
            EXPECT_TRUE(place->offsetMinutes >= -kMaxOffsetMinutes && place->offsetMinutes <= kMaxOffsetMinutes);
        }
    }
}

TEST(RequestParser, SurvivesHostileBytes) {
    static constexpr char kBytes[] = "$#.,:-0123456789aZ \x80\xFF";
    survivesEditsOf("$mvQelvo#1991.1.2,1255:5", 1991, std::string(kBytes, sizeof kBytes));  // NUL is one of them
}

TEST(RequestParser, SurvivesHostileBytesAroundAPlace) {
    static constexpr char kBytes[] = "@,.+-0123456789e \x80";
    survivesEditsOf("$mvQelvo#1991.1.2,1255:5@-89.9999,179.9999,+1080", 2024, std::string(kBytes, sizeof kBytes));
}

}  // namespace
}  // namespace corvina
