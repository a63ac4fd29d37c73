#include "app/clock_win32.h"

#include <windows.h>

namespace ostrel {

LocalTime SystemClock::Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.dayOfWeek = now.wDayOfWeek;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.milliseconds = now.wMilliseconds;
    return time;
}

namespace {

// A close posted to a window (and the close of the system menu or the taskbar button), or a
// command posted to the main window, taken out of the queue: the main window keeps the command
// for after the hand-over, and the close ends the hand-over at its next poll instead of up to a
// minute later. Any other system command (a move, whose own message loop would run everything)
// waits with the rest.
bool TakePostedCloseOrCommand(MSG& message) {
    if (PeekMessageW(&message, nullptr, WM_CLOSE, WM_CLOSE, PM_REMOVE) ||
        PeekMessageW(&message, nullptr, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        return true;
    }
    return PeekMessageW(&message, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE) &&
           (message.wParam & 0xFFF0) == SC_CLOSE &&
           PeekMessageW(&message, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE);
}

}  // namespace

// A hand-over waits for about a minute at most, on the window thread. Windows takes a window whose
// thread reads no messages for five seconds for hung: it puts a ghost "(Not Responding)" in its
// place and offers the user to end the program. So the wait reads the messages that keep the
// windows alive (what is sent to them, which PeekMessage handles itself, and painting), and the
// closes and commands posted meanwhile, and leaves the rest queued for the message loop: a click
// or a tick inside a hand-over would start another search, or another hand-over, within this one.
void SystemClock::Sleep(unsigned milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        // A window that leaves its painting undone would be handed back at once, for ever.
        for (int handled = 0;
             handled < 64 &&
             (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE) ||
              TakePostedCloseOrCommand(message));
             ++handled) {
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        // Only what arrives from now on wakes it: a message posted before and left queued does
        // not.
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now),
                                    QS_PAINT | QS_SENDMESSAGE | QS_POSTMESSAGE, 0);
    }
}

}  // namespace ostrel
