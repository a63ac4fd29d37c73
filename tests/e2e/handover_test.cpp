// The hand-over as a user meets it: a Corvex that is already running is woken and brought to the
// front instead of starting a second one; a Corvex that the launcher started is found on a later
// tick; "Find windows" lists the desktop's titled windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/control_ids.h"
#include "launcher_driver.h"

namespace ostrel::test {
namespace {

constexpr char kSplashClass[] = "morvane.r7x.corvex.util.SplashScreen";

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

std::size_t CountPrefixed(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

class HandOverTest : public ::testing::Test {
  protected:
    HandOverTest() {
        registry.SetString("1.4", "JavaHome", StandInJavaHome());
        SetEnvironmentVariableA("OSTREL_CORVEX_LIFETIME_MS", "30000");
        SetEnvironmentVariableA("OSTREL_CORVEX_DELAY_MS", "0");
    }
    ~HandOverTest() override {
        EndStandInsOf(launchedRecord());
        EndStandInsOf(corvexRecord());
        for (const char* name :
             {"OSTREL_STANDIN_RECORD", "OSTREL_CORVEX_WINDOWS", "OSTREL_CORVEX_LIFETIME_MS",
              "OSTREL_CORVEX_DELAY_MS", "OSTREL_CORVEX_LISTEN", "OSTREL_CORVEX_ANSWER_AFTER"}) {
            SetEnvironmentVariableA(name, nullptr);
        }
    }

    // A Corvex that runs before the launcher starts: a splash window and a dialog, answering.
    std::unique_ptr<LauncherRun> StartCorvex() {
        SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", corvexRecord().c_str());
        SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS",
                                (std::string(kSplashClass) + ":Corvex,SunAwtDialog:Setup").c_str());
        auto corvex = std::make_unique<LauncherRun>(corvexFolder.Path(), SW_SHOWNORMAL,
                                                    StandInJavaHome() + "\\bin\\javaw.exe");
        EXPECT_NE(corvex->WaitForWindow("SunAwtDialog", "Setup"), nullptr);
        // What the launcher starts from here on records elsewhere and shows nothing.
        SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", launchedRecord().c_str());
        SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", "none");
        return corvex;
    }

    std::string corvexRecord() const { return corvexFolder.File("record.txt"); }
    std::string launchedRecord() const { return folder.File("launched-record.txt"); }

    TempFolder folder;
    TempFolder corvexFolder;
    JavaRuntimeRegistration registry;
};

TEST_F(HandOverTest, ARunningCorvexIsWokenTwiceAndNothingIsWrittenOrStarted) {
    auto corvex = StartCorvex();
    WriteFile(folder.File("abc.txt"), "");  // keeps the launcher open to be looked at
    LauncherRun launcher(folder.Path());
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    // The first tick finds the flag set and, held by the marker, warns instead of closing.
    HWND warning = launcher.WaitForMessageBox("Warning");
    ASSERT_NE(warning, nullptr);

    const std::vector<std::string> lines = LogLines(window);
    ASSERT_GE(lines.size(), 5u) << LogText(window);
    EXPECT_EQ(lines.back(), "Application Found");
    const std::vector<std::string> handOver(lines.end() - 5, lines.end() - 1);
    EXPECT_EQ(handOver[0].rfind("Sending UDP :", 0), 0u) << handOver[0];
    EXPECT_EQ(handOver[1], "Window : \"" + std::string(kSplashClass) + "\" \"Corvex\"");
    EXPECT_EQ(handOver[2].rfind("Sending UDP :", 0), 0u) << handOver[2];
    EXPECT_EQ(handOver[3], "Window : \"SunAwtDialog\" \"Setup\"");
    EXPECT_EQ(CountPrefixed(lines, "Sending UDP :"), 2u);

    // Two hand-overs, two datagrams each, all with the text the log shows.
    const std::string record = ReadFile(corvexRecord());
    EXPECT_EQ(Count(record, "event=datagram"), 4u) << record;
    EXPECT_NE(record.find("datagram=" + handOver[0].substr(13) + "\n"), std::string::npos);
    EXPECT_NE(record.find("from=127.0.0.1:61001"), std::string::npos);
    // Nothing written, nothing started.
    EXPECT_FALSE(FileExists(folder.File("ostrel.bat")));
    EXPECT_FALSE(FileExists(folder.File("Corvex.lnk")));
    EXPECT_FALSE(FileExists(launchedRecord()));

    PressOk(warning);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(HandOverTest, WithoutTheMarkerTheLauncherEndsOnItsFirstTick) {
    auto corvex = StartCorvex();
    const DWORD start = GetTickCount();
    LauncherRun launcher(folder.Path());
    EXPECT_EQ(launcher.WaitForExit(15000), 0u);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_FALSE(FileExists(folder.File("ostrel.bat")));
    EXPECT_FALSE(FileExists(launchedRecord()));
    // The dialog, activated last, is in front and shown.
    HWND dialog = corvex->WaitForWindow("SunAwtDialog", "Setup", 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
}

// A running Corvex that answers only its eighth wake-up, about 7 s after the first: the hand-over
// waits for it, and the launcher's windows go on answering the system meanwhile (Windows takes a
// window that has not read its messages for 5 s for hung, and puts a ghost in its place: its
// own rule is asked too, which Wine does not keep).
TEST_F(HandOverTest, WhileAHandOverWaitsTheLaunchersWindowsAnswerTheSystem) {
    SetEnvironmentVariableA("OSTREL_CORVEX_ANSWER_AFTER", "16");  // two datagrams a wake-up
    auto corvex = StartCorvex();
    const DWORD start = GetTickCount();
    LauncherRun launcher(folder.Path());
    int probed = 0;
    while (GetTickCount() - start < 6000) {
        for (HWND window : WindowsOfProcess(launcher.ProcessId())) {
            if (!IsWindowVisible(window)) continue;
            DWORD_PTR result = 0;
            const DWORD asked = GetTickCount();
            EXPECT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result),
                      0)
                << WindowClass(window) << " did not answer";
            EXPECT_LE(GetTickCount() - asked, 1000u);
            EXPECT_FALSE(IsHungAppWindow(window)) << WindowClass(window) << " is hung";
            ++probed;
        }
        Sleep(250);
    }
    EXPECT_GT(probed, 0) << "no window of the launcher was in view while it waited";
    EXPECT_EQ(launcher.WaitForExit(15000), 0u);
    EXPECT_GE(GetTickCount() - start, 6500u);  // it did wait for the answer
    EXPECT_FALSE(FileExists(launchedRecord()));
}

TEST_F(HandOverTest, ACorvexStartedByTheLauncherIsFoundOnALaterTickAndBroughtToTheFront) {
    // The launcher's own search finds nothing; the runtime it starts shows its frame, hidden and
    // after a second, and answers.
    SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", launchedRecord().c_str());
    SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex:hidden");
    SetEnvironmentVariableA("OSTREL_CORVEX_DELAY_MS", "1000");
    ClearRunLogs();
    LauncherRun launcher(folder.Path());
    ASSERT_TRUE(WaitUntil([&] { return !launcher.Running(); }, 30000))
        << "the launcher did not end";
    EXPECT_EQ(launcher.WaitForExit(0), 0u);

    const std::string record = ReadFile(launchedRecord());
    EXPECT_NE(record.find("event=start"), std::string::npos);
    EXPECT_GE(Count(record, "event=datagram"), 2u) << record;
    const std::vector<std::string> lastLog = RunLogFileLines();
    ASSERT_FALSE(lastLog.empty());
    EXPECT_EQ(lastLog.back(), "xxxx Window : \"SunAwtFrame\" \"Corvex\"");
    // The hidden frame was shown by the activation.
    const auto pid = record.find("pid=");
    ASSERT_NE(pid, std::string::npos);
    const auto corvexProcess = static_cast<DWORD>(std::stoul(record.substr(pid + 4)));
    HWND frame = nullptr;
    for (HWND candidate : WindowsOfProcess(corvexProcess)) {
        if (WindowClass(candidate) == "SunAwtFrame") frame = candidate;
    }
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(IsWindowVisible(frame));
    PostMessageA(frame, WM_CLOSE, 0, 0);
}

// A runtime that hands Corvex's start on through a helper that ends at once: Corvex, a child of
// a process that has gone, is still the launcher's own, not "ended", and is handed over.
TEST_F(HandOverTest, ACorvexStartedThroughAShortLivedHelperIsHandedOver) {
    SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", launchedRecord().c_str());
    SetEnvironmentVariableA("OSTREL_CORVEX_DELAY_MS", "1000");
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {},
                         {"OSTREL_CORVEX_HELPERS=2"});
    EXPECT_EQ(launcher.WaitForExit(20000), 0u) << "no hand-over";
    const std::string record = ReadFile(launchedRecord());
    EXPECT_NE(record.find(" via-helper via-helper\n"), std::string::npos) << record;
    EXPECT_NE(record.find("answered=1\n"), std::string::npos) << record;
}

// The window of the process with this id and class; null when there is none.
HWND WindowOf(DWORD process, const std::string& windowClass) {
    for (HWND window : WindowsOfProcess(process)) {
        if (WindowClass(window) == windowClass) return window;
    }
    return nullptr;
}

DWORD FirstProcessIn(const std::string& record) {
    const auto pid = record.find("pid=");
    return pid == std::string::npos ? 0 : static_cast<DWORD>(std::stoul(record.substr(pid + 4)));
}

// Every Java program's frames share Corvex's window classes: another one that is open, and
// listens for nothing, must neither delay the start nor be brought to the front.
TEST_F(HandOverTest, AnotherJavaProgramsFrameNeitherDelaysTheStartNorComesToTheFront) {
    SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", corvexRecord().c_str());
    SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Other Java Program:hidden");
    SetEnvironmentVariableA("OSTREL_CORVEX_LISTEN", "0");
    LauncherRun other(corvexFolder.Path(), SW_SHOWNORMAL, StandInJavaHome() + "\\bin\\javaw.exe");
    HWND otherFrame = other.WaitForWindow("SunAwtFrame", "Other Java Program");
    ASSERT_NE(otherFrame, nullptr);
    SetEnvironmentVariableA("OSTREL_CORVEX_LISTEN", nullptr);
    SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", launchedRecord().c_str());
    SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex:hidden");
    SetEnvironmentVariableA("OSTREL_CORVEX_DELAY_MS", "1000");

    // Bounds well below the minute that a hand-over to the other frame would take, and wide
    // enough for a bench that runs the programs emulated.
    LauncherRun launcher(folder.Path());
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadFile(launchedRecord()).find("event=start") != std::string::npos; }, 20000))
        << "Corvex was not started at once";
    EXPECT_EQ(launcher.WaitForExit(30000), 0u);

    const std::string record = ReadFile(launchedRecord());
    EXPECT_GE(Count(record, "event=datagram"), 2u) << record;
    HWND corvexFrame = WindowOf(FirstProcessIn(record), "SunAwtFrame");
    ASSERT_NE(corvexFrame, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(corvexFrame) != FALSE; }, 5000));
    EXPECT_FALSE(IsWindowVisible(otherFrame)) << "the other program's frame was activated";
    PostMessageA(corvexFrame, WM_CLOSE, 0, 0);
}

