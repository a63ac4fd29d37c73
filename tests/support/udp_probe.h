// Helpers of the UDP tests under Wine: plain loopback sockets that play the peers, and a
// bounded message pump.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/owners_win32.h"

namespace ostrel::test {

// The socket library's version that the launcher asks for.
inline constexpr WORD kWinsock11 = MAKEWORD(1, 1);

using MessageObserver = std::function<void(const MSG&)>;

// Dispatches the thread's messages until `done` holds or `milliseconds` have passed; shows each
// message to `observer` first. Gives `done`'s last answer.
inline bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 2000,
                      const MessageObserver& observer = {}) {
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return false;
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (observer) observer(message);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        }
    }
    return true;
}

inline void Pump(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

// A blocking UDP socket on the loopback interface.
class UdpProbe {
  public:
    struct Datagram {
        std::string data;
        int port = 0;
    };

    // Port 0: any free port on the loopback interface. A fixed port is taken on every interface
    // unless an address is given, as an endpoint takes it by default.
    explicit UdpProbe(unsigned short port, const char* address = nullptr)
        : socket_(socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        local.sin_addr.s_addr =
            address ? inet_addr(address) : (port ? INADDR_ANY : inet_addr("127.0.0.1"));
        bound_ = bind(socket_.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    }

    bool Bound() const { return bound_; }

    int Port() const {
        sockaddr_in local{};
        int length = sizeof local;
        getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.sin_port);
    }

    bool SendTo(unsigned short port, const std::string& data) {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = inet_addr("127.0.0.1");
        return sendto(socket_.get(), data.data(), static_cast<int>(data.size()), 0,
                      reinterpret_cast<sockaddr*>(&peer),
                      sizeof peer) == static_cast<int>(data.size());
    }

    std::optional<Datagram> Receive(long milliseconds) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_.get(), &readable);
        timeval timeout{milliseconds / 1000, milliseconds % 1000 * 1000};
        if (select(0, &readable, nullptr, nullptr, &timeout) != 1) return std::nullopt;
        char buffer[4096];
        sockaddr_in sender{};
        int length = sizeof sender;
        const int count = recvfrom(socket_.get(), buffer, sizeof buffer, 0,
                                   reinterpret_cast<sockaddr*>(&sender), &length);
        if (count < 0) return std::nullopt;
        return Datagram{std::string(buffer, static_cast<std::size_t>(count)),
                        ntohs(sender.sin_port)};
    }

    static bool CanBind(unsigned short port, const char* address = nullptr) {
        return UdpProbe(port, address).Bound();
    }

  private:
    OwnedSocket socket_;
    bool bound_ = false;
};

}  // namespace ostrel::test
