#include "app/AboutF_win32.h"

#include "app/dpi_win32.h"
#include "app/resource_ids.h"
#include "core/errors.h"

namespace ostrel {
namespace {

// The layout, in pixels at 96 dots per inch: a dialog frame with a caption bar around a 207 x 188
// client area at 411,162. The frame only fixes the outer size, which the box keeps when ShowOnTop
// removes the frame.
constexpr int kClientWidth = 207;
constexpr int kClientHeight = 188;
constexpr int kLayoutLeft = 411;
constexpr int kLayoutTop = 162;
constexpr char kWindowText[] = "AboutBox";
constexpr DWORD kFramedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFramedExStyle = WS_EX_DLGMODALFRAME;
constexpr DWORD kBorderlessStyle = WS_POPUP | WS_CLIPCHILDREN;

// Image1's place in Panel1. Where the two overlap, Image1 lies over the panel's bevels.
constexpr int kImage1Left = 3;
constexpr int kImage1Top = 3;

// The window procedures reach the box through the pointer passed at creation.
TAboutBox* BoxOf(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<TAboutBox*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A bevel one pixel wide along the edges of `bounds`: the top and left lines in one system
// colour, the bottom and right lines (with the corners they end in) in the other.
void DrawBevel(HDC dc, const RECT& bounds, int topLeftColour, int bottomRightColour) {
    const RECT top{bounds.left, bounds.top, bounds.right - 1, bounds.top + 1};
    const RECT left{bounds.left, bounds.top, bounds.left + 1, bounds.bottom - 1};
    const RECT bottom{bounds.left, bounds.bottom - 1, bounds.right, bounds.bottom};
    const RECT right{bounds.right - 1, bounds.top, bounds.right, bounds.bottom};
    FillRect(dc, &top, GetSysColorBrush(topLeftColour));
    FillRect(dc, &left, GetSysColorBrush(topLeftColour));
    FillRect(dc, &bottom, GetSysColorBrush(bottomRightColour));
    FillRect(dc, &right, GetSysColorBrush(bottomRightColour));
}

// The outer size that the layout's frame gives the box at 96 dots per inch, scaled to `dpi`. The
// box the user sees (ShowOnTop keeps the outer size) is then the 96-dpi box scaled as a whole,
// Image1 and the panel's bevels in their places, however the platform's frame grows with the DPI
// (a frame that stays as thin as at 96, as Wine's does, would leave too little room around the
// scaled client area, and the scaled picture would be clipped). A system that measures frames
// only at its own DPI (before Windows 10 1607) puts its frame around the scaled client area.
SIZE FramedOuterSize(int dpi) {
    using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    const auto adjustForDpi =
        reinterpret_cast<AdjustWindowRectExForDpiFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
    RECT frame{0, 0, kClientWidth, kClientHeight};
    if (adjustForDpi &&
        adjustForDpi(&frame, kFramedStyle, FALSE, kFramedExStyle, kLayoutDpi) != FALSE) {
        return SIZE{ScaleToDpi(frame.right - frame.left, dpi),
                    ScaleToDpi(frame.bottom - frame.top, dpi)};
    }
    frame = RECT{0, 0, ScaleToDpi(kClientWidth, dpi), ScaleToDpi(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, kFramedStyle, FALSE, kFramedExStyle);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

}  // namespace

void TAboutBox::Register(HINSTANCE instance) {
    WNDCLASSA box{};
    box.lpfnWndProc = WindowProc;
    box.hInstance = instance;
    box.hCursor = LoadCursor(nullptr, IDC_ARROW);
    box.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    box.lpszClassName = kClassName;
    RegisterClassA(&box);

    WNDCLASSA panel{};
    panel.lpfnWndProc = Panel1Proc;
    panel.hInstance = instance;
    panel.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClassName;  // no background brush: its painting covers it all
    RegisterClassA(&panel);
}

TAboutBox::TAboutBox(HINSTANCE instance) : dpi_(SystemDpi()), picture_(IDR_ABOUT_PICTURE, dpi_) {
    // Decoded before any window exists: a picture that cannot be decoded leaves nothing behind.
    picture_.Load();
    const SIZE outer = FramedOuterSize(dpi_);
    window_.reset(CreateWindowExA(kFramedExStyle, kClassName, kWindowText, kFramedStyle,
                                  ScaleToDpi(kLayoutLeft, dpi_), ScaleToDpi(kLayoutTop, dpi_),
                                  outer.cx, outer.cy, nullptr, nullptr, instance, this));
    if (!window_) throw Exception("Cannot create the picture box");
    CreateControls(instance);
}

void TAboutBox::CreateControls(HINSTANCE instance) {
    // Panel1 is aligned to the whole client area and follows it (WM_SIZE).
    RECT client{};
    GetClientRect(window_.get(), &client);
    panel1_ =
        CreateWindowExA(0, kPanelClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                        client.right, client.bottom, window_.get(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPanel1Id)), instance, this);
    // Image1 sizes itself to the picture (scaled, as its place is).
    const SIZE picture = picture_.Size();
    const HWND image1 =
        panel1_ ? CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW,
                                  ScaleToDpi(kImage1Left, dpi_), ScaleToDpi(kImage1Top, dpi_),
                                  picture.cx, picture.cy, panel1_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kImage1Id)),
                                  instance, nullptr)
                : nullptr;
    if (!image1) throw Exception("Cannot create the picture box's controls");
}

