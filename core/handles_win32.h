// Owners of kernel and window handles, shared by the program's Win32 adapters.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace ostrel {

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
// A window destroyed when its owner goes.
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
// A kernel handle (process, file, mapping) closed when its owner goes.
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace ostrel