// An impatient double click: the second start comes the moment the first launcher's window
// exists, before it shows its picture. It brings that picture forward, never the first one's log
// and buttons, and starts no second Corvex.
TEST_F(HandOverTest, ASecondLauncherWhileTheFirstIsAtWorkStartsNoSecondCorvex) {
    SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", launchedRecord().c_str());
    SetEnvironmentVariableA("OSTREL_CORVEX_DELAY_MS", "2000");
    LauncherRun first(folder.Path());
    HWND firstWindow = first.MainWindow();
    ASSERT_NE(firstWindow, nullptr);
    LauncherRun second(folder.Path());

    bool restored = false;
    EXPECT_TRUE(WaitUntil(
        [&] {
            restored = restored || (IsWindowVisible(firstWindow) && !IsIconic(firstWindow));
            return !first.Running() && !second.Running();
        },
        20000));
    EXPECT_FALSE(restored) << "the first launcher's main window was shown";
    EXPECT_EQ(second.WaitForExit(0), 0u);
    EXPECT_EQ(first.WaitForExit(0), 0u);
    EXPECT_EQ(Count(ReadFile(launchedRecord()), "event=start"), 1u);
}

// Started minimised without activation, a launcher waits for its restore before it launches,
// holding the guard meanwhile: a later start restores it instead of waiting for it in vain.
TEST_F(HandOverTest, ALaterStartRestoresALauncherThatWaitsMinimised) {
    SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", launchedRecord().c_str());
    LauncherRun first(folder.Path(), SW_SHOWMINNOACTIVE);
    ASSERT_NE(first.MainWindow(), nullptr);
    Sleep(3000);
    EXPECT_FALSE(FileExists(launchedRecord())) << "launched before its restore";
    LauncherRun second(folder.Path());

    EXPECT_EQ(second.WaitForExit(10000), 0u);
    EXPECT_EQ(first.WaitForExit(20000), 0u) << "the first launcher was never restored";
    EXPECT_EQ(Count(ReadFile(launchedRecord()), "event=start"), 1u);
}

