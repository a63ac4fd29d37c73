// Time enters the launcher through this interface only, so that tests run the sleeps and
// the local time of day instantly and pinned.
#pragma once

namespace ostrel {

// The local date and time, field by field as the platform reports it.
struct LocalTime {
    int year = 0;
    int month = 0;      // 1..12
    int dayOfWeek = 0;  // 0 = Sunday
    int day = 0;        // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
    // Waits on the calling thread. Its windows go on answering the system meanwhile (they paint,
    // and what other programs send them is handled), but no input, timer or other posted message
    // is, but for a close or a command, which the window is to keep for afterwards: no handler of
    // the launcher runs inside the wait.
    virtual void Sleep(unsigned milliseconds) = 0;
};

}  // namespace ostrel
