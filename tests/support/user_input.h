// Input as a user gives it, through the system's input queue: the foreground by a click, and keys
// into the window that has it. Windows lets a program that is not in the foreground take it only
// in narrow cases, and keys go wherever the foreground is: both are checked, not assumed.
#pragma once

#include <windows.h>

#include <vector>

namespace ostrel::test {

// Gives `window` the foreground with a click at a point of it that no other window covers and
// where nothing but the window or a picture that ignores clicks lies (a click on a control would
// press it or take the focus), and again when nothing came of it. A fatal failure, "foreground not
// given", when no such point is in view or the window does not have the foreground after that.
void GiveForeground(HWND window);

// Presses and releases each key in turn, with `modifier` (none: 0) held down throughout, into
// `window`, the foreground window; a failure, typing nothing, when another window has it.
void PressKeys(HWND window, const std::vector<WORD>& keys, WORD modifier = 0);

}  // namespace ostrel::test
