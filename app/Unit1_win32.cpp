#include "app/Unit1_win32.h"

#include <commctrl.h>

#include "app/Application_win32.h"
#include "app/dpi_win32.h"
#include "app/resource_ids.h"
#include "core/errors.h"
#include "core/text_win32.h"
#include "handover/desktop_win32.h"
#include "handover/wake_up_win32.h"
#include "launch/shortcuts_win32.h"
#include "net/UDPEndpoint_win32.h"

namespace ostrel {
namespace {

constexpr int kLeft = 8;
constexpr int kTop = 132;
constexpr int kClientWidth = 602;
constexpr int kClientHeight = 478;
constexpr char kCaption[] = "Please Wait....";
constexpr DWORD kStyle = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kRunFormShow = WM_APP + 1;
constexpr int kFontHeight = -11;  // 8 point
constexpr wchar_t kDebugMarker[] = L"abc.txt";

// Positions and sizes in pixels at 96 dots per inch, scaled to the system's when the window is
// made.
struct ControlLayout {
    int id;
    const char* windowClass;
    const char* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;
};

RECT ScaledBounds(int left, int top, int width, int height, int dpi) {
    return ScaleToDpi(RECT{left, top, left + width, top + height}, dpi);
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr ControlLayout kControls[] = {
    {kLabel1, "STATIC", "close", kChild | SS_CENTER | SS_NOTIFY, 0, 576, 0, 25, 13},
    {kButton1, "BUTTON", "Find windows", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 8, 72, 75, 25},
    {kButton2, "BUTTON", "start from registy", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 8, 8, 121,
     25},
    {kMemo1, "EDIT", "",
     kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
     WS_EX_CLIENTEDGE, 8, 200, 593, 273},
    {kButton3, "BUTTON", "Send", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 308, 6, 75, 25},
    // Created last: a new child goes to the bottom of the z-order, beneath every other control.
    {kImage1, "STATIC", "", kChild | SS_OWNERDRAW, 0, 0, 0, 640, 480},
};

}  // namespace

std::unique_ptr<TUDPEndpoint> CreateUDPEndpoint1(DataReceivedHandler onDataReceived,
                                                 ErrorReporter* errors) {
    // The order in which the form loader assigns the stored values, then its notification.
    auto endpoint = std::make_unique<TUDPEndpoint>(CreateWinsockLayer(errors));
    endpoint->RemoteHost = kLoopback;
    endpoint->RemotePort = kCorvexPort;
    // The launcher only ever talks to this machine: bound to the loopback interface, its port is
    // not reachable from the network, and a firewall has nothing to ask the user about.
    endpoint->LocalHost = kLoopback;
    endpoint->SetLocalPort(kLauncherPort);
    endpoint->ReportLevel = 1;
    if (onDataReceived) {
        endpoint->OnDataReceived = [handler = std::move(onDataReceived)](
                                       TUDPEndpoint&, std::int32_t NumberBytes,
                                       const std::string& FromIP,
                                       std::int32_t Port) { handler(NumberBytes, FromIP, Port); };
    }
    endpoint->PropertiesLoaded();
    return endpoint;
}

MainWindow::MainWindow(Application& application)
    : Window(&application),
      application_(application),
      dpi_(SystemDpi()),
      picture_(IDR_MAIN_PICTURE, dpi_) {
    // No frame: the window's bounds are its client area.
    const RECT bounds = ScaledBounds(kLeft, kTop, kClientWidth, kClientHeight, dpi_);
    WindowPlacement placement;
    placement.text = kCaption;
    placement.style = kStyle;
    placement.left = bounds.left;
    placement.top = bounds.top;
    placement.width = bounds.right - bounds.left;
    placement.height = bounds.bottom - bounds.top;
    // Owned by the application's window, which is the program's taskbar button: the main window
    // gets none of its own.
    placement.parent = application_.OwnerWindow().Handle();
    Create(WindowClass{kClassName, GetSysColorBrush(COLOR_BTNFACE),
                       LoadIconA(GetModuleHandleA(nullptr), "MAINICON")},
           placement, "Cannot create the main window");
    CreateControls();

    shell_ = std::make_unique<Win32LaunchShell>(
        Handle(), [this](KernelHandle process) { corvex_.Add(std::move(process)); });
    files_ = CreateLaunchFiles();
    desktop_ = CreateDesktopAdapter();
    responseState_ = CreateResponseState();
    dateTimeFormat_ = CreateUserDateTimeFormat();
    udpEndpoint_ = CreateUDPEndpoint1(
        [this](int NumberBytes, const std::string& FromIP, int Port) {
            if (form_) form_->UDPEndpoint1DataReceived(NumberBytes, FromIP, Port);
        },
        &application_);
    form_ = std::make_unique<TForm1>(Form1Ports{*this, *this, javaKeys_, *shell_, *files_,
                                                *desktop_, *responseState_, corvex_, clock_,
                                                *dateTimeFormat_, *udpEndpoint_});
    form_->FormCreate();
}

MainWindow::~MainWindow() = default;

void MainWindow::CreateControls() {
    font_ = GdiObject<HFONT>(CreateFontW(ScaleToDpi(kFontHeight, dpi_), 0, 0, 0, FW_NORMAL, FALSE,
                                         FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    for (const ControlLayout& control : kControls) {
        const RECT bounds =
            ScaledBounds(control.left, control.top, control.width, control.height, dpi_);
        // Unicode controls: the log shows every path as it is.
        HWND child =
            CreateWindowExW(control.exStyle, Wide(control.windowClass).data(),
                            Wide(control.text).data(), control.style, bounds.left, bounds.top,
                            bounds.right - bounds.left, bounds.bottom - bounds.top, Handle(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                            GetModuleHandleW(nullptr), nullptr);
        if (!child) throw Exception("Cannot create the main window's controls");
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        if (control.id == kMemo1) memo_ = child;
    }
    // The log grows for as long as the launcher runs: lift the edit control's default limit.
    SendMessageW(memo_, EM_SETLIMITTEXT, 0, 0);
    SetWindowSubclass(memo_, Memo1Keys, 0, 0);
}

// Memo1 takes the keys a multi-line text box takes, but Tab and Escape: Tab moves on to the next
// control, as in a dialog, and Escape does not close the window (which a multi-line edit control
// in a dialog does).
LRESULT CALLBACK MainWindow::Memo1Keys(HWND memo, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(memo, Memo1Keys, id);
    LRESULT result = DefSubclassProc(memo, message, wParam, lParam);
    if (message == WM_GETDLGCODE && lParam) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE)) {
            result &= ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS);
        }
    }
    return result;
}

void MainWindow::ShowFirstTime(int showCommand) {
    if (showCommand == SW_SHOWMINNOACTIVE) {
        // Nothing is launched until the user restores the program.
        state_ = State::kMinimized;
        formShowPending_ = true;
        ShowWindow(Handle(), SW_SHOWMINNOACTIVE);
        displayed_ = true;
        return;
    }
    state_ = showCommand == SW_SHOWMAXIMIZED ? State::kMaximized : State::kNormal;
    RunFormShow();
}

void MainWindow::RunFormShow() {
    formShowPending_ = false;
    const RunningHandler running(*this);
    // The program's taskbar button is there before the launch runs, so that a box the launch
    // shows (no runtime, a script that could not be written) can be found again; minimised and
    // without taking the foreground, as the window it stands for is not shown yet.
    if (!displayed_) application_.OwnerWindow().FollowMainWindow(true);
    try {
        form_->FormShow();
    } catch (const std::exception& error) {
        // The window stays open and in view, in the state it was shown in but never minimised,
        // with no timer, until the user closes it.
        if (state_ == State::kMinimized) state_ = State::kNormal;
        ApplyState();
        // No polling follows: a new start may launch again.
        application_.EndLaunch();
        application_.ShowException(error);
        return;
    }
    ApplyState();
}

void MainWindow::ApplyState() {
    displayed_ = true;
    ApplicationWindow& button = application_.OwnerWindow();
    switch (state_) {
        case State::kMinimized:
            ShowWindow(Handle(), SW_SHOWMINNOACTIVE);
            button.FollowMainWindow(true);
            break;
        case State::kMaximized:
            button.FollowMainWindow(false);
            ShowWindow(Handle(), SW_SHOWMAXIMIZED);
            break;
        case State::kNormal:
            button.FollowMainWindow(false);
            ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOWNORMAL);
            break;
    }
}

