#include "app/Unit1.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "core/errors.h"
#include "tests/fakes/fake_socket_layer.h"
#include "tests/fakes/launcher_fakes.h"
#include "net/UDPEndpoint.h"

namespace ostrel {
namespace {

using test::Journal;
using ::testing::ElementsAre;

constexpr char kKey14[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4";

class FormTest : public ::testing::Test {
  protected:
    FormTest() {
        keys.keys[kKey14].Set("JavaHome", kRegSz, "C:\\Java");
        form.FormCreate();
    }

    // FormShow, then what it journaled; the journal starts empty afterwards.
    Journal Show() {
        journal.clear();
        form.FormShow();
        Journal shown = journal;
        journal.clear();
        return shown;
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) form.DeliverTick(errors);
    }
    long Count(const std::string& event) const {
        return std::count(journal.begin(), journal.end(), event);
    }
    // Corvex shows its frame on the desktop and answers at once.
    void CorvexAppears() { desktop.Add("SunAwtFrame", "Corvex"); }

    Journal journal;
    test::FakeLog log;
    test::FakeUi ui{journal};
    test::FakeJavaKeys keys{journal};
    test::FakeShell shell{journal};
    test::FakeFiles files{journal};
    test::FakeDesktop desktop;
    test::FakeResponseState responseState;
    test::FakeCorvexProcesses corvex;
    test::FakeClock clock;
    HandOverGuard guard{clock};
    test::FakeDateTimeFormat dateTimeFormat;
    test::FakeErrorReporter errors{journal};
    TUDPEndpoint endpoint{std::make_unique<test::FakeSocketLayer>()};
    TForm1 form{Form1Ports{log, ui, keys, shell, files, desktop, responseState, corvex, guard,
                           dateTimeFormat, endpoint}};
};

TEST_F(FormTest, ShowLaunchesMinimisesAndStartsTheTimer) {
    // A script that cannot be written is reported, and the show goes on as after a clean launch.
    files.failing = {"script"};
    const Journal shown = Show();
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown.at(shown.size() - 4).rfind("script", 0), 0u);
    EXPECT_EQ(shown.at(shown.size() - 3), "error box Access denied");
    EXPECT_EQ(shown.at(shown.size() - 2), "minimize");
    EXPECT_EQ(shown.back(), "timer on");
    EXPECT_EQ(form.TickCounter(), 0);
}

TEST_F(FormTest, TicksOneToHundredPollAndTheHundredAndFirstCloses) {
    Show();
    Ticks(100);
    EXPECT_EQ(Count("picture box"), 1);  // created once, on the first polling tick
    EXPECT_EQ(journal.front(), "picture box");
    EXPECT_EQ(Count("close window"), 0);
    corvex.stillRunning = RunningProcess{42, "javaw.exe", 50900};
    Ticks(1);
    EXPECT_EQ(journal.back(), "close window");
    EXPECT_EQ(form.ExitCode(), 0);
    EXPECT_TRUE(clock.sleeps.empty());  // no window was handed over: nothing slept
    // What was started still runs, without a window: the log file says so.
    EXPECT_EQ(log.lines.back(),
              "No window of Corvex after 100 polls: \"javaw.exe\" (process 42), started by "
              "Ostrel, still runs after 50 s");
}

// Another Java program's frame that never answers is given up once, not waited for on every tick.
TEST_F(FormTest, AFrameThatNeverAnswersCostsOneHandOverInAHundredTicks) {
    Show();
    desktop.Add("SunAwtFrame", "Other Java Program");
    responseState.afterwards = 0;
    corvex.stillRunning = RunningProcess{42, "javaw.exe", 50900};
    Ticks(101);
    unsigned slept = 0;
    for (unsigned sleep : clock.sleeps) slept += sleep;
    EXPECT_LE(slept, 300u + 59u * 1000u);
    EXPECT_EQ(journal.back(), "close window");
    // The polls' last line names the window that came and did not answer.
    EXPECT_EQ(
        log.lines.back(),
        "No answer from \"SunAwtFrame\" \"Other Java Program\" after 100 polls: \"javaw.exe\" "
        "(process 42), started by Ostrel, still runs after 50 s");
}

TEST_F(FormTest, DebugMarkerKeepsTheWindowAndShowsTheWarningOnce) {
    ui.marker = true;
    const Journal shown = Show();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "minimize"), 0);
    Ticks(101);
    EXPECT_THAT(Journal(journal.end() - 2, journal.end()),
                ElementsAre("timer off",
                            "warning I am not closing automatically because file "
                            "\"abc.txt\" exists"));
    EXPECT_EQ(Count("close window"), 0);
}

