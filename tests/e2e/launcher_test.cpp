// The launcher as a user meets it: its window, its log, its boxes, what it starts, and its end.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "app/control_ids.h"
#include "core/text_win32.h"
#include "launcher_driver.h"
#include "screen_probe.h"
#include "user_input.h"

namespace ostrel::test {
namespace {

constexpr char kParameters[] =
    "-classpath LIB\\Corvex.jar morvane.r7x.corvex.application.Application ShowSetupSys";
constexpr char kTitle[] = "ostrel";  // the program file's name up to its first dot

class LauncherTest : public ::testing::Test {
  protected:
    // The stand-in runtime, started by the launcher, inherits these: it records its start and
    // shows no Corvex window, so every launch here polls without a hand-over, until the polls
    // run out.
    LauncherTest() {
        SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", record().c_str());
        SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", "none");
        SetEnvironmentVariableA("OSTREL_CORVEX_LIFETIME_MS", "90000");
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

// Whether a picture box of the launcher is on the screen.
bool PictureBoxInView(const LauncherRun& launcher) {
    const std::vector<HWND> windows = WindowsOfProcess(launcher.ProcessId());
    return std::any_of(windows.begin(), windows.end(), [](HWND window) {
        return WindowClass(window) == "TAboutBox" && IsWindowVisible(window);
    });
}

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

    // Borderless, 602 x 478 at 8,132 scaled to the display, in the normal state, with every
    // control in its place.
    ExpectMainWindowLayout(window, ScreenDpi());
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(WindowText(window), "Please Wait....");
    for (const auto& [id, text] :
         {std::pair{kLabel1, "close"}, std::pair{kButton1, "Find windows"},
          std::pair{kButton2, "start from registy"}, std::pair{kButton3, "Send"}}) {
        EXPECT_EQ(WindowText(GetDlgItem(window, id)), text) << id;
    }

    // The program's one taskbar button is the application's window, with its title (and icon,
    // which another process cannot read under Wine: tests/windows); the main window is owned by
    // it and has none of its own.
    const std::vector<HWND> buttons = TaskbarWindows(launcher.ProcessId());
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(WindowText(buttons[0]), kTitle);
    EXPECT_EQ(GetWindow(window, GW_OWNER), buttons[0]);

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

    // Once the first polling tick has shown the picture box and given it the foreground, the
    // keyboard goes as in a dialog: the first control has the focus, Tab and Shift+Tab go through
    // the four in their order (Tab in the log too), Enter and Space press a button, and a log line
    // after what the user typed starts a line of its own.
    ASSERT_TRUE(WaitUntil([] { return WindowClass(GetForegroundWindow()) == "TAboutBox"; }, 20000));
    ASSERT_NO_FATAL_FAILURE(GiveForeground(window));
    const auto focusComesTo = [&](int id) {
        return WaitUntil([&] { return FocusOf(window) == GetDlgItem(window, id); }, 5000);
    };
    EXPECT_TRUE(focusComesTo(kButton1));
    for (const int id : {kButton2, kMemo1}) {
        PressKeys(window, {VK_TAB});
        EXPECT_TRUE(focusComesTo(id)) << id << ", not " << GetDlgCtrlID(FocusOf(window));
    }
    PressKeys(window, {VK_END}, VK_CONTROL);
    PressKeys(window, {'A', 'B', 'C', VK_TAB});
    EXPECT_TRUE(focusComesTo(kButton3));
    PressKeys(window, {VK_RETURN});  // "Send"
    EXPECT_TRUE(WaitUntil([&] { return LogLines(window).size() == 7; }, 5000)) << LogText(window);
    const std::vector<std::string> typedThenSent = LogLines(window);
    EXPECT_EQ(typedThenSent.at(5), "abc");
    EXPECT_EQ(typedThenSent.at(6).rfind("Sending UDP :", 0), 0u) << typedThenSent.at(6);
    for (const int id : {kMemo1, kButton2, kButton1}) {
        PressKeys(window, {VK_TAB}, VK_SHIFT);
        EXPECT_TRUE(focusComesTo(id)) << id << ", not " << GetDlgCtrlID(FocusOf(window));
    }
    PressKeys(window, {VK_SPACE});  // "Find windows"
    EXPECT_TRUE(WaitForLogLine(window,
                               "################################ Searching for windows "
                               "################################",
                               5000));

    // Each start reads the runtime anew: once its key has gone, "start from registy" says that
    // no runtime is known and starts nothing, not the runtime the first start found.
    JavaRuntimeRegistration::RemoveAll();
    const std::string::size_type recorded = ReadFile(record()).size();
    PostMessageA(GetDlgItem(window, kButton2), BM_CLICK, 0, 0);
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr) << "no message box";
    PressOk(box);
    ASSERT_TRUE(WaitForLogLine(window, "Corvex not started: no Java runtime is known", 20000))
        << LogText(window);
    EXPECT_EQ(ReadFile(record()).find("event=start", recorded), std::string::npos);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 1u);  // its last start could not start Corvex
}

// Corvex cannot be started: after the box there is nothing to wait for, no window and no picture
// box; the launcher ends with exit code 1, and its log stays in a file for the user.
TEST_F(LauncherTest, WithoutARuntimeShowsTheBoxStartsNothingAndEndsWithItsLogKept) {
    // A copy of the program, whose title keeps the name's first character and lower-cases the
    // rest as the system does, whatever its code page.
    const std::string name = "ÉTÉ.EXE";
    const std::string title = "Été";
    TempFolder programFolder;
    ASSERT_TRUE(CopyFileW(Wide(ProgramFolder() + "ostrel.exe").data(),
                          Wide(programFolder.File(name)).data(), FALSE));
    ASSERT_TRUE(CopyFileW(Wide(ProgramFolder() + "Ombrix.dll").data(),
                          Wide(programFolder.File("Ombrix.dll")).data(), FALSE));
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, programFolder.File(name));
    HWND box = launcher.WaitForMessageBox(title);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(MessageBoxText(box),
              "Error opening key to Java runtime\r!! CANNOT FIND ANY INSTALLED JAVA RUNTIME !!");
    // Shown while the launch runs, before the main window is: it belongs to the program's one
    // taskbar button, where the user finds it again.
    EXPECT_EQ(TaskbarWindows(launcher.ProcessId()), std::vector<HWND>{GetWindow(box, GW_OWNER)});
    PressOk(box);