void MainWindow::Add(const std::string& line) {
    // What the user typed into the log stays, but a log line always starts a line of its own.
    const LRESULT lastLine = SendMessageW(memo_, EM_GETLINECOUNT, 0, 0) - 1;
    const LRESULT lastLineStart = SendMessageW(memo_, EM_LINEINDEX, lastLine, 0);
    const bool withinALine = SendMessageW(memo_, EM_LINELENGTH, lastLineStart, 0) > 0;
    const WideText text = Wide((withinALine ? "\r\n" : "") + line + "\r\n");
    const LRESULT end = SendMessageW(memo_, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(memo_, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.data()));
}

void MainWindow::Clear() { SetWindowTextW(memo_, L""); }

void MainWindow::RestoreMainWindow() {
    state_ = State::kNormal;
    if (displayed_) ApplyState();
}

void MainWindow::Minimize() {
    state_ = State::kMinimized;
    if (displayed_) ApplyState();
}

void MainWindow::ShowNoRuntimeBox(const std::string& text) {
    MessageBoxW(application_.OwnerWindow().BoxOwner(), Wide(text).data(),
                Wide(application_.Title()).data(), MB_OK);
}

void MainWindow::ShowError(const std::exception& error) { application_.ShowException(error); }

void MainWindow::ShowWarningBox(const std::string& text) {
    MessageBoxW(application_.OwnerWindow().BoxOwner(), Wide(text).data(), L"Warning",
                MB_OK | MB_ICONWARNING);
}

