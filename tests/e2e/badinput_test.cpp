// The launcher given bad input and faults around it: long and odd registry values, long window
// texts, oversized datagrams, a taken port, files and folders it may not write, a
// Corvex that never answers, a missing Ombrix.dll, and a debug marker that comes and goes. Each
// ends in a clear error or the usual behaviour, in bounded time, with nothing lost.
#include "core/owners_win32.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/control_ids.h"
#include "core/text_win32.h"
#include "launcher_driver.h"
#include "udp_probe.h"

namespace ostrel::test {
namespace {

constexpr char kTitle[] = "ostrel";  // the program file's name up to its first dot
constexpr char kArguments[] =
    "-classpath LIB\\Corvex.jar morvane.r7x.corvex.application.Application";
constexpr DWORD kTimeoutMs = 15000;  // bounds each wait for the launcher: start-up, a few ticks
constexpr DWORD kThreeTicksMs = 1500;

std::string ValueLine(const std::string& name, const std::string& data) {
    return "Registry Key has has an Entry Called \"" + name + "\"  with a value of \"" + data +
           "\"";
}

std::string ExecuteLine(const std::string& javaHome) {
    return "ExecuteFile " + javaHome + "\\bin\\javaw.exe " + kArguments + "  (in " +
           ProgramFolder() + ")";
}

std::string Repeated(const std::string& pattern, std::size_t length) {
    std::string text;
    while (text.size() < length) text += pattern;
    text.resize(length);
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Sets environment variables for the programs that a test starts, and unsets them afterwards.
class Environment {
  public:
    ~Environment() {
        for (const std::string& name : names_) SetEnvironmentVariableA(name.c_str(), nullptr);
    }
    void Set(const std::string& name, const std::string& value) {
        SetEnvironmentVariableA(name.c_str(), value.c_str());
        names_.push_back(name);
    }

  private:
    std::vector<std::string> names_;
};

bool PictureBoxShown(const LauncherRun& launcher) {
    for (HWND window : WindowsOfProcess(launcher.ProcessId())) {
        if (WindowClass(window) == "TAboutBox" && IsWindowVisible(window)) return true;
    }
    return false;
}

// The first polling tick shows the picture box: from then on the launcher polls.
bool WaitForPolling(const LauncherRun& launcher) {
    return WaitUntil([&] { return PictureBoxShown(launcher); }, kTimeoutMs);
}

void ClickButton(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void CloseAndExpectExitCode(const LauncherRun& launcher, HWND window, DWORD code) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), code);
}

void CloseAndExpectExitCode0(const LauncherRun& launcher, HWND window) {
    CloseAndExpectExitCode(launcher, window, 0);
}

class BadInputTest : public ::testing::Test {
  protected:
    // A stand-in Corvex that the launcher or a test starts records in the test's folder, shows
    // its window at once and ends by itself within half a minute.
    BadInputTest() {
        environment.Set("OSTREL_STANDIN_RECORD", record());
        environment.Set("OSTREL_CORVEX_DELAY_MS", "0");
        environment.Set("OSTREL_CORVEX_LIFETIME_MS", "30000");
    }
    // A stand-in that the launcher started still listens on Corvex's port and answers there:
    // it must be gone before the next test.
    ~BadInputTest() override { EndStandInsOf(record()); }

    std::string record() const { return folder.File("standin-record.txt"); }
    bool StandInStarted() const { return FileExists(record()); }

    // The stand-in runtime, whose start would show in the record; the Corvex it plays shows no
    // window, so the launcher polls on without a hand-over.
    void RegisterStandInRuntime() {
        environment.Set("OSTREL_CORVEX_WINDOWS", "none");
        environment.Set("OSTREL_CORVEX_ANSWER_AFTER", "0");
        environment.Set("OSTREL_CORVEX_LIFETIME_MS", "1000");
        registry.SetString("1.4", "JavaHome", StandInJavaHome());
    }
    // The stand-in runtime, whose Corvex keeps its windows back until the test lets them
    // appear (LetCorvexAppear(go)): the launcher polls on meanwhile.
    void RegisterRuntimeThatWaitsForTheTest() {
        registry.SetString("1.4", "JavaHome", StandInJavaHome());
    }
    std::string go() const { return folder.File("corvex-go"); }

