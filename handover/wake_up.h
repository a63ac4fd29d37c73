// The wake-up datagram: the text "<short date>[ <long time>] Calling Corvex", sent twice.
#pragma once

#include <cstdint>
#include <string>

#include "core/clock.h"
#include "core/log.h"

namespace ostrel {

class TUDPEndpoint;

// Where the wake-up goes and where it comes from; the launcher's UDPEndpoint1 is set up with these
// from the start.
inline constexpr char kLoopback[] = "127.0.0.1";
inline constexpr std::int32_t kCorvexPort = 61000;
inline constexpr std::int32_t kLauncherPort = 61001;

// The user's short date and long time formats.
class DateTimeFormat {
  public:
    virtual ~DateTimeFormat() = default;
    virtual std::string ShortDate(const LocalTime& time) = 0;
    virtual std::string LongTime(const LocalTime& time) = 0;
    // The text in the system's ANSI code page, as the wake-up datagram carries it.
    virtual std::string InAnsiCodePage(const std::string& text) = 0;
};

// The date alone at 00:00:00 to the second, else the date, a blank and the time; then
// " Calling Corvex".
std::string WakeUpText(const LocalTime& now, DateTimeFormat& format);

// Sets the endpoint up for kLoopback:kCorvexPort from local port kLauncherPort and sends
// `datagram` twice. Where the port cannot be had, `log` is told once a run, and the datagrams
// leave from another port. False when no port at all could be had: nothing was sent.
bool SendWakeUp(TUDPEndpoint& endpoint, const std::string& datagram, Log& log);

}  // namespace ostrel
