// What TForm1's handlers work with besides the main window: the registry, the shell, the files,
// the desktop and Corvex's processes, Ombrix.dll, the clock, the user's formats, and UDPEndpoint1.
// Application::Start makes it before the main window, which it outlives.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/Unit1.h"
#include "app/clock_win32.h"
#include "app/started_watch.h"
#include "core/errors.h"
#include "handover/desktop_win32.h"
#include "launch/ShellUtils_win32.h"
#include "launch/registry_win32.h"
#include "net/UDPEndpoint.h"

namespace ostrel {

using DataReceivedHandler =
    std::function<void(int NumberBytes, const std::string& FromIP, int Port)>;

// UDPEndpoint1 as the main window's layout stores it: RemoteHost kLoopback, RemotePort
// kCorvexPort, LocalHost kLoopback, LocalPort kLauncherPort (bound), ReportLevel 1,
// OnDataReceived bound to `onDataReceived`. What its notices' handlers raise goes to `errors`.
std::unique_ptr<TUDPEndpoint> CreateUDPEndpoint1(DataReceivedHandler onDataReceived,
                                                 ErrorReporter* errors = nullptr);

class Platform {
  public:
    // What UDPEndpoint1's notices raise goes to `errors`.
    explicit Platform(ErrorReporter& errors);
    ~Platform();
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    // The main window, once it is made: the owner of what the shell starts and of any box the
    // shell shows, and the handler of what reaches UDPEndpoint1.
    void SetMainWindow(HWND window, DataReceivedHandler onDataReceived);

    // TForm1's ports: these, and the main window's log and user interface.
    Form1Ports Ports(Log& memo, FormUi& ui);
    // The hand-overs' clock, which keeps the commands that reach the window while one waits.
    HandOverGuard& Guard() { return guard_; }

  private:
    // Before the first start: the processes started from now on are to be followed.
    void FollowWhatStarts();

    DataReceivedHandler onDataReceived_;
    Log* log_ = nullptr;  // the main window's, once it is made
    Win32JavaRuntimeKeys javaKeys_;
    Win32CorvexProcesses corvex_;
    Win32LaunchShell shell_;
    std::unique_ptr<LaunchFiles> files_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<ResponseState> responseState_;
    SystemClock clock_;
    HandOverGuard guard_{clock_};
    std::unique_ptr<DateTimeFormat> dateTimeFormat_;
    std::unique_ptr<TUDPEndpoint> UDPEndpoint1;
};

}  // namespace ostrel
