// Stand-in for the Java runtime's javaw.exe (GUI subsystem) and java.exe (console), playing a
// running Corvex for the launcher's tests and demos: it records how it was started, shows windows
// of Corvex's window classes, listens for wake-up datagrams on 127.0.0.1:61000 and answers them
// through Ombrix.dll. It always ends by itself.
//
// Record: the file named by OSTREL_STANDIN_RECORD, else corvex-standin.log in the temporary folder
// (GetTempPath): never beside the program, whose folder may be read-only.
// Blocks of "key=value" lines are appended, each ended by a line "----"; lines end in "\n" and
// every block is written in one piece; text is UTF-8. Values are written as they are, except that
// control bytes (below 0x20, and 0x7F) are written as "\xNN" (two upper-case hex digits), so that a
// value is always one line.
//   event=start     pid, program, command_line (GetCommandLineW as is), current_directory,
//                   startup_flags (STARTUPINFO dwFlags, "0x%08lx"), show_window (wShowWindow when
//                   STARTF_USESHOWWINDOW is set, else "none"), windows, delay_ms, lifetime_ms,
//                   answer_after, exit_code, error_box, ombrix (the loaded library's path, or
//                   "missing"), counter (when main began); written before any port is bound, so
//                   that whoever ends the stand-ins it caused finds this one before it holds one
//   event=listen    pid, listen ("127.0.0.1:61000", "none", "error <WinSock code>"), once it
//                   listens or knows it will not (after its error box, when it shows one)
//   event=box       pid, caption (as the box shows it), window (the box's HWND as a number),
//                   once the error box is on the screen
//   event=box-closed pid, answer (MessageBoxW's result: 1 for OK, 0 when no box could be
//                   shown)
//   event=windows   pid, count, elapsed_ms (since start), counter (once they were shown)
//   event=datagram  pid, number (1, 2, ...), from ("ip:port"), length, truncated (0/1),
//                   answered (1 when the answer is set in Ombrix.dll; set before this is written),
//                   datagram (the payload), counter (when it was read)
//   event=exit      pid, reason ("close": WM_CLOSE to one of its windows; "lifetime"), code
//                   (the exit code: 0 after a close, else OSTREL_CORVEX_EXIT_CODE)
//   event=error     pid, what, code (the stand-in could not run; exit code 1)
// A counter is QueryPerformanceCounter's value, comparable between processes: benchmarks time
// the stand-in's steps against their own.
//
// Settings, from environment variables (an empty variable counts as unset; a number that does
// not parse takes the default):
//   OSTREL_CORVEX_WINDOWS       "Class:Title[:hidden],..." (titles hold no ':' or ','), shown
//                               in this order; "none" for no window. Default "SunAwtFrame:Corvex".
//   OSTREL_CORVEX_DELAY_MS      from start (or from the answer to its error box) until the
//                               windows appear. Default 2000.
//   OSTREL_CORVEX_SHOW_WHEN     a file: the windows wait until it exists (looked for every 50 ms),
//                               and the delay counts from then; a test says so when Corvex is
//                               to appear. Unset: they do not wait.
//   OSTREL_CORVEX_LIFETIME_MS   from start (or from the answer to its error box) until it exits
//                               by itself; at most 600000. Default 120000. 0: ends as soon as
//                               its start is recorded (and its error box answered), with no
//                               window and no listener.
//   OSTREL_CORVEX_EXIT_CODE     the exit code when it ends by itself (its lifetime is over; with
//                               lifetime 0, at once, after its error box if any). Default 0.
//   OSTREL_CORVEX_ERROR_BOX     "Caption|Text" (without '|' all of it is the text, under the
//                               system's caption): before its windows and its listener, it shows
//                               a box with that caption and text, the error icon and OK, with
//                               no owner (centred on the screen, as a Java runtime's own error
//                               box is), and goes on once it is answered.
//   OSTREL_CORVEX_ANSWER_AFTER  answers at the N-th datagram and after; 0: never (it listens
//                               and records the datagrams, and answers none). Default 1.
//   OSTREL_CORVEX_LISTEN        "0": listens on no port, as another Java program; else 61000.
//   OSTREL_OMBRIX_DLL           the Ombrix.dll to load; else the usual DLL search (this folder,
//                               system, current folder, PATH), else the build's bin folder
//                               three levels up, where ostrel.exe lies.
//   OSTREL_STANDIN_RECORD       the record file (above).
//   OSTREL_CORVEX_HELPERS       N > 0: a runtime that hands the start on through N helpers that end
//                               at once (Started through helpers, below).
// The answer is cleared when the stand-in starts and when it exits.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/owners_win32.h"
#include "core/text_win32.h"
#include "core/window_win32.h"
#include "standins/ombrix.h"

