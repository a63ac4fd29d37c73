#include "screen_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "app/resource_ids.h"
#include "launcher_driver.h"

namespace ostrel::test {

namespace {

constexpr int kLayoutDpi = 96;
constexpr int kScaledTolerance = 12;  // smoothing and colour rounding of a scaled copy

}  // namespace

bool Within(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

SIZE SizeOf(const RECT& rect) { return SIZE{rect.right - rect.left, rect.bottom - rect.top}; }

int ScreenDpi() { return GetDeviceCaps(WindowDc().get(), LOGPIXELSY); }

int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, kLayoutDpi); }

RECT Scaled(const RECT& rect, int dpi) {
    return RECT{Scaled(rect.left, dpi), Scaled(rect.top, dpi), Scaled(rect.right, dpi),
                Scaled(rect.bottom, dpi)};
}

int LayoutTolerance(int dpi) { return dpi == kLayoutDpi ? 0 : 1; }

void ExpectNear(const RECT& actual, const RECT& expected, int dpi, const std::string& what) {
    const int tolerance = LayoutTolerance(dpi);
    EXPECT_NEAR(actual.left, expected.left, tolerance) << what << ": " << actual;
    EXPECT_NEAR(actual.top, expected.top, tolerance) << what << ": " << actual;
    EXPECT_NEAR(actual.right, expected.right, tolerance) << what << ": " << actual;
    EXPECT_NEAR(actual.bottom, expected.bottom, tolerance) << what << ": " << actual;
}

SIZE DialogFramedOuterSize(int dpi) {
    using MetricForDpi = int(WINAPI*)(int, UINT);
    const auto metricForDpi = reinterpret_cast<MetricForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    if (metricForDpi) {
        const auto at96 = [&](int metric) { return metricForDpi(metric, kLayoutDpi); };
        return SIZE{Scaled(207 + 2 * at96(SM_CXDLGFRAME), dpi),
                    Scaled(188 + at96(SM_CYCAPTION) + 2 * at96(SM_CYDLGFRAME), dpi)};
    }
    return SIZE{
        Scaled(207, dpi) + 2 * GetSystemMetrics(SM_CXDLGFRAME),
        Scaled(188, dpi) + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYDLGFRAME)};
}

void ExpectMainWindowLayout(HWND window, int dpi) {
    constexpr RECT kClient96{0, 0, 602, 478};
    ExpectNear(WindowRectOf(window), Scaled(RECT{8, 132, 8 + 602, 132 + 478}, dpi), dpi,
               "main window");
    const RECT client = ClientRectOf(window);
    ExpectNear(client, Scaled(kClient96, dpi), dpi, "main window's client area");
    for (const LayoutControl& control : kMainWindowControls) {
        HWND child = GetDlgItem(window, control.id);
        ASSERT_NE(child, nullptr) << control.name;
        const RECT rect = ChildRect(child);
        ExpectNear(rect, Scaled(control.rect, dpi), dpi, control.name);
        // What the client area showed whole at 96 it still shows whole.
        if (Within(control.rect, kClient96)) {
            EXPECT_TRUE(Within(rect, client)) << control.name << ": " << rect;
        }
    }
}

DecodedImage LauncherPicture(int resourceId) {
    const LoadedModule program(LoadLibraryExA((ProgramFolder() + "ostrel.exe").c_str(), nullptr,
                                              LOAD_LIBRARY_AS_DATAFILE));
    HRSRC resource =
        program ? FindResourceA(program.get(), MAKEINTRESOURCEA(resourceId), RT_RCDATA) : nullptr;
    HGLOBAL loaded = resource ? LoadResource(program.get(), resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return DecodeJpeg(static_cast<const std::uint8_t*>(data),
                      SizeofResource(program.get(), resource));
}

namespace {

void AppendBitmapPixels(HBITMAP bitmap, std::vector<std::uint32_t>& pixels) {
    BITMAP size{};
    if (!bitmap || !GetObjectA(bitmap, sizeof size, &size)) return;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size.bmWidth;
    format.bmiHeader.biHeight = -size.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> read(static_cast<std::size_t>(size.bmWidth) * size.bmHeight);
    const WindowDc screen(nullptr);
    if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(size.bmHeight), read.data(), &format,
                  DIB_RGB_COLORS) == size.bmHeight) {
        pixels.insert(pixels.end(), read.begin(), read.end());
    }
}

}  // namespace

