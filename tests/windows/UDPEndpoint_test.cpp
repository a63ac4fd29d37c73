// The UDP endpoint over real WinSock sockets on the loopback interface.
#include <winsock.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "net/UDPEndpoint_win32.h"
#include "udp_probe.h"

namespace ostrel {
namespace {

using testing::Pump;
using testing::PumpUntil;
using testing::UdpProbe;
using testing::WinsockSession;

struct Received {
    int count;
    std::string ip;
    int port;
};

class UDPEndpointWinsock : public ::testing::Test {
  protected:
    std::unique_ptr<TUDPEndpoint> Endpoint1() {
        return CreateUDPEndpoint1([this](int NumberBytes, const std::string& FromIP, int Port) {
            received.push_back({NumberBytes, FromIP, Port});
        });
    }
    WinsockSession session;
    std::vector<Received> received;
};

TEST_F(UDPEndpointWinsock, TheStoredEndpointIsBoundTo61001AndReportsWhatArrives) {
    auto endpoint = Endpoint1();
    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "hello"));
    ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
    Pump(100);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].count, 5);
    EXPECT_EQ(received[0].ip, "127.0.0.1");
    EXPECT_EQ(received[0].port, peer.Port());
    EXPECT_EQ(std::string(endpoint->GetReceiveBuffer().data(), 5), "hello");
}

TEST_F(UDPEndpointWinsock, ADatagramWithNoHandlerIsReadAndDropped) {
    auto endpoint = CreateUDPEndpoint1({});
    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "dropped"));
    ASSERT_TRUE(PumpUntil([&] { return endpoint->GetReceivedCount() == 7; }));
    EXPECT_FALSE(peer.Receive(100)) << "nothing answers";
}

TEST_F(UDPEndpointWinsock, DatagramsBeyondTheBufferGiveMinusOneAndReadingGoesOn) {
    auto endpoint = Endpoint1();
    UdpProbe peer(0);
    const std::string full(2048, 'f');
    for (const std::string& datagram :
         {full, std::string(2049, 'x'), std::string(3000, 'y'), std::string(65000, 'z')}) {
        ASSERT_TRUE(peer.SendTo(61001, datagram)) << datagram.size();
    }
    ASSERT_TRUE(peer.SendTo(61001, "next"));
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 5; }));
    Pump(100);
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[0].count, 2048);
    EXPECT_EQ(received[1].count, -1);
    EXPECT_EQ(received[2].count, -1);
    EXPECT_EQ(received[3].count, -1);
    EXPECT_EQ(received[4].count, 4);
    EXPECT_EQ(std::string(endpoint->GetReceiveBuffer().data(), 4), "next");
}

TEST_F(UDPEndpointWinsock, AssigningLocalPortItsCurrentValueBindsANewSocket) {
    auto endpoint = Endpoint1();
    endpoint->SetLocalPort(61001);
    endpoint->SetLocalPort(61001);
    EXPECT_FALSE(UdpProbe::CanBind(61001)) << "the new socket holds the port";

    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "rebound"));
    ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received[0].count, 7);

    endpoint.reset();
    EXPECT_TRUE(UdpProbe::CanBind(61001)) << "the socket goes with the endpoint";
}

TEST_F(UDPEndpointWinsock, APortHeldByAnotherSocketLeavesTheEndpointUnboundButSending) {
    UdpProbe holder(61001);
    ASSERT_TRUE(holder.Bound());
    UdpProbe corvex(61000);
    ASSERT_TRUE(corvex.Bound());

    auto endpoint = Endpoint1();
    MemoryStream stream;
    stream.Write("still sent", 10);
    endpoint->SendDatagram(stream);
    const auto datagram = corvex.Receive(2000);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->data, "still sent");
    EXPECT_NE(datagram->port, 61001);

    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "for the holder"));
    EXPECT_TRUE(holder.Receive(2000));
    Pump(200);
    EXPECT_TRUE(received.empty());
}

