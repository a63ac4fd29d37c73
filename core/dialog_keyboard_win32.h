// The keyboard of a top-level window that holds controls, as a dialog's: Tab and Shift+Tab go
// from control to control, Enter and Space press the focused button (Enter presses nothing
// elsewhere), and the control that had the focus gets it back when the window is activated again.
#pragma once

#include <windows.h>

namespace ostrel {

class DialogKeyboard {
  public:
    // The message loop's step for `window`: true when `message` was a key for its controls and has
    // been handled.
    static bool TakeMessage(HWND window, MSG& message) {
        return window && IsDialogMessageW(window, &message);
    }

    // The window's own messages of it (WM_ACTIVATE, DM_GETDEFID): true when handled, with their
    // result in `result`.
    bool HandleMessage(HWND window, UINT message, WPARAM wParam, LRESULT& result);

    // A multi-line text box wants Tab and Escape for itself: made to pass Tab on, as a dialog's
    // other controls do, and to leave Escape alone (in a dialog it would close the window).
    static void MakeTabLeave(HWND edit);

  private:
    HWND lastFocus_ = nullptr;
};

}  // namespace ostrel
