// Program entry: the application object, the main window with its components, the hidden
// start-up picture box, and the message loop.
#include <windows.h>

#include "app/Application_win32.h"
#include "app/Unit1_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        ostrel::Application application;
        ostrel::MainWindow Form1(application);
        application.CreateAboutBox();  // AboutBox: created at start-up, never shown
        return application.Run(Form1);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), "Ostrel", MB_OK | MB_ICONERROR);
        return 1;
    }
}
