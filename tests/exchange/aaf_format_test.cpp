#include "exchange/aaf_format.h"

#include <gtest/gtest.h>

#include "exchange/card_exchange.h"
#include "store/person_document.h"

namespace {

using store::PersonKey;

const store::PlanetEntry& planet(int p) {
    return store::kPlanetTable[static_cast<std::size_t>(p)];
}

// The texts of an imported card that has no planets, no zone and no memo.
store::Person blankImport(std::string_view recorded = {}) {
    store::Person p;
    p[PersonKey::Type] = "0";
    p[PersonKey::Timezone] = "0";
    for (int i = 0; i < store::kPlanetCount; ++i) {
        p[planet(i).signKey] = "0";
        p[planet(i).degreeKey] = "0.00";
    }
    p[PersonKey::NoteTime] = std::string(recorded);
    return p;
}

TEST(AafFormat, ReadsRecordsAsOtherProgramsWriteThem) {
    const std::string file =
        "#:========= exported by another program =========\n"
        "#A93:Cezanne,Paul,m,19.1.1839,1:00,Aix-En-Provence,F\n"
        "#B93:2392758.526528,43n31,5e27,0e21:48,m\n"
        "#ZNAM:LMT\n"
        "#COM:French painter.\n"
        "'Mill on the Couleuvre' (1881)\n"
        "#SRC:1*,registry\n"
        "#LPOS:SO28CP19:16,MO12PI56:26,ME05CP08:26,VE05AQ48:43,MA29VI16:42,\n"
        "JU18LI22:42,SA07SG27:31,UR10PI04:01,NE09AQ39:38,PL15AR58:34,\n"
        "NN28PI01:00\n"
        "#LPOS:AC03SC34:16,MC11LE14:34\n"
        "\n"
        "#:2nd record: no sex field, time with a dot, blanks around fields\n"
        "#A93:Garms,Martin,11.10.1958,1.10,Brilon-Wald, D\n"
        "#B93: *,51n21,9e35,1,0\n"
        "#a93: Event , * , e , 24.12.1992 , * , Freiburg , D \r\n"
        "#B93:*,47n59,7e51,1he00,1\r\n"
        "#LPOS:so01ar00:00,Mo29pi59:45,ME*********\r\n"
        "#A93:Nobody,*,*,*,*,*,*\n"
        "#B93:*,*,*,5hw00,0\n";
    const exchange::ReadCards read = exchange::readAaf(file, "2024-03-01 09:30:15");
    EXPECT_TRUE(read.problems.empty()) << exchange::problemLines(read.problems);
    ASSERT_EQ(read.persons.size(), 4u);

    const store::Person& cezanne = read.persons[0];
    EXPECT_EQ(cezanne[PersonKey::Nick], "Cezanne Paul");
    EXPECT_EQ(cezanne[PersonKey::Srday], "1839.1.19,0100");
    EXPECT_EQ(cezanne[PersonKey::Area], "Aix-En-Provence (F)");
    EXPECT_EQ(cezanne[PersonKey::Timezone], "0");  // local mean time is no whole hour
    EXPECT_EQ(cezanne[PersonKey::Memo], "French painter.|'Mill on the Couleuvre' (1881)");
    EXPECT_EQ(cezanne[PersonKey::NoteTime], "2024-03-01 09:30:15");
    const struct {
        const char* sign;
        const char* degree;
    } positions[] = {{"10", "28.19"}, {"12", "12.56"}, {"10", "5.08"},  {"11", "5.49"}, {"6", "29.17"},
                     {"7", "18.23"},  {"9", "7.28"},   {"12", "10.04"}, {"11", "9.40"}, {"1", "15.59"}};
    for (int p = 0; p < store::kPlanetCount; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(cezanne[planet(p).signKey], positions[p].sign);
        EXPECT_EQ(cezanne[planet(p).degreeKey], positions[p].degree);
    }

    store::Person garms = blankImport("2024-03-01 09:30:15");
    garms[PersonKey::Nick] = "Garms Martin";
    garms[PersonKey::Srday] = "1958.10.11,0110";
    garms[PersonKey::Area] = "Brilon-Wald (D)";
    garms[PersonKey::Timezone] = "12";  // one hour east
    EXPECT_EQ(read.persons[1].texts, garms.texts);

    const store::Person& event = read.persons[2];
    EXPECT_EQ(event[PersonKey::Nick], "Event");
    EXPECT_EQ(event[PersonKey::Srday], "1992.12.24");
    EXPECT_EQ(event[PersonKey::Timezone], "11");  // one hour east and one of summer time
    EXPECT_EQ(event[planet(0).signKey], "1");
    EXPECT_EQ(event[planet(0).degreeKey], "1.00");
    EXPECT_EQ(event[planet(1).signKey], "1");  // 29°59'45" of Pisces rounds over into Aries
    EXPECT_EQ(event[planet(1).degreeKey], "0.00");
    EXPECT_EQ(event[planet(2).signKey], "0");  // a position not known

    EXPECT_EQ(read.persons[3][PersonKey::Nick], "Nobody");
    EXPECT_EQ(read.persons[3][PersonKey::Timezone], "18");
}

// The birthday a one-record file gives, or the problem's text when the record is skipped.
std::string birthdayOrProblem(const std::string& date, const std::string& time) {
    const exchange::ReadCards read = exchange::readAaf("#A93:X,*,*," + date + "," + time + ",*,*\n");
    if (read.persons.size() == 1 && read.problems.empty())
        return read.persons[0][PersonKey::Srday];
    return read.problems.empty() ? "?" : "problem: " + read.problems[0].reason;
}

TEST(AafFormat, TakesOnlyDaysTheFormWouldTakeAndTwentyFourHundredAsTheNextDay) {
    const struct {
        const char* date;
        const char* time;
        const char* birthday;  // or the start of the problem
    } cases[] = {
        {"30.2.1990", "*", "problem: 日期“30.2.1990”不存在"},
        {"29.2.1900", "12:00", "problem: 日期“29.2.1900”不存在"},
        {"29.2.2000", "*", "2000.2.29"},
        {"29.2.1500", "*", "1500.2.29"},  // a Julian leap day
        {"1.1.0", "*", "problem: 日期“1.1.0”不存在：年份从 1 起"},
        {"31.12.1999", "24:00", "2000.1.1,0000"},
        {"28.2.1900", "24:00", "1900.3.1,0000"},
        {"4.10.1582", "24:00", "1582.10.15,0000"},  // the last Julian day is followed by the first Gregorian one
        {"31.12.9999", "24:00", "10000.1.1,0000"},
        {"30.2.1990", "24:00", "problem: 日期“30.2.1990”不存在"},
        {"1.1.2000", "24:01", "problem: 时间“24:01”无法读取"},
        {"1.1.2000", "24:00:30", "problem: 时间“24:00:30”无法读取"},
        {"1.1.2000", "23:59:59", "2000.1.1,2359"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.date) + " " + c.time);
        const std::string got = birthdayOrProblem(c.date, c.time);
        EXPECT_EQ(got.substr(0, std::string(c.birthday).size()), c.birthday) << got;
    }
}

