// The shell floor, one of the two the launcher's start-up is measured against: a program that does
// nothing but start the runtime's javaw.exe through the shell, with the launcher's parameters and
// folder, at once: the cost of the start itself (see conforming_floor.cpp for the other).
//
//   ostrel_floor.exe JAVAW DIRECTORY
//
// Started by ostrel_bench.exe, which also chooses the stand-in runtime for the launcher.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 3) return 2;
    ShellExecuteA(nullptr, nullptr, __argv[1],
                  "-classpath LIB\\Corvex.jar morvane.r7x.corvex.application.Application "
                  "ShowSetupSys",
                  __argv[2], SW_SHOWNORMAL);
    return 0;
}
