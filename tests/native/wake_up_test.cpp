#include "handover/wake_up.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Unit1.h"
#include "core/errors.h"
#include "tests/fakes/fake_socket_layer.h"
#include "tests/fakes/launcher_fakes.h"
#include "net/UDPEndpoint.h"

namespace ostrel {
namespace {

using test::At;
using test::FakeClock;
using test::FakeDateTimeFormat;
using test::FakeLog;
using test::FakeSocketLayer;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(WakeUpText, IsTheDateTheTimeAndTheCall) {
    FakeDateTimeFormat format;
    EXPECT_EQ(WakeUpText(At(13, 5, 9, 420), format), "29.02.2024 13:05:09 Calling Corvex");
    EXPECT_EQ(format.asked.size(), 2u);
    for (const LocalTime& asked : format.asked) EXPECT_EQ(asked.milliseconds, 420);
}

TEST(WakeUpText, AtMidnightToTheSecondIsTheDateAlone) {
    FakeDateTimeFormat format;
    EXPECT_EQ(WakeUpText(At(0, 0, 0), format), "29.02.2024 Calling Corvex");
    EXPECT_EQ(WakeUpText(At(0, 0, 0, 999), format), "29.02.2024 Calling Corvex");
    EXPECT_EQ(WakeUpText(At(0, 0, 1), format), "29.02.2024 00:00:01 Calling Corvex");
    EXPECT_EQ(WakeUpText(At(0, 1, 0), format), "29.02.2024 00:01:00 Calling Corvex");
    EXPECT_EQ(WakeUpText(At(12, 0, 0), format), "29.02.2024 12:00:00 Calling Corvex");
}

class WakeUpSend : public ::testing::Test {
  protected:
    WakeUpSend() {
        auto owned = std::make_unique<FakeSocketLayer>();
        layer = owned.get();
        endpoint = std::make_unique<TUDPEndpoint>(std::move(owned));
        endpoint->RemoteHost = "elsewhere";
        endpoint->RemotePort = 1;
        endpoint->SetLocalPort(61001);
        layer->calls.clear();
    }
    FakeSocketLayer* layer;
    std::unique_ptr<TUDPEndpoint> endpoint;
};

TEST_F(WakeUpSend, SendsTheTextTwiceToCorvexFromANewlyBoundSocket) {
    FakeLog log;
    SendWakeUp(*endpoint, "29.02.2024 Calling Corvex", log);
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_THAT(layer->calls, ElementsAre("CloseSocket 102", "Cleanup", "Startup", "OpenSocket 103",
                                          "Bind 103 61001 0", "Select 103 1125"));
    ASSERT_EQ(layer->sent.size(), 2u);
    for (const auto& datagram : layer->sent) {
        EXPECT_EQ(datagram.data, "29.02.2024 Calling Corvex");
        EXPECT_EQ(datagram.socket, 103u);
        EXPECT_EQ(datagram.peer.address, layer->InetAddr("127.0.0.1"));
        EXPECT_EQ(NetworkToHost16(datagram.peer.port), 61000);
    }
    EXPECT_THAT(layer->lookups, IsEmpty());
    EXPECT_EQ(endpoint->RemoteHost, "127.0.0.1");
    EXPECT_EQ(endpoint->RemotePort, 61000);
    EXPECT_EQ(endpoint->LocalPort(), 61001);
    EXPECT_EQ(endpoint->ReportLevel, 2);

    // Where the port cannot be had the log hears why, and the datagrams still leave.
    layer->bindErrors = {10048};
    SendWakeUp(*endpoint, "29.02.2024 Calling Corvex", log);
    EXPECT_THAT(log.lines, ElementsAre("UDP port 61001 is not available (error 10048: Address in "
                                       "use.): the wake-up is sent from another port"));
    EXPECT_EQ(layer->sent.size(), 4u);
    EXPECT_FALSE(endpoint->OnWarning) << "the log is heard for the call only";
}

class SendButton : public WakeUpSend {
  protected:
    TForm1 Form() {
        return TForm1(Form1Ports{memo, inert, inert, inert, inert, inert, inert, inert, clock,
                                 format, *endpoint});
    }
    test::InertFormPorts inert;
    FakeLog memo;
    FakeClock clock;
    FakeDateTimeFormat format;
};

TEST_F(SendButton, SendsTwoIdenticalDatagramsAndLogsOneLine) {
    clock.now = At(23, 59, 58);
    TForm1 form = Form();
    form.Button3Click();
    ASSERT_EQ(layer->sent.size(), 2u);
    EXPECT_EQ(layer->sent[0].data, "29.02.2024 23:59:58 Calling Corvex");
    EXPECT_EQ(layer->sent[1].data, layer->sent[0].data);
    EXPECT_THAT(memo.lines, ElementsAre("Sending UDP :29.02.2024 23:59:58 Calling Corvex"));
}

TEST_F(SendButton, AWakeUpThatFindsNoPortIsToldAndNotLoggedAsSent) {
    layer->bindErrors = std::deque<int>(6, 10013);  // the setter's binds, then each send's
    TForm1 form = Form();
    form.Button3Click();
    EXPECT_THAT(layer->sent, IsEmpty());
    ASSERT_EQ(memo.lines.size(), 1u);
    EXPECT_NE(memo.lines[0].find(": the wake-up is not sent"), std::string::npos) << memo.lines[0];
}

TEST_F(SendButton, AFailingEndpointEndsTheCallWithoutALogLine) {
    layer->socketFails = true;
    layer->lastError = 10055;
    TForm1 form = Form();
    EXPECT_THROW(form.Button3Click(), UDPSockError);
    EXPECT_THAT(layer->sent, IsEmpty());
    EXPECT_THAT(memo.lines, IsEmpty());
}

}  // namespace
}  // namespace ostrel
