#include "launcher_driver.h"

#include <shellapi.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace ostrel::testing {
namespace {

constexpr char kJavaKeyPrefix[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\";

std::string ModulePath() {
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return std::string(path, length);
}

OwnedRegKey CreateJavaKey(const std::string& version) {
    const std::string path = kJavaKeyPrefix + version;
    OwnedRegKey key = CreateRegistryKey(HKEY_LOCAL_MACHINE, path);
    if (!key) throw std::runtime_error("cannot create " + path);
    return key;
}

void RemoveFolder(const std::string& path) {
    // SHFileOperation wants a list ended by two zeros.
    std::string from = path;
    if (!from.empty() && from.back() == '\\') from.pop_back();
    from.push_back('\0');
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&operation);
}

}  // namespace

std::string ProgramFolder() {
    const std::string path = ModulePath();
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string StandInJavaHome() { return ProgramFolder() + "standins\\jre"; }

bool RunsSlowCases() {
    char value[2] = {};
    if (GetEnvironmentVariableA("OSTREL_SLOW_CASES", value, sizeof(value)) == 1) {
        return value[0] == '1';
    }
    return sizeof(void*) == 4;
}

OwnedRegKey CreateRegistryKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return OwnedRegKey();
    }
    return OwnedRegKey(key);
}

TempFolder::TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    static int counter = 0;
    for (;;) {
        path_ = std::string(base) + "ostrel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create " + path_);
    }
}

TempFolder::~TempFolder() { RemoveFolder(path_); }

std::string UnwritableFolder() {
    using ToDos = WCHAR*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* name = toDos ? toDos("/proc") : nullptr;
    if (!name) return {};
    char folder[MAX_PATH];
    const int length =
        WideCharToMultiByte(CP_ACP, 0, name, -1, folder, sizeof folder, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, name);
    return length > 0 ? std::string(folder) : std::string();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

JavaRuntimeRegistration::JavaRuntimeRegistration() { RemoveAll(); }
JavaRuntimeRegistration::~JavaRuntimeRegistration() { RemoveAll(); }

void JavaRuntimeRegistration::RemoveAll() {
    for (const char* version : {"1.4", "1.3"}) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kJavaKeyPrefix + std::string(version)).c_str());
    }
}

void JavaRuntimeRegistration::SetValue(const std::string& version, const std::string& name,
                                       DWORD type, const void* data, std::size_t size) {
    const OwnedRegKey key = CreateJavaKey(version);
    const LSTATUS status = RegSetValueExA(key.get(), name.c_str(), 0, type,
                                          static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set " + name);
}

void JavaRuntimeRegistration::SetString(const std::string& version, const std::string& name,
                                        const std::string& data) {
    SetValue(version, name, REG_SZ, data.c_str(), data.size() + 1);
}

void JavaRuntimeRegistration::SetDword(const std::string& version, const std::string& name,
                                       DWORD data) {
    SetValue(version, name, REG_DWORD, &data, sizeof(data));
}

void JavaRuntimeRegistration::SetBinary(const std::string& version, const std::string& name,
                                        const std::string& data) {
    SetValue(version, name, REG_BINARY, data.data(), data.size());
}

void JavaRuntimeRegistration::SetMultiString(const std::string& version, const std::string& name,
                                             const std::vector<std::string>& strings) {
    std::string data;
    for (const std::string& text : strings) data.append(text).push_back('\0');
    data.push_back('\0');
    SetValue(version, name, REG_MULTI_SZ, data.data(), data.size());
}

LauncherRun::LauncherRun(const std::string& workingFolder, int showCommand,
                         const std::string& program) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION started{};
    const bool bare = program.find_first_of("\\:") == std::string::npos;
    std::string commandLine = "\"" + (bare ? ProgramFolder() + program : program) + "\"";
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &started)) {
        throw std::runtime_error("cannot start " + program);
    }
    const KernelHandle thread(started.hThread);  // not needed
    process_.reset(started.hProcess);
    processId_ = started.dwProcessId;
}