TEST(AafFormat, DatesMarkedGregorianOrJulianAreGivenInTheCardsCalendar) {
    // The cards keep the Julian calendar up to 4 October 1582 and the Gregorian from 15 October 1582 on.
    const struct {
        const char* date;
        const char* birthday;
    } cases[] = {
        {"29.1.1953g", "1953.1.29"},
        {"29.1.1953 G", "1953.1.29"},
        {"29.1.1953j", "1953.2.11"},  // 13 days apart in the 20th century
        {"29.2.1900j", "1900.3.13"},  // a day only the Julian calendar has
        {"29.2.1900g", "problem: 日期“29.2.1900g”不存在"},
        {"5.10.1582j", "1582.10.15"},
        {"15.10.1582j", "1582.10.25"},
        {"15.10.1582g", "1582.10.15"},
        {"14.10.1582g", "1582.10.4"},
        {"1.1.1000g", "999.12.27"},  // 5 days apart in the 10th century
        {"1.1.1000j", "1000.1.1"},
        {"1.1.1000x", "problem: 日期“1.1.1000x”无法读取"},
        {"1.1.1000gj", "problem: 日期“1.1.1000gj”无法读取"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.date);
        const std::string got = birthdayOrProblem(c.date, "*");
        EXPECT_EQ(got.substr(0, std::string(c.birthday).size()), c.birthday) << got;
    }
    EXPECT_EQ(birthdayOrProblem("4.10.1582j", "24:00"), "1582.10.15,0000");
    EXPECT_EQ(birthdayOrProblem("31.12.1999g", "24:00"), "2000.1.1,0000");
}

