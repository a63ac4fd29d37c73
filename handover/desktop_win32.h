// The desktop's top-level windows and the maker's shared-state library, for real.
#pragma once

#include <windows.h>

#include <memory>

#include "handover/window_search.h"

namespace ostrel {

// `mainWindow` is the launcher's own window (handed to the enumeration as its value).
std::unique_ptr<Desktop> CreateDesktop(HWND mainWindow);

// GetResponseState of Ombrix.dll, bound by name when the program starts (ombrix_win32.cpp).
std::unique_ptr<ResponseState> CreateResponseState();

}  // namespace ostrel
