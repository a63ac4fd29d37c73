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

void SystemClock::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

}  // namespace ostrel
