#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "input/birthday_parser.h"
#include "input/clock_history.h"
#include "ui/window.h"

// The question about the clocks of the birth place: when a birthday with a time of day, read on the clocks of the
// place the area names or of the atlas place, stood for another offset from UTC than the chosen time-zone entry, the
// user is told and asked whether to compute with the offset the clocks had; a moment the clocks skipped or showed
// twice, or an offset the list cannot hold, gets a note instead.
namespace app {

// The text of the question (kDiffers) or note (kNotInList, kSkipped, kRepeated) for a check; empty for the others.
// For a place of the atlas, an offset the list cannot hold is computed with exactly, and the note says so.
std::string birthClockText(const input::ClockCheck& check, const input::BirthdayResult& birthday);

// Asks or tells the user as the check requires and returns the time-zone index to compute with: the suggested entry
// when the user said Yes, otherwise the index as it was.
int settleBirthClock(ui::Window& window, std::string_view area, const input::BirthdayResult& birthday, int zoneIndex);

// What to compute with for a birth place of the atlas.
struct BirthClockChoice {
    int zoneIndex = 0;               // the time-zone entry to select: the card keeps it and the request carries it
    std::int32_t offsetSeconds = 0;  // the birth time's offset from UTC, east positive, to the second
    // The offset to the nearest minute, as the request's birth place carries it.
    int offsetMinutes() const;
};

// For a birth place of the atlas (input::clockPlaceAt): asks or tells the user as the check requires and returns the
// entry to select and the offset to compute with. The entry is the suggested one when the user said Yes, otherwise
// the index as it was (also where the clocks' offset is no entry of the list). The offset is the clocks' own where
// they showed the birth time once (or the default noon of a birthday without a time of day): one the list cannot
// hold (UTC+5:30, a local mean time) too, which the note says; the chosen entry's where the user said No, or the
// clocks skipped the time or showed it twice.
BirthClockChoice settleBirthClock(ui::Window& window,
                                  const input::ClockPlace& place,
                                  const input::BirthdayResult& birthday,
                                  int zoneIndex);

}  // namespace app
