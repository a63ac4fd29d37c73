#include "handover/desktop_win32.h"

#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace ostrel {
namespace {

// The list that the running enumeration fills; CollectWindow reaches it through here.
std::vector<WindowHandle>* WindowList = nullptr;
// What went wrong inside CollectWindow, rethrown once EnumWindows has returned: an exception
// must not unwind through the system's frames.
std::exception_ptr collectFailure;

// Any non-zero result goes on with the enumeration; this one has all 32 bits set.
constexpr BOOL kAllBitsTrue = ~BOOL{0};

BOOL CALLBACK CollectWindow(HWND window, LPARAM /*mainWindow*/) {
    try {
        WindowList->push_back(reinterpret_cast<WindowHandle>(window));
        return kAllBitsTrue;
    } catch (...) {
        collectFailure = std::current_exception();
        return FALSE;
    }
}

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

class Win32Desktop : public Desktop {
  public:
    explicit Win32Desktop(HWND mainWindow) : mainWindow_(mainWindow) {}

    std::vector<WindowHandle> TopLevelWindows() override {
        std::vector<WindowHandle> windows;
        WindowList = &windows;
        collectFailure = nullptr;
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&mainWindow_));
        WindowList = nullptr;
        if (collectFailure) std::rethrow_exception(std::exchange(collectFailure, nullptr));
        return windows;
    }

    std::string WindowTitle(WindowHandle window) override {
        constexpr int kTitleLimit = 80;  // the NUL included
        char title[kTitleLimit + 1] = {};
        if (GetWindowTextA(ToHwnd(window), title, kTitleLimit) <= 0) return {};
        return title;
    }

    std::string WindowClass(WindowHandle window) override {
        constexpr int kClassLimit = 100;  // the NUL included
        std::string className(kClassLimit, '\0');
        if (GetClassNameA(ToHwnd(window), className.data(), kClassLimit) <= 0) return {};
        className.resize(className.find('\0'));
        return className;
    }

    void Activate(WindowHandle window) override {
        ShowWindow(ToHwnd(window), SW_SHOWNORMAL);
        BringWindowToTop(ToHwnd(window));
        SetForegroundWindow(ToHwnd(window));
    }

  private:
    HWND mainWindow_;
};

}  // namespace

std::unique_ptr<Desktop> CreateDesktop(HWND mainWindow) {
    return std::make_unique<Win32Desktop>(mainWindow);
}

}  // namespace ostrel