namespace {

using ostrel::GdiObject;
using ostrel::KernelHandle;
using ostrel::LoadedModule;
using ostrel::OwnedSocket;

// --- Settings ------------------------------------------------------------------------------

struct WindowSpec {
    std::string className;
    std::string title;
    bool hidden = false;
};

struct ErrorBoxContent {
    std::optional<std::string> caption;  // none: the system's
    std::string text;
};

struct Settings {
    std::string windows;
    std::vector<WindowSpec> windowSpecs;
    UINT delayMs = 0;
    std::string showWhen;
    UINT lifetimeMs = 0;
    unsigned long answerAfter = 0;
    unsigned long exitCode = 0;
    std::string errorBox;
    std::optional<ErrorBoxContent> errorBoxContent;
    bool listens = true;
    std::string ombrixDll;
    std::string recordPath;
};

using ostrel::Utf8;
using ostrel::Wide;

std::string ModulePath(HMODULE module) {
    ostrel::WideText path(32768);
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    return Utf8(path.data(), length);
}

std::string ProgramPath() { return ModulePath(nullptr); }

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of("\\/:") + 1);
}

// With its trailing backslash.
std::string TemporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    return Utf8(folder, length <= MAX_PATH ? length : 0);
}

// An empty variable counts as unset.
std::string Environment(const char* name, const char* fallback) {
    ostrel::WideText value(32768);
    const DWORD length =
        GetEnvironmentVariableW(Wide(name).data(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size()) return fallback;
    return Utf8(value.data(), length);
}

unsigned long NumberOr(const std::string& text, unsigned long fallback, unsigned long maximum) {
    char* end = nullptr;
    const unsigned long number = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] == '-') return fallback;
    return number < maximum ? number : maximum;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type begin = 0;
    for (;;) {
        const auto end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end - begin));
        if (end == std::string::npos) return parts;
        begin = end + 1;
    }
}

std::vector<WindowSpec> ParseWindows(const std::string& text) {
    std::vector<WindowSpec> specs;
    if (text == "none") return specs;
    for (const std::string& entry : Split(text, ',')) {
        const std::vector<std::string> fields = Split(entry, ':');
        if (fields[0].empty()) continue;
        WindowSpec spec;
        spec.className = fields[0];
        if (fields.size() > 1) spec.title = fields[1];
        spec.hidden = fields.size() > 2 && fields[2] == "hidden";
        specs.push_back(spec);
    }
    return specs;
}

std::optional<ErrorBoxContent> ParseErrorBox(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const auto bar = text.find('|');
    if (bar == std::string::npos) return ErrorBoxContent{std::nullopt, text};
    return ErrorBoxContent{text.substr(0, bar), text.substr(bar + 1)};
}

Settings ReadSettings() {
    constexpr unsigned long kLongestLifetimeMs = 600000;
    Settings settings;
    settings.windows = Environment("OSTREL_CORVEX_WINDOWS", "SunAwtFrame:Corvex");
    settings.windowSpecs = ParseWindows(settings.windows);
    settings.delayMs = static_cast<UINT>(
        NumberOr(Environment("OSTREL_CORVEX_DELAY_MS", ""), 2000, kLongestLifetimeMs));
    settings.showWhen = Environment("OSTREL_CORVEX_SHOW_WHEN", "");
    settings.lifetimeMs = static_cast<UINT>(
        NumberOr(Environment("OSTREL_CORVEX_LIFETIME_MS", ""), 120000, kLongestLifetimeMs));
    settings.answerAfter = NumberOr(Environment("OSTREL_CORVEX_ANSWER_AFTER", ""), 1, ULONG_MAX);
    settings.exitCode = NumberOr(Environment("OSTREL_CORVEX_EXIT_CODE", ""), 0, ULONG_MAX);
    settings.errorBox = Environment("OSTREL_CORVEX_ERROR_BOX", "");
    settings.errorBoxContent = ParseErrorBox(settings.errorBox);
    settings.listens = Environment("OSTREL_CORVEX_LISTEN", "1") != "0";
    settings.ombrixDll = Environment("OSTREL_OMBRIX_DLL", "");
    settings.recordPath =
        Environment("OSTREL_STANDIN_RECORD", (TemporaryFolder() + "corvex-standin.log").c_str());
    return settings;
}

