// The launcher on screens set to more than 96 dots per inch: at 120, 144 and 192 its main window
// and its picture box are the 96-dpi layout scaled as a whole, the pictures drawn at the scaled
// size. (That its manifest declares it DPI aware is checked with the rest of the manifest.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/jpeg_image.h"
#include "app/resource_ids.h"
#include "app/control_ids.h"
#include "launcher_driver.h"
#include "screen_probe.h"

namespace ostrel::test {
namespace {

constexpr DWORD kTimeoutMs = 15000;  // start-up and the first polling tick

// The system's dots per inch for the programs started while the object lives; this process keeps
// its own. Wine reads them from the user's "LogPixels" when a process starts (before the
// machine-wide one under HKEY_CURRENT_CONFIG), so the running wineserver need not restart. What
// was there before comes back when the object goes.
class SystemDpiSetting {
  public:
    explicit SystemDpiSetting(DWORD dpi) : key_(CreateRegistryKey(HKEY_CURRENT_USER, kDesktopKey)) {
        if (!key_.get()) return;
        DWORD size = sizeof(previous_);
        DWORD type = 0;
        hadPrevious_ =
            RegQueryValueExA(key_.get(), kValue, nullptr, &type,
                             reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS &&
            type == REG_DWORD;
        set_ = Write(dpi);
    }
    ~SystemDpiSetting() {
        if (!set_) return;
        if (hadPrevious_) {
            Write(previous_);
        } else {
            RegDeleteValueA(key_.get(), kValue);
        }
    }
    SystemDpiSetting(const SystemDpiSetting&) = delete;
    SystemDpiSetting& operator=(const SystemDpiSetting&) = delete;
    bool Set() const { return set_; }

  private:
    static constexpr char kDesktopKey[] = "Control Panel\\Desktop";
    static constexpr char kValue[] = "LogPixels";

    bool Write(DWORD dpi) const {
        return RegSetValueExA(key_.get(), kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                              sizeof(dpi)) == ERROR_SUCCESS;
    }

    OwnedRegKey key_;
    DWORD previous_ = 0;
    bool hadPrevious_ = false;
    bool set_ = false;
};

// Only Wine reads the setting for each new process: Windows reads it when the user signs in, so
// that a program started later keeps the system's DPI of the session.
bool NewProcessesReadTheDpiSetting() { return UnderWine(); }

constexpr POINT kBoxImage1Place{3, 3};

std::vector<HWND> BoxesOf(const LauncherRun& launcher) {
    std::vector<HWND> boxes;
    for (HWND window : WindowsOfProcess(launcher.ProcessId())) {
        if (WindowClass(window) == "TAboutBox") boxes.push_back(window);
    }
    return boxes;
}

class DpiTest : public ::testing::TestWithParam<int> {
  protected:
    // The stand-in runtime that the launcher starts shows no Corvex window: the launcher polls,
    // and the marker keeps its window in view. It records its start, so that it ends with the
    // case instead of holding Corvex's port into the next program's.
    DpiTest() {
        SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", folder.File("standin-record.txt").c_str());
        SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", "none");
        SetEnvironmentVariableA("OSTREL_CORVEX_LIFETIME_MS", "2000");
        registry.SetString("1.4", "JavaHome", StandInJavaHome());
        WriteFile(folder.File("abc.txt"), "");
    }
    ~DpiTest() override {
        EndStandInsOf(folder.File("standin-record.txt"));
        for (const char* name :
             {"OSTREL_STANDIN_RECORD", "OSTREL_CORVEX_WINDOWS", "OSTREL_CORVEX_LIFETIME_MS"}) {
            SetEnvironmentVariableA(name, nullptr);
        }
    }

    int dpi() const { return GetParam(); }

    // The box the user sees is the 96-dpi box scaled, centred on the screen; the start-up
    // instance, still framed, has the same outer size.
    void ExpectScaledBoxes(HWND shown, HWND hidden) {
        const SIZE outer96 = DialogFramedOuterSize(96);
        const RECT outer = WindowRectOf(shown);
        const SIZE size = SizeOf(outer);
        EXPECT_NEAR(size.cx, DialogFramedOuterSize(dpi()).cx, 1);
        EXPECT_NEAR(size.cy, DialogFramedOuterSize(dpi()).cy, 1);
        EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2);
        EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2);
        const RECT client = ClientRectOf(shown);
        EXPECT_EQ(SizeOf(client).cx, size.cx);
        EXPECT_EQ(SizeOf(client).cy, size.cy);

