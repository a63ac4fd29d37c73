#include "net/UDPEndpoint.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <type_traits>

#include "core/errors.h"
#include "tests/fakes/fake_socket_layer.h"

namespace ostrel {
namespace {

using test::FakeSocketLayer;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;

constexpr unsigned kReadNotice = 1;

MemoryStream StreamOf(const std::string& text) {
    MemoryStream stream;
    stream.Write(text.data(), text.size());
    return stream;
}

// The message of `call`, which must raise exactly `Error` (not a class derived from it).
template <typename Error, typename Call>
std::string MessageOf(Call call) {
    try {
        call();
    } catch (const UDPSockError& error) {
        if (!std::is_same_v<Error, UDPSockError>) return "unexpected UDPSockError";
        return error.what();
    } catch (const Exception& error) {
        if (!std::is_same_v<Error, Exception>) return "unexpected Exception";
        return error.what();
    }
    return "nothing raised";
}

class UDPEndpointTest : public ::testing::Test {
  protected:
    // Constructs the endpoint and configures it as the launcher's stored values do.
    TUDPEndpoint& Loaded() {
        Construct();
        endpoint->RemoteHost = "127.0.0.1";
        endpoint->RemotePort = 61000;
        endpoint->SetLocalPort(61001);
        endpoint->ReportLevel = 1;
        endpoint->PropertiesLoaded();
        layer->calls.clear();
        return *endpoint;
    }
    void Construct() {
        auto owned = std::make_unique<FakeSocketLayer>();
        layer = owned.get();
        Configure(*layer);
        endpoint = std::make_unique<TUDPEndpoint>(std::move(owned));
    }
    // Lets a test set the library up before the constructor runs.
    std::function<void(FakeSocketLayer&)> Configure = [](FakeSocketLayer&) {};
    void RecordStatus() {
        endpoint->OnStatus = [this](TUDPEndpoint& sender, const std::string& status) {
            EXPECT_EQ(&sender, endpoint.get());
            statuses.push_back(status);
        };
    }

    FakeSocketLayer* layer = nullptr;
    std::unique_ptr<TUDPEndpoint> endpoint;
    std::vector<std::string> statuses;
};

TEST_F(UDPEndpointTest, ConstructionStartsTheLibraryAndMakesAnUnboundSocketThatDoesNotLinger) {
    Construct();
    EXPECT_THAT(layer->calls, ElementsAre("OpenNotifyWindow", "Startup", "OpenSocket 101",
                                          "SetOption 101 ffff ff7f TRUE"));
    EXPECT_EQ(endpoint->ReportLevel, 1);
    EXPECT_EQ(endpoint->LocalPort(), 0);
    EXPECT_EQ(endpoint->GetStatusText(), "");
}

class RecordingLayer : public FakeSocketLayer {
  public:
    explicit RecordingLayer(std::vector<std::string>& after) : after_(after) {}
    ~RecordingLayer() override { after_ = calls; }

