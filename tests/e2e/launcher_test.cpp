// The launcher as a user meets it: its window, its log, its boxes, what it starts, and its end.
#include <gtest/gtest.h>

#include "launcher_driver.h"

namespace ostrel::testing {
namespace {

constexpr char kParameters[] =
    "-classpath LIB\\Corvex.jar morvane.r7x.corvex.application.Application ShowSetupSys";
constexpr char kTitle[] = "ostrel";  // the program file's name up to its first dot

class LauncherTest : public ::testing::Test {
  protected:
    // The stand-in runtime, started by the launcher, inherits these: it records its start and
    // shows no Corvex window, so every launch here polls without a hand-over.
    LauncherTest() {
        SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", record().c_str());
        SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", "none");
        SetEnvironmentVariableA("OSTREL_CORVEX_LIFETIME_MS", "20000");
    }
    ~LauncherTest() override {
        EndStandInsOf(record());
        for (const char* name :
             {"OSTREL_STANDIN_RECORD", "OSTREL_CORVEX_WINDOWS", "OSTREL_CORVEX_LIFETIME_MS"}) {
            SetEnvironmentVariableA(name, nullptr);
        }
    }
    std::string record() const { return folder.File("standin-record.txt"); }
    // Two values, named so that their enumeration order is the same on every registry.
    void RegisterStandInRuntime() {
        registry.SetString("1.4", "JavaHome", StandInJavaHome());
        registry.SetString("1.4", "RuntimeLib", "jvm.dll");
    }

    TempFolder folder;
    JavaRuntimeRegistration registry;
};

struct Expected {
    int id;
    const char* text;
    RECT rect;
};

TEST_F(LauncherTest, HeldOpenByTheMarkerShowsItsLayoutItsLogAndStartsTheRuntime) {
    RegisterStandInRuntime();
    WriteFile(folder.File("abc.txt"), "");
    LauncherRun launcher(folder.Path());
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr) << "the launcher did not show its window";

    const std::string directory = ProgramFolder();
    const std::string javaw = StandInJavaHome() + "\\bin\\javaw.exe";
    const std::string lastLine = "ExecuteFile " + javaw +
                                 " -classpath LIB\\Corvex.jar "
                                 "morvane.r7x.corvex.application.Application  (in " +
                                 directory + ")";
    ASSERT_TRUE(WaitForLogLine(window, lastLine, 20000)) << LogText(window);
    EXPECT_EQ(LogLines(window),
              (std::vector<std::string>{
                  "Registry Key has has an Entry Called \"JavaHome\"  with a value of \"" +
                      StandInJavaHome() + "\"",
                  "Registry Key has has an Entry Called \"RuntimeLib\"  with a value of "
                  "\"jvm.dll\"",
                  "JavaHome = \"" + StandInJavaHome() + "\"", "Application Path =" + directory,
                  lastLine}));

    // Borderless, 602 x 478 at 8,132, in the normal state, with every control in its place.
    RECT outer;
    GetWindowRect(window, &outer);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(outer.left, 8);
    EXPECT_EQ(outer.top, 132);
    EXPECT_EQ(client.right, 602);
    EXPECT_EQ(client.bottom, 478);
    EXPECT_EQ(outer.right - outer.left, 602);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(WindowText(window), "Please Wait....");
    const Expected controls[] = {
        {100, "", {0, 0, 640, 480}},
        {101, "close", {576, 0, 601, 13}},
        {102, "Find windows", {8, 72, 83, 97}},
        {103, "start from registy", {8, 8, 129, 33}},
        {104, nullptr, {8, 200, 601, 473}},
        {105, "Send", {308, 6, 383, 31}},
    };
    for (const Expected& expected : controls) {
        HWND control = GetDlgItem(window, expected.id);
        ASSERT_NE(control, nullptr) << expected.id;
        const RECT rect = ChildRect(control);
        EXPECT_EQ(rect.left, expected.rect.left) << expected.id;
        EXPECT_EQ(rect.top, expected.rect.top) << expected.id;
        EXPECT_EQ(rect.right, expected.rect.right) << expected.id;
        EXPECT_EQ(rect.bottom, expected.rect.bottom) << expected.id;
        if (expected.text) {
            EXPECT_EQ(WindowText(control), expected.text);
        }
    }

