// The stand-in Java runtime and Ombrix.dll, driven the way the launcher drives them: started with
// parameters and a working folder, found by its window classes, woken by datagrams to port 61000,
// and asked through the import library whether it has answered.
#include "core/owners_win32.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "launcher_driver.h"
#include "standins/ombrix.h"

namespace {

constexpr DWORD kPatienceMs = 10000;
constexpr char kParameters[] =
    "-classpath LIB\\Corvex.jar morvane.r7x.corvex.application.Application ShowSetupSys";

using Block = std::map<std::string, std::string>;

using ostrel::FindHandle;
using ostrel::GdiObject;
using ostrel::KernelHandle;
using ostrel::OwnedIcon;
using ostrel::OwnedSocket;

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string StandInPath(const char* program) {
    return ProgramFolder() + "standins\\jre\\bin\\" + program;
}

// Polls; every real wait in these tests is bounded.
template <typename Condition>
bool WaitFor(Condition done, DWORD timeoutMs = kPatienceMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
    return true;
}

class EnvironmentVariable {
  public:
    EnvironmentVariable(const char* name, const std::string& value) : name_(name) {
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~EnvironmentVariable() { SetEnvironmentVariableA(name_, nullptr); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

  private:
    const char* name_;
};

// A fresh folder under %TEMP%, removed with its files.
class ScratchFolder {
  public:
    ScratchFolder() {
        static int made = 0;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "ostrel-standins-" + std::to_string(GetCurrentProcessId()) +
                "-" + std::to_string(++made);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        WIN32_FIND_DATAA found;
        const FindHandle search(FindFirstFileA((path_ + "\\*").c_str(), &found));
        if (search) {
            do {
                DeleteFileA((path_ + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(search.get(), &found));
        }
        RemoveDirectoryA(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The complete blocks of the record; a block still being written is left out.
std::vector<Block> ReadRecord(const std::string& path) {
    std::vector<Block> blocks;
    const KernelHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return blocks;
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
        text.append(chunk, read);
    }
    Block block;
    std::string::size_type begin = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', begin)) {
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        if (line == "----") {
            blocks.push_back(block);
            block.clear();
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            block[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return blocks;
}

struct WindowInfo {
    std::string className;
    std::string title;
    bool visible;
    HWND handle;
};

struct WindowSearch {
    DWORD processId;
    std::vector<WindowInfo> windows;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId) {
        char className[256] = {};
        char title[256] = {};
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, title, sizeof title);
        search.windows.push_back({className, title, IsWindowVisible(window) != FALSE, window});
    }
    return TRUE;
}

// The process's windows of Corvex's classes; Wine gives every GUI process windows of its own.
std::vector<WindowInfo> CorvexWindowsOf(DWORD processId) {
    static const std::set<std::string> kCorvexClasses = {
        "morvane.r7x.corvex.util.SplashScreen", "java.awt.Frame", "SunAwtFrame", "SunAwtDialog"};
    WindowSearch search{processId, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    std::vector<WindowInfo> corvex;
    for (const WindowInfo& window : search.windows) {
        if (kCorvexClasses.count(window.className)) corvex.push_back(window);
    }
    return corvex;
}

// A started stand-in; one still running when the test ends is terminated.
class StandInProcess {
  public:
    StandInProcess(const std::string& program, const std::string& folder, WORD show)
        : commandLine_("\"" + program + "\" " + kParameters) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
        PROCESS_INFORMATION started{};
        std::string writable = commandLine_;
        if (CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           folder.c_str(), &startup, &started)) {
            const KernelHandle thread(started.hThread);  // not needed
            process_.reset(started.hProcess);
            id_ = started.dwProcessId;
        }
    }
    explicit StandInProcess(HANDLE process) : process_(process), id_(GetProcessId(process)) {}

    ~StandInProcess() {
        if (process_ && !Exited(0)) {
            TerminateProcess(process_.get(), 1);
            Exited(kPatienceMs);
        }
    }
    StandInProcess(const StandInProcess&) = delete;
    StandInProcess& operator=(const StandInProcess&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD id() const { return id_; }
    const std::string& commandLine() const { return commandLine_; }

    bool Exited(DWORD timeoutMs) const {
        return WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    // As a user closing its first window.
    bool Close() const {
        std::vector<WindowInfo> windows;
        if (!WaitFor([&] { return !(windows = CorvexWindowsOf(id_)).empty(); })) return false;
        return PostMessageA(windows.front().handle, WM_CLOSE, 0, 0) != FALSE;
    }

  private:
    std::string commandLine_;
    KernelHandle process_;
    DWORD id_ = 0;
};

// Sends to 127.0.0.1:61000 from a port of its own.
class WakeUpSender {
  public:
    WakeUpSender() : socket_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local);
        int length = sizeof local;
        getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&local), &length);
        port_ = ntohs(local.sin_port);
    }

    bool Send(const std::string& payload) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(61000);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return sendto(socket_.get(), payload.data(), static_cast<int>(payload.size()), 0,
                      reinterpret_cast<const sockaddr*>(&to),
                      sizeof to) == static_cast<int>(payload.size());
    }
    std::string from() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    ostrel::WinsockSession session_{MAKEWORD(1, 1)};
    OwnedSocket socket_;
    unsigned port_ = 0;
};

// Sets the shared answer as an earlier instance would have left it.
void PresetResponseState(BOOL answered) {
    const auto set = reinterpret_cast<decltype(&SetResponseState)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("Ombrix.dll"), "SetResponseState")));
    ASSERT_NE(set, nullptr);
    ASSERT_TRUE(set(answered));
}

