#include "exchange/aaf_format.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>

#include "exchange/unicode_text.h"
#include "input/birthday_parser.h"
#include "util/c_number.h"
#include "util/format.h"
#include "util/gbk.h"
#include "util/text_codec.h"

namespace exchange {

using store::PersonKey;

namespace {

// Planet codes by planet index, and sign codes by sign index - 1.
constexpr std::array<std::string_view, store::kPlanetCount> kPlanetCodes = {"SO", "MO", "ME", "VE", "MA",
                                                                            "JU", "SA", "UR", "NE", "PL"};
constexpr std::array<std::string_view, 12> kSignCodes = {"AR", "TA", "GE", "CN", "LE", "VI",
                                                         "LI", "SC", "SG", "CP", "AQ", "PI"};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool sameLetters(std::string_view a, std::string_view b) {
    return util::gbk::equalsIgnoringAsciiCase(a, b);
}

// Blanks in the sense of C: space, tab, line feed, vertical tab, form feed, carriage return.
std::string_view trimSpace(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = text.find(',');
        fields.push_back(trimSpace(text.substr(0, comma)));
        if (comma == std::string_view::npos)
            return fields;
        text.remove_prefix(comma + 1);
    }
}

bool unknown(std::string_view field) {
    return field.empty() || field.find_first_not_of('*') == std::string_view::npos;
}

// Reads digits at pos into value; false when there are none (or too many).
bool readNumber(std::string_view text, std::size_t& pos, int& value, std::size_t maxDigits = 4) {
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && isDigit(text[pos]) && pos - start < maxDigits)
        value = value * 10 + (text[pos++] - '0');
    return pos > start;
}

// The calendar of an AAF date: as the cards keep dates (no letter), or marked "g" or "j".
enum class Calendar { Card, Gregorian, Julian };

struct Date {
    int day = 0, month = 0, year = 0;
    Calendar calendar = Calendar::Card;
};

// d.m.y, as #A93 writes dates, with the calendar letter some programs add ("29.1.1953g", "1.3.1700 j").
std::optional<Date> readDate(std::string_view field) {
    Date d;
    std::size_t pos = 0;
    if (!readNumber(field, pos, d.day, 2) || pos >= field.size() || field[pos++] != '.' ||
        !readNumber(field, pos, d.month, 2) || pos >= field.size() || field[pos++] != '.' ||
        !readNumber(field, pos, d.year, 4))
        return std::nullopt;
    const std::string_view letter = trimSpace(field.substr(pos));
    if (letter == "g" || letter == "G")
        d.calendar = Calendar::Gregorian;
    else if (letter == "j" || letter == "J")
        d.calendar = Calendar::Julian;
    else if (!letter.empty() || pos != field.size())
        return std::nullopt;
    if (d.day < 1 || d.day > 31 || d.month < 1 || d.month > 12)
        return std::nullopt;
    return d;
}

// h:mm, h.mm or h:mm:ss (seconds dropped), from 0:00 to 24:00.
std::optional<std::pair<int, int>> readTime(std::string_view field) {
    int hour = 0, minute = 0, second = 0;
    std::size_t pos = 0;
    if (!readNumber(field, pos, hour, 2) || pos >= field.size() || (field[pos] != ':' && field[pos] != '.'))
        return std::nullopt;
    ++pos;
    if (!readNumber(field, pos, minute, 2))
        return std::nullopt;
    if (pos < field.size() && field[pos] == ':' && !readNumber(field, ++pos, second, 2))
        return std::nullopt;
    if (pos != field.size() || minute > 59 || second > 59 || hour > 24 || (hour == 24 && minute + second > 0))
        return std::nullopt;
    return std::make_pair(hour, minute);
}

// Day numbers: the Julian day number of the day that begins at noon of a civil date, and back.
constexpr std::int64_t kFirstGregorianDay = 2299161;  // 15 October 1582

std::int64_t dayNumber(int year, int month, int day, bool julian) {
    const std::int64_t a = (14 - month) / 12;
    const std::int64_t y = year + 4800 - a;
    const std::int64_t m = month + 12 * a - 3;
    const std::int64_t n = day + (153 * m + 2) / 5 + 365 * y + y / 4;
    return julian ? n - 32083 : n - y / 100 + y / 400 - 32045;
}

