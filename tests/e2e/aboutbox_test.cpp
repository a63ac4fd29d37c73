// The picture box as the running launcher shows it: once, from the first polling tick, on top of
// everything and centred, with its picture on the screen; over the main window when the debug
// marker keeps that in view, also after polling has stopped; and never when a running Corvex
// ends the launcher on its first tick.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "app/AboutF_win32.h"
#include "app/jpeg_image.h"
#include "app/resource_ids.h"
#include "launcher_driver.h"

namespace ostrel::testing {
namespace {

constexpr char kBoxClass[] = "TAboutBox";
constexpr char kBoxTitle[] = "AboutBox";
constexpr DWORD kTimeoutMs = 15000;  // bounds each wait for the launcher: start-up, a few ticks
constexpr DWORD kThreeTicksMs = 1500;
constexpr DWORD kScreenTimeoutMs = 3000;  // the X server shows what Wine drew a little later

// A window with a dialog frame and a caption bar around 207 x 188, on this system.
SIZE DialogFramedOuterSize() {
    return SIZE{207 + 2 * GetSystemMetrics(SM_CXDLGFRAME),
                188 + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYDLGFRAME)};
}

RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

std::vector<HWND> BoxesOf(const LauncherRun& launcher, bool visibleOnly) {
    std::vector<HWND> boxes;
    for (HWND window : WindowsOfProcess(launcher.ProcessId())) {
        if (WindowClass(window) == kBoxClass && (!visibleOnly || IsWindowVisible(window))) {
            boxes.push_back(window);
        }
    }
    return boxes;
}

HWND WaitForShownBox(const LauncherRun& launcher) {
    HWND shown = nullptr;
    WaitUntil(
        [&] {
            const std::vector<HWND> visible = BoxesOf(launcher, true);
            shown = visible.empty() ? nullptr : visible.front();
            return shown != nullptr;
        },
        kTimeoutMs);
    return shown;
}

void ExpectCentredBorderlessOnTop(HWND box) {
    EXPECT_EQ(WindowText(box), kBoxTitle);
    EXPECT_FALSE(IsIconic(box));
    EXPECT_EQ(GetWindowLongA(box, GWL_STYLE) & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0);
    EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const SIZE size = DialogFramedOuterSize();
    const RECT outer = WindowRectOf(box);
    EXPECT_EQ(outer.right - outer.left, size.cx);
    EXPECT_EQ(outer.bottom - outer.top, size.cy);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2);
}

// Whether `window` lies above `other` in the z-order of top-level windows.
bool Above(HWND window, HWND other) {
    for (HWND at = GetTopWindow(nullptr); at; at = GetWindow(at, GW_HWNDNEXT)) {
        if (at == window) return true;
        if (at == other) return false;
    }
    return false;
}

