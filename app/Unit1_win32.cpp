#include "app/Unit1_win32.h"

#include "app/application_win32.h"
#include "app/dpi_win32.h"
#include "app/launch_guard_win32.h"
#include "app/platform_win32.h"
#include "app/resource_ids.h"
#include "core/text_win32.h"

namespace ostrel {
namespace {

constexpr int kLeft = 8;
constexpr int kTop = 132;
constexpr int kClientWidth = 602;
constexpr int kClientHeight = 478;
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
    const TextConstant* text;  // none: no text
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;
};

RECT ScaledBounds(int left, int top, int width, int height, int dpi) {
    return ScaleToDpi(RECT{left, top, left + width, top + height}, dpi);
}

// Which of TForm1's handlers a control's notification runs.
struct Command {
    int id;
    int notification;
    void (TForm1::*handler)();
};

constexpr Command kCommands[] = {
    {kLabel1, STN_CLICKED, &TForm1::Label1Click},
    {kButton1, BN_CLICKED, &TForm1::Button1Click},
    {kButton2, BN_CLICKED, &TForm1::Button2Click},
    {kButton3, BN_CLICKED, &TForm1::Button3Click},
};

constexpr DWORD kChild = WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr ControlLayout kControls[] = {
    {kLabel1, "STATIC", &WindowTexts::Label1, kChild | SS_CENTER | SS_NOTIFY, 0, 576, 0, 25, 13},
    {kButton1, "BUTTON", &WindowTexts::Button1, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 8, 72, 75,
     25},
    {kButton2, "BUTTON", &WindowTexts::Button2, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 8, 8, 121,
     25},
    {kMemo1, "EDIT", nullptr,
     kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
     WS_EX_CLIENTEDGE, 8, 200, 593, 273},
    {kButton3, "BUTTON", &WindowTexts::Button3, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 308, 6, 75,
     25},
    // Created last: a new child goes to the bottom of the z-order, beneath every other control.
    {kImage1, "STATIC", nullptr, kChild | SS_OWNERDRAW, 0, 0, 0, 640, 480},
};

}  // namespace

MainWindow::MainWindow(Application& application, Platform& platform)
    : Window(&application),
      application_(application),
      guard_(platform.Guard()),
      dpi_(SystemDpi()),
      picture_(IDR_MAIN_PICTURE, dpi_),
      contents_([this] { CreateControls(); }, [this] { picture_.Load(); }) {
    // No frame: the window's bounds are its client area.
    const RECT bounds = ScaledBounds(kLeft, kTop, kClientWidth, kClientHeight, dpi_);
    WindowPlacement placement;
    placement.text = WindowTexts::MainWindow;
    placement.style = kStyle;
    placement.left = bounds.left;
    placement.top = bounds.top;
    placement.width = bounds.right - bounds.left;
    placement.height = bounds.bottom - bounds.top;
    // Owned by the application's window, which is the program's taskbar button: the main window
    // gets none of its own.
    placement.parent = application_.OwnerWindow().Handle();
    Create(WindowClass{kClassName, GetSysColorBrush(COLOR_BTNFACE),
                       LoadIconA(GetModuleHandleA(nullptr), kMainIconName)},
           placement, StartupFailures::MainWindow);

    form_ = std::make_unique<TForm1>(platform.Ports(*this, *this));
    platform.SetMainWindow(Handle(), [this](int NumberBytes, const std::string& FromIP, int Port) {
        form_->UDPEndpoint1DataReceived(NumberBytes, FromIP, Port);
    });
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
        const HWND child = CreateChildControl(
            Handle(),
            {control.windowClass, control.text ? *control.text : TextConstant(), control.style,
             control.exStyle,
             ScaledBounds(control.left, control.top, control.width, control.height, dpi_),
             control.id},
            StartupFailures::MainWindowControls);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        if (control.id == kMemo1) memo_ = child;
    }
    // The log grows for as long as the launcher runs: lift the edit control's default limit.
    SendMessageW(memo_, EM_SETLIMITTEXT, 0, 0);
    DialogKeyboard::MakeTabLeave(memo_);
    // What was logged before Memo1 was made waited for it.
    SetWindowTextW(memo_, Wide(pendingLog_).data());
    pendingLog_.clear();
}

