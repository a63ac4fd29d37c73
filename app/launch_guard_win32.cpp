#include "app/launch_guard_win32.h"

#include <algorithm>
#include <vector>

#include "app/AboutF_win32.h"
#include "app/application_win32.h"
#include "app/Unit1_win32.h"
#include "app/application_rules.h"
#include "handover/desktop_win32.h"

namespace ostrel {
namespace {

// "Local\": the user's own session. The mutex is never waited for; it only exists while a
// launcher holds it, also when that launcher ends without releasing it.
constexpr wchar_t kMutexName[] = L"Local\\Ostrel.Launching";
constexpr wchar_t kMarkProperty[] = L"Ostrel.Launching";
constexpr wchar_t kWaitingProperty[] = L"Ostrel.WaitingForRestore";
constexpr wchar_t kRestorableProperty[] = L"Ostrel.Restorable";
constexpr char kBoxClass[] = "#32770";
constexpr DWORD kPatienceMs = 3000;
constexpr DWORD kLookEveryMs = 100;

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The processes whose application window carries the mark.
BOOL CALLBACK CollectMarked(HWND window, LPARAM into) {
    DWORD process = 0;
    if (GetPropW(window, kMarkProperty) && ClassOf(window) == ApplicationWindow::kClassName &&
        GetWindowThreadProcessId(window, &process)) {
        reinterpret_cast<std::vector<DWORD>*>(into)->push_back(process);
    }
    return TRUE;
}

struct ProcessWindows {
    DWORD process;
    std::vector<LauncherWindow> windows;
};

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM into) {
    auto& search = *reinterpret_cast<ProcessWindows*>(into);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search.process) return TRUE;
    const std::string name = ClassOf(window);
    LauncherWindow::Kind kind = LauncherWindow::Kind::kOther;
    if (name == kBoxClass) kind = LauncherWindow::Kind::kBox;
    if (name == MainWindow::kClassName) kind = LauncherWindow::Kind::kMainWindow;
    if (name == TAboutBox::kClassName) kind = LauncherWindow::Kind::kPictureBox;
    search.windows.push_back({reinterpret_cast<std::uintptr_t>(window), kind,
                              IsWindowVisible(window) && !IsIconic(window),
                              GetPropW(window, kWaitingProperty) != nullptr,
                              IsWindowVisible(window) && IsIconic(window) &&
                                  GetPropW(window, kRestorableProperty) != nullptr});
    return TRUE;
}

}  // namespace

LaunchGuard::LaunchGuard() : mutex_(CreateMutexW(nullptr, FALSE, kMutexName)) {
    const DWORD error = GetLastError();
    // Made by another user's launcher in this session, or by an elevated one, the mutex exists
    // but this launcher's token may not open it: held all the same.
    heldElsewhere_ = mutex_ ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
    if (heldElsewhere_) mutex_.reset();
}

LaunchGuard::~LaunchGuard() { Release(); }

void LaunchGuard::Mark(HWND applicationWindow) {
    if (!mutex_ || !SetPropW(applicationWindow, kMarkProperty, applicationWindow)) return;
    marked_ = applicationWindow;
}

void LaunchGuard::Release() {
    if (marked_) RemovePropW(marked_, kMarkProperty);
    marked_ = nullptr;
    mutex_.reset();
}

namespace {

void Mark(HWND mainWindow, const wchar_t* property, bool set) {
    if (set) {
        SetPropW(mainWindow, property, mainWindow);
    } else {
        RemovePropW(mainWindow, property);
    }
}

}  // namespace

void MarkWaitingForRestore(HWND mainWindow, bool waiting) {
    Mark(mainWindow, kWaitingProperty, waiting);
}

void MarkRestorable(HWND mainWindow, bool restorable) {
    Mark(mainWindow, kRestorableProperty, restorable);
}

void BringLaunchingLauncherForward() {
    const std::unique_ptr<Desktop> desktop = CreateDesktopAdapter();
    std::vector<DWORD> allowed;
    const DWORD start = GetTickCount();
    do {
        std::vector<DWORD> launchers;
        EnumWindows(CollectMarked, reinterpret_cast<LPARAM>(&launchers));
        for (DWORD process : launchers) {
            // This launcher, which the user has just started, may take the foreground, and passes
            // that right on at once: what the other one shows from now on (its box, its picture,
            // or the Corvex it hands over to) may come to the front, also once this one has
            // ended.
            if (std::find(allowed.begin(), allowed.end(), process) == allowed.end()) {
                desktop->AllowForeground(process);
                allowed.push_back(process);
            }
            ProcessWindows search{process, {}};
            EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&search));
            const auto front = WindowToFront(search.windows);
            if (!front) continue;
            if (front->restore) {
                // As a click on its taskbar button: the restore reaches the window's own thread,
                // which runs the launch first (WM_QUERYOPEN), without this launcher waiting for
                // it.
                ShowWindowAsync(reinterpret_cast<HWND>(front->handle), SW_RESTORE);
            } else {
                desktop->Activate(front->handle);
            }
            return;
        }
        Sleep(kLookEveryMs);
    } while (GetTickCount() - start < kPatienceMs);
}

}  // namespace ostrel
