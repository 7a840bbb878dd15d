#include "input/lunar_birthday.h"

#include <optional>
#include <string>

#include "input/lunar_calendar.h"
#include "util/format.h"
#include "util/gbk.h"

// Accepted input (blanks — ASCII or ideographic — before the mark and after it; a colon after it):
//
//   mark year 年 [闰] month 月 day [日|号] rest      农历1990年十一月十七，1255   农历九〇年闰五月初一日
//   mark year SEP [闰] month SEP day [日|号] rest    阴历1990.11.17,1255          农历1990-5-1
//
//   mark    农历 | 阴历
//   year    four digits, or two (00..29: 2000..2029, 30..99: 1930..1999); ASCII, full-width, or 〇 零 一 … 九
//   month   正 一 … 十二 冬 腊, or 1..12 in digits
//   day     初一 … 初十 十一 … 二十 廿一 … 廿九 三十 (also 一 … 三十 and 卅), or 1..30 in digits
//   SEP     . - / 。 ．
//
// The rest (the time of day, as any birthday takes it) follows the Gregorian date in the Chinese form,
// 1991年1月2日，1255, and that text is read by the birthday parser: so a lunar birthday takes every time a Gregorian
// one does, and its result is the parser's own.
namespace input {
namespace {

constexpr std::string_view kMarks[] = {"农历", "阴历"};
constexpr std::string_view kLeapMark = "闰";
constexpr std::string_view kSeparators[] = {".", "-", "/", "。", "．"};
constexpr int kTwoDigitPivot = 30;  // two-digit years below it are of this century, the others of the last

constexpr const char* kUnreadableMessage = "农历日期无法识别！请照“农历1990年十一月十七”或“阴历1990.11.17”的格式输入。";

// Walks a GBK text one character at a time.
class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::string_view peek() const {
        return pos_ < text_.size() ? text_.substr(pos_, util::gbk::charLength(text_, pos_)) : std::string_view();
    }
    void take() { pos_ += peek().size(); }
    bool takeIf(std::string_view c) {
        if (c.empty() || peek() != c)
            return false;
        take();
        return true;
    }
    bool takeBlank() {
        const std::string_view c = peek();
        const bool blank = c == " " || c == "\t" || c == "\n" || c == "\v" || c == "\f" || c == "\r" || c == "　";
        if (blank)
            take();
        return blank;
    }
    std::size_t pos() const { return pos_; }
    std::string_view from(std::size_t start) const { return text_.substr(start, pos_ - start); }
    std::string_view rest() const { return text_.substr(pos_); }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// 0..9 for an ASCII or full-width digit, -1 for anything else.
int arabicDigit(std::string_view c) {
    if (c.size() == 1 && c[0] >= '0' && c[0] <= '9')
        return c[0] - '0';
    constexpr std::string_view kWide[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
    for (int d = 0; d < 10; ++d) {
        if (c == kWide[d])
            return d;
    }
    return -1;
}

// 0..9 for a Chinese numeral digit, -1 for anything else.
int chineseDigit(std::string_view c) {
    constexpr std::string_view kDigits[] = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
    for (int d = 0; d < 10; ++d) {
        if (c == kDigits[d])
            return d;
    }
    return c == "零" ? 0 : -1;
}

int anyDigit(std::string_view c) {
    const int d = arabicDigit(c);
    return d >= 0 ? d : chineseDigit(c);
}

bool isNumeralSign(std::string_view c) {
    return c == "十" || c == "廿" || c == "卅" || c == "初";
}

// A number written in digits (17) or in Chinese numerals (十七, 二十, 廿一, 卅, 初五: 初 before one to ten).
std::optional<int> numberValue(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    Reader r(text);
    if (arabicDigit(r.peek()) >= 0) {
        int value = 0;
        for (int d = arabicDigit(r.peek()); d >= 0 && value < 1000; d = arabicDigit(r.peek())) {
            value = value * 10 + d;
            r.take();
        }
        return r.rest().empty() ? std::optional<int>(value) : std::nullopt;
    }
    const bool early = r.takeIf("初");
    int total = 0;
    int unit = -1;
    bool tens = false;
    const std::size_t start = r.pos();
    for (std::string_view c = r.peek(); !c.empty(); c = r.peek()) {
        if (c == "十") {
            if (tens)
                return std::nullopt;
            total += (unit < 0 ? 1 : unit) * 10;
            unit = -1;
            tens = true;
        } else if (c == "廿" || c == "卅") {
            if (r.pos() != start)
                return std::nullopt;
            total = c == "廿" ? 20 : 30;
            tens = true;
        } else {
            const int d = chineseDigit(c);
            if (d < 0 || unit >= 0)
                return std::nullopt;
            unit = d;
        }
        r.take();
    }
    if (r.pos() == start)
        return std::nullopt;
    if (unit >= 0)
        total += unit;
    if (early && (total < 1 || total > 10))
        return std::nullopt;
    return total;
}

std::optional<int> monthValue(std::string_view text) {
    if (text == "正")
        return 1;
    if (text == "冬")
        return 11;
    if (text == "腊")
        return 12;
    return numberValue(text);
}

// The year: four digits, or two read in the window around this century.
std::optional<int> readYear(Reader& r) {
    int value = 0;
    int count = 0;
    for (int d = anyDigit(r.peek()); d >= 0; d = anyDigit(r.peek())) {
        value = value * 10 + d;
        ++count;
        r.take();
    }
    if (count == 4)
        return value;
    if (count == 2)
        return value < kTwoDigitPivot ? 2000 + value : 1900 + value;
    return std::nullopt;
}

bool takeSeparator(Reader& r) {
    for (std::string_view separator : kSeparators) {
        if (r.takeIf(separator))
            return true;
    }
    return false;
}

// A run of digits, or of Chinese numerals (with 初 十 廿 卅).
std::string_view readNumber(Reader& r) {
    const std::size_t start = r.pos();
    if (arabicDigit(r.peek()) >= 0) {
        while (arabicDigit(r.peek()) >= 0)
            r.take();
    } else {
        while (chineseDigit(r.peek()) >= 0 || isNumeralSign(r.peek()))
            r.take();
    }
    return r.from(start);
}

// The month's text up to 月 (正, 十一, 冬, 5); nothing when no 月 follows within a few characters.
std::optional<std::string_view> readMonthBeforeMark(Reader& r) {
    constexpr int kLongestMonth = 3;
    const std::size_t start = r.pos();
    for (int i = 0; i <= kLongestMonth && !r.peek().empty(); ++i) {
        const std::size_t end = r.pos();
        if (r.takeIf("月"))
            return r.from(start).substr(0, end - start);
        r.take();
    }
    return std::nullopt;
}

// Takes the blanks and the mark that begin the text; false when it does not begin so.
bool takeMark(Reader& r) {
    while (r.takeBlank()) {
    }
    for (std::string_view mark : kMarks) {
        // Both marks are two two-byte characters: a text that holds their bytes from a character's start holds them.
        if (r.peek().size() == 2 && r.rest().substr(0, mark.size()) == mark) {
            r.take();
            r.take();
            return true;
        }
    }
    return false;
}

BirthdayError unreadable() {
    return BirthdayError{BirthdayError::Kind::kNoDate, kUnreadableMessage};
}

BirthdayError noSuchDate(const std::string& message) {
    return BirthdayError{BirthdayError::Kind::kBadDate, message};
}

std::string leapNote(int year) {
    const int leapMonth = leapMonthOf(year).value_or(0);
    return leapMonth == 0 ? std::string("这一年没有闰月") : "这一年" + lunarMonthName(leapMonth, true);
}

}  // namespace

bool isLunarBirthday(std::string_view text) {
    Reader r(text);
    return takeMark(r);
}

BirthdayOutcome parseLunarBirthday(std::string_view text) {
    Reader r(text);
    if (!takeMark(r))
        return unreadable();
    while (r.takeBlank() || r.takeIf(":") || r.takeIf("：")) {
    }

    const std::optional<int> year = readYear(r);
    if (!year)
        return unreadable();
    const bool chinese = r.takeIf("年");
    if (!chinese && !takeSeparator(r))
        return unreadable();
    const bool leap = r.takeIf(kLeapMark);
    std::string_view monthText;
    if (chinese) {
        const auto beforeMark = readMonthBeforeMark(r);
        if (!beforeMark)
            return unreadable();
        monthText = *beforeMark;
    } else {
        monthText = readNumber(r);
        if (monthText.empty() || !takeSeparator(r))
            return unreadable();
    }
    const std::string_view dayText = readNumber(r);
    if (dayText.empty())
        return unreadable();
    if (!r.takeIf("日"))
        r.takeIf("号");

    const std::optional<int> month = monthValue(monthText);
    if (!month || *month < 1 || *month > 12)
        return noSuchDate(util::format("农历月份[%s]数值有误！", std::string(monthText).c_str()));
    const std::optional<int> day = numberValue(dayText);
    if (!day || *day < 1 || *day > 30)
        return noSuchDate(util::format("农历日子[%s]数值有误！", std::string(dayText).c_str()));

    const LunarDate lunar{*year, *month, leap, *day};
    const auto converted = civilDateOf(lunar);
    if (const auto* problem = std::get_if<LunarDateProblem>(&converted)) {
        const std::string monthName = lunarMonthName(*month, leap);
        switch (*problem) {
            case LunarDateProblem::kYearOutside:
                return noSuchDate(util::format("农历%d年不在可换算的范围（%d年至%d年）内！", *year, firstLunarYear(),
                                               lastLunarYear()));
            case LunarDateProblem::kNoLeapMonth:
                return noSuchDate(
                    util::format("农历%d年没有%s（%s）！", *year, monthName.c_str(), leapNote(*year).c_str()));
            case LunarDateProblem::kNoSuchDay:
                return noSuchDate(util::format("农历%d年%s只有二十九天，没有三十！", *year, monthName.c_str()));
            case LunarDateProblem::kNoSuchMonth:
                break;
        }
        return unreadable();
    }
    const auto& date = std::get<CivilDate>(converted);
    return parseBirthday(util::format("%d年%d月%d日", date.year, date.month, date.day) + std::string(r.rest()));
}

}  // namespace input
