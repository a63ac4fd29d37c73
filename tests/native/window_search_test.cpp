#include "handover/window_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/errors.h"
#include "handover/udp_owners.h"
#include "tests/fakes/fake_socket_layer.h"
#include "tests/fakes/launcher_fakes.h"

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kSplash[] = "morvane.r7x.corvex.util.SplashScreen";
constexpr char kBanner[] =
    "################################ Searching for windows ################################";

using test::Journal;

class WindowSearchTest : public ::testing::Test {
  protected:
    void Search(bool verbose) {
        WindowSearchPorts ports{
            desktop, response, corvex, clock, log, [this] { Send(); }, [this] { ++waits; }, {}};
        givenUp = FindMyWindows(ports, verbose, applicationFound, memory);
    }

    // Each call stands for one "Send" action, that is two datagrams.
    void Send() {
        ++sends;
        journal.push_back("send");
        if (sends == failingSend) throw UDPSockError(test::SystemWords("Send failed"));
    }

    // Everything the search does, in the order it did it.
    Journal journal;
    test::FakeDesktop desktop{&journal};
    test::FakeResponseState response{&journal};
    test::FakeClock clock{&journal};
    test::FakeLog log{&journal};
    test::FakeCorvexProcesses corvex;
    WindowSearchMemory memory;
    int sends = 0;
    int failingSend = 0;  // the send that raises, counted from 1; 0 for none
    int waits = 0;        // hand-overs that went on after an unanswered first poll
    bool applicationFound = false;
    std::optional<GivenUpWindow> givenUp;  // what the last search gave up on first
};

std::vector<unsigned> ExpectedSleeps(int unansweredPolls) {
    std::vector<unsigned> sleeps{300};
    sleeps.insert(sleeps.end(), unansweredPolls, 1000);
    return sleeps;
}

TEST_F(WindowSearchTest, PassesTakeSplashThenFramesThenDialogsEachWithItsPrefix) {
    const WindowHandle dialog = desktop.Add("SunAwtDialog", "Corvex - Options");
    const WindowHandle frame = desktop.Add("SunAwtFrame", "Corvex");
    const WindowHandle splash = desktop.Add(kSplash, "Corvex starting");
    const WindowHandle awtFrame = desktop.Add("java.awt.Frame", "Corvex (AWT)");

    Search(false);

    EXPECT_TRUE(applicationFound);
    EXPECT_THAT(log.lines,
                ElementsAre("Window : \"" + std::string(kSplash) + "\" \"Corvex starting\"",
                            "xxxx Window : \"SunAwtFrame\" \"Corvex\"",
                            "xxxx Window : \"java.awt.Frame\" \"Corvex (AWT)\"",
                            "Window : \"SunAwtDialog\" \"Corvex - Options\""));
    EXPECT_THAT(desktop.activated, ElementsAre(splash, frame, awtFrame, dialog));
    EXPECT_EQ(sends, 4);
    EXPECT_EQ(desktop.enumerations, 1);
}

TEST_F(WindowSearchTest, ClassNamesMustMatchWholeAndWithCase) {
    for (const char* nearMiss :
         {"sunawtframe", "SUNAWTFRAME", "SunAwtFrame ", " SunAwtFrame", "SunAwtFrame2", "SunAwt",
          "java.awt.frame", "java.awt.Frame ", "SunAwtDialog ", "sunawtdialog",
          "morvane.r7x.corvex.util.splashscreen", "morvane.r7x.corvex.util.SplashScreen ",
          "SunAwtToolkit "}) {
        desktop.Add(nearMiss, "Corvex");
    }

    Search(false);
    EXPECT_THAT(journal, IsEmpty());
    EXPECT_FALSE(applicationFound);

    // Nor does the verbose listing leave any of them out.
    Search(true);
    EXPECT_EQ(log.lines.size(), 1u + 13u);
    EXPECT_EQ(log.lines.back(), "Window : \"SunAwtToolkit \" \"Corvex\"");
    EXPECT_EQ(sends, 0);
}

TEST_F(WindowSearchTest, UntitledWindowsAreSkippedByEveryPass) {
    for (const char* className : {kSplash, "java.awt.Frame", "SunAwtFrame", "SunAwtDialog",
                                  "Shell_TrayWnd", "SunAwtToolkit"}) {
        desktop.Add(className, "");
    }
    // A title is read up to its first NUL.
    desktop.Add("SunAwtFrame", std::string("\0Corvex", 7));
    desktop.Add("Shell_TrayWnd", std::string("\0Tray", 5));

    Search(true);

    EXPECT_THAT(log.lines, ElementsAre(kBanner));
    EXPECT_EQ(sends, 0);
    EXPECT_THAT(desktop.activated, IsEmpty());
    EXPECT_FALSE(applicationFound);
}

