// Owners of GDI objects and device contexts.
#pragma once

#include <windows.h>

#include <utility>

namespace ostrel {

// Owns one GDI object (font, bitmap, brush) and deletes it.
template <typename Handle>
class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() {
        if (handle_) DeleteObject(handle_);
    }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    Handle handle_ = nullptr;
};

// A memory DC compatible with `dc`, with `bitmap` selected for its lifetime.
class MemoryDc {
  public:
    MemoryDc(HDC dc, HBITMAP bitmap) : dc_(CreateCompatibleDC(dc)) {
        if (dc_) previous_ = SelectObject(dc_, bitmap);
    }
    ~MemoryDc() {
        if (dc_) {
            SelectObject(dc_, previous_);
            DeleteDC(dc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace ostrel
