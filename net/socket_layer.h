// What the UDP endpoint needs of the socket library and of the GUI thread's message queue.
// WinSock 1.1 implements it for real; tests use a fake.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/socket_id.h"

namespace ostrel {

inline constexpr std::uint16_t kAddressFamilyInet = 2;
// inet_addr's answer for a text that is not a dotted address.
inline constexpr std::uint32_t kAddressNone = 0xFFFFFFFFu;

// An IPv4 socket address laid out as the socket library's sockaddr_in: port and address in
// network byte order.
struct SocketAddress {
    std::uint16_t family = 0;
    std::uint16_t port = 0;
    std::uint32_t address = 0;
    std::array<std::uint8_t, 8> zero{};
};
static_assert(sizeof(SocketAddress) == 16, "must match sockaddr_in");

// Byte order conversion that does not depend on the host's byte order.
std::uint16_t HostToNetwork16(std::uint16_t value);
std::uint16_t NetworkToHost16(std::uint16_t value);

// A message as the notify window receives it.
struct WindowMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class SocketLayer {
  public:
    using MessageHandler = std::function<void(const WindowMessage&)>;

    virtual ~SocketLayer() = default;

    // The hidden window that receives the socket's notices; every message it gets goes to
    // `handler` until it is closed.
    virtual void OpenNotifyWindow(MessageHandler handler) = 0;
    virtual void CloseNotifyWindow() = 0;

    // 0 or the library's error code. Each successful Startup needs one Cleanup.
    virtual int Startup() = 0;
    virtual void Cleanup() = 0;

    // An IPv4 datagram socket, or kInvalidSocket.
    virtual SocketId OpenSocket() = 0;
    virtual void CloseSocket(SocketId socket) = 0;
    virtual int SetOption(SocketId socket, int level, int name, const char* value, int length) = 0;
    virtual int Bind(SocketId socket, const SocketAddress& address) = 0;
    // From here on each readable datagram posts the notify message with the read event.
    virtual int SelectReadNotices(SocketId socket, unsigned message) = 0;
    virtual int SendTo(SocketId socket, const char* data, int length, const SocketAddress& to) = 0;
    // The byte count, or -1. `from` is the sender when the library names it, else zero.
    virtual int ReceiveFrom(SocketId socket, char* buffer, int length, SocketAddress& from) = 0;
    virtual int LastError() = 0;
    // The system's own words for an error code; "" where it has none.
    virtual std::string ErrorText(int code) = 0;

    // The address in network byte order, or kAddressNone.
    virtual std::uint32_t InetAddr(const char* text) = 0;
    // Starts an asynchronous lookup of `host` whose completion posts `message` to the notify
    // window; the answer is written into `hostEntry`. False when no lookup could be started.
    virtual bool StartHostLookup(unsigned message, const char* host, char* hostEntry, int size) = 0;
    // The first IPv4 address of a completed lookup's answer, in network byte order; 0 when the
    // answer holds none.
    virtual std::uint32_t FirstHostAddress(const char* hostEntry) = 0;

    // Dispatches the thread's messages until `done` is true, sleeping while none are waiting.
    virtual void DispatchMessagesUntil(const std::function<bool()>& done) = 0;
};

}  // namespace ostrel
