#pragma once

#include <windows.h>

// The calculator's window: a top-level window of class "Corvina" that takes each request as WM_SETTEXT, answers the
// window named in it with WM_COPYDATA, and shows the last request, the ten positions it computed and any problem.
namespace corvina::win32 {

// The window's texts, by control id: the request, its moment, the problem line, the count of answers sent, and for
// planet p (0 sun .. 9 pluto) its name, sign and position at kPlanetId + 3p, + 3p + 1 and + 3p + 2.
constexpr int kRequestId = 100, kMomentId = 101, kProblemId = 102, kCountId = 103, kPlanetId = 110;

// Opens the window and runs its message loop until it is closed; the program's exit code. When a calculator window
// is open already, that one is brought forward instead and this returns at once.
int runCalculatorWindow(HINSTANCE instance, int show);

}  // namespace corvina::win32