class StandInsTest : public testing::Test {
  protected:
    std::vector<Block> Blocks(const std::string& event, DWORD processId) const {
        std::vector<Block> matching;
        for (Block& block : ReadRecord(record_)) {
            if (block["event"] == event && block["pid"] == std::to_string(processId)) {
                matching.push_back(block);
            }
        }
        return matching;
    }

    // The first `count` blocks of the event, once they are all there; empty after the timeout.
    std::vector<Block> AwaitBlocks(const std::string& event, DWORD processId,
                                   std::size_t count = 1) const {
        std::vector<Block> blocks;
        WaitFor([&] { return (blocks = Blocks(event, processId)).size() >= count; });
        if (blocks.size() < count) return {};
        blocks.resize(count);
        return blocks;
    }

    // Started with a main window that can be closed, so that the exit path is the usual one.
    std::unique_ptr<StandInProcess> StartListening(const char* answerAfter) {
        const EnvironmentVariable windows("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex");
        const EnvironmentVariable delay("OSTREL_CORVEX_DELAY_MS", "0");
        const EnvironmentVariable answer("OSTREL_CORVEX_ANSWER_AFTER", answerAfter);
        auto standIn = std::make_unique<StandInProcess>(javaw_, folder_.path(), SW_SHOWNORMAL);
        const std::vector<Block> listen = AwaitBlocks("listen", standIn->id());
        EXPECT_EQ(listen.size(), 1u);
        if (!listen.empty()) {
            EXPECT_EQ(listen[0].at("listen"), "127.0.0.1:61000");
        }
        return standIn;
    }

    void ExpectClosesWithCodeZero(const StandInProcess& standIn) const {
        // Under Wine without a window manager, destroying a visible framed window waits 2 s for
        // the manager's answer, unless the prefix says Wine's windows are not managed.
        constexpr DWORD kClosingMs = kPatienceMs + 10000;
        ASSERT_TRUE(standIn.Close());
        ASSERT_TRUE(standIn.Exited(kClosingMs));
        EXPECT_EQ(standIn.ExitCode(), 0u);
        const std::vector<Block> exit = Blocks("exit", standIn.id());
        ASSERT_EQ(exit.size(), 1u);
        EXPECT_EQ(exit[0].at("reason"), "close");
    }

    const std::string javaw_ = StandInPath("javaw.exe");
    ScratchFolder folder_;
    const std::string record_ = folder_.path() + "\\record.log";
    const EnvironmentVariable recordVariable_{"OSTREL_STANDIN_RECORD", record_};
};