    // The text of the error box of a launch that failed. Once it is closed, the window stays
    // open and in view, with nothing started and no polling.
    std::string FailedLaunchText(const LauncherRun& launcher) {
        HWND box = launcher.WaitForMessageBox(kTitle);
        if (!box) return "no error box";
        const std::string text = MessageBoxText(box);
        PressOk(box);
        HWND window = launcher.MainWindow();
        EXPECT_NE(window, nullptr);
        Sleep(kThreeTicksMs);
        EXPECT_TRUE(launcher.Running());
        EXPECT_FALSE(IsIconic(window));
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_FALSE(PictureBoxShown(launcher));
        EXPECT_FALSE(StandInStarted());
        return text;
    }

    TempFolder folder;
    JavaRuntimeRegistration registry;
    Environment environment;
};

// --- Registry values ---------------------------------------------------------------------------

TEST_F(BadInputTest, AJavaHomeOf250CharactersIsLoggedAndScriptedWholeAndItsStartRefused) {
    const std::string javaHome = folder.Path() + Repeated("Java-Home-", 250 - folder.Path().size());
    ASSERT_EQ(javaHome.size(), 250u);
    ASSERT_TRUE(CreateDirectoryA(javaHome.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((javaHome + "\\bin").c_str(), nullptr));
    const std::string javaw = javaHome + "\\bin\\javaw.exe";
    ASSERT_TRUE(CopyFileA((StandInJavaHome() + "\\bin\\javaw.exe").c_str(), javaw.c_str(), FALSE));
    RegisterStandInRuntime();
    registry.SetString("1.4", "JavaHome", javaHome);

    // The shell cannot start a program of 264 characters: a clear error instead of a start that
    // silently never happens; and nothing to wait for after it.
    LauncherRun launcher(folder.Path());
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr) << "no error box";
    const std::string text = MessageBoxText(box);
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "Cannot start \"" + javaw + "\": the program path is longer than 259 characters");
    PressOk(box);
    EXPECT_EQ(launcher.WaitForExit(kTimeoutMs), 1u);
    EXPECT_FALSE(StandInStarted());
    // The run's log is whole in its file.
    wchar_t logFolder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, logFolder);
    const std::string log = ReadFile(Utf8(logFolder) + "\\Ostrel\\ostrel.log");
    for (const std::string& line :
         {ValueLine("JavaHome", javaHome), "JavaHome = \"" + javaHome + "\"",
          "Application Path =" + ProgramFolder(), ExecuteLine(javaHome)}) {
        EXPECT_NE(log.find("\r\n" + line + "\r\n"), std::string::npos) << line;
    }
    EXPECT_EQ(ReadFile(folder.File("ostrel.bat")),
              "\"" + javaHome + "\\bin\\java.exe\" " + kArguments + " ShowSetup\r\n");
    EXPECT_TRUE(FileExists(folder.File("Configuration.lnk")));
    EXPECT_TRUE(FileExists(folder.File("Corvex.lnk")));
}

TEST_F(BadInputTest, StringValuesOf64KiBAreLoggedWholeAndEmptyValuesOfAnyTypeAsEmpty) {
    // Names in alphabetical order, so that every registry enumerates them in this order.
    const std::string big(65535, 'b');  // 64 KiB with its zero
    registry.SetString("1.4", "Big", big);
    registry.SetBinary("1.4", "EmptyBinary", "");
    RegisterRuntimeThatWaitsForTheTest();
    ClearRunLogs();

    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, CorvexAppearsWhen(go()));
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForRunLogLine(ExecuteLine(StandInJavaHome()), kTimeoutMs));
    const std::vector<std::string> lines = RunLogFileLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].size(), ValueLine("Big", big).size());
    EXPECT_EQ(lines[0], ValueLine("Big", big));
    EXPECT_EQ(lines[1], ValueLine("EmptyBinary", ""));
    EXPECT_EQ(lines[2], ValueLine("JavaHome", StandInJavaHome()));

    EXPECT_TRUE(WaitForPolling(launcher));
    EXPECT_EQ(launcher.WaitForMessageBox(kTitle, 0), nullptr);
    EXPECT_TRUE(WaitForStandInStarts(record()));
    CloseAndExpectExitCode0(launcher, window);
}

