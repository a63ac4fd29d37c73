#include "core/window_win32.h"

#include "core/system_error_win32.h"
#include "core/text_win32.h"

namespace ostrel {
namespace {

void RegisterOnce(const WindowClass& windowClass, WNDPROC procedure, const UserText& failure) {
    const WideText name = Wide(windowClass.name);
    WNDCLASSW registered{};
    registered.style = windowClass.style;
    registered.lpfnWndProc = procedure;
    registered.hInstance = GetModuleHandleW(nullptr);
    registered.hIcon = windowClass.icon;
    registered.hCursor = windowClass.cursor;
    registered.hbrBackground = windowClass.background;
    registered.lpszClassName = name.data();
    if (!RegisterClassW(&registered) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        RaiseSystemError(StartupFailures::WindowClass(failure, windowClass.name));
    }
}

}  // namespace

Window::~Window() { Destroy(); }

void Window::Create(const WindowClass& windowClass, const WindowPlacement& placement,
                    const UserText& failure) {
    Destroy();
    RegisterOnce(windowClass, WindowProc, failure);
    const HWND window = CreateWindowExW(
        placement.exStyle, Wide(windowClass.name).data(), Wide(placement.text.String()).data(),
        placement.style, placement.left, placement.top, placement.width, placement.height,
        placement.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(placement.childId)),
        GetModuleHandleW(nullptr), this);
    if (!window) RaiseSystemError(failure);
}

HWND CreateChildControl(HWND parent, const ChildControl& control, const UserText& failure) {
    const HWND child = CreateWindowExW(
        control.exStyle, Wide(control.windowClass).data(), Wide(control.text.String()).data(),
        control.style | WS_CHILD, control.bounds.left, control.bounds.top,
        control.bounds.right - control.bounds.left, control.bounds.bottom - control.bounds.top,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
        GetModuleHandleW(nullptr), nullptr);
    if (!child) RaiseSystemError(failure);
    return child;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

void Window::Report(const std::exception& error) noexcept {
    if (!errors_) return;
    try {
        errors_->ShowException(error);
    } catch (...) {
        // The report itself failed; nothing is left to tell.
    }
}

LRESULT CALLBACK Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // Before WM_NCCREATE (WM_GETMINMAXINFO may come first), and while Destroy takes the window
    // down, there is no object to ask.
    if (!self || self->window_.get() != window) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        self->Report(error);
    } catch (...) {
        self->Report(Exception(StartupFailures::UnknownException));
    }
    if (message == WM_NCDESTROY) self->window_.release();
    return result;
}

}  // namespace ostrel
