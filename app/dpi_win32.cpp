#include "app/dpi_win32.h"

#include "core/owners_win32.h"

namespace ostrel {

int SystemDpi() {
    const WindowDc screen;
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    // Without a screen to ask, the layout stays as it is drawn.
    return dpi > 0 ? dpi : kLayoutDpi;
}

}  // namespace ostrel