// --- Record --------------------------------------------------------------------------------

std::string Escaped(const char* data, std::size_t size) {
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte < 0x20 || byte == 0x7F) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            text += code;
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

std::string Escaped(const std::string& text) { return Escaped(text.data(), text.size()); }

std::string CounterNow() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return std::to_string(counter.QuadPart);
}

class Record {
  public:
    using Fields = std::vector<std::pair<const char*, std::string>>;

    explicit Record(std::string path) : path_(std::move(path)) {}

    // Other processes (tests, a second stand-in) may read or append at the same time.
    void Append(const char* event, const Fields& fields) const {
        std::string block =
            std::string("event=") + event + "\npid=" + std::to_string(GetCurrentProcessId()) + "\n";
        for (const auto& [key, value] : fields) block += std::string(key) + "=" + value + "\n";
        block += "----\n";
        const KernelHandle file(CreateFileW(Wide(path_).data(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        DWORD written = 0;
        WriteFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    }

  private:
    std::string path_;
};

// --- Ombrix.dll ----------------------------------------------------------------------------

class ResponseState {
  public:
    explicit ResponseState(const std::string& configuredPath, const std::string& programFolder) {
        if (!configuredPath.empty()) {
            library_.reset(LoadLibraryW(Wide(configuredPath).data()));
        } else {
            library_.reset(LoadLibraryW(L"Ombrix.dll"));
            if (!library_) {
                library_.reset(LoadLibraryW(Wide(programFolder + "..\\..\\..\\Ombrix.dll").data()));
            }
        }
        if (library_) {
            set_ = reinterpret_cast<decltype(&SetResponseState)>(
                reinterpret_cast<void*>(GetProcAddress(library_.get(), "SetResponseState")));
        }
    }

    // "missing" when the library or its setter is not there.
    std::string Describe() const {
        if (!set_) return "missing";
        return ModulePath(library_.get());
    }

    bool Set(bool answered) const { return set_ && set_(answered ? TRUE : FALSE); }

  private:
    LoadedModule library_;
    decltype(&SetResponseState) set_ = nullptr;
};

// --- UDP -----------------------------------------------------------------------------------

constexpr u_short kWakeUpPort = 61000;

struct Listener {
    OwnedSocket socket;
    int error = 0;
};

Listener ListenForWakeUps() {
    Listener listener{OwnedSocket(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP))};
    if (listener.socket.get() == INVALID_SOCKET) {
        listener.error = WSAGetLastError();
        return listener;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kWakeUpPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener.socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
        SOCKET_ERROR) {
        listener.error = WSAGetLastError();
        listener.socket = OwnedSocket();
    }
    return listener;
}

std::string ListenText(const Listener& listener) {
    if (listener.error) return "error " + std::to_string(listener.error);
    if (!listener.socket) return "none";
    return "127.0.0.1:" + std::to_string(kWakeUpPort);
}

std::string AddressText(const sockaddr_in& address) {
    const unsigned long ip = ntohl(address.sin_addr.s_addr);
    char text[32];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu:%u", (ip >> 24) & 0xFF, (ip >> 16) & 0xFF,
                  (ip >> 8) & 0xFF, ip & 0xFF, static_cast<unsigned>(ntohs(address.sin_port)));
    return text;
}

// --- The stand-in --------------------------------------------------------------------------

constexpr char kControlClass[] = "OstrelCorvexStandInControl";
constexpr UINT kSocketNotice = WM_APP + 1;
constexpr UINT_PTR kShowWindowsTimer = 1;
constexpr UINT_PTR kLifetimeTimer = 2;
constexpr UINT_PTR kShowWhenTimer = 3;
constexpr UINT kShowWhenLookMs = 50;

// What the record names a window that could not be made by: the stand-in's words, not Ostrel's.
ostrel::UserText CreateFailure() {
    return ostrel::UserText::Verbatim(std::string("CreateWindowExA"));
}

// What a window's handler raises is recorded; the stand-in goes on.
class RecordedErrors : public ostrel::ErrorReporter {
  public:
    explicit RecordedErrors(const Record& record) : record_(record) {}
    void ShowException(const std::exception& error) override {
        record_.Append("error", {{"what", Escaped(error.what())}, {"code", "0"}});
    }

