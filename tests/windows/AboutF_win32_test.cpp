// The picture box made in this process: its layout while hidden, what ShowOnTop turns it into,
// the pixels it has painted when ShowOnTop returns, and what a close command does to it; and the
// application object that owns the boxes, when the program's windows cannot all be made.
#include "app/AboutF_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <thread>
#include <vector>

#include "app/application_win32.h"
#include "app/Unit1_win32.h"
#include "app/platform_win32.h"
#include "net/endpoint_texts.h"
#include "core/errors.h"

#include "app/jpeg_image.h"
#include "app/resource_ids.h"
#include "launcher_driver.h"
#include "screen_probe.h"

// Found by argument-dependent lookup only where RECT itself lives.
inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

namespace ostrel {
namespace {

using test::Above;
using test::ChildRect;
using test::ClientRectOf;
using test::ColourDistance;
using test::ColourTolerance;
using test::DialogFramedOuterSize;
using test::ExpectNear;
using test::LayoutTolerance;
using test::PixelOf;
using test::Scaled;
using test::ScreenDpi;
using test::SizeOf;
using test::WindowRectOf;

constexpr POINT kImage1Place{3, 3};

// The box picture as the program carries it (app/res/about.jpg), decoded.
DecodedImage BoxPicture() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDR_ABOUT_PICTURE), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return DecodeJpeg(static_cast<const std::uint8_t*>(data), SizeofResource(module, resource));
}

