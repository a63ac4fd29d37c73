// What the launcher's windows show: the picture box's size, the pictures the program carries, and
// the pixels on the screen compared with them.
#pragma once

#include "core/owners_win32.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "app/jpeg_image.h"

// Found by argument-dependent lookup only where RECT itself lives.
inline std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace ostrel::test {

// A window with a dialog frame and a caption bar around 207 x 188, the picture box's layout, on
// this system.
SIZE DialogFramedOuterSize();

// A picture that ostrel.exe carries, decoded.
DecodedImage LauncherPicture(int resourceId);

COLORREF PixelOf(const DecodedImage& picture, int x, int y);

// An icon's colour and mask pixels, 32 bits each; empty when they cannot be read.
std::vector<std::uint32_t> IconPixels(HICON icon);
// MAINICON of ostrel.exe at the system's icon size, as IconPixels reads it.
std::vector<std::uint32_t> LauncherIconPixels();

// The largest difference between the two colours' channels.
int ColourDistance(COLORREF a, COLORREF b);

// Colours on screens of fewer than 24 bits come back rounded.
int ColourTolerance(HDC dc);

struct Sample {
    POINT screen;
    COLORREF expected;
};

// Empty when the screen shows every sample within `tolerance`, else how many it does not and the
// first of them.
std::string ScreenMismatches(const std::vector<Sample>& samples, int tolerance);

// Expects at least `fewest` samples, and the screen to show them all soon.
void ExpectOnScreen(const std::vector<Sample>& samples, std::size_t fewest, int tolerance);

}  // namespace ostrel::test
