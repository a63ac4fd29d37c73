#include "app/Application_win32.h"

#include "app/Unit1_win32.h"
#include "app/application_rules.h"
#include "launch/ShellUtils.h"

namespace ostrel {

Application::Application() : title_(ApplicationTitle(Win32LaunchShell(nullptr).ModuleFileName())) {}

Application::~Application() = default;

void Application::ShowException(const std::exception& error) {
    MessageBoxA(nullptr, ErrorBoxText(error.what()).c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

TAboutBox& Application::CreateAboutBox() {
    aboutBoxes_.push_back(std::make_unique<TAboutBox>(*this));
    return *aboutBoxes_.back();
}

int StartupShowCommand() {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
}

int Application::Run(MainWindow& mainWindow) {
    mainWindow.ShowFirstTime(StartupShowCommand());
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

}  // namespace ostrel
