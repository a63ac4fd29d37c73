#include "net/UDPEndpoint_win32.h"

#include <cstring>
#include <optional>

#include "core/system_error_win32.h"
#include "core/window_win32.h"
#include "net/endpoint_texts.h"

namespace ostrel {
namespace {

constexpr WORD kWinsockVersion = MAKEWORD(1, 1);
constexpr UINT_PTR kResumeTimer = 1;
constexpr int kMaxResumeDeferrals = 5;

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

// The layer is its notify window.
class WinsockLayer final : public SocketLayer, private Window {
  public:
    explicit WinsockLayer(ErrorReporter* errors) : Window(errors) {}

    void OpenNotifyWindow(MessageHandler handler) override {
        WindowPlacement placement;
        placement.parent = HWND_MESSAGE;
        Create(WindowClass{"TUDPEndpointNotifyWindow"}, placement,
               UDPEndpointTexts::NoNotifyWindow);
        handler_ = std::move(handler);
    }

    void CloseNotifyWindow() override {
        handler_ = nullptr;
        Destroy();
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
        KillTimer(Handle(), kResumeTimer);
        resumeDeferrals_ = 0;
        readSocket_ = id;
        readMessage_ = message;
        return WSAAsyncSelect(id, Handle(), message, FD_READ);
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
    std::string ErrorText(int code) override { return SystemMessage(static_cast<DWORD>(code)); }

    std::uint32_t InetAddr(const char* text) override { return inet_addr(text); }

    bool StartHostLookup(unsigned message, const char* host, char* hostEntry, int size) override {
        return WSAAsyncGetHostByName(Handle(), message, host, hostEntry, size) != nullptr;
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
            if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    // Kept for the application's own loop, which ends on it.
                    quitCode = message.wParam;
                    continue;
                }
                TranslateMessage(&message);
                DispatchMessageW(&message);
            } else {
                MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            }
        }
        if (quitCode) PostQuitMessage(static_cast<int>(*quitCode));
    }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (handler_) {
            if (message == WM_TIMER && wParam == kResumeTimer) {
                ResumeReadNotices();
                return 0;
            }
            if (IsReadNotice(message, wParam, lParam) && TimerDue() && PauseReadNotices()) return 0;
            handler_({message, wParam, static_cast<std::intptr_t>(lParam)});
        }
        return Default(message, wParam, lParam);
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
        if (!SetTimer(Handle(), kResumeTimer, USER_TIMER_MINIMUM, nullptr)) return false;
        WSAAsyncSelect(readSocket_, Handle(), 0, 0);
        return true;
    }

    // Registering again posts a read notice at once when a datagram is waiting.
    void ResumeReadNotices() {
        if (TimerDue() && resumeDeferrals_ < kMaxResumeDeferrals) {
            ++resumeDeferrals_;
            return;
        }
        resumeDeferrals_ = 0;
        KillTimer(Handle(), kResumeTimer);
        WSAAsyncSelect(readSocket_, Handle(), readMessage_, FD_READ);
    }

    MessageHandler handler_;
    SocketId readSocket_ = kInvalidSocket;
    unsigned readMessage_ = 0;
    int resumeDeferrals_ = 0;
    WSADATA WinsockInfo{};
};

}  // namespace

std::unique_ptr<SocketLayer> CreateWinsockLayer(ErrorReporter* errors) {
    return std::make_unique<WinsockLayer>(errors);
}

}  // namespace ostrel
