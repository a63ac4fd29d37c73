#include "app/platform_win32.h"

#include "core/system_error_win32.h"
#include "handover/wake_up_win32.h"
#include "launch/shortcuts_win32.h"
#include "net/UDPEndpoint_win32.h"

namespace ostrel {

std::unique_ptr<TUDPEndpoint> CreateUDPEndpoint1(DataReceivedHandler onDataReceived,
                                                 ErrorReporter* errors) {
    // The order in which the form loader assigns the stored values, then its notification.
    auto endpoint = std::make_unique<TUDPEndpoint>(CreateWinsockLayer(errors));
    endpoint->RemoteHost = kLoopback;
    endpoint->RemotePort = kCorvexPort;
    // The launcher only ever talks to this machine: bound to the loopback interface, its port is
    // not reachable from the network, and a firewall has nothing to ask the user about.
    endpoint->LocalHost = kLoopback;
    endpoint->SetLocalPort(kLauncherPort);
    endpoint->ReportLevel = 1;
    if (onDataReceived) {
        endpoint->OnDataReceived = [handler = std::move(onDataReceived)](
                                       TUDPEndpoint&, std::int32_t NumberBytes,
                                       const std::string& FromIP,
                                       std::int32_t Port) { handler(NumberBytes, FromIP, Port); };
    }
    endpoint->PropertiesLoaded();
    return endpoint;
}

Platform::Platform(ErrorReporter& errors)
    : shell_(
          nullptr, [this](KernelHandle process) { corvex_.Add(std::move(process)); },
          [this] { FollowWhatStarts(); }),
      files_(CreateLaunchFiles()),
      desktop_(CreateDesktopAdapter()),
      responseState_(CreateResponseState()),
      dateTimeFormat_(CreateUserDateTimeFormat()),
      UDPEndpoint1(CreateUDPEndpoint1(
          [this](int NumberBytes, const std::string& FromIP, int Port) {
              if (onDataReceived_) onDataReceived_(NumberBytes, FromIP, Port);
          },
          &errors)) {}

Platform::~Platform() = default;

void Platform::SetMainWindow(HWND window, DataReceivedHandler onDataReceived) {
    shell_.SetOwner(window);
    onDataReceived_ = std::move(onDataReceived);
}

void Platform::FollowWhatStarts() {
    const DWORD refused = corvex_.FollowWhatStarts();
    if (refused != 0 && log_) log_->Add(SystemErrorText(LaunchLog::NoJob, refused));
}

Form1Ports Platform::Ports(Log& memo, FormUi& ui) {
    log_ = &memo;
    return Form1Ports{
        memo,    ui,     javaKeys_,        shell_,       *files_, *desktop_, *responseState_,
        corvex_, guard_, *dateTimeFormat_, *UDPEndpoint1};
}

}  // namespace ostrel
