// A socket library and message queue in memory, for the UDP endpoint's tests.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/socket_layer.h"

namespace ostrel::test {

class FakeSocketLayer : public SocketLayer {
  public:
    struct Datagram {
        SocketId socket = 0;
        std::string data;
        SocketAddress peer;
    };
    // How the next asynchronous lookup goes.
    struct LookupAnswer {
        bool starts = true;
        std::uint16_t error = 0;
        std::uint32_t address = 0;
    };
    static constexpr std::uint16_t kHostNotFound = 11001;

    // Settings.
    int startupResult = 0;
    bool socketFails = false;
    int lastError = 0;
    std::deque<LookupAnswer> lookupAnswers;  // once used up, lookups fail
    std::deque<Datagram> incoming;           // what ReceiveFrom hands out, in order
    std::deque<int> bindErrors;              // the next binds' errors; once used up, binds succeed

    // What happened, in order: "Startup", "OpenSocket 101", "Bind 101 61001", ...
    std::vector<std::string> calls;
    std::vector<Datagram> sent;
    std::vector<std::string> lookups;
    std::vector<int> receiveLengths;
    int dispatchRuns = 0;
    std::deque<WindowMessage> queue;

    void OpenNotifyWindow(MessageHandler handler) override {
        calls.push_back("OpenNotifyWindow");
        handler_ = std::move(handler);
    }
    void CloseNotifyWindow() override {
        calls.push_back("CloseNotifyWindow");
        handler_ = nullptr;
    }
    int Startup() override {
        calls.push_back("Startup");
        return startupResult;
    }
    void Cleanup() override { calls.push_back("Cleanup"); }
    SocketId OpenSocket() override {
        if (socketFails) {
            calls.push_back("OpenSocket failed");
            return kInvalidSocket;
        }
        const SocketId id = nextSocket_++;
        calls.push_back("OpenSocket " + std::to_string(id));
        return id;
    }
    void CloseSocket(SocketId socket) override {
        calls.push_back("CloseSocket " + std::to_string(socket));
    }
    int SetOption(SocketId socket, int level, int name, const char* value, int length) override {
        std::ostringstream text;
        text << "SetOption " << socket << ' ' << std::hex << level << ' ' << name << ' '
             << std::string(value, static_cast<std::size_t>(length));
        calls.push_back(text.str());
        return 0;
    }
    int Bind(SocketId socket, const SocketAddress& address) override {
        calls.push_back("Bind " + std::to_string(socket) + ' ' +
                        std::to_string(NetworkToHost16(address.port)) + ' ' +
                        std::to_string(address.address));
        if (bindErrors.empty()) return 0;
        lastError = bindErrors.front();
        bindErrors.pop_front();
        return lastError == 0 ? 0 : -1;
    }
    int SelectReadNotices(SocketId socket, unsigned message) override {
        calls.push_back("Select " + std::to_string(socket) + ' ' + std::to_string(message));
        return 0;
    }
    int SendTo(SocketId socket, const char* data, int length, const SocketAddress& to) override {
        sent.push_back({socket, std::string(data, static_cast<std::size_t>(length)), to});
        return length;
    }
    // A datagram longer than the buffer fills it and then fails, as the real library does.
    int ReceiveFrom(SocketId, char* buffer, int length, SocketAddress& from) override {
        receiveLengths.push_back(length);
        from = SocketAddress{};
        if (incoming.empty()) return -1;
        const Datagram datagram = incoming.front();
        incoming.pop_front();
        from = datagram.peer;
        const std::size_t room = static_cast<std::size_t>(length);
        std::memcpy(buffer, datagram.data.data(), std::min(room, datagram.data.size()));
        return datagram.data.size() > room ? -1 : static_cast<int>(datagram.data.size());
    }
    int LastError() override { return lastError; }
    std::string ErrorText(int code) override {
        return code == 10048 ? "Address in use." : code == 10013 ? "Access denied." : "";
    }

    std::uint32_t InetAddr(const char* text) override {
        unsigned parts[4];
        char rest;
        if (std::sscanf(text, "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                        &rest) != 4)
            return kAddressNone;
        unsigned char bytes[4];
        for (int i = 0; i < 4; ++i) {
            if (parts[i] > 255) return kAddressNone;
            bytes[i] = static_cast<unsigned char>(parts[i]);
        }
        std::uint32_t address;
        std::memcpy(&address, bytes, sizeof address);
        return address;
    }
    bool StartHostLookup(unsigned message, const char* host, char* hostEntry, int) override {
        lookups.emplace_back(host);
        LookupAnswer answer{true, kHostNotFound, 0};
        if (!lookupAnswers.empty()) {
            answer = lookupAnswers.front();
            lookupAnswers.pop_front();
        }
        if (!answer.starts) return false;
        std::memcpy(hostEntry, &answer.address, sizeof answer.address);
        // The low word of a completion carries the answer's size, never the read event.
        queue.push_back({message, 77, static_cast<std::intptr_t>(answer.error) << 16 | 100});
        return true;
    }
    std::uint32_t FirstHostAddress(const char* hostEntry) override {
        std::uint32_t address;
        std::memcpy(&address, hostEntry, sizeof address);
        return address;
    }
    void DispatchMessagesUntil(const std::function<bool()>& done) override {
        ++dispatchRuns;
        DeliverQueued();
        // The real queue would sleep for ever here.
        if (!done()) throw std::logic_error("waiting for a message that never comes");
    }

    // Hands every queued message to the notify window, as the message loop would.
    void DeliverQueued() {
        while (!queue.empty()) {
            const WindowMessage message = queue.front();
            queue.pop_front();
            if (handler_) handler_(message);
        }
    }
    void Deliver(const WindowMessage& message) {
        if (handler_) handler_(message);
    }
    static SocketAddress Peer(const char* dotted, std::uint16_t port) {
        SocketAddress peer;
        peer.family = kAddressFamilyInet;
        peer.port = HostToNetwork16(port);
        peer.address = FakeSocketLayer().InetAddr(dotted);
        return peer;
    }

  private:
    MessageHandler handler_;
    SocketId nextSocket_ = 101;
};

}  // namespace ostrel::test