  private:
    const Record& record_;
};

class StandIn;

// The invisible window that owns the timers and receives the socket's notices.
class ControlWindow : public ostrel::Window {
  public:
    ControlWindow(StandIn& standIn, ostrel::ErrorReporter& errors)
        : Window(&errors), standIn_(standIn) {}
    void Create() {
        // A message-only window: not enumerated among the top-level windows.
        ostrel::WindowPlacement placement;
        placement.parent = HWND_MESSAGE;
        Window::Create(ostrel::WindowClass{kControlClass}, placement, CreateFailure());
    }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    StandIn& standIn_;
};

// A window of one of Corvex's classes, showing its title.
class CorvexWindow : public ostrel::Window {
  public:
    CorvexWindow(StandIn& standIn, ostrel::ErrorReporter& errors)
        : Window(&errors), standIn_(standIn) {}
    using Window::Create;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    StandIn& standIn_;
};

class StandIn {
  public:
    StandIn(const Settings& settings, const Record& record, const ResponseState& responseState,
            SOCKET listener)
        : settings_(settings),
          record_(record),
          responseState_(responseState),
          listener_(listener),
          background_(CreateSolidBrush(RGB(38, 70, 96))),
          font_(CreateFontA(-28, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, "Arial")),
          started_(GetTickCount64()),
          errors_(record),
          control_(*this, errors_) {}

    // Creates the control window and starts its timers. Returns what failed, or an empty text.
    std::string Start() {
        try {
            control_.Create();
        } catch (const std::exception& error) {
            return error.what();
        }
        if (listener_ != INVALID_SOCKET &&
            WSAAsyncSelect(listener_, control_.Handle(), kSocketNotice, FD_READ) == SOCKET_ERROR) {
            return "WSAAsyncSelect";
        }
        if (settings_.showWhen.empty()) {
            SetTimer(control_.Handle(), kShowWindowsTimer, settings_.delayMs, nullptr);
        } else {
            SetTimer(control_.Handle(), kShowWhenTimer, kShowWhenLookMs, nullptr);
        }
        SetTimer(control_.Handle(), kLifetimeTimer, settings_.lifetimeMs, nullptr);
        return {};
    }

    // The file that says when the windows are to appear is there: from now on they are delayed.
    void LookForShowWhen() {
        if (GetFileAttributesW(Wide(settings_.showWhen).data()) == INVALID_FILE_ATTRIBUTES) return;
        KillTimer(control_.Handle(), kShowWhenTimer);
        SetTimer(control_.Handle(), kShowWindowsTimer, settings_.delayMs, nullptr);
    }

    void ShowCorvexWindows() {
        KillTimer(control_.Handle(), kShowWindowsTimer);
        int offset = 0;
        for (const WindowSpec& spec : settings_.windowSpecs) {
            const bool splash = spec.className.find("SplashScreen") != std::string::npos;
            ostrel::WindowPlacement placement;
            placement.text = ostrel::UserText::Verbatim(spec.title);
            placement.style = splash ? WS_POPUP | WS_BORDER : WS_OVERLAPPEDWINDOW;
            placement.left = 120 + offset;
            placement.top = 90 + offset;
            placement.width = 420;
            placement.height = 240;
            offset += 40;
            auto& window = windows_.emplace_back(std::make_unique<CorvexWindow>(*this, errors_));
            try {
                window->Create(
                    ostrel::WindowClass{spec.className.c_str(), background_.get(), nullptr,
                                        LoadCursorA(nullptr, IDC_ARROW), CS_HREDRAW | CS_VREDRAW},
                    placement, CreateFailure());
            } catch (const std::exception& error) {
                errors_.ShowException(error);
                continue;
            }
            if (!spec.hidden) ShowWindow(window->Handle(), SW_SHOWNORMAL);
        }
        const std::string shown = CounterNow();
        record_.Append("windows", {{"count", std::to_string(windows_.size())},
                                   {"elapsed_ms", std::to_string(GetTickCount64() - started_)},
                                   {"counter", shown}});
    }

