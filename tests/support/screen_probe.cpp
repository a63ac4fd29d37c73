#include "screen_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "app/resource_ids.h"
#include "launcher_driver.h"

namespace ostrel::test {

SIZE DialogFramedOuterSize() {
    return SIZE{207 + 2 * GetSystemMetrics(SM_CXDLGFRAME),
                188 + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYDLGFRAME)};
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

}  // namespace ostrel::test