Date dateOfDay(std::int64_t jd, bool julian) {
    std::int64_t b = 0, c = 0;
    if (julian) {
        c = jd + 32082;
    } else {
        const std::int64_t a = jd + 32044;
        b = (4 * a + 3) / 146097;
        c = a - 146097 * b / 4;
    }
    const std::int64_t d = (4 * c + 3) / 1461;
    const std::int64_t e = c - 1461 * d / 4;
    const std::int64_t m = (5 * e + 2) / 153;
    Date date;
    date.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    date.month = static_cast<int>(m + 3 - 12 * (m / 10));
    date.year = static_cast<int>(100 * b + d - 4800 + m / 10);
    return date;
}

bool isLeapYear(int year, bool julian) {
    return year % 4 == 0 && (julian || year % 100 != 0 || year % 400 == 0);
}

bool existsIn(const Date& d, bool julian) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return d.year >= 1 && d.day <= (d.month == 2 && isLeapYear(d.year, julian) ? 29 : kDays[d.month - 1]);
}

// Whether the cards read a date in the Julian calendar: up to 4 October 1582.
bool cardJulian(const Date& d) {
    return d.year < 1582 || (d.year == 1582 && (d.month < 10 || (d.month == 10 && d.day <= 4)));
}

// The date as the cards keep it, moved on by days, or nothing when the date does not exist in its calendar (one
// without a letter judged as the birthday parser judges it).
std::optional<Date> cardDate(const Date& d, int days) {
    const bool julian = d.calendar == Calendar::Julian || (d.calendar == Calendar::Card && cardJulian(d));
    if (d.calendar == Calendar::Card ? !input::checkDate(d.year, d.month, d.day) : !existsIn(d, julian))
        return std::nullopt;
    if (d.calendar == Calendar::Card && days == 0)
        return d;
    const std::int64_t day = dayNumber(d.year, d.month, d.day, julian) + days;
    return dateOfDay(day, day < kFirstGregorianDay);
}

// The birthday text of a card (year.month.day[,hhmm], as the birthday parser writes it) as date and time fields.
bool birthdayFields(std::string_view birthday, std::string& date, std::string& time) {
    int y = 0, m = 0, d = 0, hm = 0;
    std::size_t pos = 0;
    if (!readNumber(birthday, pos, y, 4) || pos >= birthday.size() || birthday[pos++] != '.' ||
        !readNumber(birthday, pos, m, 2) || pos >= birthday.size() || birthday[pos++] != '.' ||
        !readNumber(birthday, pos, d, 2))
        return false;
    time = "*";
    if (pos < birthday.size()) {
        const std::size_t timeStart = pos + 1;
        if (birthday[pos++] != ',' || !readNumber(birthday, pos, hm, 4) || pos != birthday.size() ||
            pos - timeStart != 4 || hm / 100 > 24 || hm % 100 > 59)
            return false;
        time = util::format("%02d:%02d", hm / 100, hm % 100);
    }
    if (m < 1 || m > 12 || d < 1 || d > 31)
        return false;
    date = util::format("%02d.%02d.%04d", d, m, y);
    return true;
}

// A field's text as AAF can hold it: "," and "#" in their full-width forms, line breaks as blanks, "*" when empty.
std::string aafField(std::string_view text) {
    std::string out = util::gbk::replaceAll(util::gbk::replaceAll(text, ",", "，"), "#", "＃");
    out = util::gbk::replaceAll(util::gbk::replaceAll(out, "\r", " "), "\n", " ");
    out = std::string(trimSpace(out));
    return out.empty() ? "*" : out;
}

// A planet's position: sign index 1..12 and the degree as degree.minutes.
std::string positionText(int planet, const store::Person& person) {
    const store::PlanetEntry& entry = store::kPlanetTable[static_cast<std::size_t>(planet)];
    const int sign = util::readCInt(person[entry.signKey]);
    if (sign < 1 || sign > 12)
        return {};
    // Whole minutes from the start of the zodiac; the two decimals are minutes.
    const long centi = std::lround(util::readCDouble(person[entry.degreeKey]) * 100.0);
    long minutes = (sign - 1) * 30L * 60 + (centi / 100) * 60 + centi % 100;
    minutes = ((minutes % 21600) + 21600) % 21600;
    const long inSign = minutes % 1800;
    return util::format("%s%02ld%s%02ld:00", std::string(kPlanetCodes[static_cast<std::size_t>(planet)]).c_str(),
                        inSign / 60, std::string(kSignCodes[static_cast<std::size_t>(minutes / 1800)]).c_str(),
                        inSign % 60);
}