  private:
    std::vector<std::string>& after_;
};

TEST(UDPEndpointLifetime, EveryStartupIsEndedAndEverySocketClosedOnce) {
    std::vector<std::string> calls;
    {
        TUDPEndpoint endpoint(std::make_unique<RecordingLayer>(calls));
        endpoint.SetLocalPort(61001);
        endpoint.SetLocalPort(61001);
    }
    EXPECT_THAT(calls, ElementsAre("OpenNotifyWindow", "Startup", "OpenSocket 101",
                                   "SetOption 101 ffff ff7f TRUE", "CloseSocket 101", "Cleanup",
                                   "Startup", "OpenSocket 102", "Bind 102 61001 0",
                                   "Select 102 1125", "CloseSocket 102", "Cleanup", "Startup",
                                   "OpenSocket 103", "Bind 103 61001 0", "Select 103 1125",
                                   "CloseNotifyWindow", "CloseSocket 103", "Cleanup"));
}

TEST(UDPEndpointLifetime, AFailedSocketEndsTheLibraryBeforeTheErrorLeaves) {
    std::vector<std::string> calls;
    auto owned = std::make_unique<RecordingLayer>(calls);
    owned->socketFails = true;
    owned->lastError = 10055;
    EXPECT_EQ(MessageOf<UDPSockError>([&] { TUDPEndpoint endpoint(std::move(owned)); }),
              "Unknown Error No. 10055");
    EXPECT_THAT(calls, ElementsAre("OpenNotifyWindow", "Startup", "OpenSocket failed", "Cleanup"));
}

TEST(UDPEndpointLifetime, AFailedStartupMakesNoSocketAndNeedsNoCleanup) {
    std::vector<std::string> calls;
    auto owned = std::make_unique<RecordingLayer>(calls);
    owned->startupResult = 10091;
    owned->lastError = 10091;
    EXPECT_EQ(MessageOf<UDPSockError>([&] { TUDPEndpoint endpoint(std::move(owned)); }),
              "Unknown Error No. 10091");
    EXPECT_THAT(calls, ElementsAre("OpenNotifyWindow", "Startup"));
}

TEST_F(UDPEndpointTest, AssigningLocalPortReplacesTheSocketEvenForTheSamePort) {
    Loaded();
    endpoint->SetLocalPort(61001);
    EXPECT_THAT(layer->calls, ElementsAre("CloseSocket 102", "Cleanup", "Startup", "OpenSocket 103",
                                          "Bind 103 61001 0", "Select 103 1125"));
    EXPECT_EQ(endpoint->LocalPort(), 61001);

    // Told to, it binds one interface only.
    endpoint->LocalHost = "127.0.0.1";
    endpoint->SetLocalPort(61001);
    EXPECT_EQ(layer->calls[layer->calls.size() - 2],
              "Bind 104 61001 " + std::to_string(layer->InetAddr("127.0.0.1")));
}

// Windows may hand 61001 to another program (10048) or keep it in a reserved block (10013): the
// socket is then bound to the same address on a port the system picks, never left for the first
// send to bind on every address. However often the socket is replaced, the log hears it once.
TEST_F(UDPEndpointTest, APortThatCannotBeHadGivesOneLineAndABindToAPortTheSystemPicks) {
    const std::string loopback = std::to_string(FakeSocketLayer().InetAddr("127.0.0.1"));
    std::vector<std::string> lines;
    MemoryStream stream = StreamOf("x");
    for (const int code : {10048, 10013}) {
        Construct();
        endpoint->OnWarning = [&](TUDPEndpoint&, const UserText& line) {
            lines.push_back(line.String());
        };
        endpoint->LocalHost = endpoint->RemoteHost = "127.0.0.1";
        lines.clear();
        for (int socket = 0; socket < 2; ++socket) {
            layer->bindErrors = {code};
            endpoint->SetLocalPort(61001);
        }
        endpoint->SendDatagram(stream);
        EXPECT_THAT(lines, ElementsAre("UDP port 61001 is not available (error " +
                                       std::to_string(code) + ": " + layer->ErrorText(code) +
                                       "): the wake-up is sent from another port"));
        EXPECT_THAT(layer->calls,
                    IsSupersetOf({"Bind 103 61001 " + loopback, "Bind 103 0 " + loopback}));
        EXPECT_EQ(layer->sent.size(), 1u);
    }

    // No port at all: the line says so and nothing is sent; the next send binds anew.
    layer->bindErrors = {10048, 10055, 10048, 10055};
    endpoint->SetLocalPort(61001);
    endpoint->SendDatagram(stream);
    EXPECT_EQ(lines.back(),
              "UDP port 61001 is not available (error 10048: Address in use.), nor is another one "
              "(error 10055): the wake-up is not sent");
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_EQ(layer->sent.size(), 1u);
    endpoint->SendDatagram(stream);
    EXPECT_EQ(layer->calls.back(), "Bind 104 61001 " + loopback);
    EXPECT_EQ(layer->sent.size(), 2u);
}

TEST_F(UDPEndpointTest, OnlyTheLowSixteenBitsOfAPortAreUsed) {
    Loaded();
    endpoint->SetLocalPort(65536 + 61001);
    EXPECT_EQ(layer->calls[4], "Bind 103 61001 0");
    EXPECT_EQ(endpoint->LocalPort(), 65536 + 61001);

    endpoint->RemotePort = 65536 + 61000;
    MemoryStream stream = StreamOf("x");
    endpoint->SendDatagram(stream);
    ASSERT_EQ(layer->sent.size(), 1u);
    EXPECT_EQ(NetworkToHost16(layer->sent[0].peer.port), 61000);
}

TEST_F(UDPEndpointTest, SocketErrorsAreNamedByTheirNumberAndOnlyTheMaskCodeItselfPasses) {
    Loaded();
    layer->socketFails = true;
    for (int code : {10039, 10043, 10047, 10055, 1}) {
        layer->lastError = code;
        EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SetLocalPort(61001); }),
                  "Unknown Error No. " + std::to_string(code));
    }
    layer->lastError = 0;
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SetLocalPort(61001); }), "");

    layer->lastError = 10035;
    EXPECT_NO_THROW(endpoint->SetLocalPort(61001));
}

