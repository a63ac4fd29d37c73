// What the launcher's windows show: the picture box's size, the pictures the program carries, and
// the pixels on the screen compared with them.
#pragma once

#include "core/owners_win32.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/jpeg_image.h"

// Found by argument-dependent lookup only where RECT itself lives.
inline std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace ostrel::test {

// The display's dots per inch, as this program sees them: system DPI aware, as the launcher.
int ScreenDpi();

// A length or rectangle of a layout at 96 dots per inch, at `dpi`.
int Scaled(int pixels, int dpi);
RECT Scaled(const RECT& rect, int dpi);

bool Within(const RECT& inner, const RECT& outer);
SIZE SizeOf(const RECT& rect);

// Scaling rounds each edge on its own: one pixel either way is allowed, none at 96.
int LayoutTolerance(int dpi);
void ExpectNear(const RECT& actual, const RECT& expected, int dpi, const std::string& what);

// A window with a dialog frame and a caption bar around 207 x 188, the picture box's layout, at
// 96 dots per inch, scaled to `dpi` as a whole where the system measures frames for any DPI
// (Windows 10 1607 and later, Wine); before, the system's frame around the scaled layout.
SIZE DialogFramedOuterSize(int dpi);

// The launcher's main window and its controls, at 96 dots per inch.
struct LayoutControl {
    int id;
    const char* name;
    RECT rect;
};
inline constexpr LayoutControl kMainWindowControls[] = {
    {kImage1, "Image1", {0, 0, 640, 480}},  {kLabel1, "Label1", {576, 0, 601, 13}},
    {kButton1, "Button1", {8, 72, 83, 97}}, {kButton2, "Button2", {8, 8, 129, 33}},
    {kMemo1, "Memo1", {8, 200, 601, 473}},  {kButton3, "Button3", {308, 6, 383, 31}},
};
// The main window is that layout scaled to `dpi`, borderless at 8,132 around 602 x 478.
void ExpectMainWindowLayout(HWND window, int dpi);

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

// Points of `picture`, drawn scaled to `dpi` at `origin` on the screen, where it hardly changes
// around them (so that any smoothing of the scaling leaves their colour nearly as it is), the
// screen shows them (`visible`) and nothing lies over them (`covered`, given the point in the
// picture and on the screen).
using Covered = std::function<bool(int x, int y, POINT screen)>;
std::vector<Sample> ScaledPictureSamples(const DecodedImage& picture, int dpi, POINT origin,
                                         const RECT& visible, const Covered& covered);
// How far a sample of a picture on the screen may differ: more where it is scaled.
int PictureTolerance(int dpi);

}  // namespace ostrel::test
