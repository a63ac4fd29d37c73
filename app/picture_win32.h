// A JPEG picture from the program's resources, decoded and made a bitmap at the shown size by
// Load, which its window calls when it first needs it.
#pragma once

#include "core/owners_win32.h"

namespace ostrel {

class Picture {
  public:
    // Shown scaled from 96 dots per inch to `dpi`.
    Picture(int resourceId, int dpi) : resourceId_(resourceId), dpi_(dpi) {}

    // Draws the picture at its shown size with its top-left corner at (x, y); nothing before Load.
    void Draw(HDC dc, int x, int y);
    // Decodes (and scales) the picture; raises when it cannot.
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