TEST_F(FormTest, MarkerCreatedAfterShowStillHoldsTheLauncherOpen) {
    Show();  // minimised: no marker yet
    ui.marker = true;
    Ticks(101);
    EXPECT_EQ(Count("close window"), 0);
    EXPECT_EQ(Count("warning I am not closing automatically because file \"abc.txt\" exists"), 1);
}

TEST_F(FormTest, FoundFlagSetByStartAppClosesOnTheFirstTickWithoutAPictureBox) {
    CorvexAppears();
    Show();
    EXPECT_TRUE(form.ApplicationFound());
    Ticks(1);
    EXPECT_THAT(journal, ElementsAre("polling ended", "close window"));
}

TEST_F(FormTest, ASearchThatFindsCorvexClosesOnTheNextTick) {
    Show();
    Ticks(3);
    CorvexAppears();
    Ticks(1);  // tick 4 searches and finds
    EXPECT_TRUE(form.ApplicationFound());
    EXPECT_EQ(Count("close window"), 0);
    Ticks(1);
    EXPECT_EQ(journal.back(), "close window");
}

TEST_F(FormTest, ARestartFromTheButtonKeepsTheTickCounter) {
    Show();
    Ticks(60);
    journal.clear();
    form.Button2Click();
    EXPECT_EQ(form.TickCounter(), 60);
    EXPECT_EQ(log.clears, 2);
    Ticks(40);
    EXPECT_EQ(Count("close window"), 0);
    Ticks(1);
    EXPECT_EQ(journal.back(), "close window");
}

TEST_F(FormTest, AFailingTickShowsOneBoxAndTicksDuringItAreDropped) {
    Show();
    ui.pictureBoxFails = true;
    int ticksWhileOpen = 0;
    errors.whileOpen = [&] {
        // The box's own message loop goes on delivering ticks.
        ++ticksWhileOpen;
        if (ticksWhileOpen == 1) Ticks(5);
    };
    Ticks(1);
    EXPECT_EQ(Count("error box no picture"), 1);
    EXPECT_EQ(form.TickCounter(), 1);  // the dropped ticks are not counted
    EXPECT_FALSE(form.PictureBoxShown());

    ui.pictureBoxFails = false;
    Ticks(1);  // once the box is closed, polling goes on: the box is tried again
    EXPECT_EQ(form.TickCounter(), 2);
    EXPECT_TRUE(form.PictureBoxShown());
}

TEST_F(FormTest, AnErrorBoxThatFailsItselfDoesNotStopThePolling) {
    Show();
    ui.pictureBoxFails = true;
    errors.whileOpen = [] { throw Exception(test::SystemWords("the box could not be shown")); };
    EXPECT_THROW(Ticks(1), Exception);
    errors.whileOpen = nullptr;
    ui.pictureBoxFails = false;
    Ticks(1);
    EXPECT_EQ(form.TickCounter(), 2);
    EXPECT_TRUE(form.PictureBoxShown());
}

// After a box that says Corvex cannot be started there is nothing to wait for: no picture box,
// no polling, and the launcher ends with exit code 1, unless "abc.txt" holds it open.
TEST_F(FormTest, AStartThatCannotSucceedEndsWithItsBoxAndExitCodeOne) {
    shell.fails = true;
    ui.closeWhileInABox = true;  // closed from outside (the taskbar) while its box is open
    Journal shown = Show();
    EXPECT_THAT(
        Journal(shown.end() - 4, shown.end()),
        ElementsAre(::testing::StartsWith("error box Cannot start \"C:\\Java\\bin\\javaw.exe\""),
                    "timer off", "polling ended", "close window"));
    EXPECT_EQ(form.ExitCode(), 1);

    keys.keys.clear();  // no runtime
    shell.fails = false;
    ui.closeWhileInABox = ui.closeRequested = false;
    shown = Show();
    EXPECT_THAT(Journal(shown.end() - 3, shown.end()),
                ElementsAre("timer off", "polling ended", "close window"));
    EXPECT_EQ(form.ExitCode(), 1);

    keys.keys[kKey14].Set("JavaHome", kRegSz, "");  // no Java home
    ui.marker = true;
    shown = Show();
    EXPECT_THAT(Journal(shown.end() - 4, shown.end()),
                ElementsAre(::testing::StartsWith("error box The Java runtime"), "timer off",
                            "polling ended", "restore"));
    form.Label1Click();  // "close", with the launcher held open by the marker
    EXPECT_EQ(form.ExitCode(), 1);
}

