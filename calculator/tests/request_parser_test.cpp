#include "core/request_parser.h"

#include <gtest/gtest.h>

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

// Every byte string is either read into in-range fields or refused with a reason; nothing crashes (the sanitizer
// build watches the reads).
TEST(RequestParser, SurvivesHostileBytes) {
    const std::string valid = "$mvQelvo#1991.1.2,1255:5";
    std::mt19937 random(1991);
    static constexpr char kBytes[] = "$#.,:-0123456789aZ \x80\xFF";
    const std::string alphabet(kBytes, sizeof kBytes);  // the terminating NUL is one of the bytes
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
    }
}

}  // namespace
}  // namespace corvina
