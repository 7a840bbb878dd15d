#pragma once

#include <windows.h>

// The calculator's window: a top-level window of class "Corvina" that takes each request as WM_SETTEXT, answers the
// window named in it with WM_COPYDATA, and shows the last request, the ten positions it computed and any problem;
// for a request with a place also the place, and beside the planets the house system, ascendant and midheaven.
namespace corvina::win32 {

// The window's texts, by control id: the request, its moment, the problem line, the count of answers sent, and for
// planet p (0 sun .. 9 pluto) its name, sign and position at kPlanetId + 3p, + 3p + 1 and + 3p + 2. With a place:
// the place, the house system, and the ascendant (a = 0) and midheaven (a = 1) at kAngleId + 3a, + 3a + 1, + 3a + 2.
constexpr int kRequestId = 100, kMomentId = 101, kProblemId = 102, kCountId = 103, kPlanetId = 110;
constexpr int kPlaceId = 104, kHouseSystemId = 105, kAngleId = 140;

// Opens the window and runs its message loop until it is closed; the program's exit code. When a calculator window
// is open already, that one is brought forward instead and this returns at once.
int runCalculatorWindow(HINSTANCE instance, int show);

}  // namespace corvina::win32