TEST_F(UDPEndpointTest, AnErrorCodeBeyondSixteenBitsIsARangeError) {
    Loaded();
    layer->socketFails = true;
    layer->lastError = 70000;
    EXPECT_EQ(MessageOf<Exception>([&] { endpoint->SetLocalPort(61001); }), "Range check error");
}

TEST_F(UDPEndpointTest, StatusTextsPassTheReportLevelGate) {
    Loaded();
    RecordStatus();
    MemoryStream stream = StreamOf("x");
    auto sendAndFail = [&] {
        endpoint->SendDatagram(stream);
        layer->socketFails = true;
        layer->lastError = 10055;
        EXPECT_THROW(endpoint->SetLocalPort(61001), UDPSockError);
        layer->socketFails = false;
        endpoint->SetLocalPort(61001);
    };

    sendAndFail();
    EXPECT_THAT(statuses, IsEmpty());
    EXPECT_EQ(endpoint->GetStatusText(), "");

    endpoint->ReportLevel = 2;
    sendAndFail();
    EXPECT_THAT(statuses, ElementsAre("Sending Data"));

    statuses.clear();
    endpoint->ReportLevel = 8;
    sendAndFail();
    EXPECT_THAT(statuses,
                ElementsAre("Sending Data", "Looking Up Error MessageUnknown Error No. 10055"));

    statuses.clear();
    endpoint->ReportLevel = 16;
    sendAndFail();
    EXPECT_THAT(statuses, ElementsAre("Sending Data", "Checking Error In Error Manager",
                                      "Looking Up Error MessageUnknown Error No. 10055"));
    EXPECT_EQ(endpoint->GetStatusText(), "Looking Up Error MessageUnknown Error No. 10055");

    statuses.clear();
    layer->socketFails = true;
    layer->lastError = 0;
    EXPECT_THROW(endpoint->SetLocalPort(61001), UDPSockError);
    EXPECT_THAT(statuses,
                ElementsAre("Checking Error In Error Manager", "Looking Up Error Message"));
}

TEST_F(UDPEndpointTest, TheConstructorsStatusNeverPasses) {
    Configure = [](FakeSocketLayer& fake) {
        fake.socketFails = true;
        fake.lastError = 10035;
    };
    Construct();
    EXPECT_EQ(endpoint->GetStatusText(), "");
}

TEST_F(UDPEndpointTest, AnEmptyStreamIsAnInvalidStreamOfTheGeneralClass) {
    Loaded();
    MemoryStream empty;
    EXPECT_EQ(MessageOf<Exception>([&] { endpoint->SendDatagram(empty); }), "Invalid stream");

    int calls = 0;
    endpoint->OnStreamInvalid = [&](bool& handled, MemoryStream&) {
        ++calls;
        handled = true;
    };
    EXPECT_EQ(MessageOf<Exception>([&] { endpoint->SendDatagram(empty); }), "Invalid stream");
    EXPECT_EQ(calls, 1);

    endpoint->OnStreamInvalid = [](bool&, MemoryStream& stream) { stream.Write("late", 4); };
    EXPECT_EQ(MessageOf<Exception>([&] { endpoint->SendDatagram(empty); }), "Invalid stream");
    EXPECT_THAT(layer->sent, IsEmpty());
}