    void PaintTitle(HWND window) const {
        const ostrel::PaintDc paint(window);
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        RECT client;
        GetClientRect(window, &client);
        SetBkMode(paint.get(), TRANSPARENT);
        SetTextColor(paint.get(), RGB(236, 240, 244));
        const HGDIOBJ previous = SelectObject(paint.get(), font_.get());
        DrawTextW(paint.get(), title, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(paint.get(), previous);
    }

    void ReceiveDatagrams() {
        std::vector<char> buffer(65536);
        for (;;) {
            sockaddr_in from{};
            int fromLength = sizeof from;
            int length = recvfrom(listener_, buffer.data(), static_cast<int>(buffer.size()), 0,
                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
            const bool truncated = length == SOCKET_ERROR && WSAGetLastError() == WSAEMSGSIZE;
            if (truncated) length = static_cast<int>(buffer.size());
            if (length == SOCKET_ERROR) return;  // WSAEWOULDBLOCK: all read
            const std::string read = CounterNow();

            ++datagrams_;
            const bool answered = settings_.answerAfter != 0 &&
                                  datagrams_ >= settings_.answerAfter && responseState_.Set(true);
            record_.Append("datagram",
                           {{"number", std::to_string(datagrams_)},
                            {"from", AddressText(from)},
                            {"length", std::to_string(length)},
                            {"truncated", truncated ? "1" : "0"},
                            {"answered", answered ? "1" : "0"},
                            {"datagram", Escaped(buffer.data(), static_cast<std::size_t>(length))},
                            {"counter", read}});
        }
    }

    // Ending by itself gives the configured exit code, a close 0.
    void EndOfLifetime() { Quit("lifetime", settings_.exitCode); }
    void Close() { Quit("close", 0); }
    unsigned long ExitCode() const { return exitCode_; }

  private:
    void Quit(const char* reason, unsigned long code) {
        if (quitting_) return;
        quitting_ = true;
        exitCode_ = code;
        record_.Append("exit", {{"reason", reason}, {"code", std::to_string(code)}});
        PostQuitMessage(0);
    }

    const Settings& settings_;
    const Record& record_;
    const ResponseState& responseState_;
    SOCKET listener_;
    GdiObject<HBRUSH> background_;
    GdiObject<HFONT> font_;
    ULONGLONG started_;
    unsigned long datagrams_ = 0;
    bool quitting_ = false;
    unsigned long exitCode_ = 0;
    RecordedErrors errors_;
    ControlWindow control_;
    std::vector<std::unique_ptr<CorvexWindow>> windows_;
};

LRESULT ControlWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kShowWindowsTimer) {
        standIn_.ShowCorvexWindows();
        return 0;
    }
    if (message == WM_TIMER && wParam == kShowWhenTimer) {
        standIn_.LookForShowWhen();
        return 0;
    }
    if (message == WM_TIMER && wParam == kLifetimeTimer) {
        standIn_.EndOfLifetime();
        return 0;
    }
    if (message == kSocketNotice) {
        standIn_.ReceiveDatagrams();
        return 0;
    }
    return Default(message, wParam, lParam);
}

LRESULT CorvexWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        standIn_.PaintTitle(Handle());
        return 0;
    }
    if (message == WM_CLOSE) {
        standIn_.Close();
        return 0;
    }
    return Default(message, wParam, lParam);
}

// The error box, recorded once it is on the screen (with its window, for tests to find it) and
// once it is answered. MessageBoxW returns only then; its own message loop runs the timer that
// looks for it meanwhile.
class ErrorBox {
  public:
    ErrorBox(const ErrorBoxContent& content, const Record& record)
        : content_(content), record_(record) {}

    // The answer: IDOK, or 0 when no box could be shown.
    int Show() {
        shown_ = this;
        timer_ = SetTimer(nullptr, 0, kLookEveryMs, Look);
        const ostrel::WideText caption = Wide(content_.caption.value_or(""));
        const int answer =
            MessageBoxW(nullptr, Wide(content_.text).data(),
                        content_.caption ? caption.data() : nullptr, MB_OK | MB_ICONERROR);
        if (timer_) KillTimer(nullptr, timer_);
        shown_ = nullptr;
        return answer;
    }

  private:
    static constexpr UINT kLookEveryMs = 20;

    static BOOL CALLBACK TakeShownBox(HWND window, LPARAM into) {
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(into) = window;
        return FALSE;
    }

