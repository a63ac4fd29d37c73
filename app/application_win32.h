// The application object: COM for the GUI thread, the title, the application's own window (its
// taskbar button), the windows it owns, the default error box and the message loop.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AboutF_win32.h"
#include "app/Unit1.h"
#include "app/run_log.h"
#include "core/owners_win32.h"
#include "core/window_win32.h"

namespace ostrel {

class LaunchGuard;
class MainWindow;
class Platform;

// The application's own window. It has no size, so nobody sees it, but it is visible and unowned
// and carries the title and MAINICON: it is the program's one taskbar button and Alt+Tab entry.
// The main window is owned by it and so has neither; a click on the button reaches this window
// as a system command, which it passes on to the main window, whose state the button follows.
class ApplicationWindow : public Window {
  public:
    inline static const char kClassName[] = "OstrelApplication";

    ApplicationWindow(ErrorReporter& errors, const UserText& title);
    void SetMainWindow(HWND mainWindow) { mainWindow_ = mainWindow; }
    // Shows the button minimised or not, without activating anything.
    void FollowMainWindow(bool minimized);
    // The owner of a message box: the main window while it is in view, so that closing the box
    // gives it back the keyboard, else this window, shown (minimised, without activation) if it is
    // not yet: a box of the launch, before the main window is shown, belongs to the program's
    // taskbar button, where the user finds it again.
    HWND BoxOwner();

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND mainWindow_ = nullptr;
};

class Application : public ErrorReporter {
  public:
    // `guard`, when given, is held by this launcher; it is marked with the application window and
    // released when the polling ends.
    explicit Application(LaunchGuard* guard = nullptr);
    ~Application() override;

    const UserText& Title() const { return title_; }
    ApplicationWindow& OwnerWindow() { return window_; }

    // The default error box: the message with its "." rule, the title, the error icon, OK.
    void ShowException(const std::exception& error) override;

    // A new picture box owned by the application object.
    TAboutBox& CreateAboutBox();
    // Hides every picture box. An error box is not to lie under the picture: the default error
    // box hides them first.
    void HidePictureBoxes();

    // The run's log (its file: run_log_win32.h). Lines wait in memory until StartRunLog, which
    // comes once the launch has started Corvex, or before a box.
    void AddToRunLog(const UserText& line) { runLog_.Add(line); }
    void StartRunLog();
    // The log file's path, for a box to name; "" when this run's lines are not in it.
    std::string RunLogPath();
    // Before a box of the launcher's: the box's text goes to the run's log (`line`, a
    // LogFileTexts box line), whose file is made now (the box waits for the user: nothing to
    // hurry).
    void BeforeBox(const UserText& line);

    // The launch and its polling are over: a launcher started from now on launches again.
    void EndLaunch();

    using MainWindowMaker = std::function<std::unique_ptr<MainWindow>(Application&, Platform&)>;
    // Makes the platform behind TForm1 (UDPEndpoint1 among it) and the main window over it, and
    // runs the application (Run): the program's exit code. A failure while its windows are made
    // is shown in the default error box once what was made is gone again (no window may outlive
    // its object while the box's message loop runs), and gives 1.
    int Start(const MainWindowMaker& makeMainWindow = MakeMainWindow);
    static std::unique_ptr<MainWindow> MakeMainWindow(Application& application, Platform& platform);

  private:
    // Shows the main window as the process's start-up show command says, makes the hidden
    // start-up picture box, and dispatches messages until the main window is gone. Returns the
    // exit code the main window ended with.
    int Run(MainWindow& mainWindow);

    // COM for the GUI thread, for the lifetime of the application.
    ComApartment com_;
    LocalTime started_;
    RunLog runLog_;
    std::string runLogPath_;
    LaunchGuard* guard_;
    UserText title_;
    ApplicationWindow window_;
    std::vector<std::unique_ptr<TAboutBox>> aboutBoxes_;
};

// The program file's name up to its first ".", every character after the first in lower case.
UserText ProgramTitle();

// A message box the user must read, shown as the topmost window and asked to the foreground, also
// when it is shown from a tick, long after the user started the launcher: Windows then no longer
// lets it take the foreground by itself, and it would only flash on the taskbar behind the active
// window.
void ShowBoxToTheFront(HWND owner, const UserText& text, const UserText& title, UINT type);

// The default error box, owned by `owner` (none: the box stands alone).
void ShowDefaultErrorBox(HWND owner, const UserText& title, const std::exception& error);

// The process's start-up show command (SW_SHOWNORMAL when none was given).
int StartupShowCommand();

}  // namespace ostrel
