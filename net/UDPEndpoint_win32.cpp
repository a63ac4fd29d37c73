#include "net/UDPEndpoint_win32.h"

// WinSock 1.1 (wsock32); it brings windows.h with it.
#include <winsock.h>

#include <cstring>
#include <optional>

#include "core/errors.h"
#include "core/handles_win32.h"

namespace ostrel {
namespace {

constexpr WORD kWinsockVersion = MAKEWORD(1, 1);
constexpr char kNotifyWindowClass[] = "TUDPEndpointNotifyWindow";
constexpr char kNoNotifyWindow[] = "Cannot create the window for socket notices";
constexpr UINT_PTR kResumeTimer = 1;
constexpr int kMaxResumeDeferrals = 5;

static_assert(INVALID_SOCKET == kInvalidSocket, "invalid socket values differ");

sockaddr_in ToSockaddr(const SocketAddress& address) {
    sockaddr_in result{};
    result.sin_family = static_cast<short>(address.family);
    result.sin_port = address.port;
    result.sin_addr.s_addr = address.address;
    return result;
}

SocketAddress FromSockaddr(const sockaddr_in& address) {
    SocketAddress result;
    result.family = static_cast<std::uint16_t>(address.sin_family);
    result.port = address.sin_port;
    result.address = address.sin_addr.s_addr;
    return result;
}

class WinsockLayer final : public SocketLayer {
  public:
    explicit WinsockLayer(NoticeErrorHandler onError) : onError_(std::move(onError)) {}
    ~WinsockLayer() override { CloseNotifyWindow(); }

