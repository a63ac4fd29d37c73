// The desktop adapter against real top-level windows: of this program and of a second process,
// which is this same program started with kServeSwitch.
#include "handover/desktop_win32.h"

#include <gtest/gtest.h>

#include "core/owners_win32.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ostrel {
namespace {

constexpr char kServeSwitch[] = "--serve-windows";

std::string PaddedTo(std::string text, std::size_t length, char fill) {
    text.resize(length, fill);
    return text;
}

struct WindowSpec {
    std::string className;
    std::string title;
    int show;  // SW_HIDE leaves the window hidden
};

// Class names are compared without case when classes are registered, so each process can have
// only one spelling of a name; the two processes between them have both.
std::vector<WindowSpec> OwnSpecs() {
    return {{"SunAwtFrame", "Corvex (hidden)", SW_HIDE},
            {"SunAwtDialog ", "Trailing blank in the class", SW_SHOWNOACTIVATE},
            {PaddedTo("OstrelOwnLongClass", 150, 'c'), PaddedTo("Own long title ", 100, 't'),
             SW_SHOWNOACTIVATE},
            {"OstrelOwnUntitled", "", SW_SHOWNOACTIVATE}};
}

std::vector<WindowSpec> ChildSpecs() {
    return {{"sunawtframe", "Lower-case frame", SW_SHOWNOACTIVATE},
            {"SunAwtDialog", "Corvex dialog (hidden)", SW_HIDE},
            {PaddedTo("OstrelChildLongClass", 150, 'k'), PaddedTo("Child long title ", 100, 'u'),
             SW_HIDE},
            {"OstrelMinimised", "Minimised window", SW_SHOWMINNOACTIVE},
            {"OstrelHidden", "Hidden window", SW_HIDE}};
}

class RegisteredClass {
  public:
    explicit RegisteredClass(std::string name) : name_(std::move(name)) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = name_.c_str();
        if (!RegisterClassA(&windowClass)) throw std::runtime_error("RegisterClassA " + name_);
    }
    RegisteredClass(RegisteredClass&& other) noexcept : name_(std::exchange(other.name_, {})) {}
    RegisteredClass& operator=(RegisteredClass&&) = delete;
    ~RegisteredClass() {
        if (!name_.empty()) UnregisterClassA(name_.c_str(), GetModuleHandleA(nullptr));
    }

  private:
    std::string name_;
};