    static void CALLBACK Look(HWND, UINT, UINT_PTR, DWORD) {
        ErrorBox* box = shown_;
        if (!box || !box->timer_) return;
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), TakeShownBox, reinterpret_cast<LPARAM>(&found));
        if (!found) return;
        KillTimer(nullptr, box->timer_);
        box->timer_ = 0;
        ostrel::WideText caption(256);
        const int length = GetWindowTextW(found, caption.data(), static_cast<int>(caption.size()));
        box->record_.Append(
            "box", {{"caption", Escaped(Utf8(caption.data(), static_cast<std::size_t>(length)))},
                    {"window", std::to_string(reinterpret_cast<std::uintptr_t>(found))}});
    }

    inline static ErrorBox* shown_ = nullptr;  // one box at a time, on the one thread
    const ErrorBoxContent& content_;
    const Record& record_;
    UINT_PTR timer_ = 0;
};

Record::Fields StartFields(const Settings& settings, const ResponseState& responseState,
                           const std::string& started) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%08lx", static_cast<unsigned long>(startup.dwFlags));
    ostrel::WideText folder(32768);
    const DWORD folderLength =
        GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());

    return {
        {"program", Escaped(ProgramPath())},
        {"command_line", Escaped(Utf8(GetCommandLineW()))},
        {"current_directory", Escaped(Utf8(folder.data(), folderLength))},
        {"startup_flags", flags},
        {"show_window", startup.dwFlags & STARTF_USESHOWWINDOW ? std::to_string(startup.wShowWindow)
                                                               : std::string("none")},
        {"windows", Escaped(settings.windows)},
        {"delay_ms", std::to_string(settings.delayMs)},
        {"lifetime_ms", std::to_string(settings.lifetimeMs)},
        {"answer_after", std::to_string(settings.answerAfter)},
        {"exit_code", std::to_string(settings.exitCode)},
        {"error_box", Escaped(settings.errorBox)},
        {"ombrix", Escaped(responseState.Describe())},
        {"counter", started}};
}

// --- Started through helpers -----------------------------------------------------------------

// With OSTREL_CORVEX_HELPERS at N > 0, the stand-in starts itself again with N - 1 and
// " via-helper" added to its command line, and ends at once, before it records anything: the last
// of the chain is the Corvex that records and shows its windows, with a " via-helper" for each
// helper at the end of its command line. False when it is that one (or the next could not be
// started).
bool HandedOnToAHelper() {
    constexpr char kHelpers[] = "OSTREL_CORVEX_HELPERS";
    const unsigned long helpers = NumberOr(Environment(kHelpers, ""), 0, 16);
    if (helpers == 0) return false;
    SetEnvironmentVariableW(Wide(kHelpers).data(), Wide(std::to_string(helpers - 1)).data());
    ostrel::WideText commandLine = Wide(Utf8(GetCommandLineW()) + " via-helper");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION next{};
    if (!CreateProcessW(Wide(ProgramPath()).data(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &next)) {
        return false;
    }
    const KernelHandle process(next.hProcess), thread(next.hThread);
    return true;
}

}  // namespace

int main() {
    if (HandedOnToAHelper()) return 0;
    const std::string started = CounterNow();
    const std::string programFolder = FolderOf(ProgramPath());
    const Settings settings = ReadSettings();
    const Record record(settings.recordPath);
    const ResponseState responseState(settings.ombrixDll, programFolder);
    responseState.Set(false);  // a new instance has answered nobody yet

    record.Append("start", StartFields(settings, responseState, started));
    // The error box comes before the listener, as a Java runtime's own box comes before the
    // program.
    if (settings.errorBoxContent) {
        const int answer = ErrorBox(*settings.errorBoxContent, record).Show();
        record.Append("box-closed", {{"answer", std::to_string(answer)}});
    }
    const ostrel::WinsockSession winsock(MAKEWORD(2, 2));
    // With no lifetime there is nothing to listen for.
    const Listener listener = !settings.listens || settings.lifetimeMs == 0 ? Listener{}
                              : winsock.Started()                           ? ListenForWakeUps()
                                                  : Listener{OwnedSocket(), -1};
    record.Append("listen", {{"listen", ListenText(listener)}});
    if (settings.lifetimeMs == 0) {
        responseState.Set(false);
        record.Append("exit",
                      {{"reason", "lifetime"}, {"code", std::to_string(settings.exitCode)}});
        return static_cast<int>(settings.exitCode);
    }

    StandIn standIn(settings, record, responseState, listener.socket.get());
    if (const std::string failed = standIn.Start(); !failed.empty()) {
        record.Append("error",
                      {{"what", Escaped(failed)}, {"code", std::to_string(GetLastError())}});
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    responseState.Set(false);
    return static_cast<int>(standIn.ExitCode());
}
