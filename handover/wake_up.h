// The wake-up datagram: the text "<short date>[ <long time>] Calling Corvex", sent twice.
#pragma once

#include <string>

#include "core/clock.h"

namespace ostrel {

class TUDPEndpoint;

// The user's short date and long time formats.
class DateTimeFormat {
  public:
    virtual ~DateTimeFormat() = default;
    virtual std::string ShortDate(const LocalTime& time) = 0;
    virtual std::string LongTime(const LocalTime& time) = 0;
};

// The date alone at 00:00:00 to the second, else the date, a blank and the time; then
// " Calling Corvex".
std::string WakeUpText(const LocalTime& now, DateTimeFormat& format);

// Sets the endpoint up for 127.0.0.1:61000 from local port 61001 and sends `text` twice.
void SendWakeUp(TUDPEndpoint& endpoint, const std::string& text);

}  // namespace ostrel