    void OpenNotifyWindow(MessageHandler handler) override {
        window_.reset(CreateWindowExA(0, NotifyWindowClass(), "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, GetModuleHandleA(nullptr), nullptr));
        if (!window_) throw Exception(kNoNotifyWindow);
        SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        handler_ = std::move(handler);
    }

    void CloseNotifyWindow() override {
        handler_ = nullptr;
        window_.reset();
    }

    int Startup() override { return WSAStartup(kWinsockVersion, &WinsockInfo); }
    void Cleanup() override { WSACleanup(); }

    SocketId OpenSocket() override { return socket(AF_INET, SOCK_DGRAM, 0); }
    void CloseSocket(SocketId id) override { closesocket(id); }

    int SetOption(SocketId id, int level, int name, const char* value, int length) override {
        return setsockopt(id, level, name, value, length);
    }

    int Bind(SocketId id, const SocketAddress& address) override {
        const sockaddr_in local = ToSockaddr(address);
        return bind(id, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    }

    int SelectReadNotices(SocketId id, unsigned message) override {
        KillTimer(window_.get(), kResumeTimer);
        resumeDeferrals_ = 0;
        readSocket_ = id;
        readMessage_ = message;
        return WSAAsyncSelect(id, window_.get(), message, FD_READ);
    }

    int SendTo(SocketId id, const char* data, int length, const SocketAddress& to) override {
        const sockaddr_in peer = ToSockaddr(to);
        return sendto(id, data, length, 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    }

    int ReceiveFrom(SocketId id, char* buffer, int length, SocketAddress& from) override {
        sockaddr_in sender{};
        int senderLength = sizeof sender;
        const int count =
            recvfrom(id, buffer, length, 0, reinterpret_cast<sockaddr*>(&sender), &senderLength);
        from = senderLength == sizeof sender ? FromSockaddr(sender) : SocketAddress{};
        return count;
    }

    int LastError() override { return WSAGetLastError(); }

    std::uint32_t InetAddr(const char* text) override { return inet_addr(text); }

    bool StartHostLookup(unsigned message, const char* host, char* hostEntry, int size) override {
        return WSAAsyncGetHostByName(window_.get(), message, host, hostEntry, size) != nullptr;
    }

    std::uint32_t FirstHostAddress(const char* hostEntry) override {
        hostent entry;
        std::memcpy(&entry, hostEntry, sizeof entry);
        if (entry.h_addrtype != AF_INET || entry.h_length != 4 || !entry.h_addr_list ||
            !entry.h_addr_list[0])
            return 0;
        std::uint32_t address;
        std::memcpy(&address, entry.h_addr_list[0], sizeof address);
        return address;
    }

    // Sleeps in MsgWaitForMultipleObjectsEx while the queue is empty instead of polling it.
    void DispatchMessagesUntil(const std::function<bool()>& done) override {
        std::optional<WPARAM> quitCode;
        while (!done()) {
            MSG message;
            if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    // Kept for the application's own loop, which ends on it.
                    quitCode = message.wParam;
                    continue;
                }
                TranslateMessage(&message);
                DispatchMessageA(&message);
            } else {
                MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            }
        }
        if (quitCode) PostQuitMessage(static_cast<int>(*quitCode));
    }

  private:
    static const char* NotifyWindowClass() {
        static const ATOM registered = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = WindowProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = kNotifyWindowClass;
            return RegisterClassA(&windowClass);
        }();
        if (!registered) throw Exception(kNoNotifyWindow);
        return kNotifyWindowClass;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* layer = reinterpret_cast<WinsockLayer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (layer && layer->handler_) {
            if (message == WM_TIMER && wParam == kResumeTimer) {
                layer->ResumeReadNotices();
                return 0;
            }
            if (layer->IsReadNotice(message, wParam, lParam) && TimerDue() &&
                layer->PauseReadNotices())
                return 0;
            layer->Deliver({message, wParam, lParam});
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    // WinSock posts the next read notice as soon as a datagram has been read, and window timers
    // fire only while no posted message waits: under a steady flood the application's timer
    // would never tick. So a read notice that finds a timer due pauses the notices; the notify
    // window's own timer resumes them once no other timer is due (the system picks among due
    // timers as it likes), or after a few rounds at the latest, since a fast timer may always be
    // due. Meanwhile the datagrams wait on the socket, and they are read in their order.
    static bool TimerDue() { return (HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER) != 0; }

    bool IsReadNotice(UINT message, WPARAM wParam, LPARAM lParam) const {
        return message == readMessage_ && wParam == readSocket_ && LOWORD(lParam) == FD_READ;
    }

    // False when no timer is left to resume with: then the notice is handled at once.
    bool PauseReadNotices() {
        if (!SetTimer(window_.get(), kResumeTimer, USER_TIMER_MINIMUM, nullptr)) return false;
        WSAAsyncSelect(readSocket_, window_.get(), 0, 0);
        return true;
    }

    // Registering again posts a read notice at once when a datagram is waiting.
    void ResumeReadNotices() {
        if (TimerDue() && resumeDeferrals_ < kMaxResumeDeferrals) {
            ++resumeDeferrals_;
            return;
        }
        resumeDeferrals_ = 0;
        KillTimer(window_.get(), kResumeTimer);
        WSAAsyncSelect(readSocket_, window_.get(), readMessage_, FD_READ);
    }

    // No exception may unwind through the system's frames of the window procedure.
    void Deliver(const WindowMessage& message) noexcept {
        try {
            handler_(message);
        } catch (const std::exception& error) {
            Report(error);
        } catch (...) {
            Report(Exception("Unknown exception in a socket notice"));
        }
    }

    void Report(const std::exception& error) noexcept {
        if (!onError_) return;
        try {
            onError_(error);
        } catch (...) {
            // The error report itself failed; nothing is left to tell.
        }
    }

    NoticeErrorHandler onError_;
    MessageHandler handler_;
    OwnedWindow window_;
    SocketId readSocket_ = kInvalidSocket;
    unsigned readMessage_ = 0;
    int resumeDeferrals_ = 0;
    WSADATA WinsockInfo{};
};

}  // namespace

std::unique_ptr<SocketLayer> CreateWinsockLayer(NoticeErrorHandler onError) {
    return std::make_unique<WinsockLayer>(std::move(onError));
}

std::unique_ptr<TUDPEndpoint> CreateUDPEndpoint1(DataReceivedHandler onDataReceived,
                                                 NoticeErrorHandler onError) {
    // The order in which the form loader assigns the stored values, then its notification.
    auto endpoint = std::make_unique<TUDPEndpoint>(CreateWinsockLayer(std::move(onError)));
    endpoint->RemoteHost = "127.0.0.1";
    endpoint->RemotePort = 61000;
    endpoint->SetLocalPort(61001);
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

}  // namespace ostrel