    EXPECT_EQ(launcher.WaitForExit(5000), 1u);
    EXPECT_FALSE(FileExists(record()));
    EXPECT_FALSE(FileExists(folder.File("ostrel.bat")));
    const std::string log = ReadFile(RunLogFolder() + "ostrel.log");
    EXPECT_NE(log.find(" Ostrel "), std::string::npos) << log;
    EXPECT_NE(log.find(name + "\r\n"), std::string::npos) << log;  // the program's path
    EXPECT_NE(log.find("\r\nBox: Error opening key to Java runtime\r\n  !! CANNOT FIND ANY "
                       "INSTALLED JAVA RUNTIME !!\r\nError opening key to Java runtime!! CANNOT "
                       "FIND ANY INSTALLED JAVA RUNTIME !!\r\nOstrel reads only ...\\Java "
                       "Runtime Environment\\1.4 and \\1.3; a Java installed without these keys "
                       "is not listed here\r\nCorvex not started: no Java runtime is known\r\n"),
              std::string::npos)
        << log;

    // The next run keeps this one's log as the previous one.
    LauncherRun next(folder.Path(), SW_SHOWNORMAL, programFolder.File(name));
    PressOk(next.WaitForMessageBox(title));
    EXPECT_EQ(next.WaitForExit(5000), 1u);
    EXPECT_EQ(ReadFile(RunLogFolder() + "ostrel.previous.log"), log);
}

// A hard link planted as the log file, another name of a file elsewhere, is no log file: nothing
// is written through it, and the launch goes on without a log.
TEST_F(LauncherTest, AHardLinkInPlaceOfTheLogFileGetsNothingAndTheLaunchGoesOn) {
    RegisterStandInRuntime();
    const std::string logFile = RunLogFolder() + "ostrel.log";
    const std::string previous = RunLogFolder() + "ostrel.previous.log";
    const std::string planted = folder.File("planted.txt");
    WriteFile(planted, "kept");
    ASSERT_TRUE(CreateFolders(RunLogFolder()));
    DeleteFileW(Wide(logFile).data());
    DeleteFileW(Wide(previous).data());
    // A folder of the previous log's name keeps the link from being set aside: it stays in place.
    ASSERT_TRUE(CreateDirectoryW(Wide(previous).data(), nullptr));
    const struct Cleanup {
        const std::string& link;
        const std::string& folder;
        ~Cleanup() {
            DeleteFileW(Wide(link).data());
            RemoveDirectoryW(Wide(folder).data());
        }
    } cleanup{logFile, previous};
    ASSERT_TRUE(CreateHardLinkW(Wide(logFile).data(), Wide(planted).data(), nullptr));

    LauncherRun launcher(folder.Path());
    ASSERT_TRUE(WaitUntil([&] { return FileExists(record()); }, 20000)) << "not started";
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
    EXPECT_EQ(ReadFile(planted), "kept");
}