void MainWindow::Close() { PostMessageA(Handle(), WM_CLOSE, 0, 0); }

void MainWindow::SetTimerEnabled(bool enabled) {
    if (enabled) {
        SetTimer(Handle(), kTimer1, kTimerInterval, nullptr);
    } else {
        KillTimer(Handle(), kTimer1);
    }
}

void MainWindow::ShowPictureBox() { application_.CreateAboutBox().ShowOnTop(); }

void MainWindow::PollingEnded() { application_.EndLaunch(); }

bool MainWindow::CloseRequested() { return closeRequested_; }

MainWindow::RunningHandler::RunningHandler(MainWindow& window) : window_(window) {
    ++window_.runningHandlers_;
}

MainWindow::RunningHandler::~RunningHandler() {
    if (--window_.runningHandlers_ == 0 && window_.closeRequested_ && window_.Handle()) {
        DestroyWindow(window_.Handle());
    }
}

bool MainWindow::DebugMarkerExists() {
    const DWORD attributes = GetFileAttributesW(kDebugMarker);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MainWindow::OnCommand(int id, int notification) {
    switch (id) {
        case kLabel1:
            if (notification == STN_CLICKED) form_->Label1Click();
            break;
        case kButton1:
            if (notification == BN_CLICKED) form_->Button1Click();
            break;
        case kButton2:
            if (notification == BN_CLICKED) form_->Button2Click();
            break;
        case kButton3:
            if (notification == BN_CLICKED) form_->Button3Click();
            break;
        default:
            break;
    }
}

// Handlers raise into the window procedure, which hands what they raise to the default error box.
LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // While the window and its controls are being made, TForm1 is not there to handle anything.
    if (!form_) return Default(message, wParam, lParam);
    switch (message) {
        case WM_COMMAND: {
            const RunningHandler running(*this);
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        }
        case WM_TIMER:
            if (wParam == kTimer1) {
                const RunningHandler running(*this);
                form_->DeliverTick(application_);
            }
            return 0;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlID != kImage1) break;
            picture_.Draw(item->hDC, 0, 0);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
            if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kLabel1) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                const COLORREF background = GetSysColor(COLOR_CAPTIONTEXT);
                SetBkColor(dc, background);
                SetTextColor(dc, CloseLabelTextColour(background, GetSysColor(COLOR_WINDOWTEXT)));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_CAPTIONTEXT));
            }
            break;
        case WM_SIZE:
            application_.OwnerWindow().FollowMainWindow(wParam == SIZE_MINIMIZED);
            break;
        case WM_QUERYOPEN:
            // Restored before the launch has run: the launch runs first, as part of the showing,
            // and the window is then shown in the state it leaves, never at its normal size
            // before.
            if (formShowPending_) {
                formShowPending_ = false;
                PostMessageA(Handle(), kRunFormShow, 0, 0);
                return FALSE;
            }
            break;
        case kRunFormShow:
            state_ = State::kNormal;
            RunFormShow();
            return 0;
        case WM_ACTIVATE:
            // As in a dialog: the control that had the focus gets it back, and the first control
            // gets it when none had it.
            if (HIWORD(wParam)) break;  // minimised
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (IsChild(Handle(), GetFocus())) lastFocus_ = GetFocus();
            } else {
                SetFocus(IsChild(Handle(), lastFocus_)
                             ? lastFocus_
                             : GetNextDlgTabItem(Handle(), nullptr, FALSE));
            }
            return 0;
        case DM_GETDEFID:
            // Enter presses the focused button; elsewhere it presses nothing.
            if (const int focused = GetDlgCtrlID(GetFocus());
                focused == kButton1 || focused == kButton2 || focused == kButton3) {
                return MAKELRESULT(focused, DC_HASDEFID);
            }
            return 0;
        case WM_CLOSE:
            closeRequested_ = true;
            if (runningHandlers_ == 0) DestroyWindow(Handle());
            return 0;
        case WM_DESTROY:
            KillTimer(Handle(), kTimer1);
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace ostrel
