#include "net/UDPEndpoint.h"

#include <cstring>

#include "core/errors.h"
#include "net/endpoint_texts.h"

namespace ostrel {
namespace {

constexpr std::uint16_t kErrorMask = 10035;  // WSAEWOULDBLOCK
constexpr std::uint16_t kReadEvent = 1;      // FD_READ
constexpr int kSocketLevel = 0xFFFF;         // SOL_SOCKET
constexpr int kDontLinger = 0xFF7F;          // SO_DONTLINGER
// Read as a 32-bit integer these four characters are non-zero, which switches the option on.
constexpr char kOptionOn[] = "TRUE";

std::uint16_t LowWord(std::int64_t value) { return static_cast<std::uint16_t>(value & 0xFFFF); }

std::uint16_t HighWord(std::int64_t value) {
    return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}

// "%d.%d.%d.%d" of the four bytes, as they lie in memory.
std::string DottedAddress(std::uint32_t networkOrder) {
    unsigned char bytes[4];
    std::memcpy(bytes, &networkOrder, sizeof bytes);
    std::string text;
    for (const unsigned char byte : bytes) {
        if (!text.empty()) text += '.';
        text += std::to_string(byte);
    }
    return text;
}

}  // namespace

std::uint16_t HostToNetwork16(std::uint16_t value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value & 0xFF)};
    std::uint16_t result;
    std::memcpy(&result, bytes, sizeof result);
    return result;
}

