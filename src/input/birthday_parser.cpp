#include "input/birthday_parser.h"

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
// and then the time: the four bytes after the first "," (never half a character) as HHMM, 00..23 and 00..59;
// "1200" when there is no ",". The time is checked before the date.
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

bool isLeapYear(std::int32_t year) {
    constexpr std::int32_t kLastJulianYear = 1582;
    if (year % 4 != 0)
        return false;
    return year <= kLastJulianYear || year % 100 != 0 || year % 400 == 0;
}

}  // namespace

std::string normalizeInput(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    std::string working = util::gbk::replaceAll(text.substr(begin, end - begin), " ", ",");
    working = util::gbk::replaceAll(working, "　", ",");
    working = util::gbk::replaceAll(working, ":", "");
    working = util::gbk::replaceAll(working, "。", ".");
    working = util::gbk::replaceAll(working, "，", ",");
    // Digits never occur inside a two-byte character, so a byte search finds only real ones.
    const std::size_t firstDigit = working.find_first_of("123456789");
    if (firstDigit != std::string::npos)
        working.erase(0, firstDigit);
    return working;
}

BirthdayOutcome parseBirthday(std::string_view text) {
    // A date of the Chinese calendar (农历…, 阴历…) is read there and handed back here as the Gregorian date it names.
    if (isLunarBirthday(text))
        return parseLunarBirthday(text);
    std::string working = normalizeInput(text);

    std::optional<DateTexts> date;
    if (working.find_first_of("-.") != std::string::npos)
        date = separatorForm(working);
    if (!date)
        date = chineseForm(working);
    if (!date) {
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
