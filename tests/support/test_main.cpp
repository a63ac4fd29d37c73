// Entry of every Windows test program: GoogleTest's own main, with a console that Wine passes on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>

#include "core/owners_win32.h"
#include "launcher_driver.h"

namespace {

// On Windows the kit's runner starts the programs one after another and nothing stops one that
// hangs (ctest stops it after 300 s): each program ends itself a little earlier, saying why, so
// that a hang costs one program's result, not the whole run.
constexpr DWORD kTimeLimitSeconds = 290;

// Under Wine, a window that Wine hands to the X display's window manager waits up to 2 s for the
// manager each time it is hidden, minimised or destroyed, and a plain X display has no manager:
// while this program runs, its windows and those of the programs it starts (Wine reads the
// setting when a program starts) stay Wine's own, as windows are on Windows. The user's setting
// comes back afterwards.
class WineWindowsUnmanaged {
  public:
    WineWindowsUnmanaged() {
        if (!ostrel::test::UnderWine() ||
            RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.put(),
                            nullptr) != ERROR_SUCCESS) {
            return;
        }
        DWORD size = sizeof old_ - sizeof(wchar_t);  // room for the end of the text
        hadOld_ = RegQueryValueExW(key_.get(), kValue, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(old_), &size) == ERROR_SUCCESS;
        Set(L"N");
    }
    ~WineWindowsUnmanaged() { Restore(); }
    WineWindowsUnmanaged(const WineWindowsUnmanaged&) = delete;
    WineWindowsUnmanaged& operator=(const WineWindowsUnmanaged&) = delete;

    void Restore() {
        if (!key_) return;
        if (hadOld_) {
            Set(old_);
        } else {
            RegDeleteValueW(key_.get(), kValue);
        }
        key_.reset();
    }

  private:
    static constexpr wchar_t kValue[] = L"Managed";
    void Set(const wchar_t* value) {
        RegSetValueExW(key_.get(), kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }

    ostrel::OwnedRegKey key_;
    wchar_t old_[16] = {};
    bool hadOld_ = false;
};

DWORD WINAPI EndWhenOverTime(void* unmanaged) {
    Sleep(kTimeLimitSeconds * 1000);
    std::printf("\n[  FAILED  ] the program did not finish within %lu s and ends here\n",
                static_cast<unsigned long>(kTimeLimitSeconds));
    std::fflush(stdout);
    static_cast<WineWindowsUnmanaged*>(unmanaged)->Restore();
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    WineWindowsUnmanaged unmanaged;
    const ostrel::KernelHandle watchdog(
        CreateThread(nullptr, 0, EndWhenOverTime, &unmanaged, 0, nullptr));
    return RUN_ALL_TESTS();
}
