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

// A hand-over waits for about a minute at most, on the window thread. Windows takes a window whose
// thread reads no messages for five seconds for hung: it puts a ghost "(Not Responding)" in its
// place and offers the user to end the program. So the wait reads the messages that keep the
// windows alive (what is sent to them, which PeekMessage handles itself, and painting) and
// leaves the rest queued for the message loop: a click or a tick inside a hand-over would start
// another search, or another hand-over, within this one.
void SystemClock::Sleep(unsigned milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        // A window that leaves its painting undone would be handed back at once, for ever.
        for (int handled = 0;
             handled < 64 &&
             PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE);
             ++handled) {
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now),
                                    QS_PAINT | QS_SENDMESSAGE, 0);
    }
}

}  // namespace ostrel
