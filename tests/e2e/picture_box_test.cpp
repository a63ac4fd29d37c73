// The picture box as the running launcher shows it: once, from the first polling tick, on top of
// everything and centred, with its picture on the screen, and no taskbar button of its own; over
// the main window when the debug marker keeps that in view, also after polling has stopped; and
// never when a running Corvex ends the launcher on its first tick.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/AboutF_win32.h"
#include "app/jpeg_image.h"
#include "app/resource_ids.h"
#include "launcher_driver.h"
#include "screen_probe.h"

namespace ostrel::test {
namespace {

constexpr char kBoxClass[] = "TAboutBox";
constexpr char kBoxTitle[] = "AboutBox";
constexpr DWORD kTimeoutMs = 15000;  // bounds each wait for the launcher: start-up, a few ticks
constexpr DWORD kThreeTicksMs = 1500;

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
    const SIZE expected = DialogFramedOuterSize(ScreenDpi());
    const RECT outer = WindowRectOf(box);
    const SIZE size = SizeOf(outer);
    const int tolerance = LayoutTolerance(ScreenDpi());
    EXPECT_NEAR(size.cx, expected.cx, tolerance);
    EXPECT_NEAR(size.cy, expected.cy, tolerance);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2);
}

// Points of the picture, scaled to the display, where the box's Image1 shows it on the screen.
std::vector<Sample> PictureSamples(HWND box, const DecodedImage& picture) {
    HWND image1 = GetDlgItem(GetDlgItem(box, TAboutBox::kPanel1Id), TAboutBox::kImage1Id);
    const RECT shown = WindowRectOf(image1);
    const RECT outer = WindowRectOf(box);
    RECT visible{};
    IntersectRect(&visible, &shown, &outer);
    return ScaledPictureSamples(picture, ScreenDpi(), POINT{shown.left, shown.top}, visible,
                                [](int, int, POINT) { return false; });
}

class AboutBoxLaunchTest : public ::testing::Test {
  protected:
    // A stand-in Corvex that a test starts shows its window at once and records in the folder.
    AboutBoxLaunchTest() {
        SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", folder.File("standin-record.txt").c_str());
        SetEnvironmentVariableA("OSTREL_CORVEX_DELAY_MS", "0");
        SetEnvironmentVariableA("OSTREL_CORVEX_LIFETIME_MS", "30000");
        // The stand-in runtime, whose Corvex keeps its window back until the test lets it
        // appear (corvexAppears): the launcher polls on.
        registry.SetString("1.4", "JavaHome", StandInJavaHome());
    }
    ~AboutBoxLaunchTest() override {
        EndStandInsOf(folder.File("standin-record.txt"));
        for (const char* name :
             {"OSTREL_STANDIN_RECORD", "OSTREL_CORVEX_DELAY_MS", "OSTREL_CORVEX_LIFETIME_MS"}) {
            SetEnvironmentVariableA(name, nullptr);
        }
    }

    TempFolder folder;
    JavaRuntimeRegistration registry;
    const std::string go = folder.File("corvex-go");
    const EnvironmentSettings corvexAppears = CorvexAppearsWhen(go);
    const DecodedImage picture = LauncherPicture(IDR_ABOUT_PICTURE);  // app/res/about.jpg
};

TEST_F(AboutBoxLaunchTest, TheFirstPollingTickShowsExactlyOneBox) {
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, corvexAppears);
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
    EXPECT_TRUE(WaitForStandInStarts(folder.File("standin-record.txt")));

    PostMessageA(launcher.MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(AboutBoxLaunchTest, IsShownCentredOnTopWithItsPictureWhileTheMainWindowIsMinimised) {
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, corvexAppears);
    HWND box = WaitForShownBox(launcher);
    ASSERT_NE(box, nullptr) << "no picture box was shown";
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);

    EXPECT_TRUE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(box));
    ExpectCentredBorderlessOnTop(box);
    ExpectOnScreen(PictureSamples(box, picture), 1, PictureTolerance(ScreenDpi()));
    // Still the one taskbar button, the application's, shown minimised with the main window.
    const std::vector<HWND> buttons = TaskbarWindows(launcher.ProcessId());
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_TRUE(IsIconic(buttons[0]));
    EXPECT_EQ(GetWindow(window, GW_OWNER), buttons[0]);
    EXPECT_TRUE(WaitForStandInStarts(folder.File("standin-record.txt")));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(AboutBoxLaunchTest, HeldOpenByTheMarkerTheBoxLiesOverTheMainWindowUntilCorvexShows) {
    WriteFile(folder.File("abc.txt"), "");
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, corvexAppears);
    HWND box = WaitForShownBox(launcher);
    ASSERT_NE(box, nullptr) << "no picture box was shown";
    HWND window = launcher.MainWindow();
    ASSERT_NE(window, nullptr);

    // Where the two overlap, the screen shows the picture, not the main window. Looked at now:
    // without a window manager, X raises a window that becomes active (as the main window does
    // when the warning box it owns is closed) whatever Wine's own z-order (checked below) says,
    // and keeps a window that another process maps later above the box.
    const RECT main = WindowRectOf(window);
    std::vector<Sample> overMain;
    for (const Sample& sample : PictureSamples(box, picture)) {
        if (PtInRect(&main, sample.screen)) overMain.push_back(sample);
    }
    ExpectOnScreen(overMain, 1, PictureTolerance(ScreenDpi()));

    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(Above(box, window));

    // Corvex appears and answers: the next tick steps the box aside for it and hands over, the
    // one after stops polling and, the marker being there, keeps the launcher open with its
    // warning.
    ASSERT_NE(LetCorvexAppear(go), nullptr);
    HWND warning = launcher.WaitForMessageBox("Warning", kTimeoutMs);
    ASSERT_NE(warning, nullptr) << "polling did not stop";
    PressOk(warning);
    Sleep(kThreeTicksMs);  // no tick comes any more
    EXPECT_TRUE(launcher.Running());
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(BoxesOf(launcher, true).empty());

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

TEST_F(AboutBoxLaunchTest, NoBoxIsShownWhenARunningCorvexEndsTheLauncherOnItsFirstTick) {
    RunningCorvex corvex(folder.Path());
    ASSERT_NE(corvex.Window(), nullptr);
    ASSERT_TRUE(SetCorvexAnswer(true));

    // The launch's own search hands over; without it the launcher would poll for 50 s.
    LauncherRun launcher(folder.Path(), SW_SHOWNORMAL, "ostrel.exe", {}, corvexAppears);
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
}  // namespace ostrel::test
