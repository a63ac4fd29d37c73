#include "net/UDPEndpoint_win32.h"

namespace ostrel {

// Placeholder until the UDP endpoint lands.
std::unique_ptr<TUDPEndpoint> CreateUDPEndpoint1(DataReceivedHandler) {
    return std::make_unique<TUDPEndpoint>();
}

}  // namespace ostrel
