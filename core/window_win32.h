// How a window is made here: a class derived from Window registers its window class, creates its
// window bound to itself, and handles the window's messages in HandleMessage.
#pragma once

#include "core/errors.h"
#include "core/owners_win32.h"

namespace ostrel {

// The window class that a Window registers, once per process, the first time it creates a window
// of it. Every class that a Window registers has Window's window procedure, and its windows take
// text as UTF-16, which the program's UTF-8 is converted to.
struct WindowClass {
    const char* name;             // UTF-8
    HBRUSH background = nullptr;  // none: the window paints all of itself
    HICON icon = nullptr;
    HCURSOR cursor = LoadCursor(nullptr, IDC_ARROW);
    UINT style = 0;
};

// What CreateWindowExW is given besides the class.
struct WindowPlacement {
    DWORD exStyle = 0;
    UserText text;
    DWORD style = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;  // HWND_MESSAGE for a message-only window
    int childId = 0;        // for a child window
};

// A control of one of the system's classes ("BUTTON", "STATIC", "EDIT", ...), made as a child of
// a window, which owns it and takes it down with itself.
struct ChildControl {
    const char* windowClass;
    UserText text;
    DWORD style;  // WS_CHILD is added
    DWORD exStyle;
    RECT bounds;  // in the parent's client area
    int id;
};

// Raises the system's error, as `failure`, when the control cannot be made.
HWND CreateChildControl(HWND parent, const ChildControl& control, const UserText& failure);

class Window {
  public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Null before Create and once the window is destroyed.
    HWND Handle() const { return window_.get(); }

  protected:
    // What escapes HandleMessage goes to `errors`; with none it is dropped. No exception may
    // unwind through the system's frames of a window procedure.
    explicit Window(ErrorReporter* errors) : errors_(errors) {}
    // Destroys the window, if there is one; its last messages go to the default procedure, since
    // the derived object is gone by then.
    virtual ~Window();

    // Registers `windowClass` unless this process has done so, and creates the window, bound to
    // this object from its first message (WM_NCCREATE) to its last (WM_NCDESTROY). Called from
    // the derived constructor's body, it hands the creation's messages to the derived
    // HandleMessage, which sees the members as the constructor has set them so far. Raises
    // Exception with `failure` when the class or the window cannot be made; a window made before
    // is destroyed first.
    void Create(const WindowClass& windowClass, const WindowPlacement& placement,
                const UserText& failure);
    // Destroys the window now; DestroyWindow on Handle() does too, and lets HandleMessage see it.
    void Destroy() { window_.reset(); }

    // The default: DefWindowProcW.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(window_.get(), message, wParam, lParam);
    }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Report(const std::exception& error) noexcept;

    ErrorReporter* errors_;
    OwnedWindow window_;
};

}  // namespace ostrel
