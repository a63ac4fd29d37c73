#include "app/picture_win32.h"

#include <cstring>

#include "app/dpi_win32.h"
#include "app/jpeg_image.h"
#include "core/system_error_win32.h"

namespace ostrel {
namespace {

BITMAPINFO TopDownBitmapInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

DecodedImage DecodeResource(int resourceId) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) RaiseSystemError(StartupFailures::PictureResourceMissing);
    return DecodeJpeg(static_cast<const std::uint8_t*>(data), SizeofResource(module, resource));
}

// A bitmap of `size` holding `image`, scaled to it when the sizes differ. Scaled once here, with
// the system's smoothing, rather than on every paint.
GdiObject<HBITMAP> BitmapOf(const DecodedImage& image, SIZE size) {
    const BITMAPINFO info = TopDownBitmapInfo(size.cx, size.cy);
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) RaiseSystemError(StartupFailures::PictureBitmap);
    if (size.cx == image.width && size.cy == image.height) {
        std::memcpy(bits, image.pixels.data(), image.pixels.size());
        return bitmap;
    }
    const BITMAPINFO source = TopDownBitmapInfo(image.width, image.height);
    MemoryDc target(nullptr, bitmap.get());
    SetStretchBltMode(target.get(), HALFTONE);
    SetBrushOrgEx(target.get(), 0, 0, nullptr);  // as HALFTONE requires
    if (StretchDIBits(target.get(), 0, 0, size.cx, size.cy, 0, 0, image.width, image.height,
                      image.pixels.data(), &source, DIB_RGB_COLORS, SRCCOPY) == 0) {
        RaiseSystemError(StartupFailures::ScalePicture);
    }
    return bitmap;
}

}  // namespace

void Picture::Load() {
    const DecodedImage image = DecodeResource(resourceId_);
    const SIZE size{ScaleToDpi(image.width, dpi_), ScaleToDpi(image.height, dpi_)};
    bitmap_ = BitmapOf(image, size);
    size_ = size;
}

void Picture::Draw(HDC dc, int x, int y) {
    if (!bitmap_) return;
    MemoryDc source(dc, bitmap_.get());
    BitBlt(dc, x, y, size_.cx, size_.cy, source.get(), 0, 0, SRCCOPY);
}

}  // namespace ostrel