TEST(AafFormat, AStrayByteCostsOnlyItsOwnRecord) {
    const std::string file =
        "#A93:\xE5\xBC\xA0\xE4\xB8\x89,*,*,1.2.2000,*,\xE5\x8C\x97\xE4\xBA\xAC,*\n"  // 张三, 北京
        "#A93:Bad\xFF,*,*,1.2.2000,*,*,*\n"
        "#COM:note\n"
        "#A93:\xE6\x9D\x8E\xE5\x9B\x9B,*,*,1.2.2000,*,*,*\n"  // 李四
        "#COM:x\x80y\n";                                      // a stray continuation byte in the memo
    const exchange::ReadCards read = exchange::readAaf(file);
    ASSERT_EQ(read.persons.size(), 1u);
    EXPECT_EQ(read.persons[0][PersonKey::Nick], "张三");
    EXPECT_EQ(read.persons[0][PersonKey::Area], "北京");
    ASSERT_EQ(read.problems.size(), 2u) << exchange::problemLines(read.problems);
    EXPECT_EQ(read.problems[0].line, 2);
    EXPECT_NE(read.problems[0].reason.find("0xFF"), std::string::npos) << read.problems[0].reason;
    EXPECT_EQ(read.problems[1].line, 4);
    EXPECT_NE(read.problems[1].reason.find("0x80"), std::string::npos) << read.problems[1].reason;
}

TEST(AafFormat, ReadsWindows1252WithItsTypographicMarks) {
    // O’Brien “Jim” – Müller; every one of these characters is also a GBK character.
    const exchange::ReadCards read = exchange::readAaf(
        "#A93:O\x92"
        "Brien \x93Jim\x94 \x96 M\xFCller,*,*,1.2.2000,*,*,*\n"
        "#A93:Caf\xE9\x85,*,*,1.2.2000,*,*,*\n"
        "#A93:Open\x81,*,*,1.2.2000,*,*,*\n");
    ASSERT_EQ(read.persons.size(), 2u);
    EXPECT_EQ(read.persons[0][PersonKey::Nick], "O’Brien “Jim” – M\xA8\xB9ller");
    EXPECT_EQ(read.persons[1][PersonKey::Nick], "Caf\xA8\xA6…");
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(read.problems[0].line, 3);
    EXPECT_NE(read.problems[0].reason.find("0x81"), std::string::npos) << read.problems[0].reason;
}

