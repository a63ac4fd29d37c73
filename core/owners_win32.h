// Owners of the system's handles, for the program, the stand-ins, the tests and the tools alike:
// each handle has one owner, which closes it on every path, exceptions included. Owners move and
// do not copy.
//
// What "no handle" is depends on the kind: null for windows, GDI objects, registry keys and
// modules; null and INVALID_HANDLE_VALUE for kernel handles (CreateFileW fails with the one,
// OpenProcess with the other); INVALID_HANDLE_VALUE for file searches; for sockets what
// IsOpenSocket says. An owner never closes a value that means no handle, and closing leaves the
// thread's last error as the call that failed left it.
#pragma once

// Before windows.h. The program's WinSock 1.1 calls are declared alike here; they are linked from
// ws2_32, which the system protects, rather than from wsock32, which is looked for beside the
// program first.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <utility>

#include "core/socket_id.h"

namespace ostrel {

// A handle of one kind. `Kind` gives the handle type, the value that means none, the validity
// test and the closing call.
template <typename Kind>
class Owned {
  public:
    using Handle = typename Kind::Handle;

    Owned() : handle_(Kind::None()) {}
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return Kind::IsValid(handle_); }
    // Gives the handle up without closing it.
    Handle release() { return std::exchange(handle_, Kind::None()); }
    void reset(Handle handle = Kind::None()) {
        const Handle old = std::exchange(handle_, handle);
        if (!Kind::IsValid(old)) return;
        const DWORD error = GetLastError();
        Kind::Close(old);
        SetLastError(error);
    }
    // For a call that hands the handle out through a pointer: closes what is owned now and
    // takes what the call writes.
    Handle* put() {
        reset();
        return &handle_;
    }

  private:
    Handle handle_;
};

// Kinds whose only "none" is null.
template <typename H, auto CloseFunction>
struct NullIsNone {
    using Handle = H;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { CloseFunction(handle); }
};

struct KernelHandleKind {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle handle) {
        return handle != nullptr && handle != INVALID_HANDLE_VALUE;
    }
    static void Close(Handle handle) { CloseHandle(handle); }
};

struct FindHandleKind {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) { return handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { FindClose(handle); }
};

struct SocketKind {
    using Handle = SOCKET;
    static Handle None() { return INVALID_SOCKET; }
    static bool IsValid(Handle handle) { return IsOpenSocket(handle); }
    static void Close(Handle handle) { closesocket(handle); }
};
static_assert(INVALID_SOCKET == kInvalidSocket, "invalid socket values differ");

// A process, thread, file, event or mapping.
using KernelHandle = Owned<KernelHandleKind>;
// A search of FindFirstFileA, ended with FindClose.
using FindHandle = Owned<FindHandleKind>;
// A window, destroyed with its children when its owner goes. A window that handles its own
// messages derives from Window (core/window_win32.h), which owns its handle in one of these.
using OwnedWindow = Owned<NullIsNone<HWND, DestroyWindow>>;
// A font, bitmap, brush or other GDI object.
template <typename H>
using GdiObject = Owned<NullIsNone<H, DeleteObject>>;
// An icon made or loaded at a size of the caller's (LoadImageA, CreateIconIndirect); an icon of
// LoadIconA is the system's and never owned.
using OwnedIcon = Owned<NullIsNone<HICON, DestroyIcon>>;
// An open registry key; the predefined root keys are never owned.
using OwnedRegKey = Owned<NullIsNone<HKEY, RegCloseKey>>;
// A library loaded with LoadLibraryA or LoadLibraryExA.
using LoadedModule = Owned<NullIsNone<HMODULE, FreeLibrary>>;
// A view of a file mapping.
using MappedView = Owned<NullIsNone<LPVOID, UnmapViewOfFile>>;
using OwnedSocket = Owned<SocketKind>;
// A hook of SetWindowsHookExW.
using OwnedHook = Owned<NullIsNone<HHOOK, UnhookWindowsHookEx>>;

// A window's device context from GetDC or GetDCEx, released to the window it came from. The
// screen's is the null window's.
class WindowDc {
  public:
    explicit WindowDc(HWND window = nullptr) : WindowDc(window, GetDC(window)) {}
    WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// The device context of one WM_PAINT, from BeginPaint to EndPaint.
class PaintDc {
  public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
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

// COM on this thread in a single-threaded apartment, uninitialised only if it was initialised.
class ComApartment {
  public:
    ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialized_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool Initialized() const { return initialized_; }

  private:
    bool initialized_;
};

// One use of the socket library, from a successful WSAStartup to its WSACleanup.
class WinsockSession {
  public:
    explicit WinsockSession(WORD version) : started_(WSAStartup(version, &data_) == 0) {}
    ~WinsockSession() {
        if (started_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Started() const { return started_; }

  private:
    WSADATA data_{};
    bool started_;
};

}  // namespace ostrel
