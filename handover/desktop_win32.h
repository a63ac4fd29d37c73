// The desktop's top-level windows and the maker's shared-state library, for real.
#pragma once

#include <memory>

#include "handover/window_search.h"

namespace ostrel {

std::unique_ptr<Desktop> CreateDesktopAdapter();

// GetResponseState of Ombrix.dll, bound by name when the program starts (ombrix_win32.cpp).
std::unique_ptr<ResponseState> CreateResponseState();

}  // namespace ostrel