TEST_F(UDPEndpointTest, AStreamFilledByTheHandlerIsSent) {
    Loaded();
    endpoint->OnStreamInvalid = [](bool& handled, MemoryStream& stream) {
        stream.Write("filled", 6);
        handled = true;
    };
    MemoryStream empty;
    endpoint->SendDatagram(empty);
    ASSERT_EQ(layer->sent.size(), 1u);
    EXPECT_EQ(layer->sent[0].data, "filled");
}

TEST_F(UDPEndpointTest, TheWholeStreamIsSentAndTheStreamIsLeftAsItWas) {
    Loaded();
    int dataSends = 0;
    endpoint->OnDataSend = [&](TUDPEndpoint& sender) {
        EXPECT_EQ(&sender, endpoint.get());
        ++dataSends;
    };
    MemoryStream stream = StreamOf(std::string("wake\0up", 7));
    stream.Seek(2);
    endpoint->SendDatagram(stream);
    endpoint->SendDatagram(stream);

    ASSERT_EQ(layer->sent.size(), 2u);
    for (const auto& datagram : layer->sent) {
        EXPECT_EQ(datagram.data, std::string("wake\0up", 7));
        EXPECT_EQ(datagram.socket, 102u);
        EXPECT_EQ(datagram.peer.family, kAddressFamilyInet);
        EXPECT_EQ(datagram.peer.address, layer->InetAddr("127.0.0.1"));
        EXPECT_EQ(NetworkToHost16(datagram.peer.port), 61000);
    }
    EXPECT_EQ(stream.Size(), 7u);
    EXPECT_EQ(stream.Position(), 7u);
    EXPECT_EQ(dataSends, 2);
    EXPECT_EQ(layer->dispatchRuns, 0);
    EXPECT_THAT(layer->lookups, IsEmpty());
}

TEST_F(UDPEndpointTest, StreamsUpToTheSendBufferAreSentAndLongerOnesRefused) {
    Loaded();
    MemoryStream full = StreamOf(std::string(2048, 'a'));
    endpoint->SendDatagram(full);
    ASSERT_EQ(layer->sent.size(), 1u);
    EXPECT_EQ(layer->sent[0].data.size(), 2048u);

    MemoryStream tooLong = StreamOf(std::string(2049, 'b'));
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(tooLong); }),
              "Stream longer than the send buffer of 2048 bytes");
    EXPECT_EQ(layer->sent.size(), 1u);
}

TEST_F(UDPEndpointTest, TheNullAddressIsRefusedWithoutStatusOrEvent) {
    Loaded();
    endpoint->ReportLevel = 16;
    RecordStatus();
    bool dataSend = false;
    endpoint->OnDataSend = [&](TUDPEndpoint&) { dataSend = true; };
    endpoint->RemoteHost = "0.0.0.0";
    MemoryStream stream = StreamOf("x");
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(stream); }),
              "Null Remote Address");
    EXPECT_THAT(layer->sent, IsEmpty());
    EXPECT_THAT(statuses, IsEmpty());
    EXPECT_FALSE(dataSend);
}

TEST_F(UDPEndpointTest, AHostNameIsLookedUpAndItsFirstAddressUsed) {
    Loaded();
    layer->lookupAnswers.push_back({true, 0, layer->InetAddr("10.0.0.7")});
    endpoint->RemoteHost = "localhost";
    MemoryStream stream = StreamOf("x");
    endpoint->SendDatagram(stream);
    EXPECT_THAT(layer->lookups, ElementsAre("localhost"));
    EXPECT_EQ(layer->dispatchRuns, 1);
    ASSERT_EQ(layer->sent.size(), 1u);
    EXPECT_EQ(layer->sent[0].peer.address, layer->InetAddr("10.0.0.7"));
}

