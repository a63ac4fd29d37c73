// What the program calls a socket, for the socket library's calls and for their fakes alike.
#pragma once

#include <cstdint>

namespace ostrel {

using SocketId = std::uintptr_t;
// What socket() gives when it fails.
inline constexpr SocketId kInvalidSocket = ~SocketId{0};

// 0 (none made yet) and kInvalidSocket (the making failed) are no socket; every other value is
// one to close.
constexpr bool IsOpenSocket(SocketId socket) { return socket != 0 && socket != kInvalidSocket; }

}  // namespace ostrel