TEST_F(WindowSearchTest, TitlesAreCutTo79AndClassNamesTo99Characters) {
    const std::string title100(100, 'T');
    const std::string class120(120, 'C');
    desktop.Add("SunAwtFrame", title100);
    desktop.Add(class120, title100);
    // A class name is read up to its first NUL.
    desktop.Add(std::string("SunAwtDialog\0Extra", 18), "Options");
    // Characters, not bytes: a letter of two bytes in UTF-8 is one character.
    std::string accented;
    for (int i = 0; i < 90; ++i) accented += "\xC3\xA9";
    desktop.Add("Listed", accented);

    Search(true);

    const std::string title79(79, 'T');
    const std::string class99(99, 'C');
    EXPECT_THAT(log.lines, ElementsAre(kBanner, "xxxx Window : \"SunAwtFrame\" \"" + title79 + '"',
                                       "Window : \"SunAwtDialog\" \"Options\"",
                                       "Window : \"" + class99 + "\" \"" + title79 + '"',
                                       "Window : \"Listed\" \"" + accented.substr(0, 158) + '"'));
}

TEST_F(WindowSearchTest, HiddenWindowIsHandedOverAndShown) {
    const WindowHandle hidden = desktop.Add("SunAwtFrame", "Corvex", false);

    Search(false);

    EXPECT_TRUE(applicationFound);
    EXPECT_THAT(desktop.activated, ElementsAre(hidden));
    EXPECT_TRUE(desktop.Visible(hidden));
}

TEST_F(WindowSearchTest, FrameAndDialogOfOneInstanceAreHandedOverInTurnDialogLast) {
    desktop.Add("SunAwtDialog", "Options");
    desktop.Add("SunAwtFrame", "Corvex");

    Search(false);

    EXPECT_THAT(
        journal,
        ElementsAre("send", "sleep 300", "poll 1", "log xxxx Window : \"SunAwtFrame\" \"Corvex\"",
                    "activate Corvex", "send", "sleep 300", "poll 1",
                    "log Window : \"SunAwtDialog\" \"Options\"", "activate Options"));
}

TEST_F(WindowSearchTest, EachFurtherPollFollowsASendAndASecondsSleep) {
    desktop.Add("SunAwtFrame", "Corvex");
    response.Queue(2, 0);

    Search(false);

    EXPECT_THAT(journal,
                ElementsAre("send", "sleep 300", "poll 0", "send", "sleep 1000", "poll 0", "send",
                            "sleep 1000", "poll 1", "log xxxx Window : \"SunAwtFrame\" \"Corvex\"",
                            "activate Corvex"));
}

class UnansweredPollsTest : public WindowSearchTest, public ::testing::WithParamInterface<int> {};

TEST_P(UnansweredPollsTest, KZeroAnswersCostKMoreSendsAndKSecondSleeps) {
    const int k = GetParam();
    desktop.Add("SunAwtFrame", "Corvex");
    response.Queue(k, 0);

    Search(false);

    EXPECT_EQ(sends, 1 + k);
    EXPECT_EQ(response.polls, 1 + k);
    EXPECT_EQ(clock.sleeps, ExpectedSleeps(k));
    EXPECT_TRUE(applicationFound);
    EXPECT_EQ(desktop.activated.size(), 1u);
}

// 59 zero answers: the answer at the last poll allowed still counts.
INSTANTIATE_TEST_SUITE_P(Counts, UnansweredPollsTest, ::testing::Values(0, 1, 4, 59));

TEST_F(WindowSearchTest, AnyNonZeroAnswerCounts) {
    desktop.Add("SunAwtFrame", "Corvex");
    response.Queue(1, std::numeric_limits<std::int32_t>::min());
    Search(false);
    EXPECT_TRUE(applicationFound);
    EXPECT_EQ(response.polls, 1);
}

TEST_F(WindowSearchTest, WindowNotAnsweringWithin60PollsIsSkippedAndTheSearchGoesOn) {
    desktop.Add("SunAwtDialog", "Options");
    const WindowHandle frame = desktop.Add("SunAwtFrame", "Corvex");
    response.Queue(60, 0);

    Search(false);

    EXPECT_EQ(response.polls, 61);
    EXPECT_EQ(sends, 61);
    std::vector<unsigned> expectedSleeps = ExpectedSleeps(59);
    expectedSleeps.push_back(300);
    EXPECT_EQ(clock.sleeps, expectedSleeps);
    EXPECT_THAT(log.lines, ElementsAre("No answer from \"SunAwtFrame\" \"Corvex\" after 60 polls",
                                       "Window : \"SunAwtDialog\" \"Options\""));
    EXPECT_EQ(desktop.activated.size(), 1u);
    EXPECT_NE(desktop.activated.front(), frame);
    EXPECT_TRUE(applicationFound);
}