TEST_F(UDPEndpointWinsock, AHostNameIsResolvedByTheAsynchronousLookup) {
    UdpProbe corvex(61000);
    auto endpoint = Endpoint1();
    int invalidHosts = 0;
    endpoint->OnInvalidHost = [&](bool&) { ++invalidHosts; };
    endpoint->RemoteHost = "localhost";
    MemoryStream stream;
    stream.Write("by name", 7);
    endpoint->SendDatagram(stream);
    const auto datagram = corvex.Receive(2000);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->data, "by name");
    EXPECT_EQ(invalidHosts, 0);
}

TEST_F(UDPEndpointWinsock, AnUnknownHostIsRetriedOnceThroughTheHandlerThenCanceled) {
    auto endpoint = Endpoint1();
    int invalidHosts = 0;
    endpoint->OnInvalidHost = [&](bool& handled) {
        ++invalidHosts;
        handled = true;
    };
    endpoint->RemoteHost = "no-such-host.invalid";
    MemoryStream stream;
    stream.Write("x", 1);
    try {
        endpoint->SendDatagram(stream);
        FAIL() << "sent to an unknown host";
    } catch (const UDPSockError& error) {
        EXPECT_STREQ(error.what(), "Host Lookup Canceled");
    }
    EXPECT_EQ(invalidHosts, 1);
}

TEST_F(UDPEndpointWinsock, AQuitRequestDuringTheLookupIsKeptForTheApplicationsLoop) {
    UdpProbe corvex(61000);
    auto endpoint = Endpoint1();
    endpoint->RemoteHost = "localhost";
    MemoryStream stream;
    stream.Write("x", 1);
    PostQuitMessage(7);
    endpoint->SendDatagram(stream);
    EXPECT_TRUE(corvex.Receive(2000));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

TEST_F(UDPEndpointWinsock, ANoticeHeldBackForADueTimerIsReadAfterIt) {
    auto endpoint = Endpoint1();
    testing::OwnedWindow timerWindow = testing::MessageWindow();
    SetTimer(timerWindow.get(), 1, USER_TIMER_MINIMUM, nullptr);
    Sleep(50);
    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "after the tick"));
    Sleep(50);  // the read notice is posted, and the timer is due

    std::vector<std::string> events;
    endpoint->OnDataReceived = [&](TUDPEndpoint&, std::int32_t, const std::string&, std::int32_t) {
        events.push_back("datagram");
    };
    const bool done =
        PumpUntil([&] { return !events.empty() && events.back() == "datagram"; }, 2000,
                  [&](const MSG& message) {
                      if (message.message == WM_TIMER && message.hwnd == timerWindow.get()) {
                          KillTimer(timerWindow.get(), 1);
                          events.push_back("tick");
                      }
                  });
    ASSERT_TRUE(done);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "tick");
}

TEST_F(UDPEndpointWinsock, AnErrorInAHandlerGoesToTheErrorReportNotThroughTheWindow) {
    std::vector<std::string> errors;
    auto endpoint = CreateUDPEndpoint1(
        [](int, const std::string&, int) { throw UDPSockError("handler failed"); },
        [&](const std::exception& error) { errors.push_back(error.what()); });
    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "x"));
    ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], "handler failed");
}

bool timerFired = false;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) { timerFired = true; }

ULONGLONG ThreadCpuMilliseconds() {
    FILETIME creation, exit, kernel, user;
    GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
    auto milliseconds = [](const FILETIME& time) {
        return (ULONGLONG{time.dwHighDateTime} << 32 | time.dwLowDateTime) / 10000;
    };
    return milliseconds(kernel) + milliseconds(user);
}

TEST(WinsockLayer, TheWaitForALookupSleepsUntilAMessageComes) {
    auto layer = CreateWinsockLayer();
    layer->OpenNotifyWindow([](const WindowMessage&) {});
    timerFired = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 400, OnTimer);
    const DWORD start = GetTickCount();
    const ULONGLONG cpuBefore = ThreadCpuMilliseconds();
    layer->DispatchMessagesUntil([] { return timerFired; });
    const ULONGLONG cpu = ThreadCpuMilliseconds() - cpuBefore;
    KillTimer(nullptr, timer);
    EXPECT_GE(GetTickCount() - start, 350u);
    // Sleeping costs next to nothing; polling the queue costs a good part of the 400 ms.
    EXPECT_LT(cpu, 40u) << "the wait kept the processor busy";
}

}  // namespace
}  // namespace ostrel