// What the shown box should have at (x, y): Image1 over Panel1, whose white face lies inside a
// raised outer and a lowered inner bevel of one pixel each.
COLORREF ExpectedPixel(const DecodedImage& picture, SIZE box, int x, int y) {
    const int px = x - kImage1Place.x;
    const int py = y - kImage1Place.y;
    if (px >= 0 && py >= 0 && px < picture.width && py < picture.height) {
        return PixelOf(picture, px, py);
    }
    const int bevels[][2] = {{COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
                             {COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT}};
    for (int ring = 0; ring < 2; ++ring) {
        if (x == box.cx - 1 - ring || y == box.cy - 1 - ring) return GetSysColor(bevels[ring][1]);
        if (x == ring || y == ring) return GetSysColor(bevels[ring][0]);
    }
    return RGB(255, 255, 255);
}

// The window's own pixels, its children's included.
class WindowPixels {
  public:
    explicit WindowPixels(HWND window)
        : dc_(window, GetDCEx(window, nullptr, DCX_WINDOW | DCX_CACHE)) {}
    COLORREF At(int x, int y) const { return GetPixel(dc_.get(), x, y); }
    int Tolerance() const { return ColourTolerance(dc_.get()); }

  private:
    WindowDc dc_;
};

// The box's handlers raise nothing here.
class NoErrors : public ErrorReporter {
  public:
    void ShowException(const std::exception& error) override { ADD_FAILURE() << error.what(); }
};

class AboutBoxTest : public ::testing::Test {
  protected:
    HWND Box() const { return box.Handle(); }
    HWND Panel1() const { return GetDlgItem(Box(), TAboutBox::kPanel1Id); }
    HWND Image1() const { return GetDlgItem(Panel1(), TAboutBox::kImage1Id); }

    // The box's outer size and Image1's place: the layout at 96 dots per inch scaled to the
    // display's.
    void ExpectScaledLayout() {
        const SIZE size = SizeOf(WindowRectOf(Box()));
        EXPECT_NEAR(size.cx, DialogFramedOuterSize(dpi).cx, LayoutTolerance(dpi));
        EXPECT_NEAR(size.cy, DialogFramedOuterSize(dpi).cy, LayoutTolerance(dpi));
        ExpectNear(ChildRect(Image1()),
                   Scaled(RECT{kImage1Place.x, kImage1Place.y, kImage1Place.x + picture.width,
                               kImage1Place.y + picture.height},
                          dpi),
                   dpi, "Image1");
    }

    const int dpi = ScreenDpi();

    const DecodedImage picture = BoxPicture();
    NoErrors errors;
    TAboutBox box{errors};
};

TEST_F(AboutBoxTest, IsCreatedHiddenWithADialogFrameAroundItsLayout) {
    ASSERT_EQ(picture.width, 208);
    ASSERT_EQ(picture.height, 208);
    EXPECT_FALSE(IsWindowVisible(Box()));
    char text[32] = {};
    GetWindowTextA(Box(), text, sizeof(text));
    EXPECT_STREQ(text, "AboutBox");
    EXPECT_EQ(GetWindowLongA(Box(), GWL_STYLE) & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(GetWindowLongA(Box(), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);

    const RECT outer = WindowRectOf(Box());
    EXPECT_NEAR(outer.left, Scaled(411, dpi), LayoutTolerance(dpi));
    EXPECT_NEAR(outer.top, Scaled(162, dpi), LayoutTolerance(dpi));
    ASSERT_NE(Panel1(), nullptr);
    ASSERT_NE(Image1(), nullptr);
    ExpectScaledLayout();
    // The frame takes what it needs of the outer size; Panel1 fills the rest.
    RECT frame{};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(Box(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(Box(), GWL_EXSTYLE)));
    const RECT client{0, 0, outer.right - outer.left - (frame.right - frame.left),
                      outer.bottom - outer.top - (frame.bottom - frame.top)};
    EXPECT_EQ(ClientRectOf(Box()), client);
    EXPECT_EQ(ChildRect(Panel1()), client);
}

TEST_F(AboutBoxTest, ShowOnTopMakesABorderlessStayOnTopBoxOfTheSameOuterSizeCentredOnTheScreen) {
    box.ShowOnTop();

    EXPECT_TRUE(IsWindowVisible(Box()));
    EXPECT_FALSE(IsIconic(Box()));
    EXPECT_FALSE(IsZoomed(Box()));
    EXPECT_EQ(GetWindowLongA(Box(), GWL_STYLE) &
                  (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU),
              0);
    const LONG exStyle = GetWindowLongA(Box(), GWL_EXSTYLE);
    EXPECT_EQ(
        exStyle & (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE),
        0);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    // No taskbar button and no Alt+Tab entry of its own.
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

    ExpectScaledLayout();
    const RECT outer = WindowRectOf(Box());
    const SIZE size = SizeOf(outer);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2);
    // The whole window is client area now, and Panel1 fills it; Image1 keeps its place.
    EXPECT_EQ(ClientRectOf(Box()), (RECT{0, 0, size.cx, size.cy}));
    EXPECT_EQ(ChildRect(Panel1()), (RECT{0, 0, size.cx, size.cy}));

    EXPECT_EQ(GetActiveWindow(), Box());
    EXPECT_EQ(GetForegroundWindow(), Box());
}

TEST_F(AboutBoxTest, StaysAboveAnOrdinaryWindowActivatedAfterIt) {
    box.ShowOnTop();
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    BringWindowToTop(other);

    EXPECT_TRUE(Above(Box(), other));
    EXPECT_FALSE(GetWindowLongA(other, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DestroyWindow(other);
}

TEST_F(AboutBoxTest, ShowOnTopHasPaintedThePictureAndThePanelWhenItReturns) {
    if (dpi != 96) {
        GTEST_SKIP() << "compares the picture pixel by pixel at its own size, which it has at 96 "
                        "dots per inch; the display has "
                     << dpi << " (the end-to-end tests compare it scaled)";
    }
    box.ShowOnTop();
    // No message has been dispatched since: whatever is there, ShowOnTop painted.
    for (HWND window : {Box(), Panel1(), Image1()}) {
        EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "a paint is still pending";
    }

    const RECT outer = WindowRectOf(Box());
    const SIZE size{outer.right - outer.left, outer.bottom - outer.top};
    std::vector<POINT> samples;
    for (int px : {0, 1, 52, 104, 155, 206, 207}) {
        for (int py : {0, 1, 52, 104, 155, 206, 207}) {
            samples.push_back(POINT{kImage1Place.x + px, kImage1Place.y + py});
        }
    }
    for (int offset : {0, 1, 2}) {  // both bevels and the white face inside them, on each side
        samples.push_back(POINT{size.cx / 2, offset});
        samples.push_back(POINT{offset, size.cy / 2});
        samples.push_back(POINT{size.cx / 2, size.cy - 1 - offset});
        samples.push_back(POINT{size.cx - 1 - offset, size.cy / 2});
    }

    WindowPixels pixels(Box());
    for (const POINT& at : samples) {
        if (at.x >= size.cx || at.y >= size.cy) continue;  // a picture corner the box clips
        const COLORREF expected = ExpectedPixel(picture, size, at.x, at.y);
        const COLORREF actual = pixels.At(at.x, at.y);
        EXPECT_TRUE(ColourDistance(actual, expected) <= pixels.Tolerance())
            << "at " << at.x << "," << at.y << ": 0x" << std::hex << actual << " instead of 0x"
            << expected;
    }
}

TEST_F(AboutBoxTest, ACloseCommandOnlyHidesTheBox) {
    box.ShowOnTop();
    SendMessageA(Box(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(Box()));
    EXPECT_FALSE(IsWindowVisible(Box()));
    SendMessageA(Box(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(Box()));
}

// A component that fails while the program's windows are made (WinSock, say): the default error
// box, once the main window made before is gone again, and the program ends with 1.
TEST(ApplicationStart, AFailureWhileTheWindowsAreMadeIsShownOnceTheyAreGoneAndEndsWithOne) {
    Application application;
    // Its window, the taskbar button, carries the program's icon.
    const std::vector<std::uint32_t> buttonIcon = test::IconPixels(
        reinterpret_cast<HICON>(GetClassLongPtrA(application.OwnerWindow().Handle(), GCLP_HICON)));
    EXPECT_FALSE(buttonIcon.empty());
    EXPECT_EQ(buttonIcon, test::LauncherIconPixels());
    std::string caption;
    std::string text;
    bool iconIsTheErrorIcon = false;
    bool mainWindowLeft = true;
    std::thread user([&] {
        HWND box = nullptr;
        test::WaitUntil(
            [&] {
                for (HWND window : test::WindowsOfProcess(GetCurrentProcessId())) {
                    if (test::WindowClass(window) == "#32770") box = window;
                }
                return box != nullptr;
            },
            10000);
        if (!box) return;
        caption = test::WindowText(box);
        text = test::MessageBoxText(box);
        for (HWND control = GetWindow(box, GW_CHILD); control;
             control = GetWindow(control, GW_HWNDNEXT)) {
            if ((GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
            const auto icon = reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0));
            iconIsTheErrorIcon = icon == LoadIcon(nullptr, IDI_HAND);
        }
        mainWindowLeft = FindWindowA(MainWindow::kClassName, nullptr) != nullptr;
        test::PressOk(box);
    });
    const int exitCode = application.Start(
        [](Application& owner, Platform& platform) -> std::unique_ptr<MainWindow> {
            const auto made = std::make_unique<MainWindow>(owner, platform);
            throw UDPSockError(UDPEndpointTexts::UnknownError("10093"));
        });
    user.join();
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(caption, application.Title().String());
    EXPECT_EQ(text, "Unknown Error No. 10093.");
    EXPECT_TRUE(iconIsTheErrorIcon);
    EXPECT_FALSE(mainWindowLeft);
}

}  // namespace
}  // namespace ostrel