LauncherRun::~LauncherRun() {
    if (Running()) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

DWORD LauncherRun::WaitForExit(DWORD timeoutMs) const {
    WaitForSingleObject(process_.get(), timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

HWND LauncherRun::WaitForWindow(const std::string& windowClass, const std::string& title,
                                DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : WindowsOfProcess(processId_)) {
                if (WindowClass(window) == windowClass &&
                    (title.empty() || WindowText(window) == title)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

HWND LauncherRun::WaitForMessageBox(const std::string& caption, DWORD timeoutMs) const {
    return WaitForWindow("#32770", caption, timeoutMs);
}

void EndStandInsOf(const std::string& recordFile) {
    std::istringstream record(ReadFile(recordFile));
    std::string line;
    while (std::getline(record, line)) {
        if (line.rfind("pid=", 0) != 0) continue;
        const auto processId = static_cast<DWORD>(std::strtoul(line.c_str() + 4, nullptr, 10));
        const KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
        if (process) {
            TerminateProcess(process.get(), 0);
            WaitForSingleObject(process.get(), 5000);
        }
    }
}

bool SetCorvexAnswer(bool answered) {
    const LoadedModule ombrix(LoadLibraryA((ProgramFolder() + "Ombrix.dll").c_str()));
    using SetResponseState = BOOL(WINAPI*)(BOOL);
    const auto set = ombrix ? reinterpret_cast<SetResponseState>(reinterpret_cast<void*>(
                                  GetProcAddress(ombrix.get(), "SetResponseState")))
                            : nullptr;
    return set && set(answered ? TRUE : FALSE);
}

RunningCorvex::RunningCorvex(const std::string& folder, const std::string& windowClass,
                             const std::string& title)
    : process_(folder, SW_SHOWNORMAL, StandInJavaHome() + "\\bin\\javaw.exe"),
      window_(process_.WaitForWindow(windowClass, title, 10000)) {}

RunningCorvex::~RunningCorvex() {
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    process_.WaitForExit(5000);
    SetCorvexAnswer(false);  // also when it had to be terminated
}

namespace {

struct ProcessWindows {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM value) {
    auto* search = reinterpret_cast<ProcessWindows*>(value);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) search->windows.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowsOfProcess(DWORD processId) {
    ProcessWindows search{processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

std::string WindowText(HWND window) {
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::string WindowClass(HWND window) {
    char name[256];
    const int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}

std::string LogText(HWND mainWindow) { return WindowText(GetDlgItem(mainWindow, 104)); }

std::vector<std::string> LogLines(HWND mainWindow) {
    std::vector<std::string> lines;
    std::istringstream text(LogText(mainWindow));
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool WaitForLogLine(HWND mainWindow, const std::string& line, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            for (const std::string& logged : LogLines(mainWindow)) {
                if (logged == line) return true;
            }
            return false;
        },
        timeoutMs);
}

std::string MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

void PressOk(HWND box) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

RECT ChildRect(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRectOf(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

std::vector<HWND> TaskbarWindows(DWORD processId) {
    std::vector<HWND> buttons;
    for (HWND window : WindowsOfProcess(processId)) {
        const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
        const bool unowned = GetWindow(window, GW_OWNER) == nullptr;
        if (IsWindowVisible(window) &&
            ((unowned && !(exStyle & WS_EX_TOOLWINDOW)) || (exStyle & WS_EX_APPWINDOW))) {
            buttons.push_back(window);
        }
    }
    return buttons;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread)) return nullptr;
    return thread.hwndFocus;
}

void PressKeys(const std::vector<WORD>& keys, WORD modifier) {
    std::vector<INPUT> inputs;
    const auto key = [&](WORD code, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (modifier) key(modifier, 0);
    for (WORD code : keys) {
        key(code, 0);
        key(code, KEYEVENTF_KEYUP);
    }
    if (modifier) key(modifier, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool BringToForeground(HWND window) {
    SetForegroundWindow(window);
    return WaitUntil([&] { return GetForegroundWindow() == window; }, 5000);
}

bool Above(HWND window, HWND other) {
    for (HWND at = GetTopWindow(nullptr); at; at = GetWindow(at, GW_HWNDNEXT)) {
        if (at == window) return true;
        if (at == other) return false;
    }
    return false;
}

}  // namespace ostrel::testing