    // The stand-in runtime was started with the class path and main class, in the launcher's
    // own folder, shown normally.
    ASSERT_TRUE(
        WaitUntil([&] { return ReadFile(record()).find(kParameters) != std::string::npos; }, 20000))
        << ReadFile(record());
    const std::string started = ReadFile(record());
    EXPECT_NE(started.find(javaw), std::string::npos) << started;
    EXPECT_NE(started.find(directory.substr(0, directory.size() - 1)), std::string::npos)
        << started;
    // In the folder the launcher was started in: the start script and the two links.
    EXPECT_EQ(ReadFile(folder.File("ostrel.bat")),
              "\"" + StandInJavaHome() +
                  "\\bin\\java.exe\" -classpath LIB\\Corvex.jar "
                  "morvane.r7x.corvex.application.Application ShowSetup\r\n");
    EXPECT_TRUE(FileExists(folder.File("Configuration.lnk")));
    EXPECT_TRUE(FileExists(folder.File("Corvex.lnk")));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(LauncherTest, WithoutARuntimeShowsTheBoxAndStartsNothing) {
    LauncherRun launcher(folder.Path());
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(MessageBoxText(box),
              "Error opening key to Java runtime\r!! CANNOT FIND ANY INSTALLED JAVA RUNTIME !!");
    PressOk(box);

    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForLogLine(window, "Corvex not started: no Java runtime is known", 20000))
        << LogText(window);
    EXPECT_EQ(LogLines(window).front(),
              "Error opening key to Java runtime!! CANNOT FIND ANY INSTALLED JAVA RUNTIME !!");
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 5000));
    EXPECT_FALSE(FileExists(record()));
    EXPECT_FALSE(FileExists(folder.File("ostrel.bat")));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(LauncherTest, AnInvalidValueTypeShowsTheErrorAndLeavesTheWindowOpen) {
    registry.SetString("1.4", "JavaHome", StandInJavaHome());
    registry.SetDword("1.4", "Version", 4);
    LauncherRun launcher(folder.Path());
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_EQ(MessageBoxText(box), "Invalid data type for 'Version'");
    PressOk(box);

    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    Sleep(1500);  // three ticks' worth: no timer runs, nothing is started
    EXPECT_TRUE(launcher.Running());
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(FileExists(record()));
    for (HWND other : WindowsOfProcess(launcher.ProcessId())) {
        if (WindowClass(other) == "TAboutBox") {
            EXPECT_FALSE(IsWindowVisible(other));
        }
    }

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(LauncherTest, AFolderNamedLikeTheMarkerIsNoMarker) {
    RegisterStandInRuntime();
    CreateDirectoryA(folder.File("abc.txt").c_str(), nullptr);
    LauncherRun launcher(folder.Path());
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 20000));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(LauncherTest, StartedMinimisedWithoutActivationLaunchesOnlyWhenRestored) {
    RegisterStandInRuntime();
    WriteFile(folder.File("abc.txt"), "");
    LauncherRun launcher(folder.Path(), SW_SHOWMINNOACTIVE);
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    Sleep(1500);
    EXPECT_TRUE(IsIconic(window));
    EXPECT_EQ(LogText(window), "");
    EXPECT_FALSE(FileExists(record()));

    ShowWindow(window, SW_RESTORE);
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(record()).find(kParameters) != std::string::npos; },
                          20000));
    EXPECT_FALSE(IsIconic(window));  // the marker keeps it in the normal state

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

// The one slow test: two launchers poll side by side until their 101st tick, one closing by
// itself and one held open by the debug marker. One build runs it: the timing is the same.
TEST_F(LauncherTest, AfterAHundredPollsClosesOrIsHeldOpenByTheMarker) {
    if (!RunsSlowCases()) GTEST_SKIP() << kSlowCaseElsewhere;
    RegisterStandInRuntime();
    TempFolder markedFolder;
    WriteFile(markedFolder.File("abc.txt"), "");
    const DWORD start = GetTickCount();
    LauncherRun closing(folder.Path());
    LauncherRun held(markedFolder.Path());

    const DWORD code = closing.WaitForExit(75000);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(code, 0u);
    EXPECT_GE(elapsed, 50500u);
    EXPECT_LE(elapsed, 70000u);

    HWND warning = held.WaitForMessageBox("Warning", 15000);
    ASSERT_NE(warning, nullptr) << "no warning box";
    EXPECT_EQ(MessageBoxText(warning),
              "I am not closing automatically because file \"abc.txt\" exists");
    PressOk(warning);
    Sleep(1500);  // the timer is stopped: no second box, and the launcher stays
    EXPECT_TRUE(held.Running());
    EXPECT_EQ(held.WaitForMessageBox("Warning", 0), nullptr);
    HWND window = held.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsIconic(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(held.WaitForExit(10000), 0u);
}

}  // namespace
}  // namespace ostrel::testing