std::uint16_t NetworkToHost16(std::uint16_t value) {
    unsigned char bytes[2];
    std::memcpy(bytes, &value, sizeof bytes);
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

int TUDPEndpoint::WinsockUse::Begin() {
    const int result = layer_.Startup();
    started_ = result == 0;
    return result;
}

void TUDPEndpoint::WinsockUse::End() {
    if (started_) layer_.Cleanup();
    started_ = false;
}

void TUDPEndpoint::LayerSocket::Reset(SocketId id) {
    if (IsOpenSocket(id_)) layer_.CloseSocket(id_);
    id_ = id;
}

TUDPEndpoint::TUDPEndpoint(std::unique_ptr<SocketLayer> layer)
    : layer_(std::move(layer)),
      HostEntryBuffer(std::make_unique<HostEntryBlock>()),
      winsock_(*layer_),
      SocketHandle(*layer_) {
    layer_->OpenNotifyWindow(
        [this](const WindowMessage& message) { HandleSocketMessage(message); });
    ReportLevel = 1;
    ReportStatus(kReportDetails, kInitializingWinsock);
    if (winsock_.Begin() != 0) {
        CheckSocketError(kErrorMask);
    } else {
        OpenSocketGuarded();
        layer_->SetOption(SocketHandle.Get(), kSocketLevel, kDontLinger, kOptionOn, 4);
    }
    Ready = true;
}

TUDPEndpoint::~TUDPEndpoint() {
    // No notice may reach the component while its members go.
    Ready = false;
    layer_->CloseNotifyWindow();
}

void TUDPEndpoint::OpenSocketGuarded() {
    try {
        SocketHandle.Reset(layer_->OpenSocket());
        if (SocketHandle.Get() == kInvalidSocket) CheckSocketError(kErrorMask);
    } catch (...) {
        winsock_.End();
        throw;
    }
}

void TUDPEndpoint::SetLocalPort(std::int32_t port) {
    SocketHandle.Reset(0);
    Bound = false;
    winsock_.End();
    if (winsock_.Begin() != 0) {
        CheckSocketError(kErrorMask);
    } else {
        OpenSocketGuarded();
    }
    localPort_ = port;
    PropertiesLoaded();
}

void TUDPEndpoint::PropertiesLoaded() {
    // A socket is bound once: the system refuses a second bind.
    if (!Bound) BindSocket();
    layer_->SelectReadNotices(SocketHandle.Get(), kSocketNotifyMessage);
}

// Windows hands the ports of its temporary range (LocalPort among them) to any program's
// outgoing socket, and keeps whole blocks of it for its own networking: the bind then fails with
// 10048 or 10013. A socket left unbound would be bound by its first send on every address, open
// to the network; so it is bound to LocalHost with a port the system picks instead.
bool TUDPEndpoint::BindSocket() {
    LocalAddress = SocketAddress{};
    LocalAddress.family = kAddressFamilyInet;
    LocalAddress.port = HostToNetwork16(LowWord(localPort_));
    LocalAddress.address = layer_->InetAddr(LocalHost.c_str());
    Bound = layer_->Bind(SocketHandle.Get(), LocalAddress) == 0;
    if (Bound) return true;
    const int port = LowWord(localPort_);
    const UserText error = SocketErrorText(layer_->LastError());
    if (LocalAddress.port == 0) {
        Warn(UDPEndpointTexts::NotSent(port, error));
        return false;
    }
    LocalAddress.port = 0;
    Bound = layer_->Bind(SocketHandle.Get(), LocalAddress) == 0;
    if (Bound) {
        Warn(UDPEndpointTexts::SentFromAnotherPort(port, error));
        return true;
    }
    Warn(UDPEndpointTexts::NotSentNorAnother(port, error, SocketErrorText(layer_->LastError())));
    return false;
}

UserText TUDPEndpoint::SocketErrorText(int code) {
    return UDPEndpointTexts::SocketError(std::to_string(code), layer_->ErrorText(code));
}

void TUDPEndpoint::Warn(const UserText& line) {
    if (!OnWarning || line.String() == lastWarning_) return;
    lastWarning_ = line.String();
    OnWarning(*this, line);
}

void TUDPEndpoint::SendDatagram(MemoryStream& Stream) {
    // A handler has exactly one chance to fill an empty stream.
    for (bool firstPass = true; Stream.Size() == 0; firstPass = false) {
        if (!firstPass || !OnStreamInvalid) throw Exception(UDPEndpointTexts::InvalidStream);
        bool handled = false;
        OnStreamInvalid(handled, Stream);
        if (!handled) throw Exception(UDPEndpointTexts::InvalidStream);
    }
    if (Stream.Size() > kSendBufferSize) {
        throw UDPSockError(UDPEndpointTexts::StreamTooLong(kSendBufferSize));
    }

    ResolveRemoteHost();
    if (RemoteAddress.address == 0) throw UDPSockError(UDPEndpointTexts::NullRemoteAddress);
    ReportStatus(kReportSending, kSendingData);
    RemoteAddress.family = kAddressFamilyInet;
    RemoteAddress.port = HostToNetwork16(LowWord(RemotePort));

    std::array<char, kSendBufferSize> sendBuffer;
    const std::size_t size = Stream.Size();
    Stream.Seek(0);
    Stream.ReadBuffer(sendBuffer.data(), size);
    if (!Bound && !BindSocket()) return;
    // A failed send is not reported: a datagram may be lost on the wire all the same.
    layer_->SendTo(SocketHandle.Get(), sendBuffer.data(), static_cast<int>(size), RemoteAddress);
    if (OnDataSend) OnDataSend(*this);
}

void TUDPEndpoint::ResolveRemoteHost() {
    if (RemoteHost.size() >= kHostTextSize) {
        throw UDPSockError(UDPEndpointTexts::RemoteHostTooLong(kHostTextSize - 1));
    }
    std::array<char, kHostTextSize> hostText{};
    RemoteHost.copy(hostText.data(), RemoteHost.size());

    RemoteAddress.address = layer_->InetAddr(hostText.data());
    if (RemoteAddress.address != kAddressNone) return;

    // The handler may change RemoteHost; the retry still looks up the text of this send.
    for (int lookup = 1;; ++lookup) {
        WaitForLookup(hostText.data());
        if (LookupSucceeded) {
            RemoteAddress.address = layer_->FirstHostAddress(HostEntryBuffer->bytes);
            return;
        }
        if (lookup == 2) throw UDPSockError(UDPEndpointTexts::HostLookupCanceled);
        bool handled = false;
        if (OnInvalidHost) OnInvalidHost(handled);
        if (!handled) throw UDPSockError(UDPEndpointTexts::HostLookupCanceled);
    }
}

void TUDPEndpoint::WaitForLookup(const char* hostText) {
    LookupDone = false;
    if (!layer_->StartHostLookup(kSocketNotifyMessage, hostText, HostEntryBuffer->bytes,
                                 static_cast<int>(kHostEntrySize))) {
        // No completion will ever come for a lookup that did not start.
        LookupSucceeded = false;
        LookupDone = true;
        return;
    }
    layer_->DispatchMessagesUntil([this] { return LookupDone; });
}

void TUDPEndpoint::HandleSocketMessage(const WindowMessage& message) {
    if (!Ready || message.message != kSocketNotifyMessage) return;
    if (LowWord(message.lParam) == kReadEvent) {
        ReadDatagram();
    } else {
        LookupDone = true;
        LookupSucceeded = HighWord(message.lParam) == 0;
    }
}

void TUDPEndpoint::ReadDatagram() {
    SocketAddress from;
    ReceivedCount = layer_->ReceiveFrom(SocketHandle.Get(), ReceiveBuffer.data(),
                                        static_cast<int>(ReceiveBuffer.size()), from);
    if (OnDataReceived) {
        OnDataReceived(*this, ReceivedCount, DottedAddress(from.address),
                       NetworkToHost16(from.port));
    }
}

void TUDPEndpoint::ReportStatus(std::uint8_t level, const std::string& text) {
    if (static_cast<std::int32_t>(level) > ReportLevel) return;
    StatusText = text;
    if (OnStatus) OnStatus(*this, StatusText);
}

void TUDPEndpoint::CheckSocketError(std::uint16_t mask) {
    ReportStatus(kReportErrors, kCheckingError);
    const int code = layer_->LastError();
    // Only the mask's own code means "no error"; codes that merely share its bits are errors.
    if (code == mask) return;
    if (code < 0 || code > 0xFFFF) throw Exception(UDPEndpointTexts::RangeCheckError);
    throw UDPSockError(DescribeSocketError(static_cast<std::uint16_t>(code)));
}

UserText TUDPEndpoint::DescribeSocketError(std::uint16_t number) {
    const UserText text =
        number == 0 ? UserText() : UDPEndpointTexts::UnknownError(std::to_string(number));
    ReportStatus(kReportDetails, kLookingUpError + text.String());
    return text;
}

}  // namespace ostrel
