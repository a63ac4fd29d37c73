#include "handover/wake_up.h"

namespace ostrel {

// Placeholders until the UDP endpoint lands.
std::string WakeUpText(const LocalTime& now, DateTimeFormat& format) {
    (void)now;
    (void)format;
    return "Calling Corvex";
}

void SendWakeUp(TUDPEndpoint& endpoint, const std::string& text) {
    (void)endpoint;
    (void)text;
}

}  // namespace ostrel
