// The conforming floor: a program that does what the launcher must do before it may start
// Corvex, and nothing else, so that the launcher's start-up is measured against the least a
// conforming launcher could take. It imports what the launcher imports at start-up (COM, the
// shell, the registry, WinSock 1.1, user32, and GetResponseState of Ombrix.dll, without which
// the program may not start at all); makes one top-level window, the owner of the shell's
// windows; binds the UDP endpoint at 127.0.0.1:61001 that notifies that window; reads the
// runtime's JavaHome as the launcher does; searches the desktop once by class name; and starts
// the runtime's javaw.exe through the shell, in its own folder. Then it ends.
//
//   ostrel_conforming_floor.exe
//
// Started by ostrel_bench.exe, which registers the stand-in runtime. On any failure it ends at
// once with exit code 1 (the system frees what it holds), and the driver, which finds no start
// of the stand-in, fails the run.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cwchar>

extern "C" __declspec(dllimport) int WINAPI GetResponseState(void);

namespace {

// The launcher binds GetResponseState when it starts and calls it only in a hand-over. A read
// that the compiler must keep holds on to the import; the function is never called.
int(WINAPI* volatile responseState)() = &GetResponseState;

constexpr UINT kDatagramMessage = WM_APP + 1;
constexpr u_short kPort = 61001;

constexpr const wchar_t* kRuntimeKeys[] = {
    L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4",
    L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.3",
};

// JavaHome of the runtime 1.4, else 1.3, read with read access only from the 32-bit view, where
// runtimes register and where the launcher looks first; false when neither has one.
bool ReadJavaHome(wchar_t (&home)[MAX_PATH]) {
    for (const wchar_t* keyPath : kRuntimeKeys) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
            ERROR_SUCCESS) {
            continue;
        }
        DWORD size = sizeof home - sizeof home[0];  // the last character stays the terminator
        DWORD type = 0;
        const LONG read = RegQueryValueExW(key, L"JavaHome", nullptr, &type,
                                           reinterpret_cast<BYTE*>(home), &size);
        RegCloseKey(key);
        if (read == ERROR_SUCCESS && type == REG_SZ) {
            home[size / sizeof home[0]] = L'\0';
            return true;
        }
    }
    return false;
}

BOOL CALLBACK ReadClassName(HWND window, LPARAM) {
    char name[256];
    GetClassNameA(window, name, sizeof name);
    return TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!responseState || FAILED(CoInitialize(nullptr))) return 1;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"OstrelConformingFloor";
    if (!RegisterClassW(&windowClass)) return 1;
    const HWND owner = CreateWindowExW(
        0, windowClass.lpszClassName, L"Conforming floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!owner) return 1;

    WSADATA winsock{};
    if (WSAStartup(MAKEWORD(1, 1), &winsock) != 0) return 1;
    const SOCKET endpoint = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (endpoint == INVALID_SOCKET ||
        bind(endpoint, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        WSAAsyncSelect(endpoint, owner, kDatagramMessage, FD_READ) != 0) {
        return 1;
    }

    // Buffers of their own rather than strings: the floor carries no more of the C++ library
    // than it needs, which would count in its size and memory.
    wchar_t program[MAX_PATH] = {};
    constexpr wchar_t kJavaw[] = L"\\bin\\javaw.exe";
    if (!ReadJavaHome(program) || lstrlenW(program) + lstrlenW(kJavaw) >= MAX_PATH) return 1;
    lstrcatW(program, kJavaw);
    EnumWindows(ReadClassName, 0);

    // Its own folder, with a trailing backslash, as the launcher passes its own.
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    *(wcsrchr(folder, L'\\') + 1) = L'\0';

    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS;
    start.hwnd = owner;
    start.lpFile = program;
    start.lpParameters =
        L"-classpath LIB\\Corvex.jar morvane.r7x.corvex.application.Application ShowSetupSys";
    start.lpDirectory = folder;
    start.nShow = SW_SHOWNORMAL;
    const bool started = ShellExecuteExW(&start) != FALSE;
    if (start.hProcess) CloseHandle(start.hProcess);

    closesocket(endpoint);
    WSACleanup();
    DestroyWindow(owner);
    CoUninitialize();
    return started ? 0 : 1;
}