struct RefusedValue {
    const char* name;
    void (*set)(JavaRuntimeRegistration& registry);
};

class RefusedValueTest : public BadInputTest, public ::testing::WithParamInterface<RefusedValue> {};

TEST_P(RefusedValueTest, EndsTheLaunchWithTheErrorNamingIt) {
    RegisterStandInRuntime();
    GetParam().set(registry);
    LauncherRun launcher(folder.Path());
    EXPECT_EQ(FailedLaunchText(launcher),
              std::string("Invalid data type for '") + GetParam().name + "'");
    EXPECT_FALSE(FileExists(folder.File("ostrel.bat")));
    // Nothing was started: however the window is closed, the run failed.
    CloseAndExpectExitCode(launcher, launcher.MainWindow(), 1);
}

std::string BinaryOf64KiB() {
    std::string data(65536, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    return data;
}

INSTANTIATE_TEST_SUITE_P(
    BinaryAndMultiString, RefusedValueTest,
    ::testing::Values(
        RefusedValue{"Binary",
                     [](JavaRuntimeRegistration& registry) {
                         registry.SetBinary("1.4", "Binary", BinaryOf64KiB());
                     }},
        RefusedValue{"Multi",
                     [](JavaRuntimeRegistration& registry) {
                         registry.SetMultiString("1.4", "Multi", {"C:\\Java", "C:\\Other Java"});
                     }}),
    [](const ::testing::TestParamInfo<RefusedValue>& value) { return value.param.name; });

// --- Window texts ------------------------------------------------------------------------------

TEST_F(BadInputTest, TitlesOf300AndClassNamesOf200CharactersAreLoggedCutAndHandedOver) {
    const std::string title = Repeated("Corvex title 0123456789 ", 300);
    const std::string longClass = Repeated("OstrelLongClass", 200);
    environment.Set("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:" + title + "," + longClass + ":Other");
    RegisterRuntimeThatWaitsForTheTest();
    WriteFile(folder.File("abc.txt"), "");
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, CorvexAppearsWhen(go()));
    ASSERT_TRUE(WaitForPolling(launcher));
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);

    ASSERT_NE(LetCorvexAppear(go(), "SunAwtFrame", title), nullptr);
    HWND warning = launcher.WaitForMessageBox("Warning", kTimeoutMs);
    ASSERT_NE(warning, nullptr) << "no hand-over: " << LogText(window);
    PressOk(warning);
    const std::string frameLine = "xxxx Window : \"SunAwtFrame\" \"" + title.substr(0, 79) + "\"";
    EXPECT_EQ(LogLines(window).back(), frameLine);

    // The verbose search hands over again and lists the window of the long class, its name
    // cut to 99 characters.
    ClickButton(window, kButton1);
    const std::string otherLine = "Window : \"" + longClass.substr(0, 99) + "\" \"Other\"";
    EXPECT_TRUE(WaitForLogLine(window, otherLine, kTimeoutMs)) << LogText(window);
    const std::vector<std::string> lines = LogLines(window);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), frameLine), 2);
    EXPECT_EQ(LogText(window).find(title.substr(0, 80)), std::string::npos);
    EXPECT_EQ(LogText(window).find(longClass.substr(0, 100)), std::string::npos);
    CloseAndExpectExitCode0(launcher, window);
}

// --- Datagrams and the port --------------------------------------------------------------------

TEST_F(BadInputTest, OversizedDatagramsAtItsPortLeaveNoTraceAndPollingGoesOn) {
    RegisterRuntimeThatWaitsForTheTest();
    WriteFile(folder.File("abc.txt"), "");
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, CorvexAppearsWhen(go()));
    ASSERT_TRUE(WaitForPolling(launcher));
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    const std::vector<std::string> launchLines = LogLines(window);

    {
        const WinsockSession session{kWinsock11};
        UdpProbe sender(0);
        for (std::size_t size : {2049, 65000}) {
            ASSERT_TRUE(sender.SendTo(61001, std::string(size, 'd'))) << size;
        }
    }
    // Corvex appears after them: the ticks still come, and it is handed over.
    ASSERT_NE(LetCorvexAppear(go()), nullptr);
    HWND warning = launcher.WaitForMessageBox("Warning", kTimeoutMs);
    ASSERT_NE(warning, nullptr) << "no hand-over: " << LogText(window);
    PressOk(warning);

    std::vector<std::string> lines = LogLines(window);
    ASSERT_GE(lines.size(), launchLines.size() + 2);
    EXPECT_TRUE(std::equal(launchLines.begin(), launchLines.end(), lines.begin()));
    EXPECT_EQ(lines.back(), "xxxx Window : \"SunAwtFrame\" \"Corvex\"");
    lines.pop_back();
    for (std::size_t i = launchLines.size(); i < lines.size(); ++i) {
        EXPECT_TRUE(StartsWith(lines[i], "Sending UDP :")) << lines[i];
    }
    EXPECT_TRUE(launcher.Running());
    CloseAndExpectExitCode0(launcher, window);
}

