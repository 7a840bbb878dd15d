#pragma once

#include <array>
#include <string_view>

// The zodiac sign table: thirteen rows by sign index, 0 the "no sign" placeholder and 1..12 Aries..Pisces. The sign
// index is the position in every sign list and the number stored in the document. Texts are GBK.
namespace chart {

constexpr int kSignCount = 12;

struct ZodiacSign {
    std::string_view comboText;     // the text in the sign lists: "--星座--" for row 0, else two characters
    std::string_view englishName;   // empty for row 0
    std::string_view abbreviation;  // one character; empty for row 0
};

// All thirteen rows, by sign index.
const std::array<ZodiacSign, kSignCount + 1>& zodiacSigns();

// Whether sign names a sign of the zodiac (1..12), as opposed to the placeholder 0 or no selection at all (-1).
constexpr bool isZodiacSign(int sign) {
    return sign >= 1 && sign <= kSignCount;
}

// Combo text of sign index 0..12; empty for any other index.
std::string_view signComboText(int sign);

// English name of sign 1..12; empty for any other index.
std::string_view signEnglishName(int sign);

// The three-letter key by which a calculator answer names sign 1..12: the first three letters of its English name
// ("Ari", "Tau", ...); empty for any other index.
std::string_view signKey(int sign);

// Sign abbreviation of sign 1..12; empty for any other index.
std::string_view signAbbreviation(int sign);

// Sign abbreviation of a stored sign number text: its leading number read as atoi reads it; a text whose number is
// not 1..12 (0, negative, too large, no number at all) gives the empty text.
std::string_view signAbbreviationOfText(std::string_view storedSign);

}  // namespace chart