// A runtime whose folder has lost its javaw.exe: the shell cannot start it, and the launcher
// says so at once, in its one box, and ends.
TEST_F(LauncherTest, ARuntimeWithoutItsProgramIsReportedAtOnce) {
    const std::string javaHome = folder.File("jre");
    ASSERT_TRUE(CreateFolders(javaHome + "\\bin"));
    registry.SetString("1.4", "JavaHome", javaHome);
    LauncherRun launcher(folder.Path());
    HWND box = launcher.WaitForMessageBox(kTitle, 10000);
    ASSERT_NE(box, nullptr) << "no error box";
    const std::string text = MessageBoxText(box);
    EXPECT_EQ(text.rfind("Cannot start \"" + javaHome + "\\bin\\javaw.exe\": ", 0), 0u) << text;
    EXPECT_NE(text.find("\r\nOstrel's log of this run: \"" + RunLogFolder() + "ostrel.log\""),
              std::string::npos)
        << text;
    EXPECT_FALSE(PictureBoxInView(launcher));
    PressOk(box);
    EXPECT_EQ(launcher.WaitForExit(5000), 1u);
    EXPECT_FALSE(PictureBoxInView(launcher));
    EXPECT_NE(ReadFile(RunLogFolder() + "ostrel.log").find("\r\nExecuteFile " + javaHome),
              std::string::npos);
}

// The runtime starts and ends at once, leaving nothing that could show Corvex, with an error (a
// damaged Corvex) or without: the launcher says so within seconds, with the exit code and the
// command line, instead of polling for 50 s.
TEST_F(LauncherTest, ARuntimeThatEndsLeavingNothingIsReportedWithinSeconds) {
    RegisterStandInRuntime();
    for (const std::string code : {"3", "0"}) {
        const DWORD start = GetTickCount();
        LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {},
                             {"OSTREL_CORVEX_LIFETIME_MS=0", "OSTREL_CORVEX_EXIT_CODE=" + code});
        HWND box = launcher.WaitForMessageBox(kTitle, 10000);
        ASSERT_NE(box, nullptr) << "no error box";
        EXPECT_LE(GetTickCount() - start, 5000u);
        const std::string text = MessageBoxText(box);
        EXPECT_EQ(text.rfind("Corvex ended before it showed a window (exit code " + code +
                                 ").\r\nCommand line: \"" + StandInJavaHome() +
                                 "\\bin\\javaw.exe\" " + kParameters + "\r\n",
                             0),
                  0u)
            << text;
        // Shown from a tick, long after the user started the launcher: it comes to the front.
        EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_FALSE(PictureBoxInView(launcher));
        PressOk(box);
        EXPECT_EQ(launcher.WaitForExit(5000), 1u);
    }
}

// The runtime shows its own error box, centred on the screen, before it ends: the launcher's
// picture box, also centred and on top, must not lie over it.
TEST_F(LauncherTest, TheRuntimesOwnErrorBoxIsNotCoveredByThePictureBox) {
    RegisterStandInRuntime();
    const std::string caption = "Java Virtual Machine Launcher";
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {},
                         {"OSTREL_CORVEX_ERROR_BOX=" + caption + "|Could not find the main class.",
                          "OSTREL_CORVEX_LIFETIME_MS=0", "OSTREL_CORVEX_EXIT_CODE=1"});
    HWND javaBox = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (javaBox = FindWindowA("#32770", caption.c_str())) != nullptr; }, 20000));
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000) {  // four ticks
        ASSERT_FALSE(PictureBoxInView(launcher) && IsWindowVisible(javaBox));
        Sleep(50);
    }
    PressOk(javaBox);
    HWND box = launcher.WaitForMessageBox(kTitle, 10000);
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_EQ(MessageBoxText(box).rfind("Corvex ended before it showed a window (exit code 1).", 0),
              0u);
    PressOk(box);
    EXPECT_EQ(launcher.WaitForExit(5000), 1u);
}