// The local address and port of every socket in the kernel's UDP table, as it writes them
// ("0100007F:EE49" is 127.0.0.1:61001).
std::set<std::string> UdpSockets(const std::string& table) {
    std::set<std::string> sockets;
    std::istringstream lines(table);
    std::string slot, local;
    for (std::string line; std::getline(lines, line);) {
        if (std::istringstream(line) >> slot >> local) sockets.insert(local);
    }
    return sockets;
}

TEST_F(BadInputTest, WithItsPortHeldByAnotherProgramItStillWakesAndFindsCorvex) {
    const WinsockSession session{kWinsock11};
    // Where the launcher binds: on Windows a holder on every interface would not keep it out.
    UdpProbe holder(61001, "127.0.0.1");
    ASSERT_TRUE(holder.Bound());
    RegisterRuntimeThatWaitsForTheTest();
    WriteFile(folder.File("abc.txt"), "");
    RunningCorvex corvex(folder.Path());
    ASSERT_NE(corvex.Window(), nullptr);
    const std::string before = LinuxUdpTable();

    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, CorvexAppearsWhen(go()));
    HWND warning = launcher.WaitForMessageBox("Warning", kTimeoutMs);
    ASSERT_NE(warning, nullptr) << "the launch's own search did not hand over";
    // Under Wine every socket is the kernel's: of those made meanwhile, the launcher's only, on
    // 127.0.0.1 and another port, none on every address. (Windows' own table is read by the
    // endpoint's Windows test.)
    if (!before.empty()) {
        const std::string during = LinuxUdpTable();
        std::vector<std::string> made;
        const std::set<std::string> known = UdpSockets(before);
        for (const std::string& socket : UdpSockets(during)) {
            if (!known.count(socket)) made.push_back(socket);
        }
        ASSERT_EQ(made.size(), 1u) << during;
        EXPECT_EQ(made[0].rfind("0100007F:", 0), 0u);
    }
    PressOk(warning);
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> lines = LogLines(window);
    // The taken port is told once, in the line of the endpoint's bind.
    const auto told = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return StartsWith(line, "UDP port 61001 is not available (");
    });
    ASSERT_NE(told, lines.end()) << LogText(window);
    EXPECT_NE(told->find("): the wake-up is sent from another port"), std::string::npos) << *told;
    lines.erase(told);
    ASSERT_EQ(lines.size(), 5u) << LogText(window);
    EXPECT_TRUE(StartsWith(lines[2], "Sending UDP :")) << lines[2];
    EXPECT_EQ(lines[3], "xxxx Window : \"SunAwtFrame\" \"Corvex\"");
    EXPECT_EQ(lines[4], "Application Found");

    // The wake-ups came from a port that the system chose, and were answered.
    const std::string seen = ReadFile(record());
    EXPECT_NE(seen.find("event=datagram\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("from=127.0.0.1:"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("from=127.0.0.1:61001\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("answered=1\n"), std::string::npos) << seen;
    CloseAndExpectExitCode0(launcher, window);
}

// --- Files and folders -------------------------------------------------------------------------

std::string ShellDesktopFolder() {
    char path[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path) !=
        S_OK) {
        return {};
    }
    return path;
}