TEST_F(HandOverTest, FindWindowsListsEveryTitledWindowButCorvexAndTheToolkit) {
    SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", launchedRecord().c_str());
    SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", "SunAwtToolkit:Toolkit");
    WriteFile(folder.File("abc.txt"), "");
    LauncherRun launcher(folder.Path());
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(launcher.WaitForWindow("TAboutBox", "AboutBox"), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(launchedRecord()); }, 10000));
    Sleep(500);  // the stand-in's toolkit window

    SendMessageA(GetDlgItem(window, kButton1), BM_CLICK, 0, 0);
    const std::vector<std::string> lines = LogLines(window);
    const auto banner = std::find(lines.begin(), lines.end(),
                                  "################################ Searching for windows "
                                  "################################");
    ASSERT_NE(banner, lines.end()) << LogText(window);
    const std::vector<std::string> listed(banner + 1, lines.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "Window : \"TForm1\" \"Please Wait....\""),
              listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "Window : \"TAboutBox\" \"AboutBox\""),
              listed.end());
    for (const std::string& line : listed) {
        EXPECT_EQ(line.rfind("Window : \"", 0), 0u) << line;
        EXPECT_EQ(line.find("SunAwtToolkit"), std::string::npos) << line;
    }

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

}  // namespace
}  // namespace ostrel::test
