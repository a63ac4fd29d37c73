#include "app/dpi_win32.h"

namespace ostrel {
namespace {

class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

}  // namespace

int SystemDpi() {
    const ScreenDc screen;
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    // Without a screen to ask, the layout stays as it is drawn.
    return dpi > 0 ? dpi : kLayoutDpi;
}

}  // namespace ostrel
