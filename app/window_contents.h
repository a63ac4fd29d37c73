// What the main window shows over its background, its controls with the log and the main
// picture, made when it can first be seen. Most launches only ever show the window minimised:
// making the controls would load the common controls' library (some 3 MiB of the process), and
// the picture decoded and as a bitmap takes over a megabyte.
#pragma once

#include <functional>
#include <utility>

namespace ostrel {

class WindowContents {
  public:
    // `makeControls` makes the controls (and hands them what was logged meanwhile); `decode`
    // decodes the picture. Either raises when it cannot.
    WindowContents(std::function<void()> makeControls, std::function<void()> decode)
        : makeControls_(std::move(makeControls)), decode_(std::move(decode)) {}

    // The window is shown, or is about to be: minimised, it shows nothing of its contents.
    void Displayed(bool minimized) {
        if (!minimized) MakeControls();
    }
    // A box of the launch waits for the user, who may look at the log meanwhile.
    void BeforeBox() { MakeControls(); }
    bool ControlsMade() const { return controlsMade_; }

    // Before the picture is painted: decodes it the first time, then keeps it. False when it
    // cannot be painted: its decoding failed, which the first paint reported; every later paint
    // would otherwise raise the same box again, over the one already open.
    bool PictureReady();
    int PictureDecodes() const { return decodes_; }

  private:
    void MakeControls();

    std::function<void()> makeControls_;
    std::function<void()> decode_;
    bool controlsMade_ = false;
    int decodes_ = 0;
    bool decoded_ = false;
};

}  // namespace ostrel
