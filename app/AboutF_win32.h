// TAboutBox: the small stay-on-top picture box shown while the launcher polls.
#pragma once

#include "app/picture_win32.h"
#include "core/window_win32.h"

namespace ostrel {

// Image1: the picture, centred in its bounds. A window class of the launcher's own rather than a
// picture control of the system's: the system's controls come from the common controls' library,
// which a launcher that only ever shows the picture box need not load (3 MiB of memory).
class TImage : public Window {
  public:
    inline static const char kClassName[] = "TImage";

    TImage(ErrorReporter& errors, Picture& picture) : Window(&errors), picture_(picture) {}
    void Create(HWND parent, const RECT& bounds, int id);

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    Picture& picture_;
};

// Panel1: the white panel with a raised outer and a lowered inner bevel that fills the box, and
// Image1 on it.
class TPanel : public Window {
  public:
    TPanel(ErrorReporter& errors, Picture& picture) : Window(&errors), Image1(errors, picture) {}
    // Creates the panel in `box` with `bounds`, and Image1 on it at `image1Place` with the
    // picture's size.
    void Create(HWND box, const RECT& bounds, POINT image1Place, SIZE picture);

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint();

    TImage Image1;
};

class TAboutBox : public Window {
  public:
    inline static const char kClassName[] = "TAboutBox";
    inline static const char kPanelClassName[] = "TPanel";
    // Control identifiers, also used by tests that look at the box from outside.
    static constexpr int kPanel1Id = 1;  // child of the box
    static constexpr int kImage1Id = 2;  // child of Panel1

    // Loads the picture and creates the box hidden, with a dialog frame around its client area,
    // scaled to the system's dots per inch. What its windows' handlers raise goes to `owner`.
    explicit TAboutBox(ErrorReporter& owner);

    // Removes the frame (keeping the outer size), makes the box stay on top, shows it centred on
    // the screen and paints it before returning.
    void ShowOnTop();
    // Shown again on top, without taking the keyboard, after it was hidden; not once the user has
    // closed it.
    void ShowAgain();

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AlignPanel1();

    int dpi_;  // the layout's and picture's scale
    bool closed_ = false;
    Picture picture_;
    TPanel Panel1;
};

}  // namespace ostrel
