#include "handover/wake_up.h"

#include "net/memory_stream.h"
#include "net/UDPEndpoint.h"

namespace ostrel {
namespace {

constexpr char kCallingCorvex[] = "Calling Corvex";

bool IsMidnight(const LocalTime& time) {
    return time.hour == 0 && time.minute == 0 && time.second == 0;
}

}  // namespace

std::string WakeUpText(const LocalTime& now, DateTimeFormat& format) {
    std::string text = format.ShortDate(now);
    if (!IsMidnight(now)) text += ' ' + format.LongTime(now);
    return text + ' ' + kCallingCorvex;
}

bool SendWakeUp(TUDPEndpoint& endpoint, const std::string& datagram, Log& log) {
    // The endpoint outlives the window whose log this is: heard for this call only.
    struct Heard {
        explicit Heard(TUDPEndpoint& endpoint, Log& log) : endpoint_(endpoint) {
            endpoint_.OnWarning = [&log](TUDPEndpoint&, const UserText& line) { log.Add(line); };
        }
        ~Heard() { endpoint_.OnWarning = nullptr; }
        TUDPEndpoint& endpoint_;
    } heard(endpoint, log);
    endpoint.RemoteHost = kLoopback;
    endpoint.ReportLevel = kReportSending;
    // Through the setter on every call, so that each wake-up binds its local port anew.
    endpoint.SetLocalPort(kLauncherPort);
    endpoint.RemotePort = kCorvexPort;

    MemoryStream stream;
    stream.Write(datagram.data(), datagram.size());
    endpoint.SendDatagram(stream);
    endpoint.SendDatagram(stream);
    return endpoint.SocketBound();
}

}  // namespace ostrel