// Everything that was started ended before Corvex showed a window, whatever its exit code: said
// at the next tick. A runtime that handed its start on to a process that still runs has not.
TEST_F(FormTest, StartedProcessesThatAllEndedAreReportedAtTheNextTick) {
    Show();
    // The runtime has ended before the first tick, and so has the helper it started Corvex
    // through: their grandchild runs.
    corvex.runtimeExitCode = 0;
    corvex.started = {43};
    Ticks(2);
    EXPECT_EQ(Count("close window"), 0);
    corvex.started.clear();
    journal.clear();
    Ticks(1);
    EXPECT_THAT(journal,
                ElementsAre("error box Corvex ended before it showed a window (exit code 0).\r\n"
                            "Command line: \"C:\\Java\\bin\\javaw.exe\" -classpath "
                            "LIB\\Corvex.jar morvane.r7x.corvex.application.Application "
                            "ShowSetupSys",
                            "timer off", "polling ended", "close window"));
    EXPECT_EQ(form.ExitCode(), 1);
    EXPECT_EQ(ExitCodeText(0xC0000135), "0xC0000135");
}

// The Corvex started here shows its frame but never answers: told as one found running is.
TEST_F(FormTest, AStartedCorvexThatDoesNotAnswerEndsTheRunWithItsBox) {
    Show();
    corvex.started = {42};
    desktop.Add("SunAwtFrame", "Corvex", true, 42);
    responseState.afterwards = 0;
    Ticks(1);
    EXPECT_THAT(Journal(journal.end() - 4, journal.end()),
                ElementsAre("error box Corvex is running (its window \"Corvex\"), but it does not "
                            "answer.\r\nClose it, or end it in Task Manager, then start Ostrel "
                            "again.",
                            "timer off", "polling ended", "close window"));
    EXPECT_EQ(Count("picture box"), 0);  // Corvex's frame was in view
    // Stepped aside all the same: a later start restores the main window.
    EXPECT_EQ(Count("picture box hidden"), 1);
    EXPECT_EQ(form.ExitCode(), 1);
}

// "Find windows" that gives up on the Corvex started here says so as a tick does, and the run
// ends as one that brought no Corvex.
TEST_F(FormTest, FindWindowsThatGivesUpOnTheStartedCorvexSaysSo) {
    ui.marker = true;
    Show();
    corvex.started = {42};
    desktop.Add("SunAwtFrame", "Corvex", true, 42);
    responseState.afterwards = 0;
    form.Button1Click();
    EXPECT_THAT(Journal(journal.end() - 4, journal.end()),
                ElementsAre(::testing::StartsWith("error box Corvex is running (its window "
                                                  "\"Corvex\"), but it does not answer."),
                            "timer off", "polling ended", "restore"));
    EXPECT_EQ(form.ExitCode(), 1);
    // A later hand-over by hand brings Corvex after all: the exit code follows it.
    desktop.Add("SunAwtFrame", "Corvex", true, 42);
    responseState.afterwards = 1;
    form.Button1Click();
    EXPECT_EQ(form.ExitCode(), 0);
}

// The runtime's own error box, or a question asked before the first frame, must not lie under
// the picture box; once it is gone and the launcher still waits, the picture is back.
TEST_F(FormTest, ThePictureBoxStepsAsideWhileAWindowOfAStartedProcessIsInView) {
    Show();
    corvex.started = {42};
    const WindowHandle other = desktop.Add("#32770", "Another program's box", true, 7);
    Ticks(1);
    EXPECT_EQ(Count("picture box"), 1);
    const WindowHandle question = desktop.Add("SunAwtDialog", "", true, 42);  // any class
    Ticks(3);
    EXPECT_EQ(Count("picture box hidden"), 1);
    desktop.Close(question);
    Ticks(1);
    EXPECT_EQ(Count("picture box"), 2);

    // The other program has ended, and its id now names a process of the runtime's.
    desktop.Close(other);
    corvex.started = {42, 7};
    corvex.created[7] = 1234;
    desktop.Add("#32770", "Java Virtual Machine Launcher", true, 7);
    Ticks(1);
    EXPECT_EQ(Count("picture box hidden"), 2);
}