struct Chunk {
    std::string id;  // upper case
    std::string text;
    int line = 0;
};

struct Record {
    int line = 0;
    std::vector<Chunk> chunks;  // the #A93 first; none of a sub-chart
};

// The records of a file one after the other: each from its #A93 line up to the next. Lines end in CR LF, LF or a
// lone CR.
class RecordScanner {
  public:
    explicit RecordScanner(std::string_view text) : text_(text) {}

    bool next(Record& record) {
        record.chunks.clear();
        std::string_view line;
        while (!haveHead_) {
            if (!nextLine(line))
                return false;
            chunkLine(line);
        }
        haveHead_ = false;
        record.line = headLine_;
        record.chunks.push_back({"A93", std::string(headText_), headLine_});
        std::size_t current = 0;  // the chunk continuation lines belong to; npos after a comment or in a sub-chart
        bool subChart = false;
        while (nextLine(line)) {
            if (!line.empty() && line[0] == '#') {
                const std::optional<std::string> id = chunkLine(line);
                current = std::string_view::npos;
                if (haveHead_)
                    return true;  // the next record's #A93
                if (!id)
                    continue;  // a comment
                subChart = subChart || *id == "SUB";
                if (subChart)
                    continue;
                record.chunks.push_back({*id, std::string(line.substr(line.find(':') + 1)), line_});
                current = record.chunks.size() - 1;
            } else if (current != std::string_view::npos) {
                Chunk& chunk = record.chunks[current];
                if (chunk.id == "COM")
                    chunk.text.append("\n").append(line);
                else if (!trimSpace(line).empty())
                    chunk.text.append(line);
            }
        }
        return true;
    }

  private:
    bool nextLine(std::string_view& line) {
        if (pos_ >= text_.size())
            return false;
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r')
            ++end;
        line = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (pos_ < text_.size())
            pos_ += text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n' ? 2 : 1;
        ++line_;
        return true;
    }

    // The upper-case id of a chunk's first line ("#id:"), or nothing for a comment or a line of no chunk; an #A93
    // line is kept as the next record's head.
    std::optional<std::string> chunkLine(std::string_view line) {
        if (line.empty() || line[0] != '#')
            return std::nullopt;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        std::string id(trimSpace(line.substr(1, colon - 1)));
        if (id.empty())
            return std::nullopt;
        for (char& c : id)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        if (id == "A93") {
            haveHead_ = true;
            headText_ = line.substr(colon + 1);
            headLine_ = line_;
        }
        return id;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 0;  // of the line read last
    bool haveHead_ = false;
    std::string_view headText_;
    int headLine_ = 0;
};

// A position "ddSSmm[:ss]" as sign index and degree.minutes text.
std::optional<std::pair<int, std::string>> readPosition(std::string_view text) {
    std::size_t pos = 0;
    int degree = 0, minute = 0, second = 0;
    if (!readNumber(text, pos, degree, 2) || pos + 2 > text.size())
        return std::nullopt;
    const std::string_view code = text.substr(pos, 2);
    pos += 2;
    int sign = 0;
    for (std::size_t s = 0; s < kSignCodes.size(); ++s)
        if (sameLetters(code, kSignCodes[s]))
            sign = static_cast<int>(s) + 1;
    if (sign == 0 || !readNumber(text, pos, minute, 2))
        return std::nullopt;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!readNumber(text, pos, second, 2))
            return std::nullopt;
        if (pos < text.size() && text[pos] == '.') {  // fractions of a second
            ++pos;
            while (pos < text.size() && isDigit(text[pos]))
                ++pos;
        }
    }
    if (pos != text.size() || degree > 29 || minute > 59 || second > 59)
        return std::nullopt;
    long minutes = (sign - 1) * 1800L + degree * 60L + minute + (second >= 30 ? 1 : 0);
    minutes %= 21600;
    const long inSign = minutes % 1800;
    return std::make_pair(static_cast<int>(minutes / 1800) + 1, util::format("%ld.%02ld", inSign / 60, inSign % 60));
}

}  // namespace

