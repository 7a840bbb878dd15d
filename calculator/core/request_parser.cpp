#include "core/request_parser.h"

#include <climits>
#include <utility>

// Grammar (every byte counts, nothing is skipped, at most kRequestMaxBytes bytes):
//   request = "$" class "#" year "." month "." day "," time ":" zone
//   class   = 1*(printable ASCII other than "#")
//   year    = ["-"] 1*DIGIT
//   month   = 1*DIGIT            ; 1..12
//   day     = 1*DIGIT            ; 1..31
//   time    = 2DIGIT 2DIGIT      ; hour 00..23, minute 00..59
//   zone    = ["-"] 1*DIGIT      ; any value; the moment decides what an unknown zone means
// The form writes the numbers with "%d"; leading zeros are taken as well. Numbers too long for an int saturate, so
// that a huge year is refused as a date beyond the ephemeris rather than wrapped into a plausible one.
namespace corvina {
namespace {

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool atEnd() const { return pos_ == bytes_.size(); }

    bool take(char c) {
        if (atEnd() || bytes_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }

    // [-]digits, saturating; false when no digit follows.
    bool number(bool allowMinus, int& value) {
        const bool negative = allowMinus && take('-');
        const std::size_t start = pos_;
        long long magnitude = 0;
        while (!atEnd() && isDigit(bytes_[pos_])) {
            magnitude = magnitude * 10 + (bytes_[pos_] - '0');
            if (magnitude > INT_MAX)
                magnitude = static_cast<long long>(INT_MAX) + 1;
            ++pos_;
        }
        if (pos_ == start)
            return false;
        if (negative)
            magnitude = -magnitude;
        value = static_cast<int>(magnitude > INT_MAX ? INT_MAX : magnitude < INT_MIN ? INT_MIN : magnitude);
        return true;
    }

    bool twoDigits(int& value) {
        if (bytes_.size() - pos_ < 2 || !isDigit(bytes_[pos_]) || !isDigit(bytes_[pos_ + 1]))
            return false;
        value = (bytes_[pos_] - '0') * 10 + (bytes_[pos_ + 1] - '0');
        pos_ += 2;
        return true;
    }

    // Bytes up to (not including) the next c; false when c does not follow.
    bool until(char c, std::string_view& piece) {
        const std::size_t end = bytes_.find(c, pos_);
        if (end == std::string_view::npos)
            return false;
        piece = bytes_.substr(pos_, end - pos_);
        pos_ = end;
        return true;
    }

  private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

RequestParse refuse(std::string reason) {
    return RequestParse{std::nullopt, std::move(reason)};
}

}  // namespace

RequestParse parseCalculatorRequest(std::string_view bytes) {
    if (bytes.size() > kRequestMaxBytes)
        return refuse("请求长于 99 字节");
    Reader in(bytes);
    CalculatorRequest r;
    if (!in.take('$'))
        return refuse("请求不以 \"$\" 开头");
    std::string_view windowClass;
    if (!in.until('#', windowClass))
        return refuse("窗口类名后缺少 \"#\"");
    if (windowClass.empty())
        return refuse("窗口类名为空");
    for (const char c : windowClass) {
        if (c < '!' || c > '~')
            return refuse("窗口类名含有可打印 ASCII 字符以外的字节");
    }
    r.windowClass = std::string(windowClass);
    in.take('#');
    if (!in.number(true, r.year))
        return refuse("年份不是数字");
    if (!in.take('.'))
        return refuse("年份后缺少 \".\"");
    if (!in.number(false, r.month))
        return refuse("月份不是数字");
    if (!in.take('.'))
        return refuse("月份后缺少 \".\"");
    if (!in.number(false, r.day))
        return refuse("日期不是数字");
    if (!in.take(','))
        return refuse("日期后缺少 \",\"");
    if (!in.twoDigits(r.hour) || !in.twoDigits(r.minute))
        return refuse("时间不是四位数字 HHMM");
    if (!in.take(':'))
        return refuse("时间后缺少 \":\"");
    if (!in.number(true, r.zoneIndex))
        return refuse("时区序号不是数字");
    if (!in.atEnd())
        return refuse("时区序号后有多余的字节");
    if (r.month < 1 || r.month > 12)
        return refuse("月份不在 1..12 之内");
    if (r.day < 1 || r.day > 31)
        return refuse("日期不在 1..31 之内");
    if (r.hour > 23)
        return refuse("小时不在 00..23 之内");
    if (r.minute > 59)
        return refuse("分钟不在 00..59 之内");
    return RequestParse{std::move(r), {}};
}

}  // namespace corvina
