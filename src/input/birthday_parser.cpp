#include "input/birthday_parser.h"

#include <initializer_list>
#include <optional>
#include <utility>

#include "input/lunar_birthday.h"
#include "util/c_number.h"
#include "util/format.h"
#include "util/gbk.h"

// Accepted input, after normalizeInput (outer blanks trimmed; " ", "　", "，" read as ","; "。" as "."; ":" dropped;
// everything before the first digit 1-9 dropped). The date is sought by three methods, the first that fits wins:
//
//   separator form   year SEP month SEP day...          SEP is "-" when the text holds any "-", else "."; the day
//                                                       text runs to the end, its number ends at the first non-digit
//   Chinese form     year 年 month 月 day 日 ...         each part between the first of its two markers
//   digit run        ... YYYYMMDD[HHMM[d...]] ...       the first run of 8 or more ASCII digits; 8, 12 or 14 and
//                                                       more digits; with 8 anything typed after it is dropped
//
// and then the time: the four bytes after the first "," (never half a character) as HHMM, 00..23 and 00..59.
// Without a ",", the text after the date of the first two forms (the digit run drops what follows it), normalised the
// same way but with its ":" kept, is searched for the first time of day written as people write it:
//
//   [part] hour ("点" | "时") [digits ["分"] | "半" | "一刻" | "三刻" | "整" | "钟"]    8点, 8点半, 8时30分, 20时
//   [part] hour (":" | "：") digits                                               20:30, 下午3:15
//   part hour                                                                      下午3
//
// with ASCII digits. A part of the day (凌晨 清晨 早上 早晨 0-11, 上午 0-12, 中午 11-14, 下午 傍晚 12-23, 晚上
// 17-23) takes the hour as written, twelve hours on, or 12 as 0, whichever lies within its hours (下午8点 20:00,
// 凌晨12点 00:00); without one the hour is 0-23. A time written but outside those hours, or with minutes outside 0-59
// (25点, 8点70分, 晚上12点), is the time error: a time the user wrote is never dropped. Otherwise the time is "1200".
// The time is checked before the date.
// Every number is read as atoi reads it, so a part without digits is 0.
namespace input {
namespace {

constexpr std::string_view kYearMark = "年";
constexpr std::string_view kMonthMark = "月";
constexpr std::string_view kDayMark = "日";

constexpr const char* kNoDateMessage = "请输入正确的日期内容！";
constexpr const char* kBadTimePattern = "输入的时间[%s]数值有误！";
constexpr const char* kBadDateMessage = "年月日数值有误！";

constexpr std::size_t kTimeLength = 4;
constexpr std::size_t kDateRunLength = 8;
constexpr std::size_t kDateTimeRunLength = 12;
constexpr std::size_t kShortestLongRun = 14;

struct DateTexts {
    std::string year;
    std::string month;
    std::string day;
};

enum class DateForm { kSeparator, kChinese, kDigitRun };

// The parts of the day that may stand before an hour, with the hours (of the 24) they take.
struct DayPart {
    std::string_view word;
    int firstHour;
    int lastHour;
};

constexpr DayPart kDayParts[] = {
    {"凌晨", 0, 11},  {"清晨", 0, 11},  {"早上", 0, 11},  {"早晨", 0, 11},  {"上午", 0, 12},
    {"中午", 11, 14}, {"下午", 12, 23}, {"傍晚", 12, 23}, {"晚上", 17, 23},
};

struct SpokenMinutes {
    std::string_view word;
    int minute;
};

constexpr SpokenMinutes kSpokenMinutes[] = {{"半", 30}, {"一刻", 15}, {"三刻", 45}, {"整", 0}, {"钟", 0}};

// A time of day written in words: the text written, and its hour and minute (nothing when they cannot be read).
struct SpokenTime {
    std::string written;
    std::optional<std::pair<int, int>> hourMinute;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The bytes from begin up to end; empty when the markers stand the other way round.
std::string between(std::string_view text, std::size_t begin, std::size_t end) {
    return end >= begin ? std::string(text.substr(begin, end - begin)) : std::string();
}

std::optional<DateTexts> separatorForm(std::string_view text) {
    const char separator = text.find('-') != std::string_view::npos ? '-' : '.';
    const std::size_t first = text.find(separator);
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::size_t second = text.find(separator, first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    return DateTexts{std::string(text.substr(0, first)), between(text, first + 1, second),
                     std::string(text.substr(second + 1))};
}

std::optional<DateTexts> chineseForm(std::string_view text) {
    const std::size_t year = util::gbk::find(text, kYearMark);
    const std::size_t month = util::gbk::find(text, kMonthMark);
    const std::size_t day = util::gbk::find(text, kDayMark);
    if (year == std::string_view::npos || month == std::string_view::npos || day == std::string_view::npos)
        return std::nullopt;
    return DateTexts{std::string(text.substr(0, year)), between(text, year + kYearMark.size(), month),
                     between(text, month + kMonthMark.size(), day)};
}

struct DigitRunDate {
    DateTexts date;
    std::string working;  // the working text rewritten as "YYYY-MM-DD" or "YYYY-MM-DD,HHMM"
};

std::optional<DigitRunDate> digitRun(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!isDigit(text[pos])) {
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        while (pos < text.size() && isDigit(text[pos]))
            ++pos;
        const std::size_t length = pos - start;
        if (length < kDateRunLength)
            continue;
        const std::string_view run = text.substr(start, length);
        if (length != kDateRunLength && length != kDateTimeRunLength && length < kShortestLongRun)
            return std::nullopt;
        DigitRunDate result{
            {std::string(run.substr(0, 4)), std::string(run.substr(4, 2)), std::string(run.substr(6, 2))}, {}};
        result.working = result.date.year + "-" + result.date.month + "-" + result.date.day;
        if (length > kDateRunLength)
            result.working.append(",").append(run.substr(kDateRunLength, kTimeLength));
        return result;
    }
    return std::nullopt;
}

// The (at most) four bytes after the comma, taken in whole characters so that a time text never ends in half of one.
std::string timeTextAfter(std::string_view text, std::size_t comma) {
    const std::size_t begin = comma + 1;
    std::size_t end = begin;
    while (end < text.size()) {
        const std::size_t next = end + util::gbk::charLength(text, end);
        if (next - begin > kTimeLength)
            break;
        end = next;
    }
    return std::string(text.substr(begin, end - begin));
}

bool isValidTime(std::string_view time) {
    if (time.size() != kTimeLength)
        return false;
    const std::int32_t hour = util::readCInt(time.substr(0, 2));
    const std::int32_t minute = util::readCInt(time.substr(2, 2));
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

// Whether word stands at pos, a character boundary of text. The words are whole characters, so a match that starts
// on a boundary ends on one.
bool standsAt(std::string_view text, std::size_t pos, std::string_view word) {
    return text.compare(pos, word.size(), word) == 0;
}

// The length of the first of the words that stands at pos; 0 when none does.
std::size_t wordAt(std::string_view text, std::size_t pos, std::initializer_list<std::string_view> words) {
    for (const std::string_view word : words) {
        if (standsAt(text, pos, word))
            return word.size();
    }
    return 0;
}

std::size_t digitsEnd(std::string_view text, std::size_t pos) {
    while (pos < text.size() && isDigit(text[pos]))
        ++pos;
    return pos;
}

// The hour of the day that a written hour stands for within the hours of a part of the day: as written, or twelve
// hours on, or 12 as 0.
std::optional<int> hourOfDay(std::int32_t written, int firstHour, int lastHour) {
    const std::int32_t candidates[] = {written, written <= 11 ? written + 12 : -1, written == 12 ? 0 : -1};
    for (const std::int32_t hour : candidates) {
        if (hour >= firstHour && hour <= lastHour && hour <= 23)
            return static_cast<int>(hour);
    }
    return std::nullopt;
}

// The time written at pos (a part of the day or the first digit of a run), if one is.
std::optional<SpokenTime> spokenTimeAt(std::string_view text, std::size_t pos) {
    const std::size_t start = pos;
    const DayPart* part = nullptr;
    for (const DayPart& p : kDayParts) {
        if (standsAt(text, pos, p.word)) {
            part = &p;
            pos += p.word.size();
            break;
        }
    }
    const std::size_t hourEnd = digitsEnd(text, pos);
    if (hourEnd == pos)
        return std::nullopt;
    const std::int32_t hour = util::readCInt(text.substr(pos, hourEnd - pos));
    pos = hourEnd;
    std::int32_t minute = 0;
    if (const std::size_t mark = wordAt(text, pos, {"点", "时"})) {
        pos += mark;
        if (const std::size_t minutesEnd = digitsEnd(text, pos); minutesEnd > pos) {
            minute = util::readCInt(text.substr(pos, minutesEnd - pos));
            pos = minutesEnd + wordAt(text, minutesEnd, {"分"});
        } else {
            for (const SpokenMinutes& spoken : kSpokenMinutes) {
                if (standsAt(text, pos, spoken.word)) {
                    minute = spoken.minute;
                    pos += spoken.word.size();
                    break;
                }
            }
        }
    } else if (const std::size_t colon = wordAt(text, pos, {":", "："});
               colon != 0 && digitsEnd(text, pos + colon) > pos + colon) {
        const std::size_t minutesEnd = digitsEnd(text, pos + colon);
        minute = util::readCInt(text.substr(pos + colon, minutesEnd - pos - colon));
        pos = minutesEnd;
    } else if (part == nullptr) {
        return std::nullopt;  // a number alone is no time; after a part of the day (下午3) it is the hour
    }
    SpokenTime time{std::string(text.substr(start, pos - start)), std::nullopt};
    const std::optional<int> hourOfTheDay =
        hourOfDay(hour, part != nullptr ? part->firstHour : 0, part != nullptr ? part->lastHour : 23);
    if (hourOfTheDay && minute >= 0 && minute <= 59)
        time.hourMinute = std::pair{*hourOfTheDay, static_cast<int>(minute)};
    return time;
}

// The first time of day written in text.
std::optional<SpokenTime> findSpokenTime(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size(); pos += util::gbk::charLength(text, pos)) {
        // An hour starts a run of digits: the 5 of 15点 is not an hour of its own.
        if (pos > 0 && isDigit(text[pos - 1]) && isDigit(text[pos]))
            continue;
        if (auto time = spokenTimeAt(text, pos))
            return time;
    }
    return std::nullopt;
}

// The text after the date of the separator or Chinese form, in a text normalised as the working text was (the
// colons kept): after the day's number, or after the first "日".
std::string_view textAfterDate(std::string_view text, DateForm form) {
    if (form == DateForm::kChinese) {
        const std::size_t day = util::gbk::find(text, kDayMark);
        return day == std::string_view::npos ? std::string_view() : text.substr(day + kDayMark.size());
    }
    const char separator = text.find('-') != std::string_view::npos ? '-' : '.';
    const std::size_t first = text.find(separator);
    const std::size_t second = first == std::string_view::npos ? first : text.find(separator, first + 1);
    if (second == std::string_view::npos)
        return {};
    // The day's number as atoi reads it: blanks, a sign, digits.
    std::size_t pos = second + 1;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    return text.substr(digitsEnd(text, pos));
}

// The working text (normalizeInput), or the same with its colons kept for the time of day in words.
std::string normalized(std::string_view text, bool keepColons) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    std::string working = util::gbk::replaceAll(text.substr(begin, end - begin), " ", ",");
    working = util::gbk::replaceAll(working, "　", ",");
    if (!keepColons)
        working = util::gbk::replaceAll(working, ":", "");
    working = util::gbk::replaceAll(working, "。", ".");
    working = util::gbk::replaceAll(working, "，", ",");
    // Digits never occur inside a two-byte character, so a byte search finds only real ones.
    const std::size_t firstDigit = working.find_first_of("123456789");
    if (firstDigit != std::string::npos)
        working.erase(0, firstDigit);
    return working;
}

bool isLeapYear(std::int32_t year) {
    constexpr std::int32_t kLastJulianYear = 1582;
    if (year % 4 != 0)
        return false;
    return year <= kLastJulianYear || year % 100 != 0 || year % 400 == 0;
}

}  // namespace

std::string normalizeInput(std::string_view text) {
    return normalized(text, false);
}

BirthdayOutcome parseBirthday(std::string_view text) {
    // A date of the Chinese calendar (农历…, 阴历…) is read there and handed back here as the Gregorian date it names.
    if (isLunarBirthday(text))
        return parseLunarBirthday(text);
    std::string working = normalizeInput(text);

    std::optional<DateTexts> date;
    DateForm form = DateForm::kSeparator;
    if (working.find_first_of("-.") != std::string::npos)
        date = separatorForm(working);
    if (!date) {
        form = DateForm::kChinese;
        date = chineseForm(working);
    }
    if (!date) {
        form = DateForm::kDigitRun;
        std::optional<DigitRunDate> run = digitRun(working);
        if (!run)
            return BirthdayError{BirthdayError::Kind::kNoDate, kNoDateMessage};
        date = std::move(run->date);
        working = std::move(run->working);
    }

    BirthdayResult result;
    const std::size_t comma = working.find(',');
    result.timeGiven = comma != std::string::npos;
    result.timeText = result.timeGiven ? timeTextAfter(working, comma) : std::string(kDefaultTimeText);
    if (!isValidTime(result.timeText))
        return BirthdayError{BirthdayError::Kind::kBadTime, util::format(kBadTimePattern, result.timeText.c_str())};
    if (!result.timeGiven && form != DateForm::kDigitRun) {
        const std::string spoken = normalized(text, true);
        if (const std::optional<SpokenTime> time = findSpokenTime(textAfterDate(spoken, form))) {
            if (!time->hourMinute)
                return BirthdayError{BirthdayError::Kind::kBadTime,
                                     util::format(kBadTimePattern, time->written.c_str())};
            result.timeGiven = true;
            result.timeText = util::format("%02d%02d", time->hourMinute->first, time->hourMinute->second);
        }
    }

    result.year = util::readCInt(date->year);
    result.month = util::readCInt(date->month);
    result.day = util::readCInt(date->day);
    if (!checkDate(result.year, result.month, result.day))
        return BirthdayError{BirthdayError::Kind::kBadDate, kBadDateMessage};
    result.displayText = util::format("%d.%d.%d", result.year, result.month, result.day);
    if (result.timeGiven)
        result.displayText.append(",").append(result.timeText);
    return result;
}

bool checkDate(std::int32_t year, std::int32_t month, std::int32_t day) {
    constexpr std::int32_t kLastYear = 10000;
    if (year < 1 || year > kLastYear || month < 1 || month > 12 || day < 1)
        return false;
    constexpr std::int32_t kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const std::int32_t february = isLeapYear(year) ? 29 : 28;
    return day <= (month == 2 ? february : kMonthDays[month - 1]);
}

}  // namespace input
