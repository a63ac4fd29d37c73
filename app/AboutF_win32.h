// TAboutBox: the small stay-on-top picture box shown while the launcher polls.
#pragma once

#include <windows.h>

#include "app/Picture_win32.h"
#include "core/handles_win32.h"

namespace ostrel {

class TAboutBox {
  public:
    inline static const char kClassName[] = "TAboutBox";
    inline static const char kPanelClassName[] = "TPanel";
    // Control identifiers, also used by tests that look at the box from outside.
    static constexpr int kPanel1Id = 1;  // child of the box
    static constexpr int kImage1Id = 2;  // child of Panel1

    static void Register(HINSTANCE instance);

    // Loads the picture and creates the box hidden, with a dialog frame around its client area,
    // scaled to the system's dots per inch.
    explicit TAboutBox(HINSTANCE instance);
    TAboutBox(const TAboutBox&) = delete;
    TAboutBox& operator=(const TAboutBox&) = delete;

    // Removes the frame (keeping the outer size), makes the box stay on top, shows it centred on
    // the screen and paints it before returning.
    void ShowOnTop();
    HWND Handle() const { return window_.get(); }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Panel1Proc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls(HINSTANCE instance);
    void AlignPanel1();
    void PaintPanel1(HWND panel);
    void DrawImage1(const DRAWITEMSTRUCT& item);

    int dpi_;  // the layout's and picture's scale
    Picture picture_;
    // Destroyed first: the window procedures may still reach the members above while it goes.
    OwnedWindow window_;
    HWND panel1_ = nullptr;  // owned by the box window
};

}  // namespace ostrel