// Corvex is started before the links and the script are written: a folder the user cannot
// write to costs them, reported in one box, and the launcher then goes on as after a clean start.
TEST_F(BadInputTest, AnUnwritableCurrentDirectoryStillStartsCorvexAndReportsTheLinksAndScript) {
    const std::string unwritable = UnwritableFolder();
    if (unwritable.empty()) GTEST_SKIP() << "needs Wine's view of the Unix file system";
    const std::string desktop = ShellDesktopFolder();
    ASSERT_FALSE(desktop.empty());
    for (const char* link : {"\\Configuration.lnk", "\\Corvex.lnk"}) {
        DeleteFileA((desktop + link).c_str());
    }
    RegisterStandInRuntime();

    LauncherRun launcher(unwritable);
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr);
    // Each file that was not written on a line of its own: the links by the full path they were
    // saved under, the script as the user knows it, not as the file beside it that was tried
    // first.
    const std::string text = MessageBoxText(box);
    EXPECT_TRUE(StartsWith(text, "Cannot save \"" + unwritable + "\\Configuration.lnk\": "))
        << text;
    EXPECT_NE(text.find("\r\nCannot save \"" + unwritable + "\\Corvex.lnk\": "), std::string::npos)
        << text;
    EXPECT_NE(text.find("\r\nCannot create \"ostrel.bat\": "), std::string::npos) << text;
    EXPECT_TRUE(WaitUntil([&] { return StandInStarted(); }, kTimeoutMs)) << "not started";
    EXPECT_TRUE(FileExists(desktop + "\\Configuration.lnk"));
    EXPECT_TRUE(FileExists(desktop + "\\Corvex.lnk"));
    PressOk(box);
    EXPECT_TRUE(WaitForPolling(launcher));
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsIconic(window));
    CloseAndExpectExitCode0(launcher, window);
}

TEST_F(BadInputTest, AReadOnlyScriptAndAFolderForALinkCostOnlyThemAndTheLauncherEndsWithCorvex) {
    const std::string old = "@echo the user's own start script\r\n";
    WriteFile(folder.File("ostrel.bat"), old);
    ASSERT_TRUE(SetFileAttributesA(folder.File("ostrel.bat").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA(folder.File("Corvex.lnk").c_str(), nullptr));
    registry.SetString("1.4", "JavaHome", StandInJavaHome());
    environment.Set("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex");
    environment.Set("OSTREL_CORVEX_ANSWER_AFTER", "1");
    environment.Set("OSTREL_CORVEX_LIFETIME_MS", "6000");

    LauncherRun launcher(folder.Path());
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr);
    const std::string text = MessageBoxText(box);
    // The link whose place is taken by a folder, then the script; the other link was saved.
    EXPECT_TRUE(StartsWith(text, "Cannot save \"" + folder.File("Corvex.lnk") + "\": ")) << text;
    const std::string::size_type script = text.find("\r\nCannot replace \"ostrel.bat\": ");
    EXPECT_NE(script, std::string::npos) << text;
    EXPECT_EQ(text.find("\r\n"), script) << text;
    // Started as always, in the launcher's folder, and logged as after a clean start.
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(record()).find("\n----") != std::string::npos; },
                          kTimeoutMs));
    const std::string started = ReadFile(record());
    EXPECT_NE(started.find("command_line=\"" + StandInJavaHome() + "\\bin\\javaw.exe\" " +
                           kArguments + " ShowSetupSys\n"),
              std::string::npos)
        << started;
    const std::string programFolder = ProgramFolder();
    EXPECT_NE(started.find(
                  "current_directory=" + programFolder.substr(0, programFolder.size() - 1) + "\n"),
              std::string::npos)
        << started;
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(
        LogLines(window),
        (std::vector<std::string>{
            ValueLine("JavaHome", StandInJavaHome()), "JavaHome = \"" + StandInJavaHome() + "\"",
            "Application Path =" + programFolder, ExecuteLine(StandInJavaHome())}));
    EXPECT_TRUE(FileExists(folder.File("Configuration.lnk")));

    // Once the box is closed the launcher polls, finds the Corvex it started, and ends by itself.
    PressOk(box);
    EXPECT_EQ(launcher.WaitForExit(kTimeoutMs), 0u);
    SetFileAttributesA(folder.File("ostrel.bat").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFile(folder.File("ostrel.bat")), old);
    EXPECT_FALSE(FileExists(folder.File("ostrel.bat.new")));
}

