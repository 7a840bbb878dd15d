#include "core/request_parser.h"

#include <algorithm>
#include <climits>
#include <utility>

// Grammar (every byte counts, nothing is skipped, at most kRequestMaxBytes bytes):
//   request = "$" class "#" year "." month "." day "," time ":" zone [place]
//   class   = 1*(printable ASCII other than "#")
//   year    = ["-"] 1*DIGIT
//   month   = 1*DIGIT            ; 1..12
//   day     = 1*DIGIT            ; 1..31
//   time    = 2DIGIT 2DIGIT      ; hour 00..23, minute 00..59
//   zone    = ["-"] 1*DIGIT      ; any value; the moment decides what an unknown zone means
//   place   = "@" degrees "," degrees "," offset    ; latitude -90..90, longitude -180..180
//   degrees = ["+" / "-"] 1*DIGIT ["." 1*4DIGIT]   ; north and east positive
//   offset  = ["+" / "-"] 1*DIGIT                   ; minutes east of UTC, -1080..1080
// The form writes the numbers with "%d"; leading zeros are taken as well. Numbers too long for an int saturate, so
// that a huge year is refused as a date beyond the ephemeris rather than wrapped into a plausible one. Degrees are
// read as whole ten-thousandths, so that a latitude becomes exactly the double that the decimal text names.
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

    // ["+" | "-"] digits, saturating far beyond any range a place part may have; false when no digit follows.
    bool signedWhole(long long& value) {
        const bool negative = !take('+') && take('-');
        if (!digits(value))
            return false;
        if (negative)
            value = -value;
        return true;
    }

    // ["+" | "-"] digits ["." 1 to 4 digits] as ten-thousandths; false when the bytes are not of that form.
    bool decimalDegrees(long long& tenThousandths) {
        const bool negative = !take('+') && take('-');
        long long whole = 0;
        if (!digits(whole))
            return false;
        long long fraction = 0;
        if (take('.')) {
            int decimals = 0;
            for (; !atEnd() && isDigit(bytes_[pos_]); ++pos_, ++decimals) {
                if (decimals == kPlaceDecimals)
                    return false;
                fraction = fraction * 10 + (bytes_[pos_] - '0');
            }
            if (decimals == 0)
                return false;
            for (; decimals < kPlaceDecimals; ++decimals)
                fraction *= 10;
        }
        tenThousandths = whole * 10000 + fraction;
        if (negative)
            tenThousandths = -tenThousandths;
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
    static constexpr int kPlaceDecimals = 4;
    static constexpr long long kSaturation = 1000000000;

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    bool digits(long long& value) {
        const std::size_t start = pos_;
        value = 0;
        for (; !atEnd() && isDigit(bytes_[pos_]); ++pos_)
            value = std::min(value * 10 + (bytes_[pos_] - '0'), kSaturation);
        return pos_ != start;
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

RequestParse refuse(std::string reason) {
    return RequestParse{std::nullopt, std::move(reason)};
}

struct PlaceParts {
    long long latitude = 0;  // ten-thousandths of a degree
    long long longitude = 0;
    long long offsetMinutes = 0;
};

// The place after its "@": an empty reason when it reads, else why not. Ranges are checked by the caller.
std::string readPlace(Reader& in, PlaceParts& place) {
    if (!in.decimalDegrees(place.latitude))
        return "纬度不是至多四位小数的度数";
    if (!in.take(','))
        return "纬度后缺少 \",\"";
    if (!in.decimalDegrees(place.longitude))
        return "经度不是至多四位小数的度数";
    if (!in.take(','))
        return "经度后缺少 \",\"";
    if (!in.signedWhole(place.offsetMinutes))
        return "与 UTC 的时差不是整分钟数";
    if (!in.atEnd())
        return "时差后有多余的字节";
    return {};
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
    std::optional<PlaceParts> place;
    if (in.take('@')) {
        place.emplace();
        if (std::string why = readPlace(in, *place); !why.empty())
            return refuse(std::move(why));
    }
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
    if (place) {
        if (place->latitude < -900000 || place->latitude > 900000)
            return refuse("纬度不在 -90..90 之内");
        if (place->longitude < -1800000 || place->longitude > 1800000)
            return refuse("经度不在 -180..180 之内");
        if (place->offsetMinutes < -kMaxOffsetMinutes || place->offsetMinutes > kMaxOffsetMinutes)
            return refuse("时差不在 -1080..1080 分钟（±18 小时）之内");
        r.place = BirthPlace{static_cast<double>(place->latitude) / 10000.0,
                             static_cast<double>(place->longitude) / 10000.0, static_cast<int>(place->offsetMinutes)};
    }
    return RequestParse{std::move(r), {}};
}

}  // namespace corvina