TEST(AafFormat, EveryKindOfLineEndEndsALine) {
    const std::string lines[] = {"#A93:One,*,*,1.2.2000,*,*,*", "#COM:first", "second", "#A93:Two,*,*,31.2.2000,*,*,*",
                                 "#A93:Three,*,*,3.2.2000,*,*,*"};
    for (const char* lineEnd : {"\r", "\n", "\r\n"}) {
        SCOPED_TRACE(lineEnd[0] == '\r' ? (lineEnd[1] ? "CR LF" : "CR") : "LF");
        std::string file;
        for (const std::string& line : lines)
            file += line + lineEnd;
        const exchange::ReadCards read = exchange::readAaf(file);
        ASSERT_EQ(read.persons.size(), 2u);
        EXPECT_EQ(read.persons[0][PersonKey::Memo], "first|second");
        EXPECT_EQ(read.persons[1][PersonKey::Nick], "Three");
        ASSERT_EQ(read.problems.size(), 1u);
        EXPECT_EQ(read.problems[0].line, 4);
    }
}

TEST(AafFormat, ASubChartIsNotTheCard) {
    const exchange::ReadCards read = exchange::readAaf(
        "#A93:Main,*,*,1.2.2000,10:00,*,*\n"
        "#B93:*,*,*,8:00E,0\n"
        "#LPOS:SO11AQ52:00\n"
        "#SUB:Transit,*,*,1.2.2020,10:00,*,*\n"
        "#B93:*,*,*,5:00W,0\n"
        "#LPOS:SO11AQ01:00,MO01AR00:00\n"
        "#COM:of the transit\n"
        "#A93:Next,*,*,1.2.2001,*,*,*\n"
        "#B93:*,*,*,1he00,0\n"
        "#B93:*,*,*,2he00,0\n");
    ASSERT_EQ(read.persons.size(), 2u);
    EXPECT_EQ(read.persons[0][PersonKey::Timezone], "5");
    EXPECT_EQ(read.persons[0][planet(0).degreeKey], "11.52");
    EXPECT_EQ(read.persons[0][planet(1).signKey], "0");
    EXPECT_EQ(read.persons[0][PersonKey::Memo], "");
    EXPECT_EQ(read.persons[1][PersonKey::Nick], "Next");
    EXPECT_EQ(read.persons[1][PersonKey::Timezone], "12");  // the first #B93 is the chart's
}

TEST(AafFormat, ReadsLatin1AndUtf8Files) {
    // Müller in Latin-1 and in UTF-8; ü is a GBK character.
    for (const std::string& name : {std::string("M\xFCller"), std::string("M\xC3\xBCller")}) {
        const exchange::ReadCards read = exchange::readAaf("#A93:" + name + ",*,*,1.2.2000,*,*,*\n");
        ASSERT_EQ(read.persons.size(), 1u);
        EXPECT_EQ(read.persons[0][PersonKey::Nick], "M\xA8\xB9ller");
    }
}

TEST(AafFormat, RecordsThatCannotBeReadAreSkippedWithTheirLineAndWhy) {
    const std::string file =
        "#A93:Good,*,*,1.2.2000,*,*,*\n"             // 1
        "#A93:Short,*\n"                             // 2
        "#A93:Date,*,*,31.13.2000,*,*,*\n"           // 3
        "#A93:Time,*,*,1.2.2000,25:99,*,*\n"         // 4
        "#A93:Planet,*,*,*,*,*,*\n"                  // 5
        "#LPOS:SO99XX00:00\n"                        // 6
        "#A93:\xC3\x85ngstr\xC3\xB6m,*,*,*,*,*,*\n"  // 7: Å and ö are not GBK
        "#A93:Last,*,*,*,*,*,*\n";                   // 8
    const exchange::ReadCards read = exchange::readAaf(file);
    ASSERT_EQ(read.persons.size(), 2u);
    EXPECT_EQ(read.persons[0][PersonKey::Nick], "Good");
    EXPECT_EQ(read.persons[1][PersonKey::Nick], "Last");
    const struct {
        int line;
        const char* part;
    } expected[] = {{2, "字段太少"}, {3, "日期"}, {4, "时间"}, {6, "SO"}, {7, "U+00C5"}};
    ASSERT_EQ(read.problems.size(), std::size(expected)) << exchange::problemLines(read.problems);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].part);
        EXPECT_EQ(read.problems[i].line, expected[i].line);
        EXPECT_NE(read.problems[i].reason.find(expected[i].part), std::string::npos) << read.problems[i].reason;
    }
}