// The script is replaced through a new file beside it; where that file cannot be made (here its
// name is a folder's: Wine as root lets every folder take new files), the script is written in
// place, as a plain write would, instead of failing on every start.
TEST_F(BadInputTest, AWritableScriptWhereNoNewFileCanBeMadeIsWrittenInPlace) {
    WriteFile(folder.File("ostrel.bat"), "@echo the launcher's old script\r\n");
    ASSERT_TRUE(CreateDirectoryA(folder.File("ostrel.bat.new").c_str(), nullptr));
    RegisterStandInRuntime();

    LauncherRun launcher(folder.Path());
    ASSERT_TRUE(WaitForPolling(launcher));
    EXPECT_EQ(ReadFile(folder.File("ostrel.bat")),
              "\"" + StandInJavaHome() + "\\bin\\java.exe\" " + kArguments + " ShowSetup\r\n");
    EXPECT_EQ(launcher.WaitForMessageBox(kTitle, 0), nullptr);
    EXPECT_TRUE(WaitForStandInStarts(record()));
    CloseAndExpectExitCode0(launcher, launcher.MainWindow());
}

// The links there cannot be saved and are named; the folder is not made up.
TEST_F(BadInputTest, ADesktopFolderThatIsMissingOnlyLosesTheDesktopLinks) {
    const std::string noDesktop = folder.File("No Desktop");
    const DesktopEntry entry(noDesktop);
    const bool rootLinkBefore = FileExists("C:\\Corvex.lnk");
    RegisterStandInRuntime();

    LauncherRun launcher(folder.Path());
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForLogLine(window, ExecuteLine(StandInJavaHome()), kTimeoutMs));
    EXPECT_TRUE(WaitUntil([&] { return StandInStarted(); }, kTimeoutMs)) << "not started";
    for (const char* name : {"Configuration.lnk", "Corvex.lnk", "ostrel.bat"}) {
        EXPECT_TRUE(FileExists(folder.File(name))) << name;
    }
    EXPECT_FALSE(FileExists(noDesktop));
    if (!rootLinkBefore) {
        EXPECT_FALSE(FileExists("C:\\Corvex.lnk")) << "a link landed in the root of the drive";
    }
    HWND box = launcher.WaitForMessageBox(kTitle);
    ASSERT_NE(box, nullptr);
    const std::string text = MessageBoxText(box);
    EXPECT_TRUE(StartsWith(text, "Cannot save \"" + noDesktop + "\\Configuration.lnk\": ")) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("\r\nCannot save \"" + noDesktop + "\\Corvex.lnk\": "), std::string::npos)
        << text;
    PressOk(box);
    CloseAndExpectExitCode0(launcher, window);
}

// --- Faults around the launcher ----------------------------------------------------------------

TEST_F(BadInputTest, WithoutOmbrixDllTheLoaderRefusesToStartIt) {
    TempFolder alone;
    const std::string program = alone.File("ostrel.exe");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "ostrel.exe").c_str(), program.c_str(), FALSE));
    RegisterStandInRuntime();

    LauncherRun launcher(alone.Path(), SW_SHOWNORMAL, program);
    bool windowSeen = false;
    const bool ended = WaitUntil(
        [&] {
            windowSeen = windowSeen || !WindowsOfProcess(launcher.ProcessId()).empty();
            return !launcher.Running();
        },
        kTimeoutMs);
    ASSERT_TRUE(ended) << "the launcher did not end";
    constexpr DWORD kDllNotFound = 0xC0000135;  // STATUS_DLL_NOT_FOUND
    EXPECT_EQ(launcher.WaitForExit(0), kDllNotFound);
    EXPECT_FALSE(windowSeen);
    EXPECT_FALSE(StandInStarted());
    WIN32_FIND_DATAA found;
    std::vector<std::string> names;
    const FindHandle search(FindFirstFileA((alone.Path() + "*").c_str(), &found));
    ASSERT_TRUE(search);
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileA(search.get(), &found));
    EXPECT_EQ(names, std::vector<std::string>{"ostrel.exe"});
}

