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
constexpr DWORD kFramedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFramedExStyle = WS_EX_DLGMODALFRAME;
constexpr DWORD kBorderlessStyle = WS_POPUP | WS_CLIPCHILDREN;

// Image1's place in Panel1. Where the two overlap, Image1 lies over the panel's bevels.
constexpr int kImage1Left = 3;
constexpr int kImage1Top = 3;

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

TAboutBox::TAboutBox(ErrorReporter& owner)
    : Window(&owner),
      dpi_(SystemDpi()),
      picture_(IDR_ABOUT_PICTURE, dpi_),
      Panel1(owner, picture_) {
    // Decoded before any window exists: a picture that cannot be decoded leaves nothing behind.
    picture_.Load();
    const SIZE outer = FramedOuterSize(dpi_);
    WindowPlacement placement;
    placement.exStyle = kFramedExStyle;
    placement.text = WindowTexts::AboutBox;
    placement.style = kFramedStyle;
    placement.left = ScaleToDpi(kLayoutLeft, dpi_);
    placement.top = ScaleToDpi(kLayoutTop, dpi_);
    placement.width = outer.cx;
    placement.height = outer.cy;
    Create(WindowClass{kClassName, GetSysColorBrush(COLOR_BTNFACE)}, placement,
           StartupFailures::PictureBox);
    // Panel1 is aligned to the whole client area and follows it (WM_SIZE).
    RECT client{};
    GetClientRect(Handle(), &client);
    Panel1.Create(Handle(), client,
                  POINT{ScaleToDpi(kImage1Left, dpi_), ScaleToDpi(kImage1Top, dpi_)},
                  picture_.Size());
}

void TImage::Create(HWND parent, const RECT& bounds, int id) {
    WindowPlacement placement;
    placement.style = WS_CHILD | WS_VISIBLE;
    placement.left = bounds.left;
    placement.top = bounds.top;
    placement.width = bounds.right - bounds.left;
    placement.height = bounds.bottom - bounds.top;
    placement.parent = parent;
    placement.childId = id;
    // No background brush: its painting covers it all.
    Window::Create(WindowClass{kClassName}, placement, StartupFailures::PictureBoxControls);
}

LRESULT TImage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: {
            // Centred in Image1's bounds, which Image1 took from the picture. The picture was
            // decoded before the box was made, so drawing it cannot fail here.
            const PaintDc paint(Handle());
            RECT bounds{};
            GetClientRect(Handle(), &bounds);
            const SIZE picture = picture_.Size();
            picture_.Draw(paint.get(), (bounds.right - picture.cx) / 2,
                          (bounds.bottom - picture.cy) / 2);
            return 0;
        }
        default:
            return Default(message, wParam, lParam);
    }
}

void TPanel::Create(HWND box, const RECT& bounds, POINT image1Place, SIZE picture) {
    WindowPlacement placement;
    placement.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    placement.width = bounds.right;
    placement.height = bounds.bottom;
    placement.parent = box;
    placement.childId = TAboutBox::kPanel1Id;
    // No background brush: its painting covers it all.
    Window::Create(WindowClass{TAboutBox::kPanelClassName}, placement,
                   StartupFailures::PictureBoxControls);
    // Image1 sizes itself to the picture (scaled, as its place is); the panel owns it.
    Image1.Create(
        Handle(),
        RECT{image1Place.x, image1Place.y, image1Place.x + picture.cx, image1Place.y + picture.cy},
        TAboutBox::kImage1Id);
}

void TAboutBox::ShowOnTop() {
    HWND box = Handle();
    // 1. No border: the frame and the caption bar go, the outer rectangle stays, and the whole
    //    window becomes client area. Panel1 grows with it; Image1 keeps its place.
    //    A tool window: it gets no taskbar button and no Alt+Tab entry of its own, and unlike a
    //    window owned by the main window it stays in view while the main window is minimised.
    SetWindowLongPtrW(box, GWL_STYLE, kBorderlessStyle);
    SetWindowLongPtrW(box, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
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

void TAboutBox::ShowAgain() {
    if (closed_) return;
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TAboutBox::AlignPanel1() {
    if (!Panel1.Handle()) return;  // the box is still being created
    RECT client{};
    GetClientRect(Handle(), &client);
    MoveWindow(Panel1.Handle(), 0, 0, client.right, client.bottom, TRUE);
}

LRESULT TAboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            AlignPanel1();
            return 0;
        case WM_CLOSE:
            // The box is not the main window: a close command only hides it, for good.
            closed_ = true;
            ShowWindow(Handle(), SW_HIDE);
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}

void TPanel::Paint() {
    const PaintDc paint(Handle());
    RECT bounds{};
    GetClientRect(Handle(), &bounds);
    FillRect(paint.get(), &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawBevel(paint.get(), bounds, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);  // raised outer bevel
    InflateRect(&bounds, -1, -1);
    DrawBevel(paint.get(), bounds, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);  // lowered inner bevel
}

LRESULT TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            Paint();
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace ostrel