// A copy of the stand-in runtime (javaw.exe and java.exe) with `home` as its Java home.
void CopyStandInRuntime(const std::string& home) {
    ASSERT_TRUE(CreateFolders(home + "\\bin"));
    for (const char* program : {"\\bin\\javaw.exe", "\\bin\\java.exe"}) {
        ASSERT_TRUE(CopyFileW(Wide(StandInJavaHome() + program).data(), Wide(home + program).data(),
                              FALSE));
    }
}

// The stand-in's "event=start" blocks, each as its text.
std::vector<std::string> StartsIn(const std::string& record) {
    std::vector<std::string> starts;
    for (std::string::size_type at = record.find("event=start\n"); at != std::string::npos;
         at = record.find("event=start\n", at + 1)) {
        starts.push_back(record.substr(at, record.find("----", at) - at));
    }
    return starts;
}

// Runs the start script that the launcher left in `folder` as a user would, through the command
// prompt, and waits for the runtime's java.exe to start from it.
bool StartScriptStartsJava(const std::string& folder, const std::string& record) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    LauncherRun prompt(folder, SW_HIDE, Utf8(system) + "\\cmd.exe", "/c ostrel.bat");
    return WaitUntil(
        [&] {
            for (const std::string& start : StartsIn(ReadFile(record))) {
                if (start.find("java.exe\n") != std::string::npos &&
                    start.find("Application ShowSetup\n") != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        20000);
}

// Installed per user, under a user name that the ANSI code page cannot write, and started from
// a shortcut whose working folder is the user's documents.
TEST_F(LauncherTest, FromAFolderOfAnyNameItStartsLinksAndScriptsCorvexAsItShould) {
    const std::string user = folder.File("Users\\Дмитрий\\");
    const std::string install = user + "AppData\\Local\\Programs\\Corvex\\";
    const std::string documents = user + "Documents\\";
    const std::string desktop = user + "Рабочий стол";
    const std::string javaHome = user + "Java\\jre";
    for (const std::string& made : {install, documents, desktop}) ASSERT_TRUE(CreateFolders(made));
    for (const char* file : {"ostrel.exe", "Ombrix.dll", "Icon.ico"}) {
        ASSERT_TRUE(
            CopyFileW(Wide(ProgramFolder() + file).data(), Wide(install + file).data(), FALSE));
    }
    CopyStandInRuntime(javaHome);
    registry.SetString("1.4", "JavaHome", javaHome);
    const DesktopEntry entry(desktop);
    ClearRunLogs();

    LauncherRun launcher(documents, SW_SHOWNORMAL, install + "ostrel.exe");
    ASSERT_TRUE(WaitUntil([&] { return FileExists(documents + "ostrel.bat"); }, 20000));
    ASSERT_TRUE(WaitForStandInStarts(record()));
    const std::vector<std::string> starts = StartsIn(ReadFile(record()));
    ASSERT_EQ(starts.size(), 1u) << ReadFile(record());
    EXPECT_NE(starts[0].find("\nprogram=" + javaHome + "\\bin\\javaw.exe\n"), std::string::npos)
        << starts[0];
    EXPECT_NE(starts[0].find(" " + std::string(kParameters) + "\n"), std::string::npos)
        << starts[0];
    EXPECT_NE(starts[0].find("\ncurrent_directory=" + install.substr(0, install.size() - 1) + "\n"),
              std::string::npos)
        << starts[0];

    const ComApartment com;
    for (const std::string& links : {documents, desktop + "\\"}) {
        for (const char* name : {"Configuration.lnk", "Corvex.lnk"}) {
            EXPECT_TRUE(FileExists(links + name)) << links << name;
            const ShellLinkFields link = ReadShellLink(links + name);
            EXPECT_EQ(link.target, javaHome + "\\bin\\javaw.exe") << links << name;
            EXPECT_EQ(link.directory, install) << links << name;
            EXPECT_EQ(link.iconFile, install + "Icon.ico") << links << name;
        }
    }
    // cmd.exe reads no text beyond its code page: the script names the runtime by its short form,
    // which a volume may not keep (by default Windows makes none on volumes other than the
    // system's): GetShortPathNameW then gives the long path back.
    wchar_t shortHome[MAX_PATH] = {};
    GetShortPathNameW(Wide(javaHome).data(), shortHome, MAX_PATH);
    if (Utf8(shortHome) == javaHome) {
        GTEST_SKIP() << "the volume of " << javaHome << " keeps no short (8.3) names";
    }
    const std::string script = ReadFile(documents + "ostrel.bat");
    EXPECT_TRUE(std::all_of(script.begin(), script.end(), [](char c) { return (c & 0x80) == 0; }))
        << script;
    EXPECT_TRUE(StartScriptStartsJava(documents, record())) << ReadFile(record());

    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    // The log shows the path as it is.
    EXPECT_TRUE(WaitForRunLogLine("JavaHome = \"" + javaHome + "\"", 5000));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

// A letter that the ANSI code page has, in a Java home: cmd.exe reads the script in the OEM code
// page, where the ANSI byte of that letter is another one.
TEST_F(LauncherTest, TheScriptOfAJavaHomeWithAnUmlautStartsThatRuntime) {
    const std::string javaHome = folder.File("Jäva 14");
    CopyStandInRuntime(javaHome);
    registry.SetString("1.4", "JavaHome", javaHome);
    LauncherRun launcher(folder.Path());
    ASSERT_TRUE(WaitUntil([&] { return FileExists(folder.File("ostrel.bat")); }, 20000));
    EXPECT_TRUE(StartScriptStartsJava(folder.Path(), record())) << ReadFile(record());
    EXPECT_TRUE(WaitForStandInStarts(record(), 2));  // the launcher's javaw.exe too
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

// Runtimes register in the 32-bit view of the registry, which a 64-bit program reads only when it
// asks for it; a key in the 64-bit view alone is found after that, and the log says where.
TEST_F(LauncherTest, ARuntimeRegisteredOnlyInTheOtherRegistryViewStartsCorvex) {
    if (!RegistryHasTwoViews()) GTEST_SKIP() << "32-bit Windows has one registry: no other view";
    const bool build64 = sizeof(void*) == 8;
    registry.SetView(build64 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
    RegisterStandInRuntime();
    OwnedRegKey ownView;
    ASSERT_NE(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4", 0,
                      KEY_READ, ownView.put()),
        ERROR_SUCCESS)
        << "the key is in this build's own view too";
    ClearRunLogs();

    LauncherRun launcher(folder.Path());
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForRunLogLine("JavaHome = \"" + StandInJavaHome() + "\"", 20000));
    EXPECT_TRUE(WaitUntil([&] { return !StartsIn(ReadFile(record())).empty(); }, 20000));
    const std::string first = RunLogFileLines().at(0);
    EXPECT_EQ(first ==
                  "Java runtime key found in the 64-bit registry view: "
                  "HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4",
              !build64)
        << first;
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

// The user closes the program (from its taskbar button, say) while the launch waits in its box:
// the window stays until the box is closed, and nothing of the launch runs after it.
TEST_F(LauncherTest, AClosedWhileTheNoRuntimeBoxIsOpenEndsOnceTheBoxIsClosed) {
    LauncherRun launcher(folder.Path());
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr) << "no message box";
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(GetWindow(box, GW_OWNER), WM_CLOSE, 0, 0);
    Sleep(1000);
    EXPECT_TRUE(IsWindow(window)) << "the window went from under the running launch";
    EXPECT_TRUE(launcher.Running());

    PressOk(box);
    EXPECT_EQ(launcher.WaitForExit(10000), 1u);  // closed or answered, Corvex did not come
    EXPECT_FALSE(FileExists(folder.File("ostrel.bat")));
    EXPECT_FALSE(FileExists(record()));
}

TEST_F(LauncherTest, AnInvalidValueTypeShowsTheErrorAndLeavesTheWindowOpenAsItWasStarted) {
    registry.SetString("1.4", "JavaHome", StandInJavaHome());
    registry.SetDword("1.4", "Version", 4);
    LauncherRun launcher(folder.Path(), SW_SHOWMAXIMIZED);
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_EQ(MessageBoxText(box), "Invalid data type for 'Version'");
    PressOk(box);

    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    Sleep(1500);  // three ticks' worth: no timer runs, nothing is started
    EXPECT_TRUE(launcher.Running());
    EXPECT_TRUE(IsZoomed(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(FileExists(record()));
    for (HWND other : WindowsOfProcess(launcher.ProcessId())) {
        if (WindowClass(other) == "TAboutBox") {
            EXPECT_FALSE(IsWindowVisible(other));
        }
    }

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 1u);  // nothing was started
}

TEST_F(LauncherTest, AFolderNamedLikeTheMarkerIsNoMarker) {
    RegisterStandInRuntime();
    CreateDirectoryA(folder.File("abc.txt").c_str(), nullptr);
    LauncherRun launcher(folder.Path());
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 20000));
    EXPECT_TRUE(WaitForStandInStarts(record()));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

// Started minimised without activation (a shortcut set to run minimised), nothing is launched
// until the program's taskbar button restores it. The launch runs before the window is shown
// again: without the marker the window goes back to minimised without ever being shown at its
// normal size, with it the window is shown normal. The button minimises and restores it later.
TEST_F(LauncherTest, StartedMinimisedWithoutActivationLaunchesOnlyWhenRestored) {
    RegisterStandInRuntime();
    TempFolder markedFolder;
    WriteFile(markedFolder.File("abc.txt"), "");
    const auto starts = [&] {
        const std::string started = ReadFile(record());
        std::size_t count = 0;
        for (auto at = started.find(kParameters); at != std::string::npos;
             at = started.find(kParameters, at + 1)) {
            ++count;
        }
        return count;
    };
    for (const bool marked : {false, true}) {
        SCOPED_TRACE(marked ? "with the marker" : "without the marker");
        const std::size_t startsBefore = starts();
        LauncherRun launcher(marked ? markedFolder.Path() : folder.Path(), SW_SHOWMINNOACTIVE);
        HWND window = launcher.MainWindow();
        ASSERT_NE(window, nullptr);
        Sleep(1500);
        EXPECT_TRUE(IsIconic(window));
        EXPECT_EQ(LogText(window), "");
        EXPECT_EQ(starts(), startsBefore);
        const std::vector<HWND> buttons = TaskbarWindows(launcher.ProcessId());
        ASSERT_EQ(buttons.size(), 1u);
        EXPECT_TRUE(IsIconic(buttons[0]));

        PostMessageA(buttons[0], WM_SYSCOMMAND, SC_RESTORE, 0);  // a click on the button
        bool shownNormal = false;
        EXPECT_TRUE(WaitUntil(
            [&] {
                shownNormal = shownNormal || !IsIconic(window);
                return starts() > startsBefore;
            },
            20000));
        if (!marked) {
            Sleep(500);
            EXPECT_FALSE(shownNormal || !IsIconic(window));
            EXPECT_TRUE(IsIconic(buttons[0]));
        } else {
            EXPECT_TRUE(
                WaitUntil([&] { return !IsIconic(window) && !IsIconic(buttons[0]); }, 5000));
            PostMessageA(buttons[0], WM_SYSCOMMAND, SC_MINIMIZE, 0);
            EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) && IsIconic(buttons[0]); }, 5000));
            PostMessageA(buttons[0], WM_SYSCOMMAND, SC_RESTORE, 0);
            EXPECT_TRUE(
                WaitUntil([&] { return !IsIconic(window) && !IsIconic(buttons[0]); }, 5000));
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(launcher.WaitForExit(10000), 0u);
    }
}

