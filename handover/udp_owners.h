// The system's table of UDP sockets, row by row as the system gives it, and which of its rows a
// datagram to 127.0.0.1 on Corvex's wake-up port reaches.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "handover/window_search.h"

namespace ostrel {

// A row of the IPv4 table: address and port in network byte order (the port in the low 16 bits
// of its double word), and the owning process, 0 where the system does not name it.
struct UdpRow {
    std::uint32_t address = 0;
    std::uint32_t port = 0;
    ProcessId owner = 0;
};

// A row of the IPv6 table, likewise.
struct Udp6Row {
    std::array<std::uint8_t, 16> address{};
    std::uint32_t port = 0;
    ProcessId owner = 0;
};

// The sockets on `port` that hear 127.0.0.1: those bound to that address or to every address (an
// IPv6 one to every address may take IPv4 too). The rows come unsorted, several to a port (a
// program's socket on 127.0.0.1 beside another's on every address): every owner counts, not the
// first row's alone; rows bound to other addresses are left out. Owners are named only when every
// such row names its own. A table that could not be read (nullopt) leaves the listener unknown: a
// running Corvex whose socket only that table holds (a dual-stack one, in the IPv6 table) is not
// to be taken for none.
WakeUpListener ListenerOn(std::uint16_t port, const std::optional<std::vector<UdpRow>>& rows,
                          const std::optional<std::vector<Udp6Row>>& rows6);

}  // namespace ostrel
