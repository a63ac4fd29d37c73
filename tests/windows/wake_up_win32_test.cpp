// The "Send" button's wake-up datagrams on the wire, with the user's real date and time formats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/platform_win32.h"
#include "core/errors.h"
#include "handover/wake_up_win32.h"
#include "tests/fakes/launcher_fakes.h"
#include "udp_probe.h"

namespace ostrel {
namespace {

using test::At;
using test::FakeClock;
using test::FakeLog;
using test::Pump;
using test::PumpUntil;
using test::UdpProbe;

// Sets one of the user's locale settings for the test's lifetime.
class UserLocaleSetting {
  public:
    UserLocaleSetting(LCTYPE type, const char* value) : type_(type) {
        char old[80] = {};
        if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type_, old, sizeof old)) old_ = old;
        set_ = SetLocaleInfoA(LOCALE_USER_DEFAULT, type_, value) != 0;
    }
    ~UserLocaleSetting() {
        if (set_) SetLocaleInfoA(LOCALE_USER_DEFAULT, type_, old_.c_str());
    }
    UserLocaleSetting(const UserLocaleSetting&) = delete;
    UserLocaleSetting& operator=(const UserLocaleSetting&) = delete;
    bool Set() const { return set_; }

  private:
    LCTYPE type_;
    std::string old_;
    bool set_ = false;
};

class UserFormats : public ::testing::Test {
  protected:
    UserLocaleSetting shortDate{LOCALE_SSHORTDATE, "dd.MM.yyyy"};
    UserLocaleSetting longTime{LOCALE_STIMEFORMAT, "HH:mm:ss"};
    std::unique_ptr<DateTimeFormat> format = CreateUserDateTimeFormat();
};

TEST_F(UserFormats, TheWakeUpTextUsesTheUsersShortDateAndLongTime) {
    ASSERT_TRUE(shortDate.Set() && longTime.Set());
    EXPECT_EQ(WakeUpText(At(13, 5, 9, 420), *format), "29.02.2024 13:05:09 Calling Corvex");
    EXPECT_EQ(WakeUpText(At(0, 0, 0, 999), *format), "29.02.2024 Calling Corvex");
    EXPECT_EQ(WakeUpText(At(0, 0, 1), *format), "29.02.2024 00:00:01 Calling Corvex");

    UserLocaleSetting otherDate(LOCALE_SSHORTDATE, "yyyy-MM-dd");
    ASSERT_TRUE(otherDate.Set());
    EXPECT_EQ(WakeUpText(At(0, 0, 0), *format), "2024-02-29 Calling Corvex");
}

TEST_F(UserFormats, AnImpossibleDateIsAnErrorNotAnEmptyText) {
    LocalTime impossible = At(1, 2, 3);
    impossible.month = 13;
    EXPECT_THROW(format->ShortDate(impossible), Exception);
}

class SendButton : public UserFormats {
  protected:
    // Everything that reaches Corvex's port within `milliseconds`.
    std::vector<UdpProbe::Datagram> ReceiveAll(long milliseconds) {
        std::vector<UdpProbe::Datagram> datagrams;
        while (auto datagram = corvex.Receive(milliseconds)) datagrams.push_back(*datagram);
        return datagrams;
    }

    const WinsockSession session{test::kWinsock11};
    UdpProbe corvex{61000};
    test::InertFormPorts inert;
    FakeLog memo;
    FakeClock clock;
    int arrived = 0;
    std::unique_ptr<TUDPEndpoint> UDPEndpoint1 =
        CreateUDPEndpoint1([this](int NumberBytes, const std::string& FromIP, int Port) {
            ++arrived;
            form.UDPEndpoint1DataReceived(NumberBytes, FromIP, Port);
        });
    TForm1 form{Form1Ports{memo, inert, inert, inert, inert, inert, inert, inert, clock, *format,
                           *UDPEndpoint1}};
};

TEST_F(SendButton, PutsTwoIdenticalDatagramsFrom61001OnTheWireAndLogsOneLine) {
    ASSERT_TRUE(corvex.Bound());
    clock.now = At(23, 59, 58);
    form.Button3Click();
    form.Button3Click();

    const std::string text = "29.02.2024 23:59:58 Calling Corvex";
    const auto datagrams = ReceiveAll(300);
    ASSERT_EQ(datagrams.size(), 4u);
    for (const auto& datagram : datagrams) {
        EXPECT_EQ(datagram.data, text);
        EXPECT_EQ(datagram.port, 61001);
        EXPECT_EQ(datagram.data.find_first_of(std::string("\0\r\n", 3)), std::string::npos);
    }
    EXPECT_EQ(memo.lines, std::vector<std::string>(2, "Sending UDP :" + text));
}

TEST_F(SendButton, AtMidnightSendsTheDateAlone) {
    clock.now = At(0, 0, 0, 500);
    form.Button3Click();
    const auto datagrams = ReceiveAll(300);
    ASSERT_EQ(datagrams.size(), 2u);
    EXPECT_EQ(datagrams[0].data, "29.02.2024 Calling Corvex");
    EXPECT_EQ(datagrams[1].data, datagrams[0].data);
}

TEST_F(SendButton, AnAnswerArrivingAt61001LeavesNoTrace) {
    clock.now = At(12, 0, 0);
    form.Button3Click();
    ASSERT_EQ(ReceiveAll(300).size(), 2u);
    UdpProbe peer(0);
    ASSERT_TRUE(peer.SendTo(61001, "answer"));
    ASSERT_TRUE(PumpUntil([&] { return arrived == 1; }));
    Pump(100);
    EXPECT_EQ(memo.lines.size(), 1u);
    EXPECT_TRUE(ReceiveAll(100).empty());
}

}  // namespace
}  // namespace ostrel
