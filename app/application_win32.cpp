#include "app/application_win32.h"

#include <cwchar>

#include "app/Unit1_win32.h"
#include "app/application_rules.h"
#include "app/clock_win32.h"
#include "app/launch_guard_win32.h"
#include "app/platform_win32.h"
#include "app/resource_ids.h"
#include "app/run_log_win32.h"
#include "core/text_win32.h"
#include "launch/ShellUtils_win32.h"
#include "ostrel_version.h"

namespace ostrel {
namespace {

// As the system lower-cases: "ÉTÉ" gives "Été", and a first character of two UTF-16 units
// (a surrogate pair) is kept whole.
std::string SystemLowerAfterFirst(const std::string& name) {
    WideText lowered = Wide(name);
    const std::size_t length = lowered.size() - 1;
    if (length == 0) return {};
    const std::size_t first = IS_HIGH_SURROGATE(lowered[0]) && length > 1 ? 2 : 1;
    CharLowerBuffW(lowered.data() + first, static_cast<DWORD>(length - first));
    return Utf8(lowered.data(), length);
}

constexpr DWORD kApplicationStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

UserText ProgramTitle() {
    // A name, not words of the program's own.
    return UserText::Verbatim(
        ApplicationTitle(Win32LaunchShell(nullptr).ModuleFileName(), SystemLowerAfterFirst));
}

namespace {

// Not every implementation of MessageBox honours MB_TOPMOST for an owned box; making the box
// topmost as it is activated gives the same on all of them.
LRESULT CALLBACK TopmostWhenActivated(int code, WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    wchar_t windowClass[8] = {};
    if (code == HCBT_ACTIVATE && GetClassNameW(window, windowClass, 8) &&
        std::wcscmp(windowClass, L"#32770") == 0) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A box as ShowBoxToTheFront shows it, of any text: the default error box's is an exception's
// message.
void ShowBox(HWND owner, const std::string& text, const UserText& title, UINT type) {
    const OwnedHook hook(
        SetWindowsHookExW(WH_CBT, TopmostWhenActivated, nullptr, GetCurrentThreadId()));
    MessageBoxW(owner, Wide(text).data(), Wide(title.String()).data(),
                type | MB_TOPMOST | MB_SETFOREGROUND);
}

}  // namespace

void ShowBoxToTheFront(HWND owner, const UserText& text, const UserText& title, UINT type) {
    ShowBox(owner, text.String(), title, type);
}

void ShowDefaultErrorBox(HWND owner, const UserText& title, const std::exception& error) {
    ShowBox(owner, ErrorBoxText(error.what()), title, MB_OK | MB_ICONERROR);
}

ApplicationWindow::ApplicationWindow(ErrorReporter& errors, const UserText& title)
    : Window(&errors) {
    // In the middle of the screen: a box it owns is centred on it, and so on the screen.
    WindowPlacement placement;
    placement.text = title;
    placement.style = kApplicationStyle;
    placement.left = GetSystemMetrics(SM_CXSCREEN) / 2;
    placement.top = GetSystemMetrics(SM_CYSCREEN) / 2;
    Create(WindowClass{kClassName, nullptr, LoadIconA(GetModuleHandleA(nullptr), kMainIconName)},
           placement, StartupFailures::ApplicationWindow);
}

void ApplicationWindow::FollowMainWindow(bool minimized) {
    if (minimized && !IsIconic(Handle())) {
        ShowWindow(Handle(), SW_SHOWMINNOACTIVE);
    } else if (!minimized && (IsIconic(Handle()) || !IsWindowVisible(Handle()))) {
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    }
}

HWND ApplicationWindow::BoxOwner() {
    const bool inView = mainWindow_ && IsWindowVisible(mainWindow_) && !IsIconic(mainWindow_);
    if (inView) return mainWindow_;
    if (!IsWindowVisible(Handle())) FollowMainWindow(true);
    return Handle();
}

LRESULT ApplicationWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!mainWindow_) return Default(message, wParam, lParam);
    switch (message) {
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MINIMIZE:
                    ShowWindow(mainWindow_, SW_MINIMIZE);
                    return 0;
                case SC_RESTORE:
                    // The main window runs the launch first when it has not run yet, and
                    // decides then whether it is restored.
                    if (IsIconic(mainWindow_)) ShowWindow(mainWindow_, SW_RESTORE);
                    return 0;
                default:
                    break;
            }
            break;
        case WM_SETFOCUS:
            // Activated through its button: the main window is what the user means.
            if (IsWindowVisible(mainWindow_) && IsWindowEnabled(mainWindow_) &&
                !IsIconic(mainWindow_)) {
                SetFocus(mainWindow_);
            }
            return 0;
        case WM_CLOSE:
            // Also what the button's Close (SC_CLOSE) becomes in the default procedure.
            PostMessageA(mainWindow_, WM_CLOSE, 0, 0);
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

Application::Application(LaunchGuard* guard)
    : started_(SystemClock().Now()), guard_(guard), title_(ProgramTitle()), window_(*this, title_) {
    if (guard_) guard_->Mark(window_.Handle());
}

void Application::EndLaunch() {
    if (guard_) guard_->Release();
}

Application::~Application() = default;

void Application::ShowException(const std::exception& error) {
    HidePictureBoxes();
    BeforeBox(LogFileTexts::ErrorBox(ErrorBoxText(error.what())));
    ShowDefaultErrorBox(window_.BoxOwner(), title_, error);
}

TAboutBox& Application::CreateAboutBox() {
    aboutBoxes_.push_back(std::make_unique<TAboutBox>(*this));
    return *aboutBoxes_.back();
}

void Application::HidePictureBoxes() {
    for (const std::unique_ptr<TAboutBox>& box : aboutBoxes_) ShowWindow(box->Handle(), SW_HIDE);
}

void Application::StartRunLog() {
    if (runLog_.Started()) return;
    runLogPath_ = ostrel::RunLogPath();
    runLog_.Start(OpenRunLogFile(runLogPath_),
                  RunLogHeading(started_, OSTREL_PRODUCT_VERSION,
                                Win32LaunchShell(nullptr).ModuleFileName()));
}

std::string Application::RunLogPath() {
    StartRunLog();
    return runLog_.Written() ? runLogPath_ : std::string();
}

void Application::BeforeBox(const UserText& line) {
    runLog_.Add(line);
    StartRunLog();
}

std::unique_ptr<MainWindow> Application::MakeMainWindow(Application& application,
                                                        Platform& platform) {
    return std::make_unique<MainWindow>(application, platform);
}

int Application::Start(const MainWindowMaker& makeMainWindow) {
    try {
        Platform platform(*this);
        const std::unique_ptr<MainWindow> Form1 = makeMainWindow(*this, platform);
        return Run(*Form1);
    } catch (const std::exception& error) {
        window_.SetMainWindow(nullptr);  // gone with Form1
        ShowException(error);
        return 1;
    }
}

int StartupShowCommand() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
}

int Application::Run(MainWindow& mainWindow) {
    window_.SetMainWindow(mainWindow.Handle());
    mainWindow.ShowFirstTime(StartupShowCommand());
    // AboutBox: created at start-up and never shown. Made once the showing has run the launch,
    // which does not wait for a window nobody sees; and so is the log file.
    CreateAboutBox();
    StartRunLog();
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (DialogKeyboard::TakeMessage(mainWindow.Handle(), message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    window_.SetMainWindow(nullptr);
    // WM_QUIT carries the exit code the main window ended with.
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

}  // namespace ostrel