TEST_F(WindowSearchTest, MuteInstanceLeavesTheFlagClearAndIsGivenUpForTheRun) {
    desktop.Add("SunAwtFrame", "Corvex", false);
    response.afterwards = 0;

    Search(false);
    ASSERT_TRUE(givenUp);
    EXPECT_EQ(givenUp->title, "Corvex");
    EXPECT_FALSE(givenUp->startedHere);
    EXPECT_EQ(waits, 1);  // once the first poll went unanswered, not at every poll
    Search(false);
    EXPECT_FALSE(givenUp);

    EXPECT_EQ(response.polls, 60);
    EXPECT_FALSE(applicationFound);
    EXPECT_THAT(desktop.activated, IsEmpty());
    EXPECT_THAT(log.lines, ElementsAre("No answer from \"SunAwtFrame\" \"Corvex\" after 60 polls"));
}

TEST_F(WindowSearchTest, AWindowThatGoesAwayEndsItsHandOverAtOnce) {
    const WindowHandle frame = desktop.Add("SunAwtFrame", "Corvex");
    response.afterwards = 0;
    desktop.Close(frame);

    Search(false);

    EXPECT_THAT(journal, ElementsAre("send", "sleep 300", "poll 0"));
    EXPECT_FALSE(applicationFound);
}

// Every Java program's frames have Corvex's classes: the wake-up port's listener and what the
// launcher started tell Corvex's windows from another program's.
TEST_F(WindowSearchTest, OnlyWindowsOfTheProcessesThatCanAnswerAreTaken) {
    constexpr ProcessId kOther = 7;
    constexpr ProcessId kCorvex = 42;
    desktop.Add("SunAwtFrame", "Other Java Program", true, kOther);
    desktop.Add("SunAwtFrame", "Corvex", true, kCorvex);

    // Nothing listens on the wake-up port: nothing can answer, nothing is woken.
    corvex.listener = {false, {}};
    Search(false);
    EXPECT_THAT(journal, IsEmpty());

    // The system names the listener's process: only its window, and that process may come to
    // the front once woken.
    // A refusal is told once a run.
    corvex.listener = {true, {kCorvex}};
    desktop.foregroundRefusal = 5;
    Search(false);
    EXPECT_THAT(desktop.activated, ElementsAre(2u));
    const std::string refused = "Could not pass the foreground to Corvex (process 42): error 5";
    EXPECT_THAT(Journal(journal.begin(), journal.begin() + 3),
                ElementsAre("allow foreground 42", "log " + refused, "send"));
    // What the launcher started comes first, whoever the system names.
    corvex.listener = {true, {kOther}};
    corvex.started = {kCorvex};
    Search(false);
    EXPECT_THAT(desktop.activated, ElementsAre(2u, 2u));
    EXPECT_EQ(sends, 2);
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), refused), 1);

    // The system tells neither: the window classes decide alone, as they always did, and no
    // process is let to the front that may not be Corvex's.
    corvex.started.clear();
    corvex.listener = {true, {}};
    journal.clear();
    Search(false);
    EXPECT_THAT(desktop.activated, ElementsAre(2u, 2u, 1u, 2u));
    EXPECT_THAT(journal, ::testing::Not(::testing::Contains(::testing::StartsWith("allow"))));
    corvex.listener = {};
    Search(false);
    EXPECT_EQ(desktop.activated.size(), 6u);
}

// Windows' UDP table, as it comes: unsorted, several rows to a port, any address.
TEST(WakeUpListenerRows, EveryOwnerOfARowThatHearsTheLoopbackAddressCounts) {
    const auto row = [](const char* address, std::uint16_t port, ProcessId owner) {
        return UdpRow{test::FakeSocketLayer().InetAddr(address), HostToNetwork16(port), owner};
    };
    const std::vector<UdpRow> rows{row("10.0.0.5", 61000, 9),  row("0.0.0.0", 61001, 8),
                                   row("127.0.0.1", 61000, 7), row("127.0.0.2", 61000, 6),
                                   row("0.0.0.0", 61000, 42),  row("127.0.0.1", 61000, 7)};
    WakeUpListener listener = ListenerOn(61000, rows, std::vector<Udp6Row>());
    EXPECT_EQ(listener.bound, true);
    EXPECT_THAT(listener.owners, ElementsAre(7u, 42u));
    // The other program's socket on 127.0.0.1 does not hide Corvex's on every address.
    EXPECT_TRUE(CorvexCandidates::Choose(listener, {}).Takes(42));

    // A socket on another address does not hear the wake-up; an IPv6 one on every address may.
    listener =
        ListenerOn(61000, std::vector<UdpRow>{rows[0], rows[1], rows[3]}, std::vector<Udp6Row>());
    EXPECT_EQ(listener.bound, false);
    Udp6Row any6{{}, HostToNetwork16(61000), 5};
    Udp6Row loopback6 = any6;
    loopback6.address[15] = 1;  // ::1
    listener =
        ListenerOn(61000, std::vector<UdpRow>{rows[0]}, std::vector<Udp6Row>{loopback6, any6});
    EXPECT_EQ(listener.bound, true);
    EXPECT_THAT(listener.owners, ElementsAre(5u));

    // One row without its owner: the owners are not all known, so none is named.
    listener = ListenerOn(61000, std::vector<UdpRow>{row("127.0.0.1", 61000, 0), rows[4]},
                          std::vector<Udp6Row>());
    EXPECT_EQ(listener.bound, true);
    EXPECT_THAT(listener.owners, IsEmpty());

    // A table that could not be read: nobody is known not to listen, and the window classes
    // decide alone.
    listener = ListenerOn(61000, std::vector<UdpRow>{rows[0]}, std::nullopt);
    EXPECT_EQ(listener.bound, std::nullopt);
    EXPECT_TRUE(CorvexCandidates::Choose(listener, {}).Takes(42));
}

