// A JPEG picture from the program's resources, decoded when it is first drawn: the main window
// is minimised before it ever paints, so a launch that never shows it never pays for it.
#pragma once

#include "core/owners_win32.h"

namespace ostrel {

class Picture {
  public:
    // Shown scaled from 96 dots per inch to `dpi`.
    Picture(int resourceId, int dpi) : resourceId_(resourceId), dpi_(dpi) {}

    // Draws the picture at its shown size with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y);
    // Decodes (and scales) the picture now, for a window that needs its size before it first
    // draws it.
    void Load();
    // The shown size: the picture's own size scaled to the dots per inch.
    SIZE Size() const { return size_; }

  private:
    int resourceId_;
    int dpi_;
    GdiObject<HBITMAP> bitmap_;  // at the shown size
    SIZE size_{0, 0};
};

}  // namespace ostrel
