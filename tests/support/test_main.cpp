// Entry of every Windows test program: GoogleTest's own main, with a console that Wine passes on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "core/owners_win32.h"

namespace {

// On Windows the kit's runner starts the programs one after another and nothing stops one that
// hangs (ctest stops it after 300 s): each program ends itself a little earlier, saying why, so
// that a hang costs one program's result, not the whole run.
constexpr DWORD kTimeLimitSeconds = 290;

DWORD WINAPI EndWhenOverTime(void*) {
    Sleep(kTimeLimitSeconds * 1000);
    std::printf("\n[  FAILED  ] the program did not finish within %lu s and ends here\n",
                static_cast<unsigned long>(kTimeLimitSeconds));
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const ostrel::KernelHandle watchdog(
        CreateThread(nullptr, 0, EndWhenOverTime, nullptr, 0, nullptr));
    return RUN_ALL_TESTS();
}
