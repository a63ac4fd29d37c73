// The launcher's main window on the screen: its layout, its controls, and the routing of its
// window events to TForm1's handlers.
#pragma once

#include <memory>
#include <string>

#include "app/AboutF_win32.h"
#include "app/Unit1.h"
#include "app/control_ids.h"
#include "app/picture_win32.h"
#include "app/window_contents.h"
#include "core/dialog_keyboard_win32.h"
#include "core/window_win32.h"

namespace ostrel {

class Application;
class HandOverGuard;
class Platform;

class MainWindow : public Window, public FormUi, public Log {
  public:
    inline static const char kClassName[] = "TForm1";

    // Makes the window and its controls, and TForm1 over them and `platform`; then FormCreate.
    MainWindow(Application& application, Platform& platform);
    ~MainWindow() override;

    TForm1& Form() { return *form_; }
    const DialogKeyboard& Keyboard() const { return keyboard_; }

    // Shows the window for the first time as `showCommand` asks, running FormShow first.
    void ShowFirstTime(int showCommand);

    // Log (Memo1).
    void Add(const UserText& line) override;
    void Clear() override;

    // FormUi.
    void RestoreMainWindow() override;
    void ShowNoRuntimeBox(const UserText& text) override;
    void ShowError(const std::exception& error) override;
    void ShowLaunchFailure(const UserText& text) override;
    bool CloseRequested() override;
    void Minimize() override;
    void Close() override;
    void SetTimerEnabled(bool enabled) override;
    void ShowWarningBox(const UserText& text) override;
    void ShowPictureBox() override;
    void HidePictureBox() override;
    bool PictureBoxInView() override;
    bool DebugMarkerExists() override;
    void PollingEnded() override;

  private:
    enum class State { kNormal, kMinimized, kMaximized };

    // A handler of TForm1's at work. It may wait in a box, whose message loop goes on: a close
    // that comes meanwhile takes the window down only once the last handler has returned, not
    // from under it. Then too the commands kept during a hand-over are handed back to the
    // message loop, in their order; a close drops them.
    class RunningHandler {
      public:
        explicit RunningHandler(MainWindow& window);
        ~RunningHandler();
        RunningHandler(const RunningHandler&) = delete;
        RunningHandler& operator=(const RunningHandler&) = delete;

      private:
        MainWindow& window_;
    };

    // The launch runs as part of the window's first showing. Started minimised without
    // activation, the window waits for the user's restore (or a later start's), and the launch
    // runs then, before the window is shown at its normal size.
    class FirstShow {
      public:
        // Marks `window` as waiting, for a later start to find.
        void WaitForRestore(HWND window);
        // The restore asked for (WM_QUERYOPEN): true when it is refused, and the launch posted
        // to `window` to run first.
        bool TakeRestore(HWND window);
        void Ran() { waiting_ = false; }

      private:
        bool waiting_ = false;
    };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HandleDrawing(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleLifetime(UINT message, LRESULT& result);
    void CreateControls();
    void RunCommand(WPARAM command);
    void LastHandlerReturned();
    void RunTick();
    void RunFormShow();
    void RequestClose();
    void ApplyState();
    void MarkRestorable();
    LRESULT CloseLabelColours(HDC dc);

    Application& application_;
    HandOverGuard& guard_;
    HWND memo_ = nullptr;     // a child of the window, which owns it
    std::string pendingLog_;  // what is logged before Memo1 is made
    int dpi_;                 // the layout's, font's and picture's scale
    GdiObject<HFONT> font_;
    Picture picture_;
    WindowContents contents_;
    DialogKeyboard keyboard_;
    FirstShow firstShow_;
    State state_ = State::kNormal;
    bool displayed_ = false;
    bool pictureAside_ = false;  // stepped aside for a window of what was started
    int runningHandlers_ = 0;
    bool closeRequested_ = false;
    TAboutBox* pictureBox_ = nullptr;  // the one the polling shows; the application owns it
    std::unique_ptr<TForm1> form_;
};

}  // namespace ostrel
