// Program entry: the application object, the main window with its components, the hidden
// start-up picture box, and the message loop.
#include <windows.h>

#include "app/Unit1_win32.h"
#include "app/application_win32.h"
#include "app/launch_guard_win32.h"

namespace {

// Libraries loaded from here on come from the system folder and the program's own folder only:
// never from the current folder (a shortcut may start the launcher in a download folder) or
// from PATH. Windows 7 without its loader update knows only how to drop the current folder.
void NarrowDllSearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDefault ||
        !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR)) {
        SetDllDirectoryW(L"");
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    NarrowDllSearch();
    ostrel::LaunchGuard guard;
    if (guard.HeldElsewhere()) {
        // A launcher of this session is at work already: a second Corvex is not what the user
        // asked for.
        ostrel::BringLaunchingLauncherForward();
        return 0;
    }
    try {
        ostrel::Application application(&guard);
        return application.Start();
    } catch (const std::exception& error) {
        // The application object itself could not be made: the box stands alone.
        ostrel::ShowDefaultErrorBox(nullptr, ostrel::ProgramTitle(), error);
        return 1;
    }
}