// The one slow test: a launcher held open by the debug marker polls until its 101st tick and
// warns; from then on it no longer turns a new start away, and a launcher started next polls
// until its own 101st tick and closes by itself. One build runs it: the timing is the same.
TEST_F(LauncherTest, AfterAHundredPollsIsHeldOpenByTheMarkerOrCloses) {
    if (!RunsSlowCases()) GTEST_SKIP() << kSlowCaseElsewhere;
    RegisterStandInRuntime();
    TempFolder markedFolder;
    WriteFile(markedFolder.File("abc.txt"), "");
    LauncherRun held(markedFolder.Path());
    HWND warning = held.WaitForMessageBox("Warning", 75000);
    ASSERT_NE(warning, nullptr) << "no warning box";
    EXPECT_EQ(MessageBoxText(warning),
              "I am not closing automatically because file \"abc.txt\" exists");
    // What was started still runs, without a window: the log says so.
    const std::vector<std::string> heldLines = LogLines(held.MainWindow());
    ASSERT_FALSE(heldLines.empty());
    EXPECT_EQ(
        heldLines.back().rfind("No window of Corvex after 100 polls: \"javaw.exe\" (process ", 0),
        0u)
        << heldLines.back();

    const DWORD start = GetTickCount();
    LauncherRun closing(folder.Path());
    const DWORD code = closing.WaitForExit(75000);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(code, 0u);
    EXPECT_GE(elapsed, 50500u);
    EXPECT_LE(elapsed, 70000u);

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
}  // namespace ostrel::test