void TAboutBox::ShowOnTop() {
    HWND box = window_.get();
    // 1. No border: the frame and the caption bar go, the outer rectangle stays, and the whole
    //    window becomes client area. Panel1 grows with it; Image1 keeps its place.
    SetWindowLongPtrA(box, GWL_STYLE, kBorderlessStyle);
    SetWindowLongPtrA(box, GWL_EXSTYLE, 0);
    SetWindowPos(box, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    // 2. Above every window that is not itself stay-on-top.
    SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // 3. Panel1's border width is 0 already: its two bevels lie side by side.
    // 4. Centred on the screen with its outer size, shown in the normal state, in front, active.
    const RECT outer = WindowRectOf(box);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowPos(box, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(box, SW_SHOWNORMAL);
    SetForegroundWindow(box);
    // 5. Painted now: the caller goes on to a window search that may keep this thread away from
    //    its message loop for a while.
    RedrawWindow(box, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void TAboutBox::AlignPanel1() {
    if (!panel1_) return;  // the box is still being created
    RECT client{};
    GetClientRect(window_.get(), &client);
    MoveWindow(panel1_, 0, 0, client.right, client.bottom, TRUE);
}

void TAboutBox::PaintPanel1(HWND panel) {
    PaintScope paint(panel);
    RECT bounds{};
    GetClientRect(panel, &bounds);
    FillRect(paint.dc(), &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawBevel(paint.dc(), bounds, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);  // raised outer bevel
    InflateRect(&bounds, -1, -1);
    DrawBevel(paint.dc(), bounds, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);  // lowered inner bevel
}

void TAboutBox::DrawImage1(const DRAWITEMSTRUCT& item) {
    // Centred in Image1's bounds, which Image1 took from the picture. The picture was decoded at
    // construction, so drawing it cannot fail here.
    const RECT& bounds = item.rcItem;
    const SIZE picture = picture_.Size();
    picture_.Draw(item.hDC, bounds.left + (bounds.right - bounds.left - picture.cx) / 2,
                  bounds.top + (bounds.bottom - bounds.top - picture.cy) / 2);
}

LRESULT CALLBACK TAboutBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TAboutBox* box = BoxOf(window, message, lParam);
    switch (message) {
        case WM_SIZE:
            if (box) box->AlignPanel1();
            return 0;
        case WM_CLOSE:
            // The box is not the main window: a close command only hides it.
            ShowWindow(window, SW_HIDE);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK TAboutBox::Panel1Proc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    TAboutBox* box = BoxOf(panel, message, lParam);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            if (!box) break;
            box->PaintPanel1(panel);
            return 0;
        case WM_DRAWITEM:
            if (!box || wParam != kImage1Id) break;
            box->DrawImage1(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        default:
            break;
    }
    return DefWindowProcA(panel, message, wParam, lParam);
}

}  // namespace ostrel
