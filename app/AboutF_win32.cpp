#include "app/AboutF_win32.h"

#include "app/resource_ids.h"
#include "core/errors.h"

namespace ostrel {
namespace {

constexpr int kClientWidth = 207;
constexpr int kClientHeight = 188;
constexpr int kLayoutLeft = 411;
constexpr int kLayoutTop = 162;
constexpr int kImageOffset = 3;  // Image1's place inside Panel1
constexpr DWORD kFramedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFramedExStyle = WS_EX_DLGMODALFRAME;

}  // namespace

void TAboutBox::Register(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
}

TAboutBox::TAboutBox(HINSTANCE instance) : picture_(IDR_ABOUT_PICTURE) {
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kFramedStyle, FALSE, kFramedExStyle);
    window_ = CreateWindowExA(kFramedExStyle, kClassName, "AboutBox", kFramedStyle, kLayoutLeft,
                              kLayoutTop, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance, this);
    if (!window_) throw Exception("Cannot create the picture box");
}

TAboutBox::~TAboutBox() {
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void TAboutBox::ShowOnTop() {
    RECT outer;
    GetWindowRect(window_, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowLongPtrA(window_, GWL_STYLE, WS_POPUP | WS_CLIPCHILDREN);
    SetWindowLongPtrA(window_, GWL_EXSTYLE, 0);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(window_, HWND_TOPMOST, left, top, width, height,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    SetForegroundWindow(window_);
    UpdateWindow(window_);
}

void TAboutBox::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    // Panel1: raised outer and lowered inner bevel, one pixel each.
    DrawEdge(dc, &client, BDR_RAISEDOUTER | BDR_SUNKENINNER, BF_RECT);
    // Image1 lies over the panel and its bevel, clipped by the client area only.
    try {
        picture_.Draw(dc, kImageOffset, kImageOffset);
    } catch (const Exception&) {
        // A picture that cannot be decoded leaves the white panel.
    }
    EndPaint(window_, &paint);
}

LRESULT CALLBACK TAboutBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* box = reinterpret_cast<TAboutBox*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
        case WM_PAINT:
            if (box) {
                box->Paint();
                return 0;
            }
            break;
        case WM_CLOSE:
            // The box is not the main window: a close command only hides it.
            ShowWindow(window, SW_HIDE);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace ostrel
