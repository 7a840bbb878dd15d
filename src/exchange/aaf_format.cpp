#include "exchange/aaf_format.h"

#include <array>
#include <cmath>

#include "exchange/unicode_text.h"
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

struct Date {
    int day = 0, month = 0, year = 0;
};

// d.m.y, as #A93 writes dates.
std::optional<Date> readDate(std::string_view field) {
    Date d;
    std::size_t pos = 0;
    if (!readNumber(field, pos, d.day, 2) || pos >= field.size() || field[pos++] != '.' ||
        !readNumber(field, pos, d.month, 2) || pos >= field.size() || field[pos++] != '.' ||
        !readNumber(field, pos, d.year, 4) || pos != field.size())
        return std::nullopt;
    if (d.day < 1 || d.day > 31 || d.month < 1 || d.month > 12)
        return std::nullopt;
    return d;
}

// h:mm, h.mm or h:mm:ss (seconds dropped).
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
    if (pos != field.size() || hour > 24 || minute > 59 || second > 59)
        return std::nullopt;
    return std::make_pair(hour, minute);
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

std::optional<std::string> utf8Of(std::string_view gbk) {
    return util::gbkToUtf8(gbk);
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
    std::vector<Chunk> chunks;
};

std::vector<Record> splitRecords(std::string_view text) {
    std::vector<Record> records;
    Chunk* current = nullptr;  // the chunk continuation lines belong to; none after a comment
    int line = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view content = text.substr(pos, end - pos);
        if (!content.empty() && content.back() == '\r')
            content.remove_suffix(1);
        pos = end + 1;
        ++line;
        if (!content.empty() && content[0] == '#') {
            const std::size_t colon = content.find(':');
            std::string id(trimSpace(content.substr(1, colon == std::string_view::npos ? 0 : colon - 1)));
            for (char& c : id)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
            current = nullptr;
            if (colon == std::string_view::npos || id.empty())
                continue;  // a comment, or no chunk at all
            if (id == "A93")
                records.push_back({line, {}});
            if (records.empty())
                continue;  // before the first record
            records.back().chunks.push_back({id, std::string(content.substr(colon + 1)), line});
            current = &records.back().chunks.back();
        } else if (current != nullptr && (current->id == "COM" || !trimSpace(content).empty())) {
            current->text += current->id == "COM" ? "\n" : "";
            current->text.append(content);
        }
    }
    return records;
}

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

std::optional<int> zoneIndexOfAaf(std::string_view zone, std::string_view summerTime) {
    zone = trimSpace(zone);
    if (unknown(zone))
        return std::nullopt;
    double hours = 0;
    std::size_t pos = 0;
    int h = 0;
    const bool negative = zone[0] == '-';
    if (zone[0] == '-' || zone[0] == '+')
        ++pos;
    if (!readNumber(zone, pos, h, 2))
        return std::nullopt;
    if (pos == zone.size()) {
        hours = negative ? -h : h;  // a plain number: hours east
    } else {
        if (negative)
            return std::nullopt;
        if (zone[pos] == 'h' || zone[pos] == 'H')
            ++pos;
        if (pos >= zone.size())
            return std::nullopt;
        const char side = zone[pos++];
        if (side != 'e' && side != 'E' && side != 'w' && side != 'W')
            return std::nullopt;
        int minutes = 0, seconds = 0;
        if (pos < zone.size() && !readNumber(zone, pos, minutes, 2))
            return std::nullopt;
        if (pos < zone.size() && zone[pos] == ':' && !readNumber(zone, ++pos, seconds, 2))
            return std::nullopt;
        if (pos != zone.size())
            return std::nullopt;
        hours = h + minutes / 60.0 + seconds / 3600.0;
        if (side == 'w' || side == 'W')
            hours = -hours;
    }
    summerTime = trimSpace(summerTime);
    if (!summerTime.empty() && isDigit(summerTime[0])) {
        std::size_t p = 0;
        int dst = 0;
        readNumber(summerTime, p, dst, 1);
        hours += dst;
    }
    if (hours != std::floor(hours) || hours < -12 || hours > 12)
        return std::nullopt;
    return 13 - static_cast<int>(hours);
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
        std::optional<std::string> utf8 = utf8Of(record);
        if (!utf8) {
            utf8 = util::gbkToUtf8(record, true);
            written.problems.push_back(
                {0, util::format("编号 %s 含有不是有效 GBK 的字节，写成了“?”", person[PersonKey::UInd].c_str())});
        }
        written.bytes += utf8.value_or(std::string());
    }
    return written;
}

ReadCards readAaf(std::string_view bytes, std::string_view recorded) {
    ReadCards cards;
    std::string text;
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        text.assign(bytes.substr(kUtf8Bom.size()));
    else if (isUtf8(bytes))
        text.assign(bytes);
    else
        text = latin1ToUtf8(bytes);
    for (const Record& record : splitRecords(text)) {
        std::string problem;
        int problemLine = record.line;
        auto fail = [&](int line, std::string why) {
            if (problem.empty()) {
                problem = std::move(why);
                problemLine = line;
            }
        };
        // Every text of the card, converted to GBK.
        auto gbk = [&](int line, std::string_view utf8) -> std::string {
            GbkField field = gbkField(utf8);
            if (!field.text) {
                fail(line, field.problem);
                return {};
            }
            return std::move(*field.text);
        };
        store::Person person;
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
                const auto date = readDate(dateText);
                if (!date) {
                    fail(head.line,
                         util::format("日期“%s”无法读取（应为 日.月.年）", gbk(head.line, dateText).c_str()));
                } else {
                    std::string birthday = util::format("%d.%d.%d", date->year, date->month, date->day);
                    if (!unknown(timeText)) {
                        const auto time = readTime(timeText);
                        if (!time)
                            fail(head.line,
                                 util::format("时间“%s”无法读取（应为 时:分）", gbk(head.line, timeText).c_str()));
                        else
                            birthday += util::format(",%02d%02d", time->first, time->second);
                    }
                    person[PersonKey::Srday] = birthday;
                }
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
        for (const Chunk& chunk : record.chunks) {
            if (chunk.id == "B93") {
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
                            fail(chunk.line,
                                 util::format("%s 的位置“%s”无法读取（应为 度星座分:秒，如 15AR23:00）",
                                              std::string(kPlanetCodes[p]).c_str(), gbk(chunk.line, value).c_str()));
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
        if (!problem.empty()) {
            cards.problems.push_back({problemLine, problem + "，此记录未导入"});
            continue;
        }
        cards.persons.push_back(std::move(person));
    }
    return cards;
}

}  // namespace exchange
