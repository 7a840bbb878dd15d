#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/card_exchange.h"

// Cards in the astrological exchange format AAF: a text file of records, each a "#A93:" line followed by other
// chunks; a chunk starts in the first column with "#", its id and ":", and goes on over the following lines that do
// not start with "#". Lines end in CR LF, LF or a lone CR. Fields are separated by commas and may have blanks around
// them; "*" marks a value that is not known. Written in UTF-8; read in UTF-8 or Windows-1252, as the file's bytes
// decide (unicode_text.h).
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
// the sex field left out, records without #B93 or #LPOS, chunks this system does not keep (ignored), sub-charts
// (a "#SUB" chunk and every chunk after it up to the next record: other moments, not the card's). A card gets the
// name from last and first name, the area from place and country, the time zone when the record's first #B93 gives
// a whole hour from -12 to +12 with its summer time, the memo from every #COM, and sign and degree.minutes of each
// planet #LPOS names (seconds rounded to the minute); planets it does not name stay without sign. The birthday is
// year.month.day[,hhmm] as the form's birthday parser writes it, and only a date that parser accepts: a date marked
// "g" (Gregorian) or "j" (Julian) is given in the calendar the cards keep, the Julian up to 4 October 1582 and the
// Gregorian from 15 October 1582 (as the calculator reads them), and 24:00 is the next day's 00:00. recorded fills
// every card's "recorded" text. A record is skipped, with its line and why, when its #A93 has too few fields, its
// date or time cannot be read or does not exist, a planet's position cannot be read, or a text holds a byte of no
// character or a character GBK lacks. Each card read goes to take.
ReadReport readAaf(std::string_view bytes, std::string_view recorded, const CardSink& take);
ReadCards readAaf(std::string_view bytes, std::string_view recorded = {});

// The time-zone index (1..25) of an AAF zone field and summer-time field: "8he00", "5hW30", "1he", "0e21:48",
// "8:00E", "5:00w", "-5", "1", "-5:00" (hours east unless marked W); nothing unless the offset is a whole number of
// hours from -12 to +12.
std::optional<int> zoneIndexOfAaf(std::string_view zone, std::string_view summerTime);

}  // namespace exchange
