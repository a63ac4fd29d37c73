#include "user_input.h"

#include <gtest/gtest.h>

#include <string>

#include "launcher_driver.h"

namespace ostrel::test {
namespace {

constexpr int kPointStep = 8;
// A click that changed nothing is given again, as a user would.
constexpr int kClicks = 3;
constexpr DWORD kClickAnsweredMs = 2000;
constexpr char kForegroundNotGiven[] = "foreground not given: ";

std::string Named(HWND window) {
    return window ? "\"" + WindowClass(window) + "\" \"" + WindowText(window) + "\"" : "none";
}

// A static control without SS_NOTIFY passes a click on to what lies under it.
bool IgnoresClicks(HWND control) {
    return WindowClass(control) == "Static" && !(GetWindowLongW(control, GWL_STYLE) & SS_NOTIFY);
}

struct PointSearch {
    POINT at;
    bool clear = true;
};

BOOL CALLBACK FindControlThatTakesTheClick(HWND child, LPARAM value) {
    auto* search = reinterpret_cast<PointSearch*>(value);
    const RECT rect = WindowRectOf(child);
    if (IsWindowVisible(child) && PtInRect(&rect, search->at) && !IgnoresClicks(child)) {
        search->clear = false;
        return FALSE;
    }
    return TRUE;
}

// Whether a click at `at` reaches `window` itself.
bool ClickReaches(HWND window, POINT at) {
    HWND hit = WindowFromPoint(at);
    if (!hit || GetAncestor(hit, GA_ROOT) != window) return false;
    PointSearch search{at};
    EnumChildWindows(window, FindControlThatTakesTheClick, reinterpret_cast<LPARAM>(&search));
    return search.clear;
}

bool FindClickPoint(HWND window, POINT& at) {
    RECT target = WindowRectOf(window);
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!IntersectRect(&target, &target, &screen)) return false;
    for (at.y = target.top + kPointStep / 2; at.y < target.bottom; at.y += kPointStep) {
        for (at.x = target.left + kPointStep / 2; at.x < target.right; at.x += kPointStep) {
            if (ClickReaches(window, at)) return true;
        }
    }
    return false;
}

// The mouse's absolute coordinates run from 0 to 65535 across the primary screen.
LONG Absolute(LONG pixel, int pixels) {
    return static_cast<LONG>((static_cast<long long>(pixel) * 65536 + pixels - 1) / pixels);
}

void Click(POINT at) {
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = Absolute(at.x, GetSystemMetrics(SM_CXSCREEN));
        input.mi.dy = Absolute(at.y, GetSystemMetrics(SM_CYSCREEN));
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, inputs, sizeof(INPUT));
}

}  // namespace

void GiveForeground(HWND window) {
    ASSERT_FALSE(IsIconic(window)) << kForegroundNotGiven << Named(window) << " is minimised";
    POINT at{};
    ASSERT_TRUE(FindClickPoint(window, at))
        << kForegroundNotGiven << "no point of " << Named(window) << " is in view to click";
    for (int click = 0; click < kClicks; ++click) {
        Click(at);
        if (WaitUntil([&] { return GetForegroundWindow() == window; }, kClickAnsweredMs)) return;
    }
    FAIL() << kForegroundNotGiven << "after " << kClicks << " clicks at " << at.x << "," << at.y
           << " " << Named(GetForegroundWindow()) << " has it, not " << Named(window);
}

void PressKeys(HWND window, const std::vector<WORD>& keys, WORD modifier) {
    ASSERT_EQ(GetForegroundWindow(), window) << "keys not typed: " << Named(GetForegroundWindow())
                                             << " has the foreground, not " << Named(window);
    std::vector<INPUT> inputs;
    const auto key = [&](WORD code, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (modifier) key(modifier, 0);
    for (WORD code : keys) {
        key(code, 0);
        key(code, KEYEVENTF_KEYUP);
    }
    if (modifier) key(modifier, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace ostrel::test
