#include "chart/zodiac_sign_table.h"

#include "util/c_number.h"

namespace chart {
namespace {

constexpr std::array<ZodiacSign, kSignCount + 1> kZodiacSigns = {{
    {"--星座--", "", ""},
    {"白羊", "Aries", "白"},
    {"金牛", "Taurus", "金"},
    {"双子", "Gemini", "双"},
    {"巨蟹", "Cancer", "巨"},
    {"狮子", "Leo", "狮"},
    {"处女", "Virgo", "处"},
    {"天秤", "Libra", "秤"},
    {"天蝎", "Scorpio", "蝎"},
    {"射手", "Sagittarius", "射"},
    {"摩羯", "Capricorn", "摩"},
    {"水瓶", "Aquarius", "瓶"},
    {"双鱼", "Pisces", "鱼"},
}};

constexpr std::size_t kKeyLength = 3;

}  // namespace

const std::array<ZodiacSign, kSignCount + 1>& zodiacSigns() {
    return kZodiacSigns;
}

std::string_view signComboText(int sign) {
    return sign >= 0 && sign <= kSignCount ? kZodiacSigns[sign].comboText : std::string_view();
}

std::string_view signEnglishName(int sign) {
    return isZodiacSign(sign) ? kZodiacSigns[sign].englishName : std::string_view();
}

std::string_view signKey(int sign) {
    return signEnglishName(sign).substr(0, kKeyLength);
}

std::string_view signAbbreviation(int sign) {
    return isZodiacSign(sign) ? kZodiacSigns[sign].abbreviation : std::string_view();
}

std::string_view signAbbreviationOfText(std::string_view storedSign) {
    return signAbbreviation(util::readCInt(storedSign));
}

}  // namespace chart
