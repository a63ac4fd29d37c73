// TUDPEndpoint: one UDP socket bound to LocalPort; sends a stream's content as one datagram.
#pragma once

namespace ostrel {

// Placeholder until the UDP endpoint lands.
class TUDPEndpoint {};

}  // namespace ostrel