std::vector<std::uint32_t> IconPixels(HICON icon) {
    ICONINFO parts{};
    if (!icon || !GetIconInfo(icon, &parts)) return {};
    const GdiObject<HBITMAP> colour(parts.hbmColor);
    const GdiObject<HBITMAP> mask(parts.hbmMask);
    std::vector<std::uint32_t> pixels;
    AppendBitmapPixels(colour.get(), pixels);
    AppendBitmapPixels(mask.get(), pixels);
    return pixels;
}

std::vector<std::uint32_t> LauncherIconPixels() {
    const LoadedModule program(LoadLibraryExA((ProgramFolder() + "ostrel.exe").c_str(), nullptr,
                                              LOAD_LIBRARY_AS_DATAFILE));
    if (!program) return {};
    const OwnedIcon icon(static_cast<HICON>(LoadImageA(program.get(), kMainIconName, IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXICON),
                                                       GetSystemMetrics(SM_CYICON), 0)));
    return IconPixels(icon.get());
}

COLORREF PixelOf(const DecodedImage& picture, int x, int y) {
    const std::uint8_t* bgr = &picture.pixels[y * picture.stride + x * 3];
    return RGB(bgr[2], bgr[1], bgr[0]);
}

int ColourDistance(COLORREF a, COLORREF b) {
    int largest = 0;
    for (int shift : {0, 8, 16}) {
        const int channelA = static_cast<int>((a >> shift) & 0xFF);
        const int channelB = static_cast<int>((b >> shift) & 0xFF);
        largest = std::max(largest, std::abs(channelA - channelB));
    }
    return largest;
}

int ColourTolerance(HDC dc) { return GetDeviceCaps(dc, BITSPIXEL) >= 24 ? 0 : 8; }

std::string ScreenMismatches(const std::vector<Sample>& samples, int tolerance) {
    constexpr int kShown = 5;
    const WindowDc screen;
    std::ostringstream mismatches;
    int count = 0;
    for (const Sample& sample : samples) {
        const COLORREF actual = GetPixel(screen.get(), sample.screen.x, sample.screen.y);
        if (ColourDistance(actual, sample.expected) <= tolerance) continue;
        if (++count <= kShown) {
            mismatches << " at " << sample.screen.x << "," << sample.screen.y << ": 0x" << std::hex
                       << actual << " instead of 0x" << sample.expected << std::dec;
        }
    }
    if (count == 0) return {};
    return std::to_string(count) + " of " + std::to_string(samples.size()) + " differ," +
           mismatches.str();
}

void ExpectOnScreen(const std::vector<Sample>& samples, std::size_t fewest, int tolerance) {
    constexpr DWORD kScreenTimeoutMs = 3000;  // the X server shows what Wine drew a little later
    ASSERT_GE(samples.size(), fewest);
    std::string mismatches;
    WaitUntil(
        [&] {
            mismatches = ScreenMismatches(samples, tolerance);
            return mismatches.empty();
        },
        kScreenTimeoutMs);
    EXPECT_EQ(mismatches, "");
}

namespace {

// Whether the picture hardly changes around (x, y).
bool Smooth(const DecodedImage& picture, int x, int y) {
    constexpr int kReach = 2;
    constexpr int kMostChange = 6;
    if (x < kReach || y < kReach || x >= picture.width - kReach || y >= picture.height - kReach) {
        return false;
    }
    for (int dy = -kReach; dy <= kReach; ++dy) {
        for (int dx = -kReach; dx <= kReach; ++dx) {
            if (ColourDistance(PixelOf(picture, x, y), PixelOf(picture, x + dx, y + dy)) >
                kMostChange) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

std::vector<Sample> ScaledPictureSamples(const DecodedImage& picture, int dpi, POINT origin,
                                         const RECT& visible, const Covered& covered) {
    constexpr int kStep = 13;
    std::vector<Sample> samples;
    for (int y = kStep; y < picture.height; y += kStep) {
        for (int x = kStep; x < picture.width; x += kStep) {
            const POINT at{origin.x + Scaled(x, dpi), origin.y + Scaled(y, dpi)};
            if (!PtInRect(&visible, at) || covered(x, y, at) || !Smooth(picture, x, y)) continue;
            samples.push_back(Sample{at, PixelOf(picture, x, y)});
        }
    }
    return samples;
}

int PictureTolerance(int dpi) {
    return dpi == kLayoutDpi ? ColourTolerance(WindowDc().get()) : kScaledTolerance;
}

}  // namespace ostrel::test
