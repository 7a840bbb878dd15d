#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "exchange/card_exchange.h"

// Cards as comma-separated values (RFC 4180) in UTF-8: a byte-order mark, one header row of ASCII column names, then
// one record per card holding all 36 of its texts as the document stores them, except the memo, whose stored "|" are
// line breaks (CRLF) inside its quoted field.
namespace exchange {

struct CsvColumn {
    std::string_view name;
    store::PersonKey key;
};
// The columns in the order they are written: code, name, category, birthday, time_zone, lunar_date, area, memo,
// recorded, then sun_sign, sun_degree ... pluto_degree, then square, opposition, conjunction, trine, sextile,
// plum_blossom, sun_moon.
extern const std::array<CsvColumn, store::kPersonKeyCount> kCsvColumns;

// The cards as a CSV file. Texts that are not GBK are written with "?" in place of what cannot be converted, and
// said so in the problems.
WrittenCards writeCsv(const std::vector<store::Person>& persons);

// Reads a CSV file, in UTF-8 or Windows-1252 as its bytes decide (unicode_text.h). The grammar:
//   file    = [BOM] header *(break record) [break]
//   record  = field *("," field)          ; a line holding nothing is no record
//   field   = quoted / plain
//   quoted  = DQUOTE *(any byte but DQUOTE / 2DQUOTE) DQUOTE   ; may hold commas and line breaks
//   plain   = *(any byte but "," / CR / LF)
//   break   = CRLF / LF / CR
// Columns are found by their header names (ASCII case ignored, blanks around them too); missing ones read as empty;
// the code column is read but an import gives new codes. The columns not used (an unknown or repeated name, or no
// name but a text in some record) are named in one note. A birthday is kept as the form's birthday parser writes
// it. A record is skipped, with its line and why, when a field holds a byte of no character or a character GBK
// lacks, a field other than the memo holds a line break, the birthday is not one the parser accepts, it has more
// fields than the header, or a quote is left open or followed by more text. Each card read goes to take.
ReadReport readCsv(std::string_view bytes, const CardSink& take);
ReadCards readCsv(std::string_view bytes);

}  // namespace exchange