// The box picture that ostrel.exe carries (app/res/about.jpg), decoded.
DecodedImage LauncherBoxPicture() {
    struct Unloader {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, Unloader> program(LoadLibraryExA(
        (ProgramFolder() + "ostrel.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    HRSRC resource =
        program ? FindResourceA(program.get(), MAKEINTRESOURCEA(IDR_ABOUT_PICTURE), RT_RCDATA)
                : nullptr;
    HGLOBAL loaded = resource ? LoadResource(program.get(), resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return DecodeJpeg(static_cast<const std::uint8_t*>(data),
                      SizeofResource(program.get(), resource));
}

class ScreenPixels {
  public:
    ScreenPixels() : dc_(GetDC(nullptr)) {}
    ~ScreenPixels() { ReleaseDC(nullptr, dc_); }
    ScreenPixels(const ScreenPixels&) = delete;
    ScreenPixels& operator=(const ScreenPixels&) = delete;
    COLORREF At(POINT point) const { return GetPixel(dc_, point.x, point.y); }
    // Colours on screens of fewer than 24 bits come back rounded.
    int Tolerance() const { return GetDeviceCaps(dc_, BITSPIXEL) >= 24 ? 0 : 8; }

  private:
    HDC dc_;
};

struct Sample {
    POINT screen;
    COLORREF expected;
};

// Points of the picture where the box's Image1 shows it on the screen.
std::vector<Sample> PictureSamples(HWND box, const DecodedImage& picture) {
    HWND image1 = GetDlgItem(GetDlgItem(box, TAboutBox::kPanel1Id), TAboutBox::kImage1Id);
    const RECT shown = WindowRectOf(image1);
    const RECT outer = WindowRectOf(box);
    RECT visible{};
    IntersectRect(&visible, &shown, &outer);
    std::vector<Sample> samples;
    for (int x : {0, 30, 70, 104, 140, 180, 207}) {
        for (int y : {0, 30, 70, 104, 140, 180, 207}) {
            const POINT at{shown.left + x, shown.top + y};
            if (!PtInRect(&visible, at)) continue;
            const std::uint8_t* bgr = &picture.pixels[y * picture.stride + x * 3];
            samples.push_back(Sample{at, RGB(bgr[2], bgr[1], bgr[0])});
        }
    }
    return samples;
}

// Empty when the screen shows every sample, else what it shows instead.
std::string ScreenMismatches(const std::vector<Sample>& samples) {
    ScreenPixels screen;
    std::ostringstream mismatches;
    for (const Sample& sample : samples) {
        const COLORREF actual = screen.At(sample.screen);
        const int tolerance = screen.Tolerance();
        if (std::abs(GetRValue(actual) - GetRValue(sample.expected)) > tolerance ||
            std::abs(GetGValue(actual) - GetGValue(sample.expected)) > tolerance ||
            std::abs(GetBValue(actual) - GetBValue(sample.expected)) > tolerance) {
            mismatches << " at " << sample.screen.x << "," << sample.screen.y << ": 0x" << std::hex
                       << actual << " instead of 0x" << sample.expected << std::dec;
        }
    }
    return mismatches.str();
}

void ExpectPictureOnScreen(const std::vector<Sample>& samples) {
    ASSERT_FALSE(samples.empty());
    std::string mismatches;
    WaitUntil(
        [&] {
            mismatches = ScreenMismatches(samples);
            return mismatches.empty();
        },
        kScreenTimeoutMs);
    EXPECT_EQ(mismatches, "");
}

class AboutBoxLaunchTest : public ::testing::Test {
  protected:
    // A stand-in Corvex that a test starts shows its window at once and records in the folder.
    AboutBoxLaunchTest() {
        SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", folder.File("standin-record.txt").c_str());
        SetEnvironmentVariableA("OSTREL_CORVEX_DELAY_MS", "0");
        SetEnvironmentVariableA("OSTREL_CORVEX_LIFETIME_MS", "30000");
        // A runtime that does not exist: the launch starts nothing, and the launcher polls on.
        registry.SetString("1.4", "JavaHome", folder.File("jre"));
    }
    ~AboutBoxLaunchTest() override {
        for (const char* name :
             {"OSTREL_STANDIN_RECORD", "OSTREL_CORVEX_DELAY_MS", "OSTREL_CORVEX_LIFETIME_MS"}) {
            SetEnvironmentVariableA(name, nullptr);
        }
    }

    TempFolder folder;
    JavaRuntimeRegistration registry;
    const DecodedImage picture = LauncherBoxPicture();
};

TEST_F(AboutBoxLaunchTest, TheFirstPollingTickShowsExactlyOneBox) {
    LauncherRun launcher(folder.Path());
    HWND box = WaitForShownBox(launcher);
    ASSERT_NE(box, nullptr) << "no picture box was shown";

    // The start-up instance stays hidden, and later ticks make no other box.
    const auto expectOneShownOfTwo = [&] {
        EXPECT_EQ(BoxesOf(launcher, true), std::vector<HWND>{box});
        EXPECT_EQ(BoxesOf(launcher, false).size(), 2u);
    };
    expectOneShownOfTwo();
    Sleep(kThreeTicksMs);
    expectOneShownOfTwo();
    ExpectCentredBorderlessOnTop(box);

    PostMessageA(launcher.MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(AboutBoxLaunchTest, IsShownCentredOnTopWithItsPictureWhileTheMainWindowIsMinimised) {
    LauncherRun launcher(folder.Path());
    HWND box = WaitForShownBox(launcher);
    ASSERT_NE(box, nullptr) << "no picture box was shown";
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);

    EXPECT_TRUE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(box));
    ExpectCentredBorderlessOnTop(box);
    ExpectPictureOnScreen(PictureSamples(box, picture));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(AboutBoxLaunchTest, HeldOpenByTheMarkerTheBoxStaysShownOverTheMainWindow) {
    WriteFile(folder.File("abc.txt"), "");
    LauncherRun launcher(folder.Path());
    HWND box = WaitForShownBox(launcher);
    ASSERT_NE(box, nullptr) << "no picture box was shown";
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);

    // Corvex appears and has answered: the next tick hands over, the one after stops polling
    // and, the marker being there, keeps the launcher open with its warning.
    RunningCorvex corvex(folder.Path());
    ASSERT_NE(corvex.Window(), nullptr);
    ASSERT_TRUE(SetCorvexAnswer(true));
    HWND warning = launcher.WaitForMessageBox("Warning", kTimeoutMs);
    ASSERT_NE(warning, nullptr) << "polling did not stop";
    PressOk(warning);
    Sleep(kThreeTicksMs);  // no tick comes any more, and nothing may hide the box

    EXPECT_TRUE(launcher.Running());
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(BoxesOf(launcher, true), std::vector<HWND>{box});
    ExpectCentredBorderlessOnTop(box);
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(Above(box, window));
    EXPECT_TRUE(Above(box, corvex.Window()));  // brought to the front by the hand-over

    // Where the two overlap, the screen shows the picture, not the main window. Corvex's window
    // is left out: without a window manager, X keeps a window that another process maps later
    // above the box, whatever Wine's own z-order (checked above) says.
    const RECT main = WindowRectOf(window);
    const RECT corvexRect = WindowRectOf(corvex.Window());
    std::vector<Sample> overMain;
    for (const Sample& sample : PictureSamples(box, picture)) {
        if (PtInRect(&main, sample.screen) && !PtInRect(&corvexRect, sample.screen)) {
            overMain.push_back(sample);
        }
    }
    ExpectPictureOnScreen(overMain);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(AboutBoxLaunchTest, NoBoxIsShownWhenARunningCorvexEndsTheLauncherOnItsFirstTick) {
    RunningCorvex corvex(folder.Path());
    ASSERT_NE(corvex.Window(), nullptr);
    ASSERT_TRUE(SetCorvexAnswer(true));

    // The launch's own search hands over; without it the launcher would poll for 50 s.
    LauncherRun launcher(folder.Path());
    std::size_t mostBoxes = 0;
    bool boxShown = false;
    const bool ended = WaitUntil(
        [&] {
            mostBoxes = std::max(mostBoxes, BoxesOf(launcher, false).size());
            boxShown = boxShown || !BoxesOf(launcher, true).empty();
            return !launcher.Running();
        },
        kTimeoutMs);
    ASSERT_TRUE(ended) << "the launcher did not end";
    EXPECT_EQ(launcher.WaitForExit(0), 0u);
    EXPECT_FALSE(boxShown);
    EXPECT_LE(mostBoxes, 1u);  // the hidden start-up instance, when it was seen
}

}  // namespace
}  // namespace ostrel::testing
