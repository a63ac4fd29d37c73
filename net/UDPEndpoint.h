// TUDPEndpoint: one UDP socket bound to LocalPort on every local interface (or on the one that
// LocalHost names), or to a port the system picks where LocalPort cannot be had; sends a stream's
// content as one datagram to RemoteHost:RemotePort and reports every datagram that arrives.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/user_texts.h"
#include "net/memory_stream.h"
#include "net/socket_layer.h"

namespace ostrel {

class TUDPEndpoint;

using TOnStatus = std::function<void(TUDPEndpoint& Sender, const std::string& status)>;
using TOnWarning = std::function<void(TUDPEndpoint& Sender, const UserText& line)>;
using TOnReceive = std::function<void(TUDPEndpoint& Sender, std::int32_t NumberBytes,
                                      const std::string& FromIP, std::int32_t Port)>;
using TNotifyEvent = std::function<void(TUDPEndpoint& Sender)>;
using THandlerEvent = std::function<void(bool& handled)>;
using TStreamInvalid = std::function<void(bool& handled, MemoryStream& Stream)>;

// Both kinds of notice (a datagram can be read; a name lookup has finished) arrive as this
// message; the low word of its second parameter tells them apart.
inline constexpr unsigned kSocketNotifyMessage = 1125;
inline constexpr std::size_t kReceiveBufferSize = 2048;
inline constexpr std::size_t kSendBufferSize = 2048;
inline constexpr std::size_t kHostEntrySize = 1024;
inline constexpr std::size_t kHostTextSize = 128;  // 127 characters and the terminating zero

// Report levels of the status texts: "Sending Data"; the library's start and the looking up of an
// error's text; the checking of an error.
inline constexpr std::uint8_t kReportSending = 2;
inline constexpr std::uint8_t kReportDetails = 8;
inline constexpr std::uint8_t kReportErrors = 16;

class TUDPEndpoint {
  public:
    // Starts the socket library and creates the socket; neither binds it nor registers it for
    // notices. Raises UDPSockError when either fails.
    explicit TUDPEndpoint(std::unique_ptr<SocketLayer> layer);
    ~TUDPEndpoint();
    TUDPEndpoint(const TUDPEndpoint&) = delete;
    TUDPEndpoint& operator=(const TUDPEndpoint&) = delete;

    // Published properties with plain assignment.
    std::string RemoteHost;
    std::int32_t RemotePort = 0;
    std::int32_t ReportLevel = 1;
    TOnReceive OnDataReceived;
    TNotifyEvent OnDataSend;
    TOnStatus OnStatus;
    THandlerEvent OnInvalidHost;
    TStreamInvalid OnStreamInvalid;
    // A line for the log when the socket cannot be bound as asked: LocalPort is taken or kept by
    // the system, so the datagrams leave from another port, or from none. The same line is given
    // once only, however often the socket is replaced.
    TOnWarning OnWarning;

    // The local interface the socket is bound to, in dotted form: all of them unless told
    // otherwise. Read when the socket is bound.
    std::string LocalHost = "0.0.0.0";

    std::int32_t LocalPort() const { return localPort_; }
    // Replaces the socket with a new one bound to `port`, also when the port is unchanged.
    void SetLocalPort(std::int32_t port);

    // Binds the socket, unless it is bound already, and registers it for read notices. Called once
    // all stored properties are assigned, and by the LocalPort setter.
    void PropertiesLoaded();

    // Sends the stream's whole content as one datagram; leaves the stream's position at its end.
    // A socket that is not yet bound is bound first; one that cannot be bound at all sends
    // nothing (OnWarning has said why).
    void SendDatagram(MemoryStream& Stream);

    // What the last read left: the byte count or -1, and the bytes.
    std::int32_t GetReceivedCount() const { return ReceivedCount; }
    const std::array<char, kReceiveBufferSize>& GetReceiveBuffer() const { return ReceiveBuffer; }
    const std::string& GetStatusText() const { return StatusText; }
    // Whether the socket is bound, and so sends: one that cannot be bound sends nothing.
    bool SocketBound() const { return Bound; }

  private:
    void ResolveRemoteHost();
    void CheckSocketError(std::uint16_t mask);
    UserText DescribeSocketError(std::uint16_t number);
    void ReportStatus(std::uint8_t level, const std::string& text);
    void HandleSocketMessage(const WindowMessage& message);
    void ReadDatagram();
    bool BindSocket();
    UserText SocketErrorText(int code);
    void Warn(const UserText& line);

    // One successful Startup of the socket library, ended with Cleanup.
    class WinsockUse {
      public:
        explicit WinsockUse(SocketLayer& layer) : layer_(layer) {}
        ~WinsockUse() { End(); }
        WinsockUse(const WinsockUse&) = delete;
        WinsockUse& operator=(const WinsockUse&) = delete;
        // 0 or the library's error code.
        int Begin();
        void End();

      private:
        SocketLayer& layer_;
        bool started_ = false;
    };

    // The socket, closed when replaced and when the component goes.
    class LayerSocket {
      public:
        explicit LayerSocket(SocketLayer& layer) : layer_(layer) {}
        ~LayerSocket() { Reset(0); }
        LayerSocket(const LayerSocket&) = delete;
        LayerSocket& operator=(const LayerSocket&) = delete;
        SocketId Get() const { return id_; }
        void Reset(SocketId id);

      private:
        SocketLayer& layer_;
        SocketId id_ = 0;
    };

    struct alignas(std::max_align_t) HostEntryBlock {
        char bytes[kHostEntrySize];
    };

    void OpenSocketGuarded();
    void WaitForLookup(const char* hostText);

    // Declared first so that it goes last: the members below still call into it.
    std::unique_ptr<SocketLayer> layer_;
    std::array<char, kReceiveBufferSize> ReceiveBuffer{};
    std::int32_t ReceivedCount = 0;
    std::int32_t localPort_ = 0;
    SocketAddress RemoteAddress;
    SocketAddress LocalAddress;
    bool Bound = false;
    std::string lastWarning_;
    bool LookupDone = false;
    // Released after the socket library's use ends, since a running lookup writes into it.
    std::unique_ptr<HostEntryBlock> HostEntryBuffer;
    bool LookupSucceeded = false;
    std::string StatusText;
    bool Ready = false;
    WinsockUse winsock_;
    LayerSocket SocketHandle;
};

}  // namespace ostrel
