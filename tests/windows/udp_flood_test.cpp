// A flood of datagrams at the launcher's port, sent by another process, must not keep the
// GUI thread's 500 ms window timer from ticking.
#include <winsock.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "net/UDPEndpoint_win32.h"
#include "udp_probe.h"

namespace ostrel {
namespace {

using testing::WinsockSession;

constexpr char kSenderVariable[] = "OSTREL_FLOOD_SENDER";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerInterval = 500;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// The other process: sends `count` datagrams of 32 bytes to 127.0.0.1:61001 as fast as it can,
// for at most `seconds`.
TEST(FloodSender, Sends) {
    char setting[64] = {};
    if (!GetEnvironmentVariableA(kSenderVariable, setting, sizeof setting))
        GTEST_SKIP() << "runs only as the flooding process";
    int count = 0;
    int seconds = 0;
    ASSERT_EQ(std::sscanf(setting, "%d %d", &count, &seconds), 2);
    WinsockSession session;
    ASSERT_TRUE(session.started);
    const SOCKET sender = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_NE(sender, INVALID_SOCKET);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(61001);
    target.sin_addr.s_addr = inet_addr("127.0.0.1");
    const char payload[32] = "flood";
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    int sent = 0;
    while ((count == 0 || sent < count) && GetTickCount() < end) {
        if (sendto(sender, payload, sizeof payload, 0, reinterpret_cast<sockaddr*>(&target),
                   sizeof target) > 0)
            ++sent;
    }
    closesocket(sender);
    std::printf("sender: %d datagrams\n", sent);
}

OwnedHandle StartSender(int count, int seconds) {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = std::string("\"") + program + "\" --gtest_filter=FloodSender.Sends";
    SetEnvironmentVariableA(kSenderVariable,
                            (std::to_string(count) + " " + std::to_string(seconds)).c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kSenderVariable, nullptr);
    if (!started) return nullptr;
    CloseHandle(process.hThread);
    return OwnedHandle(process.hProcess);
}

struct Measurement {
    std::vector<DWORD> ticks;  // GetTickCount at each WM_TIMER
    int datagrams = 0;
    int failedReads = 0;
    DWORD senderEnd = 0;
};

// Runs a message loop like the application's for `milliseconds`, with a 500 ms window timer,
// while `sender` floods the endpoint.
Measurement RunLoop(HANDLE sender, DWORD milliseconds) {
    Measurement result;
    auto endpoint = CreateUDPEndpoint1([&](int NumberBytes, const std::string&, int) {
        if (NumberBytes < 0)
            ++result.failedReads;
        else
            ++result.datagrams;
    });
    testing::OwnedWindow timerWindow = testing::MessageWindow();
    SetTimer(timerWindow.get(), kTimerId, kTimerInterval, nullptr);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (!result.senderEnd && WaitForSingleObject(sender, 0) == WAIT_OBJECT_0)
            result.senderEnd = GetTickCount() - start;
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(1, &sender, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (message.message == WM_TIMER && message.hwnd == timerWindow.get()) {
            result.ticks.push_back(GetTickCount() - start);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    KillTimer(timerWindow.get(), kTimerId);
    return result;
}

DWORD LongestGap(const Measurement& measurement) {
    DWORD longest = measurement.ticks.empty() ? ~DWORD{0} : measurement.ticks.front();
    for (std::size_t i = 1; i < measurement.ticks.size(); ++i)
        longest = std::max(longest, measurement.ticks[i] - measurement.ticks[i - 1]);
    return longest;
}

void Print(const char* title, const Measurement& measurement) {
    std::printf(
        "%s: %d datagrams read, %d failed reads, %zu ticks, longest gap %lu ms, sender "
        "done after %lu ms\n  ticks at:",
        title, measurement.datagrams, measurement.failedReads, measurement.ticks.size(),
        LongestGap(measurement), measurement.senderEnd);
    for (DWORD tick : measurement.ticks) std::printf(" %lu", tick);
    std::printf("\n");
}

TEST(UDPFlood, TwentyThousandDatagramsDoNotStopTheTimer) {
    OwnedHandle sender = StartSender(20000, 10);
    ASSERT_TRUE(sender);
    const Measurement measurement = RunLoop(sender.get(), 3000);
    Print("20000 datagrams", measurement);
    EXPECT_LE(LongestGap(measurement), 2 * kTimerInterval);
    EXPECT_GT(measurement.datagrams, 0);
}

TEST(UDPFlood, AFloodLastingSecondsDoesNotStopTheTimer) {
    OwnedHandle sender = StartSender(0, 3);
    ASSERT_TRUE(sender);
    const Measurement measurement = RunLoop(sender.get(), 4000);
    Print("3 s of datagrams", measurement);
    EXPECT_LE(LongestGap(measurement), 2 * kTimerInterval);
    EXPECT_GE(measurement.ticks.size(), 6u);
}

}  // namespace
}  // namespace ostrel
