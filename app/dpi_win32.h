// Sizes in the layouts are pixels at 96 dots per inch. The program is system DPI aware (see its
// manifest): on a screen set to more, each window scales its layout, font and picture by the
// system's dots per inch when it is made.
#pragma once

#include <windows.h>

namespace ostrel {

constexpr int kLayoutDpi = USER_DEFAULT_SCREEN_DPI;

// The system's dots per inch, as the screen reports them to a system-aware program.
int SystemDpi();

// A length of the layout, in pixels at `dpi`, rounded to the nearest pixel.
inline int ScaleToDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, kLayoutDpi); }

// Each edge scaled on its own, so that controls whose edges meet or line up at 96 dots per inch
// still do at `dpi`.
inline RECT ScaleToDpi(const RECT& rect, int dpi) {
    return RECT{ScaleToDpi(rect.left, dpi), ScaleToDpi(rect.top, dpi), ScaleToDpi(rect.right, dpi),
                ScaleToDpi(rect.bottom, dpi)};
}

}  // namespace ostrel