TEST_F(StandInsTest, BothProgramsRecordTheirCommandLineFolderAndShowCommandThenEndByThemselves) {
    const EnvironmentVariable windows("OSTREL_CORVEX_WINDOWS", "none");
    const EnvironmentVariable lifetime("OSTREL_CORVEX_LIFETIME_MS", "0");
    for (const char* program : {"javaw.exe", "java.exe"}) {
        SCOPED_TRACE(program);
        const StandInProcess standIn(StandInPath(program), folder_.path(), SW_SHOWMINNOACTIVE);
        ASSERT_TRUE(standIn.started());
        ASSERT_TRUE(standIn.Exited(kPatienceMs));
        EXPECT_EQ(standIn.ExitCode(), 0u);

        const std::vector<Block> start = Blocks("start", standIn.id());
        ASSERT_EQ(start.size(), 1u);
        EXPECT_EQ(start[0].at("command_line"), standIn.commandLine());
        EXPECT_EQ(start[0].at("current_directory"), folder_.path());
        EXPECT_EQ(start[0].at("show_window"), std::to_string(SW_SHOWMINNOACTIVE));
        EXPECT_EQ(start[0].at("startup_flags"), "0x00000001");
        EXPECT_EQ(start[0].at("program"), StandInPath(program));
        // Found in the build's bin folder, beside the test, although neither the program's
        // folder nor the working folder holds it.
        EXPECT_EQ(start[0].at("ombrix"), ProgramFolder() + "Ombrix.dll");
        const std::vector<Block> exit = Blocks("exit", standIn.id());
        ASSERT_EQ(exit.size(), 1u);
        EXPECT_EQ(exit[0].at("reason"), "lifetime");
    }
}

TEST_F(StandInsTest, WithoutARecordFileNamedItRecordsInTheTemporaryFolder) {
    const EnvironmentVariable unnamed("OSTREL_STANDIN_RECORD", "");
    const EnvironmentVariable windows("OSTREL_CORVEX_WINDOWS", "none");
    const EnvironmentVariable lifetime("OSTREL_CORVEX_LIFETIME_MS", "0");
    const StandInProcess standIn(javaw_, folder_.path(), SW_SHOWNORMAL);
    ASSERT_TRUE(standIn.Exited(kPatienceMs));
    // Shared with other runs: only this process's blocks are looked at, and the file stays.
    bool recorded = false;
    char temporary[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH + 1, temporary);
    for (Block& block : ReadRecord(std::string(temporary) + "corvex-standin.log")) {
        recorded = recorded || block["pid"] == std::to_string(standIn.id());
    }
    EXPECT_TRUE(recorded);
}

TEST_F(StandInsTest, StartedThroughTheShellItRecordsTheParametersAfterTheProgram) {
    const EnvironmentVariable windows("OSTREL_CORVEX_WINDOWS", "none");
    const EnvironmentVariable lifetime("OSTREL_CORVEX_LIFETIME_MS", "0");
    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = javaw_.c_str();
    execute.lpParameters = kParameters;
    execute.lpDirectory = folder_.path().c_str();
    execute.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&execute));
    ASSERT_NE(execute.hProcess, nullptr);
    const StandInProcess standIn(execute.hProcess);
    ASSERT_TRUE(standIn.Exited(kPatienceMs));

    const std::vector<Block> start = Blocks("start", standIn.id());
    ASSERT_EQ(start.size(), 1u);
    const std::string& commandLine = start[0].at("command_line");
    EXPECT_NE(commandLine.find(javaw_), std::string::npos) << commandLine;
    EXPECT_NE(commandLine.find(std::string(".exe\" ") + kParameters), std::string::npos)
        << commandLine;
    EXPECT_EQ(start[0].at("current_directory"), folder_.path());
    EXPECT_EQ(start[0].at("show_window"), std::to_string(SW_SHOWNORMAL));
}

TEST_F(StandInsTest, ShowsTheConfiguredCorvexWindowsOnlyAfterTheDelay) {
    constexpr DWORD kDelayMs = 1000;
    const EnvironmentVariable windows(
        "OSTREL_CORVEX_WINDOWS",
        "morvane.r7x.corvex.util.SplashScreen:Corvex is starting,SunAwtFrame:Corvex,"
        "SunAwtDialog:Corvex Setup:hidden,java.awt.Frame:");
    const EnvironmentVariable delay("OSTREL_CORVEX_DELAY_MS", std::to_string(kDelayMs));
    const ULONGLONG launched = GetTickCount64();
    const StandInProcess standIn(javaw_, folder_.path(), SW_SHOWNORMAL);
    ASSERT_TRUE(standIn.started());

    ASSERT_EQ(AwaitBlocks("start", standIn.id()).size(), 1u);
    EXPECT_TRUE(CorvexWindowsOf(standIn.id()).empty());
    // Written once every window has been made and shown.
    const std::vector<Block> windowsShown = AwaitBlocks("windows", standIn.id());
    std::vector<WindowInfo> shown;
    ASSERT_TRUE(WaitFor([&] { return (shown = CorvexWindowsOf(standIn.id())).size() >= 4; }));
    EXPECT_GE(GetTickCount64() - launched, kDelayMs);

    using Seen = std::tuple<std::string, std::string, bool>;
    std::set<Seen> seen;
    for (const WindowInfo& window : shown) {
        seen.emplace(window.className, window.title, window.visible);
    }
    EXPECT_EQ(seen, (std::set<Seen>{
                        {"morvane.r7x.corvex.util.SplashScreen", "Corvex is starting", true},
                        {"SunAwtFrame", "Corvex", true},
                        {"SunAwtDialog", "Corvex Setup", false},
                        {"java.awt.Frame", "", true},
                    }));
    ASSERT_EQ(windowsShown.size(), 1u);
    EXPECT_EQ(windowsShown[0].at("count"), "4");
    ExpectClosesWithCodeZero(standIn);
}

