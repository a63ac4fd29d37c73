// Starts ostrel.exe and watches it as a user would, then prints the log as the launcher last
// showed it, the message boxes it opened, and its exit code. Used by the demo.
//
//   ostrel_watch.exe <path of ostrel.exe> <working folder> <seconds to wait at most>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "launcher_driver.h"

using namespace ostrel::test;

namespace {

// Message boxes of the launcher that are open now, as "caption: text".
void NoteMessageBoxes(const LauncherRun& launcher, std::set<std::string>& seen) {
    for (HWND window : WindowsOfProcess(launcher.ProcessId())) {
        if (WindowClass(window) != "#32770" || !IsWindowVisible(window)) continue;
        std::string text = MessageBoxText(window);
        for (char& c : text) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        if (seen.insert(WindowText(window) + ": " + text).second) {
            std::printf("message box \"%s\": %s\n", WindowText(window).c_str(), text.c_str());
            std::fflush(stdout);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ostrel_watch <ostrel.exe> <working folder> <seconds>\n");
        return 2;
    }
    const DWORD limitMs = static_cast<DWORD>(std::atoi(argv[3])) * 1000;
    LauncherRun launcher(argv[2], SW_SHOWNORMAL, argv[1]);
    std::string lastLog;
    std::set<std::string> boxes;
    const DWORD start = GetTickCount();
    while (launcher.Running() && GetTickCount() - start < limitMs) {
        if (HWND window = launcher.MainWindow(0)) {
            const std::string log = LogText(window);
            if (!log.empty()) lastLog = log;
        }
        NoteMessageBoxes(launcher, boxes);
        Sleep(100);
    }
    std::printf("--- the launcher's log as it last showed it\n%s", lastLog.c_str());
    const DWORD code = launcher.WaitForExit(0);
    if (code == STILL_ACTIVE) {
        std::printf("--- still running after %s s: stopped\n", argv[3]);
        return 124;
    }
    std::printf("--- exit code %lu\n", static_cast<unsigned long>(code));
    return static_cast<int>(code);
}
