#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/card_exchange.h"

// Cards in the astrological exchange format AAF: a text file of records, each a "#A93:" line followed by other
// chunks; a chunk starts in the first column with "#", its id and ":", and goes on over the following lines that do
// not start with "#". Fields are separated by commas and may have blanks around them; "*" marks a value that is not
// known. Written in UTF-8; read as UTF-8 when the file is that, otherwise as Latin-1.
//
// What a card carries, written and read back:
//   #A93:name,first name,sex,date,time,place,country   name, first name "*", sex "*", the birthday's date
//        dd.mm.yyyy and time hh:mm, the area as place, country "*"
//   #B93:julian day,latitude,longitude,zone,summer time   "*,*,*,8he00,0" from the card's time zone, when it has one
//   #COM:text                                             the memo, one line of the file per line of the memo
//   #LPOS:SO15AR23:00,MO...                               the planets with a sign: the degree's two decimals are
//                                                         its minutes, as the calculator gives them; no seconds
// The other texts of a card (category, lunar date, when recorded, the aspect texts) have no place in the format.
namespace exchange {

// The cards as AAF. A birthday not of the form year.month.day[,hhmm] is written as unknown ("*"), and said so in the
// problems; commas and "#" in a field become their full-width forms, line breaks blanks.
WrittenCards writeAaf(const std::vector<store::Person>& persons);

// Reads AAF as other programs write it: comment chunks "#:", continuation lines, blanks around fields, "*" fields,
// the sex field left out, records without #B93 or #LPOS, chunks this system does not keep (ignored). A card gets the
// name from last and first name, the birthday as year.month.day[,hhmm], the area from place and country, the time
// zone when the zone and summer time give a whole hour from -12 to +12, the memo from every #COM, and sign and
// degree.minutes of each planet #LPOS names (seconds rounded to the minute); planets it does not name stay without
// sign. recorded fills every card's "recorded" text. A record is skipped, with its line and why, when its #A93
// has too few fields, its date, time or a planet's position cannot be read, or a text holds a character GBK lacks.
ReadCards readAaf(std::string_view bytes, std::string_view recorded = {});

// The time-zone index (1..25) of an AAF zone field and summer-time field: "8he00", "5hW30", "1he", "0e21:48",
// "-5", "1" (hours east); nothing unless the offset is a whole number of hours from -12 to +12.
std::optional<int> zoneIndexOfAaf(std::string_view zone, std::string_view summerTime);

}  // namespace exchange