TEST_F(StandInsTest, AnswersTheFirstWakeUpThroughTheImportedGetResponseState) {
    PresetResponseState(TRUE);
    const auto standIn = StartListening("1");
    EXPECT_EQ(GetResponseState(), FALSE) << "a new instance clears an old answer";

    const WakeUpSender sender;
    const std::string wakeUp = "08.12.2025 10:15:00 Calling Corvex";
    ASSERT_TRUE(sender.Send(wakeUp));
    EXPECT_TRUE(WaitFor([] { return GetResponseState() != FALSE; }));
    const std::vector<Block> datagrams = AwaitBlocks("datagram", standIn->id());
    ASSERT_EQ(datagrams.size(), 1u);
    EXPECT_EQ(datagrams[0].at("datagram"), wakeUp);
    EXPECT_EQ(datagrams[0].at("length"), std::to_string(wakeUp.size()));
    EXPECT_EQ(datagrams[0].at("from"), sender.from());
    EXPECT_EQ(datagrams[0].at("answered"), "1");

    ExpectClosesWithCodeZero(*standIn);
    EXPECT_EQ(GetResponseState(), FALSE) << "the answer goes with the instance that gave it";
}

LONGLONG CounterNow() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

LONGLONG CounterOf(const Block& block) { return std::stoll(block.at("counter")); }

// A benchmark reads the start, the windows and the datagrams on its own performance counter.
TEST_F(StandInsTest, PlacesItsStartItsWindowsAndEachDatagramOnTheSharedCounter) {
    const LONGLONG before = CounterNow();
    const auto standIn = StartListening("1");
    const std::vector<Block> shown = AwaitBlocks("windows", standIn->id());
    ASSERT_EQ(shown.size(), 1u);
    const WakeUpSender sender;
    ASSERT_TRUE(sender.Send("Calling Corvex"));
    const std::vector<Block> datagrams = AwaitBlocks("datagram", standIn->id());
    ASSERT_EQ(datagrams.size(), 1u);
    const LONGLONG after = CounterNow();

    const std::vector<Block> start = Blocks("start", standIn->id());
    ASSERT_EQ(start.size(), 1u);
    EXPECT_LT(before, CounterOf(start[0]));
    EXPECT_LE(CounterOf(start[0]), CounterOf(shown[0]));
    EXPECT_LE(CounterOf(shown[0]), CounterOf(datagrams[0]));
    EXPECT_LT(CounterOf(datagrams[0]), after);
    ExpectClosesWithCodeZero(*standIn);
}

TEST_F(StandInsTest, AnswersOnlyAtTheConfiguredDatagramOrNever) {
    const WakeUpSender sender;
    {
        SCOPED_TRACE("answer after 3");
        const auto standIn = StartListening("3");
        ASSERT_TRUE(sender.Send("one") && sender.Send("two"));
        const std::vector<Block> early = AwaitBlocks("datagram", standIn->id(), 2);
        ASSERT_EQ(early.size(), 2u);
        EXPECT_EQ(early[1].at("answered"), "0");
        EXPECT_EQ(GetResponseState(), FALSE);
        ASSERT_TRUE(sender.Send("three"));
        const std::vector<Block> all = AwaitBlocks("datagram", standIn->id(), 3);
        ASSERT_EQ(all.size(), 3u);
        EXPECT_EQ(all[2].at("number"), "3");
        EXPECT_EQ(all[2].at("answered"), "1");
        EXPECT_NE(GetResponseState(), FALSE);
        ExpectClosesWithCodeZero(*standIn);
    }
    {
        SCOPED_TRACE("never");
        const auto standIn = StartListening("0");
        ASSERT_TRUE(sender.Send("one") && sender.Send("two") && sender.Send("three"));
        const std::vector<Block> all = AwaitBlocks("datagram", standIn->id(), 3);
        ASSERT_EQ(all.size(), 3u);
        for (const Block& datagram : all) {
            EXPECT_EQ(datagram.at("answered"), "0");
        }
        EXPECT_EQ(GetResponseState(), FALSE);
        ExpectClosesWithCodeZero(*standIn);
    }
}