TEST(AafFormat, WhatACardCarriesComesBackFieldForField) {
    store::Person card = blankImport();
    card[PersonKey::UInd] = "10001";
    card[PersonKey::Nick] = "张三";
    card[PersonKey::Srday] = "1991.1.2,1255";
    card[PersonKey::Area] = "中国";
    card[PersonKey::Timezone] = "5";
    card[PersonKey::Memo] = "大学同学|#不是标记|住在北京";
    const char* degrees[] = {"11.52", "3.05", "25.02", "2.40", "18.06", "7.13", "28.59", "9.00", "0.00", "29.59"};
    for (int p = 0; p < store::kPlanetCount; ++p) {
        card[planet(p).signKey] = std::to_string(p + 3 > 12 ? p - 9 : p + 3);
        card[planet(p).degreeKey] = degrees[p];
    }
    card[planet(9).signKey] = "0";  // without a sign the position is not written
    store::Person noBirthTime = blankImport();
    noBirthTime[PersonKey::Nick] = "李四";
    noBirthTime[PersonKey::Srday] = "2001.12.31";
    noBirthTime[PersonKey::Timezone] = "20";

    const exchange::WrittenCards written = exchange::writeAaf({card, noBirthTime});
    EXPECT_TRUE(written.problems.empty());
    EXPECT_NE(written.bytes.find("#A93:\xE5\xBC\xA0\xE4\xB8\x89,*,*,02.01.1991,12:55,\xE4\xB8\xAD\xE5\x9B\xBD,*\r\n"
                                 "#B93:*,*,*,8he00,0\r\n"),
              std::string::npos)
        << written.bytes;
    EXPECT_NE(written.bytes.find("#LPOS:SO11GE52:00,MO03CN05:00,"), std::string::npos) << written.bytes;
    EXPECT_NE(written.bytes.find("#B93:*,*,*,7hw00,0\r\n"), std::string::npos);

    const exchange::ReadCards read = exchange::readAaf(written.bytes);
    ASSERT_TRUE(read.problems.empty()) << exchange::problemLines(read.problems);
    ASSERT_EQ(read.persons.size(), 2u);
    card[PersonKey::UInd] = "";
    card[planet(9).degreeKey] = "0.00";
    EXPECT_EQ(read.persons[0].texts, card.texts);
    EXPECT_EQ(read.persons[1].texts, noBirthTime.texts);
}

TEST(AafFormat, ZoneFieldsGiveAnIndexOnlyForWholeHours) {
    const struct {
        const char* zone;
        const char* summer;
        int index;  // 0: none
    } cases[] = {
        {"8he00", "0", 5},   {"8hE00", "", 5},    {"5hW00", "0", 18}, {"5hw30", "0", 0},  {"1he", "1", 11},
        {"0he00", "0", 13},  {"12hw00", "0", 25}, {"12he00", "1", 0}, {"1", "0", 12},     {"-5", "0", 18},
        {"0e21:48", "m", 0}, {"*", "0", 0},       {"", "", 0},        {"8x", "0", 0},     {"13he00", "0", 0},
        {"8:00E", "0", 5},   {"8:00e", "", 5},    {"8:00 E", "", 5},  {"5:00W", "0", 18}, {"5:00w", "1", 17},
        {"5:30W", "0", 0},   {"12:00W", "", 25},  {"-5:00", "0", 18}, {"+8:00", "", 5},   {"8:00", "", 5},
        {"-5:00W", "", 0},   {"8:000E", "", 0},   {"8:0xE", "", 0},   {"8:", "", 0},      {"8:00:00E", "", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        EXPECT_EQ(exchange::zoneIndexOfAaf(c.zone, c.summer).value_or(0), c.index);
    }
}

}  // namespace
