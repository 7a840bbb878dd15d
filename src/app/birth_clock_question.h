#pragma once

#include <string>
#include <string_view>

#include "input/birthday_parser.h"
#include "input/clock_history.h"
#include "ui/window.h"

// The question about the clocks of the birth place: when a birthday with a time of day, read on the clocks of the
// place the area names, stood for another offset from UTC than the chosen time-zone entry, the user is told and asked
// whether to compute with the offset the clocks had; a moment the clocks skipped or showed twice, or an offset the
// list cannot hold, gets a note instead.
namespace app {

// The text of the question (kDiffers) or note (kNotInList, kSkipped, kRepeated) for a check; empty for the others.
std::string birthClockText(const input::ClockCheck& check, const input::BirthdayResult& birthday);

// Asks or tells the user as the check requires and returns the time-zone index to compute with: the suggested entry
// when the user said Yes, otherwise the index as it was.
int settleBirthClock(ui::Window& window, std::string_view area, const input::BirthdayResult& birthday, int zoneIndex);

}  // namespace app