TEST_F(StandInsTest, RecordsOddAndLargestDatagramsWholeOnOneLine) {
    const auto standIn = StartListening("0");
    const WakeUpSender sender;
    ASSERT_TRUE(sender.Send(std::string("a\nb\0c\\d\x7F", 8)));
    const std::string largest(65507, 'x');
    ASSERT_TRUE(sender.Send(largest));
    const std::vector<Block> datagrams = AwaitBlocks("datagram", standIn->id(), 2);
    ASSERT_EQ(datagrams.size(), 2u);
    EXPECT_EQ(datagrams[0].at("datagram"), "a\\x0Ab\\x00c\\d\\x7F");
    EXPECT_EQ(datagrams[0].at("length"), "8");
    EXPECT_EQ(datagrams[1].at("datagram"), largest);
    EXPECT_EQ(datagrams[1].at("truncated"), "0");
    ExpectClosesWithCodeZero(*standIn);
}

TEST_F(StandInsTest, ASecondInstanceFindsThePortTakenAndStillRuns) {
    const auto first = StartListening("1");
    const EnvironmentVariable windows("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex");
    const EnvironmentVariable delay("OSTREL_CORVEX_DELAY_MS", "0");
    const StandInProcess second(javaw_, folder_.path(), SW_SHOWNORMAL);
    const std::vector<Block> listen = AwaitBlocks("listen", second.id());
    ASSERT_EQ(listen.size(), 1u);
    EXPECT_EQ(listen[0].at("listen"), "error " + std::to_string(WSAEADDRINUSE));
    ExpectClosesWithCodeZero(second);
    ExpectClosesWithCodeZero(*first);
}

TEST_F(StandInsTest, EndsByItselfWhenItsLifetimeIsOverAndClearsItsAnswer) {
    const EnvironmentVariable windows("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex");
    const EnvironmentVariable delay("OSTREL_CORVEX_DELAY_MS", "0");
    const EnvironmentVariable lifetime("OSTREL_CORVEX_LIFETIME_MS", "1500");
    const StandInProcess standIn(javaw_, folder_.path(), SW_SHOWNORMAL);
    ASSERT_EQ(AwaitBlocks("start", standIn.id()).size(), 1u);
    const WakeUpSender sender;
    ASSERT_TRUE(sender.Send("Calling Corvex"));
    ASSERT_TRUE(WaitFor([] { return GetResponseState() != FALSE; }));

    ASSERT_TRUE(standIn.Exited(kPatienceMs));
    EXPECT_EQ(standIn.ExitCode(), 0u);
    const std::vector<Block> exit = Blocks("exit", standIn.id());
    ASSERT_EQ(exit.size(), 1u);
    EXPECT_EQ(exit[0].at("reason"), "lifetime");
    EXPECT_EQ(GetResponseState(), FALSE);
}

// A Java runtime that fails ends at once with its own exit code: no window, no listener.
TEST_F(StandInsTest, WithNoLifetimeItEndsAtOnceWithItsExitCode) {
    const EnvironmentVariable windows("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex");
    const EnvironmentVariable delay("OSTREL_CORVEX_DELAY_MS", "0");
    const EnvironmentVariable lifetime("OSTREL_CORVEX_LIFETIME_MS", "0");
    const EnvironmentVariable code("OSTREL_CORVEX_EXIT_CODE", "3");
    const StandInProcess standIn(javaw_, folder_.path(), SW_SHOWNORMAL);
    ASSERT_TRUE(standIn.Exited(kPatienceMs));
    EXPECT_EQ(standIn.ExitCode(), 3u);
    ASSERT_EQ(Blocks("start", standIn.id()).size(), 1u);
    const std::vector<Block> listen = Blocks("listen", standIn.id());
    ASSERT_EQ(listen.size(), 1u);
    EXPECT_EQ(listen[0].at("listen"), "none");
    EXPECT_TRUE(Blocks("windows", standIn.id()).empty());
    const std::vector<Block> exit = Blocks("exit", standIn.id());
    ASSERT_EQ(exit.size(), 1u);
    EXPECT_EQ(exit[0].at("reason"), "lifetime");
    EXPECT_EQ(exit[0].at("code"), "3");
}

