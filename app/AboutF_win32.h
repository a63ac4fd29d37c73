// TAboutBox: the small stay-on-top picture box shown while the launcher polls.
#pragma once

#include <windows.h>

#include "app/Picture_win32.h"

namespace ostrel {

class TAboutBox {
  public:
    inline static const char kClassName[] = "TAboutBox";
    static void Register(HINSTANCE instance);

    // Created hidden, with a dialog frame around its client area.
    explicit TAboutBox(HINSTANCE instance);
    ~TAboutBox();
    TAboutBox(const TAboutBox&) = delete;
    TAboutBox& operator=(const TAboutBox&) = delete;

    // Removes the frame (keeping the outer size), makes the box stay on top, shows it centred on
    // the screen and paints it before returning.
    void ShowOnTop();
    HWND Handle() const { return window_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND window_ = nullptr;
    Picture picture_;
};

}  // namespace ostrel
