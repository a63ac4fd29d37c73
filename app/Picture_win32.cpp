#include "app/Picture_win32.h"

#include <cstring>

#include "app/jpeg_image.h"
#include "core/errors.h"

namespace ostrel {

void Picture::Load() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId_), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw Exception("Picture resource missing");
    const DecodedImage image =
        DecodeJpeg(static_cast<const std::uint8_t*>(data), SizeofResource(module, resource));

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) throw Exception("Cannot create picture bitmap");
    std::memcpy(bits, image.pixels.data(), image.pixels.size());
    bitmap_ = std::move(bitmap);
    size_ = SIZE{image.width, image.height};
}

void Picture::Draw(HDC dc, int x, int y) {
    if (!bitmap_) Load();
    MemoryDc source(dc, bitmap_.get());
    BitBlt(dc, x, y, size_.cx, size_.cy, source.get(), 0, 0, SRCCOPY);
}

}  // namespace ostrel