// Its error box comes before its windows and its listener, stands alone, and once answered the
// stand-in goes on: at once to its end with its exit code, or as usual.
TEST_F(StandInsTest, ShowsItsErrorBoxFirstAndGoesOnOnceItIsAnswered) {
    using ostrel::test::MessageBoxText;
    using ostrel::test::WindowClass;
    using ostrel::test::WindowText;
    const EnvironmentVariable box("OSTREL_CORVEX_ERROR_BOX",
                                  "Java Virtual Machine Launcher|Could not find the main class.");
    const EnvironmentVariable windows("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex");
    const EnvironmentVariable delay("OSTREL_CORVEX_DELAY_MS", "0");
    const EnvironmentVariable code("OSTREL_CORVEX_EXIT_CODE", "1");
    for (const bool lives : {false, true}) {
        SCOPED_TRACE(lives ? "with a lifetime" : "without a lifetime");
        const EnvironmentVariable lifetime("OSTREL_CORVEX_LIFETIME_MS", lives ? "20000" : "0");
        const StandInProcess standIn(javaw_, folder_.path(), SW_SHOWNORMAL);
        // Found through the record, as its window.
        const std::vector<Block> boxes = AwaitBlocks("box", standIn.id());
        ASSERT_EQ(boxes.size(), 1u);
        const auto shown =
            reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::stoull(boxes[0].at("window"))));
        DWORD owner = 0;
        GetWindowThreadProcessId(shown, &owner);
        EXPECT_EQ(owner, standIn.id());
        EXPECT_EQ(WindowClass(shown), "#32770");
        EXPECT_TRUE(IsWindowVisible(shown));
        EXPECT_EQ(WindowText(shown), "Java Virtual Machine Launcher");
        EXPECT_EQ(boxes[0].at("caption"), "Java Virtual Machine Launcher");
        EXPECT_EQ(MessageBoxText(shown), "Could not find the main class.");
        EXPECT_EQ(GetWindow(shown, GW_OWNER), nullptr);
        // Its start is on record before it listens, as before any port it would hold.
        EXPECT_EQ(Blocks("start", standIn.id()).size(), 1u);
        EXPECT_TRUE(Blocks("listen", standIn.id()).empty());
        EXPECT_TRUE(CorvexWindowsOf(standIn.id()).empty());
        EXPECT_FALSE(standIn.Exited(0));

        ostrel::test::PressOk(shown);
        const std::vector<Block> closed = AwaitBlocks("box-closed", standIn.id());
        ASSERT_EQ(closed.size(), 1u);
        EXPECT_EQ(closed[0].at("answer"), std::to_string(IDOK));
        const std::vector<Block> listen = AwaitBlocks("listen", standIn.id());
        ASSERT_EQ(listen.size(), 1u);
        if (lives) {
            EXPECT_EQ(listen[0].at("listen"), "127.0.0.1:61000");
            ExpectClosesWithCodeZero(standIn);
        } else {
            EXPECT_EQ(listen[0].at("listen"), "none");
            ASSERT_TRUE(standIn.Exited(kPatienceMs));
            EXPECT_EQ(standIn.ExitCode(), 1u);
        }
    }
}

TEST(StandInArtwork, TheIconBesideTheLauncherLoadsAtBothOfItsSizes) {
    const std::string icon = ProgramFolder() + "Icon.ico";
    for (const int size : {32, 16}) {
        SCOPED_TRACE(size);
        const OwnedIcon loaded(static_cast<HICON>(
            LoadImageA(nullptr, icon.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
        ASSERT_TRUE(loaded);
        ICONINFO parts{};
        ASSERT_TRUE(GetIconInfo(loaded.get(), &parts));
        const GdiObject<HBITMAP> colourPart(parts.hbmColor);
        const GdiObject<HBITMAP> maskPart(parts.hbmMask);
        BITMAP colour{};
        GetObjectA(colourPart.get(), sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
    }
}

}  // namespace
