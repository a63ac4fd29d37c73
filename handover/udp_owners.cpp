#include "handover/udp_owners.h"

#include <algorithm>
#include <cstring>

#include "net/socket_layer.h"

namespace ostrel {
namespace {

constexpr std::array<std::uint8_t, 4> kLoopback{127, 0, 0, 1};
constexpr std::array<std::uint8_t, 4> kEveryAddress{0, 0, 0, 0};

std::array<std::uint8_t, 4> Bytes(std::uint32_t networkOrder) {
    std::array<std::uint8_t, 4> bytes;
    std::memcpy(bytes.data(), &networkOrder, bytes.size());
    return bytes;
}

bool HearsLoopback(const std::array<std::uint8_t, 4>& address) {
    return address == kLoopback || address == kEveryAddress;
}

// Every address (::), or 127.0.0.1 as IPv6 writes it (::ffff:127.0.0.1).
bool HearsLoopback(const std::array<std::uint8_t, 16>& address) {
    const std::array<std::uint8_t, 12> mappedPrefix{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::all_of(address.begin(), address.end(), [](std::uint8_t byte) { return byte == 0; })) {
        return true;
    }
    return std::equal(mappedPrefix.begin(), mappedPrefix.end(), address.begin()) &&
           std::equal(kLoopback.begin(), kLoopback.end(), address.begin() + 12);
}

std::uint16_t PortOf(std::uint32_t networkOrder) {
    return NetworkToHost16(static_cast<std::uint16_t>(networkOrder & 0xFFFF));
}

}  // namespace

WakeUpListener ListenerOn(std::uint16_t port, const std::optional<std::vector<UdpRow>>& rows,
                          const std::optional<std::vector<Udp6Row>>& rows6) {
    if (!rows || !rows6) return {};
    WakeUpListener listener{false, {}};
    bool allNamed = true;
    const auto note = [&](ProcessId owner) {
        listener.bound = true;
        allNamed = allNamed && owner != 0;
        const auto& owners = listener.owners;
        if (owner != 0 && std::find(owners.begin(), owners.end(), owner) == owners.end()) {
            listener.owners.push_back(owner);
        }
    };
    for (const UdpRow& row : *rows) {
        if (PortOf(row.port) == port && HearsLoopback(Bytes(row.address))) note(row.owner);
    }
    for (const Udp6Row& row : *rows6) {
        if (PortOf(row.port) == port && HearsLoopback(row.address)) note(row.owner);
    }
    if (!allNamed) listener.owners.clear();
    return listener;
}

}  // namespace ostrel