// The one slow test: the Corvex that the launcher started shows its frame after the launch's own
// search, listens, and never answers. The tick that finds it holds its 60 polls (about a minute),
// then says so in the box a Corvex found running gets, and the launcher ends with exit code 1
// without starting another. One build runs it: the timing is the same.
TEST_F(BadInputTest, AStartedCorvexThatNeverAnswersEndsTheRunWithItsBoxAfter60Polls) {
    if (!RunsSlowCases()) GTEST_SKIP() << kSlowCaseElsewhere;
    RegisterRuntimeThatWaitsForTheTest();
    environment.Set("OSTREL_CORVEX_ANSWER_AFTER", "0");
    environment.Set("OSTREL_CORVEX_LIFETIME_MS", "100000");
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, CorvexAppearsWhen(go()));
    ASSERT_TRUE(WaitForPolling(launcher));
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);

    const DWORD start = GetTickCount();
    ASSERT_NE(LetCorvexAppear(go()), nullptr);
    HWND box = launcher.WaitForMessageBox(kTitle, 90000);
    ASSERT_NE(box, nullptr) << LogText(window) << "\n" << ReadFile(record());
    EXPECT_GE(GetTickCount() - start, 59000u);
    EXPECT_EQ(MessageBoxText(box).rfind("Corvex is running (its window \"Corvex\"), but it does "
                                        "not answer.\r\nClose it, or end it in Task Manager",
                                        0),
              0u)
        << MessageBoxText(box);
    const std::vector<std::string> lines = LogLines(window);
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& line) { return StartsWith(line, "Sending UDP :"); }),
        60);
    PressOk(box);
    EXPECT_EQ(launcher.WaitForExit(10000), 1u);
    const std::string seen = ReadFile(record());
    EXPECT_EQ(seen.find("event=start"), seen.rfind("event=start"));  // one Corvex, not two
    EXPECT_EQ(seen.find("answered=1"), std::string::npos);
}

// Makes "abc.txt" appear and disappear, as a file and as a folder, for about two seconds. The
// marker's tests run in one build: the code that looks for it is the same in both.
void ToggleMarker(const TempFolder& folder) {
    const std::string marker = folder.File("abc.txt");
    for (int round = 0; round < 20; ++round) {
        WriteFile(marker, "");
        Sleep(37);
        DeleteFileA(marker.c_str());
        Sleep(23);
        CreateDirectoryA(marker.c_str(), nullptr);
        Sleep(41);
        RemoveDirectoryA(marker.c_str());
    }
}

TEST_F(BadInputTest, AMarkerThatAppearsWhilePollingHoldsTheLauncherOpenAtTheEnd) {
    if (!RunsSlowCases()) GTEST_SKIP() << kSlowCaseElsewhere;
    RegisterRuntimeThatWaitsForTheTest();
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, CorvexAppearsWhen(go()));
    ASSERT_TRUE(WaitForPolling(launcher));
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);
    ToggleMarker(folder);
    WriteFile(folder.File("abc.txt"), "");

    ASSERT_NE(LetCorvexAppear(go()), nullptr);
    HWND warning = launcher.WaitForMessageBox("Warning", kTimeoutMs);
    ASSERT_NE(warning, nullptr) << "not held open";
    PressOk(warning);
    Sleep(kThreeTicksMs);
    EXPECT_TRUE(launcher.Running());
    EXPECT_TRUE(IsIconic(window));  // minimised when the launch found no marker
    CloseAndExpectExitCode0(launcher, window);
}

TEST_F(BadInputTest, AMarkerThatDisappearsWhilePollingLetsTheLauncherCloseAtTheEnd) {
    if (!RunsSlowCases()) GTEST_SKIP() << kSlowCaseElsewhere;
    RegisterRuntimeThatWaitsForTheTest();
    WriteFile(folder.File("abc.txt"), "");
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, CorvexAppearsWhen(go()));
    ASSERT_TRUE(WaitForPolling(launcher));
    ToggleMarker(folder);
    // A folder of that name is no marker.
    ASSERT_TRUE(CreateDirectoryA(folder.File("abc.txt").c_str(), nullptr));

    ASSERT_NE(LetCorvexAppear(go()), nullptr);
    bool warned = false;
    const bool ended = WaitUntil(
        [&] {
            warned = warned || launcher.WaitForMessageBox("Warning", 0) != nullptr;
            return !launcher.Running();
        },
        kTimeoutMs);
    EXPECT_TRUE(ended) << "the launcher did not close";
    EXPECT_EQ(launcher.WaitForExit(0), 0u);
    EXPECT_FALSE(warned);
}

}  // namespace
}  // namespace ostrel::test
