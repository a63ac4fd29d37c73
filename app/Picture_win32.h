// A JPEG picture from the program's resources, decoded when it is first drawn: the main window
// is minimised before it ever paints, so a launch that never shows it never pays for it.
#pragma once

#include <windows.h>

#include "app/gdi_win32.h"

namespace ostrel {

class Picture {
  public:
    explicit Picture(int resourceId) : resourceId_(resourceId) {}

    // Draws the picture at its own size with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y);
    // Decodes the picture now, for a window that needs its size before it first draws it.
    void Load();
    bool Loaded() const { return static_cast<bool>(bitmap_); }
    SIZE Size() const { return size_; }

  private:
    int resourceId_;
    GdiObject<HBITMAP> bitmap_;
    SIZE size_{0, 0};
};

}  // namespace ostrel
