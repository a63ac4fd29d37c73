#include "handover/desktop_win32.h"

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text_win32.h"

namespace ostrel {
namespace {

// What one enumeration collects. What goes wrong inside CollectWindow is rethrown once EnumWindows
// has returned: an exception must not unwind through the system's frames.
struct Collection {
    std::vector<WindowHandle> windows;
    std::exception_ptr failure;
};

// Any non-zero result goes on with the enumeration; this one has all 32 bits set.
constexpr BOOL kAllBitsTrue = ~BOOL{0};

BOOL CALLBACK CollectWindow(HWND window, LPARAM collection) {
    auto& into = *reinterpret_cast<Collection*>(collection);
    try {
        into.windows.push_back(reinterpret_cast<WindowHandle>(window));
        return kAllBitsTrue;
    } catch (...) {
        into.failure = std::current_exception();
        return FALSE;
    }
}

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

// The `length` characters an ANSI call wrote into `text`, in UTF-8; "" when it wrote none.
std::string AnsiText(const char* text, int length) {
    if (length <= 0) return {};
    return Utf8FromCodePage(std::string_view(text, static_cast<std::size_t>(length)), CP_ACP);
}

class Win32Desktop : public Desktop {
  public:
    std::vector<WindowHandle> TopLevelWindows() override {
        Collection collection;
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&collection));
        if (collection.failure) std::rethrow_exception(collection.failure);
        return std::move(collection.windows);
    }

    // Through the ANSI calls and their limits, as the window search counts them; the log gets
    // UTF-8.
    std::string WindowTitle(WindowHandle window) override {
        char title[kTitleLimit] = {};
        const int length = GetWindowTextA(ToHwnd(window), title, static_cast<int>(kTitleLimit));
        return AnsiText(title, length);
    }

    std::string WindowClass(WindowHandle window) override {
        char className[kClassNameLimit] = {};
        const int length =
            GetClassNameA(ToHwnd(window), className, static_cast<int>(kClassNameLimit));
        return AnsiText(className, length);
    }

    ProcessId WindowProcess(WindowHandle window) override {
        DWORD process = 0;
        if (!GetWindowThreadProcessId(ToHwnd(window), &process)) return 0;
        return process;
    }

    bool WindowExists(WindowHandle window) override { return IsWindow(ToHwnd(window)) != FALSE; }

    bool WindowVisible(WindowHandle window) override {
        return IsWindowVisible(ToHwnd(window)) != FALSE;
    }

    // ShowWindow and BringWindowToTop wait for the window's thread to take their messages: a
    // Corvex whose window thread hangs would hang the launcher. Posted, they do the same once
    // the thread takes them; SetForegroundWindow waits for no other thread.
    void Activate(WindowHandle window) override {
        ShowWindowAsync(ToHwnd(window), SW_SHOWNORMAL);
        SetWindowPos(ToHwnd(window), HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
        SetForegroundWindow(ToHwnd(window));
    }

    std::uint32_t AllowForeground(ProcessId process) override {
        return AllowSetForegroundWindow(process) ? 0 : GetLastError();
    }
};

}  // namespace

std::unique_ptr<Desktop> CreateDesktopAdapter() { return std::make_unique<Win32Desktop>(); }

}  // namespace ostrel