// The grammar of a zone field (hours east unless marked w):
//   zone = [sign] hours                          a plain number
//        / [sign] hours ":" mm [":" ss] [side]    a sign only without a side
//        / hours ["h"] side [mm [":" ss]]
//   side = "e" / "E" / "w" / "W"
std::optional<int> zoneIndexOfAaf(std::string_view zone, std::string_view summerTime) {
    zone = trimSpace(zone);
    if (unknown(zone))
        return std::nullopt;
    std::size_t pos = 0;
    const bool signed_ = zone[0] == '-' || zone[0] == '+';
    const bool negative = zone[0] == '-';
    if (signed_)
        ++pos;
    int hours = 0, minutes = 0, seconds = 0;
    if (!readNumber(zone, pos, hours, 2))
        return std::nullopt;
    const auto readSeconds = [&] {
        return !(pos < zone.size() && zone[pos] == ':' && !readNumber(zone, ++pos, seconds, 2));
    };
    const auto isSide = [&] {
        return pos < zone.size() && (zone[pos] == 'e' || zone[pos] == 'E' || zone[pos] == 'w' || zone[pos] == 'W');
    };
    bool west = negative;
    if (pos < zone.size() && zone[pos] == ':') {
        ++pos;
        if (!readNumber(zone, pos, minutes, 2) || !readSeconds())
            return std::nullopt;
        while (pos < zone.size() && zone[pos] == ' ')
            ++pos;
        if (isSide()) {
            if (signed_)
                return std::nullopt;
            west = zone[pos] == 'w' || zone[pos] == 'W';
            ++pos;
        }
    } else if (pos < zone.size()) {
        if (signed_)
            return std::nullopt;
        if (zone[pos] == 'h' || zone[pos] == 'H')
            ++pos;
        if (!isSide())
            return std::nullopt;
        west = zone[pos] == 'w' || zone[pos] == 'W';
        ++pos;
        if (pos < zone.size() && (!readNumber(zone, pos, minutes, 2) || !readSeconds()))
            return std::nullopt;
    }
    if (pos != zone.size() || minutes > 59 || seconds > 59)
        return std::nullopt;
    int east = (hours * 3600 + minutes * 60 + seconds) * (west ? -1 : 1);
    summerTime = trimSpace(summerTime);
    if (!summerTime.empty() && isDigit(summerTime[0]))
        east += (summerTime[0] - '0') * 3600;
    if (east % 3600 != 0 || east < -12 * 3600 || east > 12 * 3600)
        return std::nullopt;
    return 13 - east / 3600;
}

WrittenCards writeAaf(const std::vector<store::Person>& persons) {
    WrittenCards written;
    for (const store::Person& person : persons) {
        std::string date = "*", time = "*";
        const std::string& birthday = person[PersonKey::Srday];
        if (!birthday.empty() && !birthdayFields(birthday, date, time)) {
            date = time = "*";
            written.problems.push_back({0, util::format("编号 %s 的生日“%s”不是 年.月.日[,时分] 的形式，写成了未知",
                                                        person[PersonKey::UInd].c_str(), birthday.c_str())});
        }
        std::string record = "#A93:" + aafField(person[PersonKey::Nick]) + ",*,*," + date + "," + time + "," +
                             aafField(person[PersonKey::Area]) + ",*\n";
        const int zone = util::readCInt(person[PersonKey::Timezone]);
        if (zone >= 1 && zone <= 25) {
            const int offset = 13 - zone;
            record += util::format("#B93:*,*,*,%dh%c00,0\n", offset < 0 ? -offset : offset, offset < 0 ? 'w' : 'e');
        }
        const std::string& memo = person[PersonKey::Memo];
        if (!memo.empty()) {
            std::string lines = util::gbk::replaceAll(memo, "|", "\n");
            lines = util::gbk::replaceAll(lines, "\n#", "\n #");
            record += "#COM:" + lines + "\n";
        }
        std::string positions;
        for (int p = 0; p < store::kPlanetCount; ++p) {
            const std::string position = positionText(p, person);
            if (position.empty())
                continue;
            positions += (positions.empty() ? "" : ",") + position;
        }
        if (!positions.empty())
            record += "#LPOS:" + positions + "\n";
        record = util::gbk::replaceAll(record, "\n", "\r\n");
        std::optional<std::string> utf8 = util::gbkToUtf8(record);
        if (!utf8) {
            utf8 = util::gbkToUtf8(record, true);
            written.problems.push_back(
                {0, util::format("编号 %s 含有不是有效 GBK 的字节，写成了“?”", person[PersonKey::UInd].c_str())});
        }
        written.bytes += utf8.value_or(std::string());
    }
    return written;
}

