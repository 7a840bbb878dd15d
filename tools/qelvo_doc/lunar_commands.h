#pragma once

#include <optional>

#include "arguments.h"

// The commands of qelvo-doc that need no document: the Chinese calendar both ways. The word where a document would
// stand names the command.
//
//   qelvo-doc lunar DATE     the lunar date of a birthday typed in any form the form takes: 庚午马年十一月十七
//   qelvo-doc solar TEXT     the birthday a lunar date names (农历1990年十一月十七，1255; the mark 农历 may be left
//   out),
//                            as the form's display text: 1991.1.2,1255
//
// The tool's exit status when the arguments are one of them, nothing otherwise: 0 printed (with a line break), 1 the
// date lies outside the calendar, 2 the text is no date (a message on standard error says why).
std::optional<int> runCalendarCommand(const Arguments& args);