// One window of each spec, each of its own class.
class WindowSet {
  public:
    WindowSet(const std::vector<WindowSpec>& specs, DWORD style) {
        for (const WindowSpec& spec : specs) {
            classes_.emplace_back(spec.className);
            HWND window =
                CreateWindowExA(0, spec.className.c_str(), spec.title.c_str(), style, 40, 40, 240,
                                120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            if (!window) throw std::runtime_error("CreateWindowExA " + spec.className);
            windows_.emplace_back(window);
            if (spec.show != SW_HIDE) ShowWindow(window, spec.show);
        }
    }
    HWND operator[](std::size_t index) const { return windows_.at(index).get(); }

  private:
    std::vector<RegisteredClass> classes_;  // outlive the windows
    std::vector<OwnedWindow> windows_;
};

KernelHandle CheckedHandle(HANDLE handle, const char* what) {
    if (!handle) throw std::runtime_error(what);
    return KernelHandle(handle);
}

// The second process: shows ChildSpecs() and listens on Corvex's wake-up port, as Corvex does,
// until told to quit (or a minute has passed, should the test program have died), pumping
// messages so that it can be activated from outside.
[[noreturn]] void ServeWindows(const std::string& eventPrefix) {
    const WindowSet windows(ChildSpecs(), WS_OVERLAPPEDWINDOW);
    const WinsockSession winsock(MAKEWORD(1, 1));
    const OwnedSocket listener(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in wakeUpPort{};
    wakeUpPort.sin_family = AF_INET;
    wakeUpPort.sin_port = htons(61000);
    wakeUpPort.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(listener.get(), reinterpret_cast<const sockaddr*>(&wakeUpPort), sizeof wakeUpPort);
    const KernelHandle ready = CheckedHandle(
        OpenEventA(EVENT_MODIFY_STATE, FALSE, (eventPrefix + "-ready").c_str()), "ready");
    const KernelHandle quit =
        CheckedHandle(OpenEventA(SYNCHRONIZE, FALSE, (eventPrefix + "-quit").c_str()), "quit");
    SetEvent(ready.get());
    const HANDLE waitFor[] = {quit.get()};
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (GetTickCount64() < deadline &&
           MsgWaitForMultipleObjects(1, waitFor, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    // Exits with the windows still up: the system takes them down with the process at once,
    // where destroying framed windows one by one waits up to 2 s each for a window manager.
    ExitProcess(0);
}

// Runs before GoogleTest's main: in the second process the tests never start.
const bool servingWindows = [] {
    const char* switchAt = std::strstr(GetCommandLineA(), kServeSwitch);
    if (!switchAt) return false;
    const std::string eventPrefix = switchAt + sizeof kServeSwitch;
    ServeWindows(eventPrefix.substr(0, eventPrefix.find(' ')));
}();

std::string ModuleFileName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

class ChildProcess {
  public:
    ChildProcess() {
        static int started = 0;
        const std::string prefix = "ostrel-desktop-test-" + std::to_string(GetCurrentProcessId()) +
                                   "-" + std::to_string(++started);
        ready_ = CheckedHandle(CreateEventA(nullptr, TRUE, FALSE, (prefix + "-ready").c_str()),
                               "CreateEventA");
        quit_ = CheckedHandle(CreateEventA(nullptr, TRUE, FALSE, (prefix + "-quit").c_str()),
                              "CreateEventA");
        std::string commandLine = '"' + ModuleFileName() + "\" " + kServeSwitch + ' ' + prefix;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info)) {
            throw std::runtime_error("CreateProcessA");
        }
        process_.reset(info.hProcess);
        const KernelHandle thread(info.hThread);  // not needed
        id_ = info.dwProcessId;
        const HANDLE readyOrGone[] = {ready_.get(), process_.get()};
        if (WaitForMultipleObjects(2, readyOrGone, FALSE, 20000) != WAIT_OBJECT_0) {
            Stop();
            throw std::runtime_error("the second process did not show its windows");
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    DWORD id() const { return id_; }

  private:
    void Stop() {
        SetEvent(quit_.get());
        if (WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0) {
            TerminateProcess(process_.get(), 1);
        }
    }

    KernelHandle ready_;
    KernelHandle quit_;
    KernelHandle process_;
    DWORD id_ = 0;
};

DWORD ProcessOf(WindowHandle window) {
    DWORD process = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &process);
    return process;
}

struct Names {
    std::string className;
    std::string title;
    bool operator==(const Names& other) const {
        return className == other.className && title == other.title;
    }
};

Names Expected(const WindowSpec& spec) {
    return {spec.className.substr(0, 99), spec.title.substr(0, 79)};
}

std::ostream& operator<<(std::ostream& out, const Names& names) {
    return out << '"' << names.className << "\" \"" << names.title << '"';
}

// Names of the top-level windows of one process, as the adapter reads them.
std::vector<std::pair<WindowHandle, Names>> WindowsOfProcess(Desktop& desktop, DWORD process) {
    std::vector<std::pair<WindowHandle, Names>> found;
    for (WindowHandle window : desktop.TopLevelWindows()) {
        if (ProcessOf(window) != process) continue;
        found.push_back({window, {desktop.WindowClass(window), desktop.WindowTitle(window)}});
    }
    return found;
}

WindowHandle FindByClass(Desktop& desktop, DWORD process, const std::string& className) {
    for (const auto& [window, names] : WindowsOfProcess(desktop, process)) {
        if (names.className == className) return window;
    }
    throw std::runtime_error("no window of class " + className);
}

// Another process acts on its own time: wait for it, within bounds.
bool Eventually(const std::function<bool()>& condition) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

TEST(Win32Desktop, ReadsOwnWindowsHiddenOnesIncludedWithExactAndCutNames) {
    const std::vector<WindowSpec> specs = OwnSpecs();
    // Frameless: destroying a framed window waits up to 2 s for a window manager, and a bare
    // X server has none.
    const WindowSet windows(specs, WS_POPUP);
    ASSERT_FALSE(IsWindowVisible(windows[0]));
    const std::unique_ptr<Desktop> desktop = CreateDesktopAdapter();

    const auto found = WindowsOfProcess(*desktop, GetCurrentProcessId());

    for (std::size_t i = 0; i < specs.size(); ++i) {
        const auto at = std::find_if(found.begin(), found.end(), [&](const auto& entry) {
            return entry.first == reinterpret_cast<WindowHandle>(windows[i]);
        });
        ASSERT_NE(at, found.end()) << "not enumerated: " << specs[i].className;
        EXPECT_EQ(at->second, Expected(specs[i]));
    }
    EXPECT_EQ(Expected(specs[2]).title.size(), 79u);
    EXPECT_EQ(Expected(specs[2]).className.size(), 99u);
}

TEST(Win32Desktop, ReadsWindowsOfAnotherProcessHiddenOnesIncluded) {
    const ChildProcess child;
    const std::unique_ptr<Desktop> desktop = CreateDesktopAdapter();

    const auto found = WindowsOfProcess(*desktop, child.id());

    for (const WindowSpec& spec : ChildSpecs()) {
        const bool listed = std::any_of(found.begin(), found.end(), [&](const auto& entry) {
            return entry.second == Expected(spec);
        });
        EXPECT_TRUE(listed) << "not read as " << Expected(spec);
    }
}

TEST(Win32Desktop, ActivationRestoresAMinimisedWindowOfAnotherProcessToTheFront) {
    const ChildProcess child;
    const std::unique_ptr<Desktop> desktop = CreateDesktopAdapter();
    const HWND minimised =
        reinterpret_cast<HWND>(FindByClass(*desktop, child.id(), "OstrelMinimised"));
    ASSERT_TRUE(IsIconic(minimised));

    desktop->Activate(reinterpret_cast<WindowHandle>(minimised));

    EXPECT_TRUE(Eventually([&] { return !IsIconic(minimised) && IsWindowVisible(minimised); }));
    EXPECT_TRUE(Eventually([&] { return GetForegroundWindow() == minimised; }));
}

TEST(Win32Desktop, ActivationShowsAHiddenWindowOfAnotherProcess) {
    const ChildProcess child;
    const std::unique_ptr<Desktop> desktop = CreateDesktopAdapter();
    const HWND hidden = reinterpret_cast<HWND>(FindByClass(*desktop, child.id(), "OstrelHidden"));
    ASSERT_FALSE(IsWindowVisible(hidden));

    desktop->Activate(reinterpret_cast<WindowHandle>(hidden));

    EXPECT_TRUE(Eventually([&] { return IsWindowVisible(hidden) != FALSE; }));
}

// A window whose thread does not take its messages: bringing it forward must not wait for it,
// and happens once the thread takes them again.
TEST(Win32Desktop, ActivationDoesNotWaitForAWindowWhoseThreadHangs) {
    HWND window = nullptr;
    const KernelHandle shown(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const KernelHandle resume(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread hanging([&] {
        const WindowSet windows({{"OstrelHanging", "Hanging window", SW_HIDE}}, WS_POPUP);
        window = windows[0];
        SetEvent(shown.get());
        WaitForSingleObject(resume.get(), 30000);  // hangs: takes no message meanwhile
        for (int round = 0; round < 100 && !IsWindowVisible(window); ++round) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            Sleep(20);
        }
    });
    WaitForSingleObject(shown.get(), 10000);
    const std::unique_ptr<Desktop> desktop = CreateDesktopAdapter();

    const KernelHandle activated(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread activating([&] {
        desktop->Activate(reinterpret_cast<WindowHandle>(window));
        SetEvent(activated.get());
    });
    const bool returned = WaitForSingleObject(activated.get(), 5000) == WAIT_OBJECT_0;
    SetEvent(resume.get());
    activating.join();
    EXPECT_TRUE(returned) << "the activation waited for the hanging thread";
    EXPECT_TRUE(Eventually([&] { return IsWindowVisible(window) != FALSE; }));
    hanging.join();
}

// The search over the real desktop, with the answer given here instead of by the library.
class AnswerAtOnce : public ResponseState {
  public:
    std::int32_t GetResponseState() override { return 1; }
};

class NoSleep : public Clock {
  public:
    LocalTime Now() override { return {}; }
    void Sleep(unsigned) override {}
};

class LinesLog : public Log {
  public:
    void Add(const UserText& line) override { lines.push_back(line.String()); }
    void Clear() override { lines.clear(); }
    std::vector<std::string> lines;
};

// Other programs may show windows on this desktop meanwhile: only this test's own are judged.
TEST(Win32Desktop, SearchHandsOverToAHiddenDialogOfAnotherProcess) {
    const ChildProcess child;
    const std::unique_ptr<Desktop> desktop = CreateDesktopAdapter();
    const HWND dialog = reinterpret_cast<HWND>(FindByClass(*desktop, child.id(), "SunAwtDialog"));
    AnswerAtOnce answer;
    NoSleep clock;
    LinesLog log;
    Win32CorvexProcesses corvex;
    WindowSearchPorts ports{*desktop, answer, corvex, clock, log, [] {}, {}, {}};
    bool applicationFound = false;
    WindowSearchMemory memory;

    FindMyWindows(ports, false, applicationFound, memory);

    EXPECT_TRUE(applicationFound);
    const auto logged = [&](const std::string& text) {
        return std::any_of(log.lines.begin(), log.lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    };
    EXPECT_TRUE(logged("Window : \"SunAwtDialog\" \"Corvex dialog (hidden)\""));
    EXPECT_FALSE(logged("Lower-case frame"));
    EXPECT_TRUE(Eventually([&] { return IsWindowVisible(dialog) != FALSE; }));
}

}  // namespace
}  // namespace ostrel