        HWND panel1 = GetDlgItem(shown, 1);
        ASSERT_NE(panel1, nullptr);
        const RECT panel = ChildRect(panel1);
        EXPECT_TRUE(EqualRect(&panel, &client)) << panel;
        HWND image1 = GetDlgItem(panel1, 2);
        ASSERT_NE(image1, nullptr);
        const RECT image96{kBoxImage1Place.x, kBoxImage1Place.y, kBoxImage1Place.x + 208,
                           kBoxImage1Place.y + 208};
        const RECT image = ChildRect(image1);
        ExpectNear(image, Scaled(image96, dpi()), dpi(), "the box's Image1");
        // The picture is whole, and so are the panel's bevels it leaves free at the right and
        // the bottom, as at 96.
        const RECT box96{0, 0, outer96.cx, outer96.cy};
        ASSERT_TRUE(Within(image96, box96));
        EXPECT_TRUE(Within(image, client)) << image << " in " << client;
        EXPECT_NEAR(client.right - image.right, Scaled(box96.right - image96.right, dpi()), 1);
        EXPECT_NEAR(client.bottom - image.bottom, Scaled(box96.bottom - image96.bottom, dpi()), 1);

        const RECT hiddenOuter = WindowRectOf(hidden);
        EXPECT_EQ(SizeOf(hiddenOuter).cx, size.cx);
        EXPECT_EQ(SizeOf(hiddenOuter).cy, size.cy);
        HWND hiddenImage1 = GetDlgItem(GetDlgItem(hidden, 1), 2);
        ASSERT_NE(hiddenImage1, nullptr);
        ExpectNear(ChildRect(hiddenImage1), Scaled(image96, dpi()), dpi(),
                   "the hidden box's Image1");
    }

    TempFolder folder;
    JavaRuntimeRegistration registry;
};

TEST_P(DpiTest, TheWindowsAreTheLayoutScaledWithTheirPicturesDrawnAtTheScaledSize) {
    const DecodedImage mainPicture = LauncherPicture(IDR_MAIN_PICTURE);
    const DecodedImage boxPicture = LauncherPicture(IDR_ABOUT_PICTURE);
    ASSERT_EQ(mainPicture.width, 640);
    ASSERT_EQ(boxPicture.width, 208);

    if (!NewProcessesReadTheDpiSetting()) {
        GTEST_SKIP() << "Windows takes a changed DPI setting only at the next sign-in: change the "
                        "display's scale and sign in again to see the launcher at this DPI";
    }
    const SystemDpiSetting setting(static_cast<DWORD>(dpi()));
    ASSERT_TRUE(setting.Set());
    LauncherRun launcher(folder.Path());
    HWND window = launcher.MainWindow(kTimeoutMs);
    ASSERT_NE(window, nullptr) << "the launcher did not show its window";
    HWND shown = nullptr;
    HWND hidden = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND box : BoxesOf(launcher)) {
                (IsWindowVisible(box) ? shown : hidden) = box;
            }
            return shown && hidden;
        },
        kTimeoutMs))
        << "no picture box was shown";
    EXPECT_FALSE(IsIconic(window));

    ExpectMainWindowLayout(window, dpi());
    ExpectScaledBoxes(shown, hidden);
    EXPECT_TRUE(WaitForStandInStarts(folder.File("standin-record.txt")));

    // The pictures on the screen, scaled: the box's whole, the main window's where neither a
    // control nor the box lies over it.
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HWND boxImage1 = GetDlgItem(GetDlgItem(shown, 1), 2);
    const RECT boxImage = WindowRectOf(boxImage1);
    const RECT box = WindowRectOf(shown);
    RECT boxVisible{};
    IntersectRect(&boxVisible, &boxImage, &box);
    ExpectOnScreen(ScaledPictureSamples(boxPicture, dpi(), POINT{boxImage.left, boxImage.top},
                                        boxVisible, [](int, int, POINT) { return false; }),
                   100, PictureTolerance(dpi()));

    const RECT main = WindowRectOf(window);
    RECT mainVisible{};
    IntersectRect(&mainVisible, &main, &screen);
    const auto coveredInMain = [&](int x, int y, POINT at) {
        const POINT place{x, y};
        for (const LayoutControl& control : kMainWindowControls) {
            RECT around = control.rect;
            InflateRect(&around, 2, 2);
            if (control.id != kImage1 && PtInRect(&around, place)) return true;
        }
        RECT aroundBox = box;
        InflateRect(&aroundBox, 2, 2);
        return PtInRect(&aroundBox, at) != FALSE;
    };
    ExpectOnScreen(ScaledPictureSamples(mainPicture, dpi(), POINT{main.left, main.top}, mainVisible,
                                        coveredInMain),
                   50, PictureTolerance(dpi()));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(launcher.WaitForExit(10000), 0u);
}

INSTANTIATE_TEST_SUITE_P(Dpi, DpiTest, ::testing::Values(120, 144, 192),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return "At" + std::to_string(param.param);
                         });

}  // namespace
}  // namespace ostrel::test