TEST_F(WindowSearchTest, SendErrorEndsTheSearchBeforeTheWindowIsLoggedOrActivated) {
    desktop.Add("SunAwtFrame", "Corvex");
    desktop.Add("SunAwtDialog", "Options");
    desktop.Add("SunAwtDialog", "Preferences");
    failingSend = 2;

    EXPECT_THROW(Search(false), UDPSockError);

    // The frame was handed over before; the dialog being handed over is left as it was.
    EXPECT_TRUE(applicationFound);
    EXPECT_THAT(log.lines, ElementsAre("xxxx Window : \"SunAwtFrame\" \"Corvex\""));
    EXPECT_THAT(desktop.activated, ElementsAre(1u));
    EXPECT_EQ(sends, 2);
}

TEST_F(WindowSearchTest, SendErrorWhilePollingKeepsTheFlagAsItWas) {
    desktop.Add("SunAwtFrame", "Corvex");
    response.Queue(3, 0);
    failingSend = 3;

    EXPECT_THROW(Search(false), UDPSockError);

    EXPECT_FALSE(applicationFound);
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_THAT(desktop.activated, IsEmpty());
    EXPECT_EQ(clock.sleeps, ExpectedSleeps(1));
}

TEST_F(WindowSearchTest, WindowsOpenedDuringAHandOverWaitForTheNextSearch) {
    desktop.Add("SunAwtFrame", "Corvex");
    desktop.onActivate = [this] {
        desktop.onActivate = nullptr;
        desktop.Add("SunAwtDialog", "Welcome back");
    };

    Search(false);
    EXPECT_EQ(sends, 1);

    Search(false);
    EXPECT_EQ(sends, 3);
    EXPECT_EQ(log.lines.back(), "Window : \"SunAwtDialog\" \"Welcome back\"");
}

TEST_F(WindowSearchTest, VerboseSearchListsEveryOtherTitledWindowAfterTheHandOvers) {
    desktop.Add("TForm1", "Please Wait....");
    desktop.Add("SunAwtToolkit", "Java toolkit");
    desktop.Add("Shell_TrayWnd", "");
    desktop.Add("SunAwtDialog", "Options");
    desktop.Add("IME", "Default IME");
    desktop.Add("SunAwtFrame", "Corvex");
    desktop.Add("TAboutBox", "About");

    Search(true);

    EXPECT_THAT(log.lines, ElementsAre(kBanner, "xxxx Window : \"SunAwtFrame\" \"Corvex\"",
                                       "Window : \"SunAwtDialog\" \"Options\"",
                                       "Window : \"TForm1\" \"Please Wait....\"",
                                       "Window : \"IME\" \"Default IME\"",
                                       "Window : \"TAboutBox\" \"About\""));
    EXPECT_EQ(sends, 2);
}

TEST_F(WindowSearchTest, QuietSearchTakingNoWindowLeavesNoTrace) {
    desktop.Add("TForm1", "Please Wait....");
    desktop.Add("SunAwtToolkit", "Java toolkit");
    desktop.Add("IME", "Default IME");

    Search(false);
    EXPECT_THAT(journal, IsEmpty());
    EXPECT_FALSE(applicationFound);
    // Each class name is read once a search, and no title of a window that no pass takes; who
    // may be Corvex is not asked while no titled window of its classes is there.
    EXPECT_EQ(desktop.classReads, 3);
    EXPECT_EQ(desktop.titleReads, 0);
    desktop.Add("SunAwtFrame", "");
    Search(false);
    EXPECT_EQ(corvex.asked, 0);

    // A flag set by an earlier search stays set.
    applicationFound = true;
    Search(false);
    EXPECT_THAT(journal, IsEmpty());
    EXPECT_TRUE(applicationFound);
}

}  // namespace
}  // namespace ostrel
