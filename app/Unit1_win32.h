// The launcher's main window on the screen: its layout, its controls, and the routing of its
// window events to TForm1's handlers.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/Picture_win32.h"
#include "app/Unit1.h"
#include "app/clock_win32.h"
#include "core/window_win32.h"
#include "handover/desktop_win32.h"
#include "launch/ShellUtils.h"
#include "launch/registry_win32.h"
#include "net/UDPEndpoint.h"

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

using DataReceivedHandler =
    std::function<void(int NumberBytes, const std::string& FromIP, int Port)>;

// The main window's UDPEndpoint1 as its stored values set it up: RemoteHost kLoopback, RemotePort
// kCorvexPort, LocalHost kLoopback, LocalPort kLauncherPort (bound), ReportLevel 1, OnDataReceived
// bound to `onDataReceived`. What its notices' handlers raise goes to `errors`.
std::unique_ptr<TUDPEndpoint> CreateUDPEndpoint1(DataReceivedHandler onDataReceived,
                                                 ErrorReporter* errors = nullptr);

class MainWindow : public Window, public FormUi, public Log {
  public:
    inline static const char kClassName[] = "TForm1";

    explicit MainWindow(Application& application);
    ~MainWindow() override;

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
    bool CloseRequested() override;
    void Minimize() override;
    void Close() override;
    void SetTimerEnabled(bool enabled) override;
    void ShowWarningBox(const std::string& text) override;
    void ShowPictureBox() override;
    bool DebugMarkerExists() override;
    void PollingEnded() override;

  private:
    enum class State { kNormal, kMinimized, kMaximized };

    // A handler of TForm1's at work. It may wait in a box, whose message loop goes on: a close
    // that comes meanwhile takes the window down only once the last handler has returned, not
    // from under it.
    class RunningHandler {
      public:
        explicit RunningHandler(MainWindow& window);
        ~RunningHandler();
        RunningHandler(const RunningHandler&) = delete;
        RunningHandler& operator=(const RunningHandler&) = delete;

      private:
        MainWindow& window_;
    };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    static LRESULT CALLBACK Memo1Keys(HWND memo, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR);
    void CreateControls();
    void OnCommand(int id, int notification);
    void RunFormShow();
    void ApplyState();

    Application& application_;
    HWND memo_ = nullptr;       // a child of the window, which owns it
    HWND lastFocus_ = nullptr;  // the control that had the focus when the window was left
    int dpi_;                   // the layout's, font's and picture's scale
    GdiObject<HFONT> font_;
    Picture picture_;
    State state_ = State::kNormal;
    bool displayed_ = false;
    bool formShowPending_ = false;
    int runningHandlers_ = 0;
    bool closeRequested_ = false;

    // UDPEndpoint1 and the platform behind TForm1's handlers.
    Win32JavaRuntimeKeys javaKeys_;
    std::unique_ptr<Win32LaunchShell> shell_;
    std::unique_ptr<LaunchFiles> files_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<ResponseState> responseState_;
    Win32CorvexProcesses corvex_;
    SystemClock clock_;
    std::unique_ptr<DateTimeFormat> dateTimeFormat_;
    std::unique_ptr<TUDPEndpoint> udpEndpoint_;
    std::unique_ptr<TForm1> form_;
};

}  // namespace ostrel
