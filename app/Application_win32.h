// The application object: COM for the GUI thread, the title, the windows it owns, the default
// error box and the message loop.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/AboutF_win32.h"
#include "app/Unit1.h"
#include "core/owners_win32.h"

namespace ostrel {

class MainWindow;

class Application : public ErrorReporter {
  public:
    Application();
    ~Application() override;

    const std::string& Title() const { return title_; }

    // The default error box: the message with its "." rule, the title, the error icon, OK.
    void ShowException(const std::exception& error) override;

    // A new picture box owned by the application object.
    TAboutBox& CreateAboutBox();

    // Shows the main window as the process's start-up show command says and dispatches
    // messages until the main window is gone. Returns the exit code, 0.
    int Run(MainWindow& mainWindow);

  private:
    // COM for the GUI thread, for the lifetime of the application.
    ComApartment com_;
    std::string title_;
    std::vector<std::unique_ptr<TAboutBox>> aboutBoxes_;
};

// The process's start-up show command (SW_SHOWNORMAL when none was given).
int StartupShowCommand();

}  // namespace ostrel