void MainWindow::ShowFirstTime(int showCommand) {
    if (showCommand == SW_SHOWMINNOACTIVE) {
        // Nothing is launched until the user restores the program.
        state_ = State::kMinimized;
        ShowWindow(Handle(), SW_SHOWMINNOACTIVE);
        // Marked once minimised: a restore from now on goes through WM_QUERYOPEN.
        firstShow_.WaitForRestore(Handle());
        displayed_ = true;
        return;
    }
    state_ = showCommand == SW_SHOWMAXIMIZED ? State::kMaximized : State::kNormal;
    RunFormShow();
}

void MainWindow::FirstShow::WaitForRestore(HWND window) {
    waiting_ = true;
    MarkWaitingForRestore(window, true);
}

bool MainWindow::FirstShow::TakeRestore(HWND window) {
    if (!waiting_) return false;
    waiting_ = false;
    MarkWaitingForRestore(window, false);
    PostMessageW(window, kRunFormShow, 0, 0);
    return true;
}

void MainWindow::RunFormShow() {
    firstShow_.Ran();
    const RunningHandler running(*this);
    try {
        form_->FormShow();
        // Going: the window is not shown on the way out.
        if (closeRequested_) return;
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
    contents_.Displayed(state_ == State::kMinimized);
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
    MarkRestorable();
}

// A later start restores the window from minimised only where the launcher does not keep it there
// itself: the log and the buttons are for the debug marker, and for a launcher whose picture has
// stepped aside for what was started (the user double-clicks again, and must see something).
void MainWindow::MarkRestorable() {
    ostrel::MarkRestorable(Handle(), pictureAside_ || state_ != State::kMinimized);
}

void MainWindow::Add(const UserText& line) {
    application_.AddToRunLog(line);
    if (!memo_) {
        pendingLog_ += line.String() + "\r\n";
        return;
    }
    // What the user typed into the log stays, but a log line always starts a line of its own.
    const LRESULT lastLine = SendMessageW(memo_, EM_GETLINECOUNT, 0, 0) - 1;
    const LRESULT lastLineStart = SendMessageW(memo_, EM_LINEINDEX, lastLine, 0);
    const bool withinALine = SendMessageW(memo_, EM_LINELENGTH, lastLineStart, 0) > 0;
    const WideText text = Wide((withinALine ? "\r\n" : "") + line.String() + "\r\n");
    const LRESULT end = SendMessageW(memo_, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(memo_, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.data()));
}

void MainWindow::Clear() {
    pendingLog_.clear();
    if (memo_) SetWindowTextW(memo_, L"");
}

void MainWindow::RestoreMainWindow() {
    state_ = State::kNormal;
    if (displayed_) ApplyState();
}

void MainWindow::Minimize() {
    state_ = State::kMinimized;
    if (displayed_) ApplyState();
}

void MainWindow::ShowNoRuntimeBox(const UserText& text) {
    contents_.BeforeBox();
    application_.HidePictureBoxes();
    application_.BeforeBox(LogFileTexts::Box(text.String()));
    ShowBoxToTheFront(application_.OwnerWindow().BoxOwner(), text, application_.Title(), MB_OK);
}

void MainWindow::ShowError(const std::exception& error) {
    contents_.BeforeBox();
    application_.ShowException(error);
}

void MainWindow::ShowLaunchFailure(const UserText& text) {
    ShowError(Exception(WithLogFileLine(text, application_.RunLogPath())));
}

void MainWindow::ShowWarningBox(const UserText& text) {
    application_.BeforeBox(LogFileTexts::WarningBox(text.String()));
    ShowBoxToTheFront(application_.OwnerWindow().BoxOwner(), text, PollTexts::WarningCaption,
                      MB_OK | MB_ICONWARNING);
}

void MainWindow::Close() { RequestClose(); }

void MainWindow::SetTimerEnabled(bool enabled) {
    if (enabled) {
        SetTimer(Handle(), kTimer1, kTimerInterval, nullptr);
    } else {
        KillTimer(Handle(), kTimer1);
    }
}

void MainWindow::ShowPictureBox() {
    pictureAside_ = false;
    MarkRestorable();
    if (pictureBox_) {
        pictureBox_->ShowAgain();
        return;
    }
    pictureBox_ = &application_.CreateAboutBox();
    pictureBox_->ShowOnTop();
}

void MainWindow::HidePictureBox() {
    application_.HidePictureBoxes();
    pictureAside_ = true;
    MarkRestorable();
}

bool MainWindow::PictureBoxInView() {
    return pictureBox_ && IsWindowVisible(pictureBox_->Handle());
}

void MainWindow::PollingEnded() { application_.EndLaunch(); }

bool MainWindow::CloseRequested() { return closeRequested_; }

bool MainWindow::DebugMarkerExists() {
    const DWORD attributes = GetFileAttributesW(kDebugMarker);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

MainWindow::RunningHandler::RunningHandler(MainWindow& window) : window_(window) {
    ++window_.runningHandlers_;
}

MainWindow::RunningHandler::~RunningHandler() {
    if (--window_.runningHandlers_ == 0) window_.LastHandlerReturned();
}

void MainWindow::LastHandlerReturned() {
    const std::vector<std::uint32_t> kept = guard_.TakeKept();
    if (closeRequested_) {
        if (Handle()) DestroyWindow(Handle());
        return;
    }
    for (const std::uint32_t command : kept) {
        PostMessageW(Handle(), WM_COMMAND, command,
                     reinterpret_cast<LPARAM>(GetDlgItem(Handle(), LOWORD(command))));
    }
}

void MainWindow::RunCommand(WPARAM wParam) {
    for (const Command& command : kCommands) {
        if (command.id != LOWORD(wParam) || command.notification != HIWORD(wParam)) continue;
        if (guard_.Keep(static_cast<std::uint32_t>(wParam))) return;  // runs after the hand-over
        const RunningHandler running(*this);
        (form_.get()->*command.handler)();
        return;
    }
}

void MainWindow::RunTick() {
    const RunningHandler running(*this);
    form_->DeliverTick(application_);
}

void MainWindow::RequestClose() {
    closeRequested_ = true;
    if (runningHandlers_ == 0) DestroyWindow(Handle());
}

// The label's background is the caption-text colour, its text the window-text colour.
LRESULT MainWindow::CloseLabelColours(HDC dc) {
    const COLORREF background = GetSysColor(COLOR_CAPTIONTEXT);
    SetBkColor(dc, background);
    SetTextColor(dc, CloseLabelTextColour(background, GetSysColor(COLOR_WINDOWTEXT)));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_CAPTIONTEXT));
}

