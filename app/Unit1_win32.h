// The launcher's main window on the screen: its layout, its controls, and the routing of its
// window events to TForm1's handlers.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/Picture_win32.h"
#include "app/Unit1.h"
#include "app/clock_win32.h"
#include "app/gdi_win32.h"
#include "launch/ShellUtils.h"
#include "launch/registry_win32.h"

namespace ostrel {

class Application;

// Control identifiers, also used by tests that look at the window from outside.
enum ControlId : int {
    kImage1 = 100,
    kLabel1 = 101,
    kButton1 = 102,
    kButton2 = 103,
    kMemo1 = 104,
    kButton3 = 105,
};

class MainWindow : public FormUi, public Log {
  public:
    inline static const char kClassName[] = "TForm1";

    MainWindow(Application& application, HINSTANCE instance);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return window_; }
    TForm1& Form() { return *form_; }

    // Shows the window for the first time as `showCommand` asks, running FormShow first.
    void ShowFirstTime(int showCommand);

    // Log (Memo1).
    void Add(const std::string& line) override;
    void Clear() override;

    // FormUi.
    void RestoreMainWindow() override;
    void ShowNoRuntimeBox(const std::string& text) override;
    void ShowError(const std::exception& error) override;
    void Minimize() override;
    void Close() override;
    void SetTimerEnabled(bool enabled) override;
    void ShowWarningBox(const std::string& text) override;
    void ShowPictureBox() override;
    bool DebugMarkerExists() override;

  private:
    enum class State { kNormal, kMinimized, kMaximized };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void OnCommand(int id, int notification);
    void RunFormShow();
    void ApplyState();
    // Runs a handler; an exception that escapes it goes to the default error box.
    template <typename Handler>
    void Guarded(Handler handler);

    Application& application_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND memo_ = nullptr;
    int dpi_;  // the layout's, font's and picture's scale
    GdiObject<HFONT> font_;
    Picture picture_;
    State state_ = State::kNormal;
    bool displayed_ = false;
    bool formShowPending_ = false;

    // UDPEndpoint1 and the platform behind TForm1's handlers.
    Win32JavaRuntimeKeys javaKeys_;
    std::unique_ptr<Win32LaunchShell> shell_;
    std::unique_ptr<LaunchFiles> files_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<ResponseState> responseState_;
    SystemClock clock_;
    std::unique_ptr<DateTimeFormat> dateTimeFormat_;
    std::unique_ptr<TUDPEndpoint> udpEndpoint_;
    std::unique_ptr<TForm1> form_;
};

}  // namespace ostrel