TEST_F(UDPEndpointTest, TheAllOnesAddressReadsAsNoAddressAndIsLookedUp) {
    Loaded();
    endpoint->RemoteHost = "255.255.255.255";
    MemoryStream stream = StreamOf("x");
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(stream); }),
              "Host Lookup Canceled");
    EXPECT_THAT(layer->lookups, ElementsAre("255.255.255.255"));
}

TEST_F(UDPEndpointTest, AFailedLookupGetsExactlyOneRetryThroughTheHandler) {
    Loaded();
    endpoint->RemoteHost = "nowhere";
    MemoryStream stream = StreamOf("x");
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(stream); }),
              "Host Lookup Canceled");
    EXPECT_THAT(layer->lookups, ElementsAre("nowhere"));

    int invalidHosts = 0;
    endpoint->OnInvalidHost = [&](bool&) { ++invalidHosts; };
    layer->lookups.clear();
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(stream); }),
              "Host Lookup Canceled");
    EXPECT_THAT(layer->lookups, ElementsAre("nowhere"));
    EXPECT_EQ(invalidHosts, 1);

    // A handler's change of host counts from the next send on.
    invalidHosts = 0;
    endpoint->OnInvalidHost = [&](bool& handled) {
        ++invalidHosts;
        endpoint->RemoteHost = "elsewhere";
        handled = true;
    };
    layer->lookups.clear();
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(stream); }),
              "Host Lookup Canceled");
    EXPECT_THAT(layer->lookups, ElementsAre("nowhere", "nowhere"));
    EXPECT_EQ(invalidHosts, 1);
    EXPECT_THAT(layer->sent, IsEmpty());

    layer->lookupAnswers = {{true, FakeSocketLayer::kHostNotFound, 0},
                            {true, 0, layer->InetAddr("10.0.0.8")}};
    endpoint->SendDatagram(stream);
    ASSERT_EQ(layer->sent.size(), 1u);
    EXPECT_EQ(layer->sent[0].peer.address, layer->InetAddr("10.0.0.8"));
}

TEST_F(UDPEndpointTest, ALookupThatCannotStartCountsAsFailedInsteadOfWaitingForever) {
    Loaded();
    endpoint->RemoteHost = "nowhere";
    int invalidHosts = 0;
    endpoint->OnInvalidHost = [&](bool& handled) {
        ++invalidHosts;
        handled = true;
    };
    layer->lookupAnswers = {{false, 0, 0}, {false, 0, 0}};
    MemoryStream stream = StreamOf("x");
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(stream); }),
              "Host Lookup Canceled");
    EXPECT_EQ(layer->lookups.size(), 2u);
    EXPECT_EQ(invalidHosts, 1);
    EXPECT_EQ(layer->dispatchRuns, 0);
}

TEST_F(UDPEndpointTest, RemoteHostsBeyondTheHostTextBufferAreRefused) {
    Loaded();
    MemoryStream stream = StreamOf("x");
    endpoint->RemoteHost = std::string(127, 'h');
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(stream); }),
              "Host Lookup Canceled");
    EXPECT_THAT(layer->lookups, ElementsAre(std::string(127, 'h')));

    endpoint->RemoteHost = std::string(128, 'h');
    EXPECT_EQ(MessageOf<UDPSockError>([&] { endpoint->SendDatagram(stream); }),
              "Remote host longer than 127 characters");
    EXPECT_EQ(layer->lookups.size(), 1u);
}

TEST_F(UDPEndpointTest, ADatagramIsReadPerNoticeAndReportedWithItsSender) {
    Loaded();
    struct Received {
        std::int32_t count;
        std::string ip;
        std::int32_t port;
    };
    std::vector<Received> received;
    endpoint->OnDataReceived = [&](TUDPEndpoint& sender, std::int32_t count, const std::string& ip,
                                   std::int32_t port) {
        EXPECT_EQ(&sender, endpoint.get());
        received.push_back({count, ip, port});
    };
    layer->incoming.push_back({0, "hello", FakeSocketLayer::Peer("10.1.2.250", 4321)});
    layer->incoming.push_back({0, "again", FakeSocketLayer::Peer("10.1.2.3", 5)});
    layer->Deliver({kSocketNotifyMessage, 102, kReadNotice});

    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].count, 5);
    EXPECT_EQ(received[0].ip, "10.1.2.250");
    EXPECT_EQ(received[0].port, 4321);
    EXPECT_EQ(std::string(endpoint->GetReceiveBuffer().data(), 5), "hello");
    EXPECT_EQ(layer->incoming.size(), 1u);

    // Other messages, and errors in the high word of a read notice, change nothing about that.
    layer->Deliver({kSocketNotifyMessage + 1, 102, kReadNotice});
    EXPECT_EQ(received.size(), 1u);
    layer->Deliver({kSocketNotifyMessage, 102, 10050 << 16 | kReadNotice});
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].ip, "10.1.2.3");
}