namespace {

// The birthday of a record's date and time fields, as the form's birthday parser writes it; why not (GBK) when it
// cannot be read or is not a day the parser accepts.
std::optional<std::string> birthdayOf(std::string_view dateText,
                                      std::string_view timeText,
                                      const std::function<std::string(std::string_view)>& shown,
                                      std::string& why) {
    const auto date = readDate(dateText);
    if (!date) {
        why = util::format("日期“%s”无法读取（应为 日.月.年）", shown(dateText).c_str());
        return std::nullopt;
    }
    std::optional<std::pair<int, int>> time;
    if (!unknown(timeText)) {
        time = readTime(timeText);
        if (!time) {
            why = util::format("时间“%s”无法读取（应为 时:分，从 0:00 到 24:00）", shown(timeText).c_str());
            return std::nullopt;
        }
    }
    const bool midnightAfter = time && time->first == 24;
    const auto day = cardDate(*date, midnightAfter ? 1 : 0);
    if (!day || day->year < 1) {
        why = date->year < 1 ? util::format("日期“%s”不存在：年份从 1 起", shown(dateText).c_str())
                             : util::format("日期“%s”不存在", shown(dateText).c_str());
        return std::nullopt;
    }
    std::string text = util::format("%d.%d.%d", day->year, day->month, day->day);
    if (time)
        text += util::format(",%02d%02d", midnightAfter ? 0 : time->first, time->second);
    CardBirthday birthday = cardBirthday(text);
    if (!birthday.text)
        why = util::format("日期“%s”不存在（%s）", shown(dateText).c_str(), birthday.problem.c_str());
    return std::move(birthday.text);
}

// One record as a card; false with the problem (its line and why) when it cannot be one.
bool readRecord(const Record& record,
                Encoding encoding,
                std::string_view recorded,
                store::Person& person,
                Problem& problem) {
    problem = Problem{record.line, {}};
    auto fail = [&](int line, std::string why) {
        if (problem.reason.empty()) {
            problem.reason = std::move(why);
            problem.line = line;
        }
    };
    // Every text of the card, converted to GBK.
    auto gbk = [&](int line, std::string_view bytes) -> std::string {
        GbkField field = gbkField(bytes, encoding);
        if (!field.text) {
            fail(line, field.problem);
            return {};
        }
        return std::move(*field.text);
    };
    // A field quoted in a problem: as GBK where it converts, else with "?" for what does not.
    auto shown = [&](std::string_view bytes) {
        GbkField field = gbkField(bytes, encoding);
        if (field.text)
            return std::move(*field.text);
        std::string ascii(bytes);
        for (char& c : ascii)
            c = static_cast<unsigned char>(c) < 0x80 ? c : '?';
        return ascii;
    };
    person = store::Person{};
    person[PersonKey::Type] = store::formatIndex(0);
    person[PersonKey::Timezone] = store::formatIndex(0);
    for (const store::PlanetEntry& entry : store::kPlanetTable) {
        person[entry.signKey] = store::formatIndex(0);
        person[entry.degreeKey] = store::formatDegree(0.f);
    }
    person[PersonKey::NoteTime] = std::string(recorded);

    const Chunk& head = record.chunks.front();
    const std::vector<std::string_view> a = splitFields(head.text);
    // Seven fields; some programs leave the sex out, so the date may stand third.
    std::size_t dateField = 3;
    if (a.size() >= 3 && readDate(a[2]))
        dateField = 2;
    if (a.size() < dateField + 1) {
        fail(head.line, "#A93 的字段太少");
    } else {
        // Last name, then first name.
        std::string name = unknown(a[0]) ? std::string() : std::string(a[0]);
        if (!unknown(a[1]))
            name += (name.empty() ? "" : " ") + std::string(a[1]);
        person[PersonKey::Nick] = gbk(head.line, name);
        const std::string_view dateText = a[dateField];
        const std::string_view timeText = dateField + 1 < a.size() ? a[dateField + 1] : std::string_view("*");
        if (!unknown(dateText)) {
            std::string why;
            if (auto birthday = birthdayOf(dateText, timeText, shown, why))
                person[PersonKey::Srday] = std::move(*birthday);
            else
                fail(head.line, why);
        }
        const std::string_view place = dateField + 2 < a.size() ? a[dateField + 2] : std::string_view();
        const std::string_view country = dateField + 3 < a.size() ? a[dateField + 3] : std::string_view();
        std::string area = unknown(place) ? std::string() : std::string(place);
        if (!unknown(country))
            area = area.empty() ? std::string(country) : area + " (" + std::string(country) + ")";
        person[PersonKey::Area] = gbk(head.line, area);
    }
    std::string memo;
    bool anyComment = false;
    bool zoneRead = false;
    for (const Chunk& chunk : record.chunks) {
        if (chunk.id == "B93" && !zoneRead) {
            zoneRead = true;  // the chart's own; a later one is no card's
            const std::vector<std::string_view> b = splitFields(chunk.text);
            if (b.size() >= 4) {
                if (const auto zone = zoneIndexOfAaf(b[3], b.size() >= 5 ? b[4] : std::string_view()))
                    person[PersonKey::Timezone] = store::formatIndex(*zone);
            }
        } else if (chunk.id == "COM") {
            std::string lines;
            std::string_view rest = chunk.text;
            for (bool firstLine = true;; firstLine = false) {
                const std::size_t br = rest.find('\n');
                lines += (firstLine ? "" : "\n") + std::string(trimSpace(rest.substr(0, br)));
                if (br == std::string_view::npos)
                    break;
                rest.remove_prefix(br + 1);
            }
            while (!lines.empty() && lines.back() == '\n')
                lines.pop_back();  // blank lines before the next chunk
            memo += (anyComment ? "\n" : "") + lines;
            anyComment = true;
        } else if (chunk.id == "LPOS") {
            for (std::string_view entry : splitFields(chunk.text)) {
                if (entry.size() < 2)
                    continue;
                for (std::size_t p = 0; p < kPlanetCodes.size(); ++p) {
                    if (!sameLetters(entry.substr(0, 2), kPlanetCodes[p]))
                        continue;
                    const std::string_view value = trimSpace(entry.substr(2));
                    if (unknown(value))
                        break;
                    const auto position = readPosition(value);
                    if (!position) {
                        fail(chunk.line, util::format("%s 的位置“%s”无法读取（应为 度星座分:秒，如 15AR23:00）",
                                                      std::string(kPlanetCodes[p]).c_str(), shown(value).c_str()));
                        break;
                    }
                    const store::PlanetEntry& planet = store::kPlanetTable[p];
                    person[planet.signKey] = store::formatIndex(position->first);
                    person[planet.degreeKey] = position->second;
                }
            }
        }
    }
    person[PersonKey::Memo] = store::memoToDocument(gbk(record.line, memo));
    for (const std::string& value : person.texts)
        if (auto why = valueProblem(value))
            fail(record.line, *why);
    return problem.reason.empty();
}

}  // namespace

ReadReport readAaf(std::string_view bytes, std::string_view recorded, const CardSink& take) {
    ReadReport report;
    const FileText file = fileText(bytes);
    RecordScanner scanner(file.text);
    Record record;
    store::Person person;
    Problem problem;
    while (scanner.next(record)) {
        if (!readRecord(record, file.encoding, recorded, person, problem)) {
            problem.reason += "，此记录未导入";
            report.problems.push_back(std::move(problem));
            continue;
        }
        ++report.cards;
        take(person);
    }
    return report;
}

ReadCards readAaf(std::string_view bytes, std::string_view recorded) {
    ReadCards cards;
    ReadReport report =
        readAaf(bytes, recorded, [&cards](const store::Person& person) { cards.persons.push_back(person); });
    cards.problems = std::move(report.problems);
    cards.notes = std::move(report.notes);
    return cards;
}

}  // namespace exchange