// Polling a desktop whose windows stay as they are costs no more than the list of its windows:
// windows once found to be others' are not looked into again, nor are their processes.
TEST(StartedWatch, AsksForTheStartedProcessesOnlyForAProcessNotYetKnown) {
    constexpr ProcessId kStarted = 42;
    Journal journal;
    test::FakeUi ui{journal};
    test::FakeDesktop desktop;
    test::FakeCorvexProcesses corvex;
    StartedWatch watch(desktop, corvex, ui);
    corvex.started = {kStarted};
    desktop.Add("Shell_TrayWnd", "", true, 7);
    desktop.Add("#32770", "Error", true, 8);
    desktop.Add("#32770", "Java Virtual Machine Launcher", false, kStarted);
    EXPECT_FALSE(watch.AnyInView());
    const int asked = corvex.asked;
    EXPECT_EQ(corvex.opened, 2);
    EXPECT_FALSE(watch.AnyInView());
    EXPECT_EQ(corvex.asked, asked);
    EXPECT_EQ(corvex.opened, 2);
    desktop.Add("SunAwtFrame", "Corvex", true, kStarted);
    EXPECT_TRUE(watch.AnyInView());
}

// A Corvex that does not answer: something of the launcher is in view while it waits, and no
// second Corvex is started when it gives up.
TEST_F(FormTest, AHandOverThatGivesUpShowsThePictureBoxAndStartsNothing) {
    desktop.Add("SunAwtFrame", "Corvex");
    responseState.afterwards = 0;
    const Journal shown = Show();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "picture box"), 1);
    EXPECT_EQ(shown.back(), "close window");
    EXPECT_EQ(form.ExitCode(), 1);
    EXPECT_THAT(shown, ::testing::Not(::testing::Contains(::testing::StartsWith("execute"))));
}

// What another program sends the window while a hand-over waits (a click on a button, a close)
// does not run inside it: a command runs after it, once however often it came; a close ends the
// hand-over at its next poll, and during the launch's own search nothing is started after it.
TEST_F(FormTest, ACommandOrACloseDuringAHandOverWaitsForItsEnd) {
    constexpr std::uint32_t kFindWindows = 1, kSend = 2;
    CorvexAppears();
    responseState.Queue(1, 0);
    clock.onSleep = [&] {
        for (std::uint32_t command : {kFindWindows, kSend, kFindWindows}) {
            EXPECT_TRUE(guard.Keep(command));
        }
    };
    Show();
    EXPECT_TRUE(form.ApplicationFound());
    EXPECT_EQ(guard.TakeKept(), (std::vector<std::uint32_t>{kFindWindows, kSend}));
    EXPECT_FALSE(guard.Keep(kSend));  // no hand-over waits: it runs at once

    responseState.afterwards = 0;
    clock.onSleep = [&] { ui.closeRequested = true; };
    const Journal shown = Show();
    EXPECT_EQ(responseState.polls, 3);
    EXPECT_THAT(shown, ::testing::Not(::testing::Contains(::testing::StartsWith("execute"))));
    EXPECT_THAT(shown, ::testing::Not(::testing::Contains("timer on")));
    EXPECT_EQ(form.ExitCode(), 0);
}

TEST_F(FormTest, AShowClosedWhileItsBoxIsOpenStartsNoTimer) {
    keys.keys.clear();  // the no-runtime box
    ui.closeWhileInABox = true;
    const Journal shown = Show();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "timer on"), 0);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "minimize"), 0);
}

TEST(CloseLabel, TextStandsOutFromItsBackgroundWhenTheTwoSystemColoursAreOne) {
    EXPECT_EQ(CloseLabelTextColour(0x00FFFFFF, 0x00000000), 0x00000000u);  // as Wine has them
    EXPECT_EQ(CloseLabelTextColour(0x00000000, 0x00000000), 0x00FFFFFFu);  // Windows 10 and 11
    EXPECT_EQ(CloseLabelTextColour(0x00F0F0F0, 0x00F0F0F0), 0x00000000u);
    EXPECT_EQ(CloseLabelTextColour(0x00800000, 0x00800000), 0x00FFFFFFu);  // dark blue
}

TEST_F(FormTest, AnErrorInStartAppLeavesTheWindowUnminimisedWithoutTimer) {
    keys.keys[kKey14].Set("Bad", 4, "1234");
    journal.clear();
    EXPECT_THROW(form.FormShow(), Exception);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "minimize"), 0);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "timer on"), 0);
    EXPECT_EQ(form.ExitCode(), 1);  // nothing was started, however the window is closed then
}

TEST_F(FormTest, TheHandOverWakesCorvexThroughTheSendAction) {
    CorvexAppears();
    Show();
    const auto sent =
        std::count_if(log.lines.begin(), log.lines.end(),
                      [](const std::string& line) { return line.rfind("Sending UDP :", 0) == 0; });
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(log.lines.back(), "Application Found");
}

TEST_F(FormTest, CloseLabelClosesTheWindow) {
    form.Label1Click();
    EXPECT_THAT(journal, ElementsAre("close window"));
}

}  // namespace
}  // namespace ostrel