// Image1's picture and the "close" label's colours; true when `message` was one of them.
bool MainWindow::HandleDrawing(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM && wParam == kImage1) {
        if (contents_.PictureReady()) {
            picture_.Draw(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hDC, 0, 0);
        }
        result = TRUE;
        return true;
    }
    if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kLabel1) {
        result = CloseLabelColours(reinterpret_cast<HDC>(wParam));
        return true;
    }
    return false;
}

// The first showing, the close and the end; true when `message` was one of them.
bool MainWindow::HandleLifetime(UINT message, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_QUERYOPEN:
            // Restored before the launch has run: the launch runs first, as part of the showing.
            if (firstShow_.TakeRestore(Handle())) {
                result = FALSE;
                return true;
            }
            // Restored from minimised, by the user or a later start: it shows its contents now.
            contents_.Displayed(false);
            return false;
        case kRunFormShow:
            state_ = State::kNormal;
            RunFormShow();
            return true;
        case WM_CLOSE:
            RequestClose();
            return true;
        case WM_DESTROY:
            KillTimer(Handle(), kTimer1);
            // No property may outlive the window.
            MarkWaitingForRestore(Handle(), false);
            ostrel::MarkRestorable(Handle(), false);
            PostQuitMessage(form_->ExitCode());
            return true;
        default:
            return false;
    }
}

// Handlers raise into the window procedure, which hands what they raise to the default error box.
LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // While the window and its controls are being made, TForm1 is not there to handle anything.
    if (!form_) return Default(message, wParam, lParam);
    LRESULT result = 0;
    if (keyboard_.HandleMessage(Handle(), message, wParam, result) ||
        HandleDrawing(message, wParam, lParam, result) || HandleLifetime(message, result)) {
        return result;
    }
    switch (message) {
        case WM_COMMAND:
            RunCommand(wParam);
            return 0;
        case WM_TIMER:
            if (wParam == kTimer1) RunTick();
            return 0;
        case WM_SIZE:
            // However it came to be shown at its size, it shows its contents before it paints.
            contents_.Displayed(wParam == SIZE_MINIMIZED);
            application_.OwnerWindow().FollowMainWindow(wParam == SIZE_MINIMIZED);
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace ostrel