TEST_F(UDPEndpointTest, ADatagramWithNoHandlerIsReadAndDropped) {
    Loaded();
    layer->incoming.push_back({0, "dropped", FakeSocketLayer::Peer("127.0.0.1", 61000)});
    layer->Deliver({kSocketNotifyMessage, 102, kReadNotice});
    EXPECT_THAT(layer->incoming, IsEmpty());
    EXPECT_EQ(endpoint->GetReceivedCount(), 7);
    EXPECT_THAT(layer->sent, IsEmpty());
}

TEST_F(UDPEndpointTest, AnOversizedDatagramGivesMinusOneWithinTheBuffer) {
    Loaded();
    std::vector<std::int32_t> counts;
    endpoint->OnDataReceived = [&](TUDPEndpoint&, std::int32_t count, const std::string&,
                                   std::int32_t) { counts.push_back(count); };
    layer->incoming.push_back({0, std::string(3000, 'z'), FakeSocketLayer::Peer("127.0.0.1", 9)});
    layer->incoming.push_back({0, "next", FakeSocketLayer::Peer("127.0.0.1", 9)});
    layer->Deliver({kSocketNotifyMessage, 102, kReadNotice});
    layer->Deliver({kSocketNotifyMessage, 102, kReadNotice});
    EXPECT_THAT(counts, ElementsAre(-1, 4));
    EXPECT_THAT(layer->receiveLengths, ElementsAre(2048, 2048));
    EXPECT_EQ(endpoint->GetReceivedCount(), 4);
}

TEST_F(UDPEndpointTest, NoticesArrivingDuringALookupAreHandledInsideTheSend) {
    Loaded();
    std::vector<std::string> events;
    endpoint->OnDataReceived = [&](TUDPEndpoint&, std::int32_t, const std::string&, std::int32_t) {
        events.push_back("received");
    };
    endpoint->OnDataSend = [&](TUDPEndpoint&) { events.push_back("sent"); };
    layer->incoming.push_back({0, "x", FakeSocketLayer::Peer("127.0.0.1", 9)});
    layer->queue.push_back({kSocketNotifyMessage, 102, kReadNotice});
    layer->lookupAnswers.push_back({true, 0, layer->InetAddr("127.0.0.1")});
    endpoint->RemoteHost = "localhost";
    MemoryStream stream = StreamOf("x");
    endpoint->SendDatagram(stream);
    EXPECT_THAT(events, ElementsAre("received", "sent"));
}

TEST(MemoryStreamTest, ReadsWhatWasWrittenAndRefusesAShortExactRead) {
    MemoryStream stream;
    stream.Write("abcdef", 6);
    stream.Seek(2);
    stream.Write("XY", 2);
    EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), "abXYef");
    EXPECT_EQ(stream.Position(), 4u);

    char bytes[8] = {};
    EXPECT_EQ(stream.Read(bytes, sizeof bytes), 2u);
    EXPECT_EQ(std::string(bytes, 2), "ef");
    stream.Seek(5);
    EXPECT_THROW(stream.ReadBuffer(bytes, 2), Exception);
    stream.Seek(9);
    EXPECT_EQ(stream.Read(bytes, 1), 0u);
    stream.Write("!", 1);
    EXPECT_EQ(stream.Size(), 10u);
    EXPECT_EQ(stream.Bytes()[7], '\0');
}

}  // namespace
}  // namespace ostrel
