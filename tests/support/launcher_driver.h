// Drives the built launcher from outside, as a user would: starts ostrel.exe, finds its windows,
// reads its log and its message boxes, presses their buttons, and waits for it to end.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/owners_win32.h"

namespace ostrel::test {

// Folder of the running test program, with a trailing backslash: the build's bin folder, where
// ostrel.exe, Ombrix.dll and the stand-ins are.
std::string ProgramFolder();

// The stand-in Java runtime's home folder (holding bin\javaw.exe and bin\java.exe).
std::string StandInJavaHome();

// The slow real-time cases (a minute or more each) run in one build only: the i686 build, unless
// OSTREL_SLOW_CASES is "1" (run them here) or "0" (not here). The test command hands them to the
// x86_64 build where the i686 build cannot run every test.
bool RunsSlowCases();
inline constexpr char kSlowCaseElsewhere[] =
    "slow real-time case, run by the other build (OSTREL_SLOW_CASES=1 runs it here)";

// Every path and text here is UTF-8, as in the program.

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }  // with a trailing backslash
    std::string File(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

// Whether this runs under Wine, which is kinder than Windows in places and keeps settings of its
// own.
bool UnderWine();

// Wine's view of the Unix /proc folder, where nobody, root included, may create a file: an
// unwritable folder that no file permission can take back. Empty where there is no such view.
std::string UnwritableFolder();

// The Linux kernel's table of IPv4 UDP sockets (/proc/net/udp) in the bench's network, where every
// socket of a program under Wine is one; empty outside Wine.
std::string LinuxUdpTable();

// The key `path` under `root`, created when missing, open with all access; empty when it cannot be
// made. `view`: KEY_WOW64_32KEY or KEY_WOW64_64KEY, or 0 for this program's own.
OwnedRegKey CreateRegistryKey(HKEY root, const std::string& path, REGSAM view = 0);

// This program runs on 64-bit Windows, where the registry has a 32-bit and a 64-bit view.
bool RegistryHasTwoViews();

// Makes the folder and those it lies in; true when it exists afterwards.
bool CreateFolders(const std::string& path);

// Whole-file helpers.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// Sets the Java runtime keys under HKEY_LOCAL_MACHINE for one test, in the 32-bit registry view
// (where runtimes register) unless told another, and removes both, in both views, before and
// afterwards.
class JavaRuntimeRegistration {
  public:
    JavaRuntimeRegistration();
    ~JavaRuntimeRegistration();
    JavaRuntimeRegistration(const JavaRuntimeRegistration&) = delete;
    JavaRuntimeRegistration& operator=(const JavaRuntimeRegistration&) = delete;
    // version "1.4" or "1.3"
    void SetString(const std::string& version, const std::string& name, const std::string& data);
    void SetDword(const std::string& version, const std::string& name, DWORD data);
    void SetBinary(const std::string& version, const std::string& name, const std::string& data);
    // Each string followed by its zero, and one more zero at the end.
    void SetMultiString(const std::string& version, const std::string& name,
                        const std::vector<std::string>& strings);
    static void RemoveAll();
    // The view the keys are set in from now on: KEY_WOW64_32KEY or KEY_WOW64_64KEY.
    void SetView(REGSAM view) { view_ = view; }

  private:
    REGSAM view_ = KEY_WOW64_32KEY;
    void SetValue(const std::string& version, const std::string& name, DWORD type, const void* data,
                  std::size_t size);
};

// Points the user's desktop folder elsewhere for one test: the "Desktop" entries of both "User
// Shell Folders", where the shell keeps it, and "Shell Folders", the copy that it writes anew
// from there whenever it looks the folder up.
class DesktopEntry {
  public:
    explicit DesktopEntry(const std::string& folder);
    ~DesktopEntry();
    DesktopEntry(const DesktopEntry&) = delete;
    DesktopEntry& operator=(const DesktopEntry&) = delete;

  private:
    struct Entry {
        OwnedRegKey key;
        std::vector<BYTE> old;
        DWORD oldType = REG_NONE;
    };
    std::vector<Entry> entries_;
};

// "NAME=VALUE" settings of the environment a program is started with, on top of this process's.
using EnvironmentSettings = std::vector<std::string>;

// The stand-in runtime, started by a launcher that was given these, keeps Corvex's windows back
// until the test lets them appear (LetCorvexAppear with the same file): the launcher polls on
// meanwhile, as for a Corvex that takes its time.
inline EnvironmentSettings CorvexAppearsWhen(const std::string& file) {
    return {"OSTREL_CORVEX_SHOW_WHEN=" + file};
}

// One run of ostrel.exe (a bare name is looked for in ProgramFolder()), or of another program
// with `arguments`, in this process's environment with `environment` on top; terminated if it is
// still running when the object goes.
class LauncherRun {
  public:
    LauncherRun(const std::string& workingFolder, int showCommand = SW_SHOWNORMAL,
                const std::string& program = "ostrel.exe", const std::string& arguments = {},
                const EnvironmentSettings& environment = {});
    ~LauncherRun();
    LauncherRun(const LauncherRun&) = delete;
    LauncherRun& operator=(const LauncherRun&) = delete;

    DWORD ProcessId() const { return processId_; }
    // A top-level window of the launcher's process with this class (and title, when given).
    HWND WaitForWindow(const std::string& windowClass, const std::string& title = {},
                       DWORD timeoutMs = 20000) const;
    HWND MainWindow(DWORD timeoutMs = 20000) const {
        return WaitForWindow("TForm1", {}, timeoutMs);
    }
    // A message box of the launcher with this caption.
    HWND WaitForMessageBox(const std::string& caption, DWORD timeoutMs = 20000) const;
    // Exit code, or STILL_ACTIVE when the launcher has not ended within the time.
    DWORD WaitForExit(DWORD timeoutMs) const;
    bool Running() const { return WaitForExit(0) == STILL_ACTIVE; }

  private:
    KernelHandle process_;
    DWORD processId_ = 0;
};

// Lets the Corvex of CorvexAppearsWhen(`file`) appear: its window of this class and title, once
// it is on the screen; null when it is not within 10 s.
HWND LetCorvexAppear(const std::string& file, const std::string& windowClass = "SunAwtFrame",
                     const std::string& title = "Corvex");

// Ends every stand-in process whose start a stand-in record file lists ("pid=" lines), so that
// no stand-in outlives the test that caused it.
void EndStandInsOf(const std::string& recordFile);
// Waits until the record holds `count` starts. A stand-in records its start before it takes a
// port: a case that waits for the starts of what it caused ends all of it at teardown.
bool WaitForStandInStarts(const std::string& recordFile, std::size_t count = 1,
                          DWORD timeoutMs = 20000);

// Sets the answer that Ombrix.dll gives the launcher, as a Corvex does once it has answered a
// wake-up; false when the library beside the test could not be used.
bool SetCorvexAnswer(bool answered);

// The stand-in Corvex, started from the stand-in runtime (configured by the OSTREL_CORVEX_...
// variables of this process), once its window of this class and title is on the screen. When the
// object goes, the stand-in is closed and with it goes its answer.
class RunningCorvex {
  public:
    explicit RunningCorvex(const std::string& folder,
                           const std::string& windowClass = "SunAwtFrame",
                           const std::string& title = "Corvex");
    ~RunningCorvex();
    RunningCorvex(const RunningCorvex&) = delete;
    RunningCorvex& operator=(const RunningCorvex&) = delete;
    HWND Window() const { return window_; }

  private:
    LauncherRun process_;
    HWND window_;
};

// What a saved shell link says, read back through the Shell Link object; COM must be initialised
// on the calling thread. Empty fields when it cannot be read.
struct ShellLinkFields {
    std::string target;
    std::string arguments;
    std::string directory;
    int showCommand = 0;
    std::string iconFile;
    int iconIndex = -1;
    bool operator==(const ShellLinkFields& other) const;
};
std::ostream& operator<<(std::ostream& out, const ShellLinkFields& link);
ShellLinkFields ReadShellLink(const std::string& path);

std::vector<HWND> WindowsOfProcess(DWORD processId);
std::string WindowText(HWND window);
std::string WindowClass(HWND window);
// The text of the launcher's log, Memo1.
std::string LogText(HWND mainWindow);
std::vector<std::string> LogLines(HWND mainWindow);
// Waits until the log holds a line equal to `line`.
bool WaitForLogLine(HWND mainWindow, const std::string& line, DWORD timeoutMs);
// The folder of the run's log file, with a trailing backslash.
std::string RunLogFolder();
// A launcher shown only minimised makes no Memo1: its log is the log file's lines after the
// heading. A case that reads them removes the files of earlier runs first (ClearRunLogs), so that
// a line of theirs cannot pass for this run's.
void ClearRunLogs();
std::vector<std::string> RunLogFileLines();
bool WaitForRunLogLine(const std::string& line, DWORD timeoutMs);
// The message text of a message box.
std::string MessageBoxText(HWND box);
// Presses a message box's OK button.
void PressOk(HWND box);
// A control's rectangle relative to its parent's client area.
RECT ChildRect(HWND control);
RECT WindowRectOf(HWND window);
RECT ClientRectOf(HWND window);
// Whether `window` lies above `other` in the z-order of top-level windows.
bool Above(HWND window, HWND other);

// The windows of a process that have a taskbar button and an Alt+Tab entry: visible, unowned and
// no tool windows, or marked as application windows.
std::vector<HWND> TaskbarWindows(DWORD processId);
// The window that has the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window);

// Pumps this thread's messages (if any) and sleeps a little, until `done` or the time is up.
template <typename Condition>
bool WaitUntil(Condition done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(20);
    }
}

}  // namespace ostrel::test
