// The UDP endpoint over real WinSock sockets on the loopback interface.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <iphlpapi.h>

#include "app/platform_win32.h"
#include "core/errors.h"
#include "net/UDPEndpoint_win32.h"
#include "udp_probe.h"

namespace ostrel {
namespace {

using test::Pump;
using test::PumpUntil;
using test::UdpProbe;

// The local addresses of this machine's IPv4 sockets bound to `port`, as the system lists them.
std::vector<std::string> LocalAddressesOf(unsigned short port) {
    std::vector<unsigned char> buffer(sizeof(MIB_UDPTABLE_OWNER_PID));
    DWORD size = static_cast<DWORD>(buffer.size());
    while (GetExtendedUdpTable(buffer.data(), &size, FALSE, AF_INET, UDP_TABLE_OWNER_PID, 0) ==
           ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
    }
    std::vector<std::string> addresses;
    const auto* table = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(buffer.data());
    for (DWORD row = 0; row < table->dwNumEntries; ++row) {
        if (ntohs(static_cast<u_short>(table->table[row].dwLocalPort)) != port) continue;
        in_addr address{};
        address.s_addr = table->table[row].dwLocalAddr;
        addresses.push_back(inet_ntoa(address));
    }
    return addresses;
}

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
    // `text` as one datagram, through SendDatagram's stream.
    static void Send(TUDPEndpoint& endpoint, const std::string& text) {
        MemoryStream stream;
        stream.Write(text.data(), text.size());
        endpoint.SendDatagram(stream);
    }
    const WinsockSession session{test::kWinsock11};
    std::vector<Received> received;
};

// On the loopback interface only: nothing from the network reaches it, and a firewall has no
// reason to ask.
TEST_F(UDPEndpointWinsock, TheStoredEndpointIsBoundTo127001Port61001AndReportsWhatArrives) {
    auto endpoint = Endpoint1();
    EXPECT_EQ(LocalAddressesOf(61001), std::vector<std::string>{"127.0.0.1"});
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
    EXPECT_FALSE(UdpProbe::CanBind(61001, "127.0.0.1")) << "the new socket holds the port";

    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "rebound"));
    ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received[0].count, 7);

    endpoint.reset();
    EXPECT_TRUE(UdpProbe::CanBind(61001, "127.0.0.1")) << "the socket goes with the endpoint";
}

TEST_F(UDPEndpointWinsock, APortHeldByAnotherSocketBindsTheEndpointToAnotherLoopbackPort) {
    // On the launcher's own address: Windows lets a bind to one address in beside another
    // program's bind to every interface, so only this holder keeps the endpoint out everywhere.
    UdpProbe holder(61001, "127.0.0.1");
    ASSERT_TRUE(holder.Bound());
    UdpProbe corvex(61000);
    ASSERT_TRUE(corvex.Bound());

    auto endpoint = Endpoint1();
    Send(*endpoint, "still sent");
    const auto datagram = corvex.Receive(2000);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->data, "still sent");
    EXPECT_NE(datagram->port, 61001);
    // Bound before the send, not by it, which would have bound it on every address.
    EXPECT_EQ(LocalAddressesOf(static_cast<unsigned short>(datagram->port)),
              std::vector<std::string>{"127.0.0.1"});

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
    Send(*endpoint, "by name");
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
    try {
        Send(*endpoint, "x");
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
    PostQuitMessage(7);
    Send(*endpoint, "x");
    EXPECT_TRUE(corvex.Receive(2000));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

TEST_F(UDPEndpointWinsock, AnErrorInAHandlerGoesToTheErrorReportNotThroughTheWindow) {
    struct Errors : ErrorReporter {
        void ShowException(const std::exception& error) override { texts.push_back(error.what()); }
        std::vector<std::string> texts;
    } errors;
    auto endpoint = CreateUDPEndpoint1(
        [](int, const std::string&, int) {
            throw UDPSockError(UserText::Verbatim(std::string("handler failed")));
        },
        &errors);
    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "x"));
    ASSERT_TRUE(PumpUntil([&] { return !errors.texts.empty(); }));
    EXPECT_EQ(errors.texts[0], "handler failed");
}

constexpr char kFloodVariable[] = "OSTREL_FLOOD_MS";

// Not a test of its own: the flooding process that the flood test starts, this same program. It
// sends datagrams of 32 bytes to 127.0.0.1:61001 as fast as it can, for the milliseconds it is
// given.
TEST(FloodSender, Sends) {
    char setting[16] = {};
    if (!GetEnvironmentVariableA(kFloodVariable, setting, sizeof setting)) {
        GTEST_SKIP() << "runs only as the flooding process";
    }
    const DWORD duration = std::strtoul(setting, nullptr, 10);
    const WinsockSession session{test::kWinsock11};
    const OwnedSocket sender(socket(AF_INET, SOCK_DGRAM, 0));
    ASSERT_TRUE(sender);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(61001);
    target.sin_addr.s_addr = inet_addr("127.0.0.1");
    const char payload[32] = "flood";
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < duration) {
        sendto(sender.get(), payload, sizeof payload, 0, reinterpret_cast<sockaddr*>(&target),
               sizeof target);
    }
}

KernelHandle StartFlood(DWORD milliseconds) {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = std::string("\"") + program + "\" --gtest_filter=FloodSender.Sends";
    SetEnvironmentVariableA(kFloodVariable, std::to_string(milliseconds).c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &started);
    SetEnvironmentVariableA(kFloodVariable, nullptr);
    if (!ok) return KernelHandle();
    const KernelHandle thread(started.hThread);  // not needed
    return KernelHandle(started.hProcess);
}

// WinSock posts a read notice for each datagram, and a window timer ticks only while no posted
// message waits: under a flood from another process at full speed, lasting seconds, the
// launcher's 500 ms timer must still tick. Measured in a message loop like the application's.
TEST(UDPEndpointFlood, AFloodLastingSecondsDoesNotStopTheTimer) {
    constexpr UINT kTimerInterval = 500;
    constexpr DWORD kFloodMs = 3000;
    const WinsockSession session{test::kWinsock11};
    const KernelHandle flood = StartFlood(kFloodMs);
    ASSERT_TRUE(flood);
    // Each datagram costs the reader a millisecond: the flood outruns it, so that a read notice
    // always waits, as on a machine slower than the sender.
    int datagrams = 0;
    const auto endpoint = CreateUDPEndpoint1([&](int, const std::string&, int) {
        ++datagrams;
        Sleep(1);
    });
    const OwnedWindow timerWindow(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                  nullptr, GetModuleHandleA(nullptr), nullptr));
    SetTimer(timerWindow.get(), 1, kTimerInterval, nullptr);
    std::vector<DWORD> ticks;  // since the start, at each WM_TIMER
    const DWORD start = GetTickCount();
    PumpUntil([] { return false; }, kFloodMs + 1000,
              [&](const MSG& message) {
                  if (message.message == WM_TIMER && message.hwnd == timerWindow.get()) {
                      ticks.push_back(GetTickCount() - start);
                  }
              });
    ASSERT_GE(ticks.size(), 6u) << "ticks: " << ::testing::PrintToString(ticks);
    EXPECT_LE(ticks.front(), 2 * kTimerInterval);
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_LE(ticks[i] - ticks[i - 1], 2 * kTimerInterval)
            << "after the tick at " << ticks[i - 1];
    }
    EXPECT_GT(datagrams, 0);
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
