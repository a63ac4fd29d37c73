#include "launcher_driver.h"

#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "app/control_ids.h"
#include "core/text_win32.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace ostrel::test {
namespace {

constexpr char kJavaKeyPrefix[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\";

std::string ModulePath() {
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return Utf8(path, length);
}

OwnedRegKey CreateJavaKey(const std::string& version, REGSAM view) {
    const std::string path = kJavaKeyPrefix + version;
    OwnedRegKey key = CreateRegistryKey(HKEY_LOCAL_MACHINE, path, view);
    if (!key) throw std::runtime_error("cannot create " + path);
    return key;
}

void RemoveFolder(const std::string& path) {
    // SHFileOperation wants a list ended by two zeros.
    WideText from = Wide(path);
    from.pop_back();
    if (!from.empty() && from.back() == L'\\') from.pop_back();
    from.insert(from.end(), {L'\0', L'\0'});
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
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

OwnedRegKey CreateRegistryKey(HKEY root, const std::string& path, REGSAM view) {
    OwnedRegKey key;
    if (RegCreateKeyExW(root, Wide(path).data(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        return OwnedRegKey();
    }
    return key;
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        path_ = Utf8(base) + "ostrel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryW(Wide(path_).data(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create " + path_);
    }
}

TempFolder::~TempFolder() { RemoveFolder(path_); }

namespace {

// The DOS name Wine gives a Unix path; empty outside Wine.
std::string WineDosName(const char* unixPath) {
    using ToDos = WCHAR*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* name = toDos ? toDos(unixPath) : nullptr;
    if (!name) return {};
    const std::string path = Utf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

}  // namespace

bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

std::string UnwritableFolder() { return WineDosName("/proc"); }

std::string LinuxUdpTable() {
    const std::string path = WineDosName("/proc/net/udp");
    return path.empty() ? std::string() : ReadFile(path);
}

bool CreateFolders(const std::string& path) {
    for (std::string::size_type at = path.find('\\', 3); at != std::string::npos;
         at = path.find('\\', at + 1)) {
        CreateDirectoryW(Wide(path.substr(0, at)).data(), nullptr);
    }
    CreateDirectoryW(Wide(path).data(), nullptr);
    const DWORD attributes = GetFileAttributesW(Wide(path).data());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteFile(const std::string& path, const std::string& content) {
    const KernelHandle file(CreateFileW(Wide(path).data(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) {
        ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                    nullptr);
    }
}

std::string ReadFile(const std::string& path) {
    const KernelHandle file(CreateFileW(Wide(path).data(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string content;
    if (!file) return content;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    return content;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(Wide(path).data()) != INVALID_FILE_ATTRIBUTES;
}

JavaRuntimeRegistration::JavaRuntimeRegistration() { RemoveAll(); }
JavaRuntimeRegistration::~JavaRuntimeRegistration() { RemoveAll(); }

bool RegistryHasTwoViews() {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

void JavaRuntimeRegistration::RemoveAll() {
    for (const char* version : {"1.4", "1.3"}) {
        for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, Wide(kJavaKeyPrefix + std::string(version)).data(),
                            view, 0);
        }
    }
}

void JavaRuntimeRegistration::SetValue(const std::string& version, const std::string& name,
                                       DWORD type, const void* data, std::size_t size) {
    const OwnedRegKey key = CreateJavaKey(version, view_);
    const LSTATUS status = RegSetValueExW(key.get(), Wide(name).data(), 0, type,
                                          static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set " + name);
}

void JavaRuntimeRegistration::SetString(const std::string& version, const std::string& name,
                                        const std::string& data) {
    const WideText text = Wide(data);
    SetValue(version, name, REG_SZ, text.data(), text.size() * sizeof(wchar_t));
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
    WideText data;
    for (const std::string& text : strings) {
        const WideText wide = Wide(text);
        data.insert(data.end(), wide.begin(), wide.end());
    }
    data.push_back(L'\0');
    SetValue(version, name, REG_MULTI_SZ, data.data(), data.size() * sizeof(wchar_t));
}

DesktopEntry::DesktopEntry(const std::string& folder) {
    constexpr char kExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    const WideText text = Wide(folder);
    for (const auto& [key, type] :
         {std::pair{"User Shell Folders", REG_EXPAND_SZ}, std::pair{"Shell Folders", REG_SZ}}) {
        Entry entry{
            CreateRegistryKey(HKEY_CURRENT_USER, kExplorer + std::string(key)), {}, REG_NONE};
        DWORD size = 0;
        DWORD oldType = 0;
        if (RegQueryValueExW(entry.key.get(), L"Desktop", nullptr, &oldType, nullptr, &size) ==
            ERROR_SUCCESS) {
            entry.old.resize(size);
            if (RegQueryValueExW(entry.key.get(), L"Desktop", nullptr, &oldType, entry.old.data(),
                                 &size) == ERROR_SUCCESS) {
                entry.old.resize(size);
                entry.oldType = oldType;
            }
        }
        RegSetValueExW(entry.key.get(), L"Desktop", 0, type,
                       reinterpret_cast<const BYTE*>(text.data()),
                       static_cast<DWORD>(text.size() * sizeof(wchar_t)));
        entries_.push_back(std::move(entry));
    }
}

DesktopEntry::~DesktopEntry() {
    for (Entry& entry : entries_) {
        if (entry.oldType != REG_NONE) {
            RegSetValueExW(entry.key.get(), L"Desktop", 0, entry.oldType, entry.old.data(),
                           static_cast<DWORD>(entry.old.size()));
        } else {
            RegDeleteValueW(entry.key.get(), L"Desktop");
        }
    }
}

namespace {

// Sets variables of this process, and so of the programs it starts meanwhile, for the object's
// lifetime; then puts their old values back.
class EnvironmentOverride {
  public:
    explicit EnvironmentOverride(const EnvironmentSettings& settings) {
        for (const std::string& setting : settings) {
            const std::string::size_type equals = setting.find('=');
            const WideText name = Wide(setting.substr(0, equals));
            WideText old(32768);
            const DWORD length =
                GetEnvironmentVariableW(name.data(), old.data(), static_cast<DWORD>(old.size()));
            old_.push_back({name, length > 0 && length < old.size(), old});
            SetEnvironmentVariableW(name.data(), Wide(setting.substr(equals + 1)).data());
        }
    }
    ~EnvironmentOverride() {
        for (const Old& old : old_) {
            SetEnvironmentVariableW(old.name.data(), old.set ? old.value.data() : nullptr);
        }
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

  private:
    struct Old {
        WideText name;
        bool set;
        WideText value;
    };
    std::vector<Old> old_;
};

}  // namespace

LauncherRun::LauncherRun(const std::string& workingFolder, int showCommand,
                         const std::string& program, const std::string& arguments,
                         const EnvironmentSettings& environment) {
    const EnvironmentOverride overridden(environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION started{};
    const bool bare = program.find_first_of("\\:") == std::string::npos;
    WideText commandLine = Wide("\"" + (bare ? ProgramFolder() + program : program) + "\"" +
                                (arguments.empty() ? "" : " " + arguments));
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        Wide(workingFolder).data(), &startup, &started)) {
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

bool WaitForStandInStarts(const std::string& recordFile, std::size_t count, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            const std::string record = ReadFile(recordFile);
            std::size_t starts = 0;
            for (auto at = record.find("event=start\n"); at != std::string::npos;
                 at = record.find("event=start\n", at + 1)) {
                ++starts;
            }
            return starts >= count;
        },
        timeoutMs);
}

bool SetCorvexAnswer(bool answered) {
    const LoadedModule ombrix(LoadLibraryW(Wide(ProgramFolder() + "Ombrix.dll").data()));
    using SetResponseState = BOOL(WINAPI*)(BOOL);
    const auto set = ombrix ? reinterpret_cast<SetResponseState>(reinterpret_cast<void*>(
                                  GetProcAddress(ombrix.get(), "SetResponseState")))
                            : nullptr;
    return set && set(answered ? TRUE : FALSE);
}

HWND LetCorvexAppear(const std::string& file, const std::string& windowClass,
                     const std::string& title) {
    WriteFile(file, "");
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = FindWindowW(Wide(windowClass).data(), Wide(title).data());
            return window && IsWindowVisible(window);
        },
        10000);
    return window;
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

bool ShellLinkFields::operator==(const ShellLinkFields& other) const {
    return target == other.target && arguments == other.arguments && directory == other.directory &&
           showCommand == other.showCommand && iconFile == other.iconFile &&
           iconIndex == other.iconIndex;
}

std::ostream& operator<<(std::ostream& out, const ShellLinkFields& link) {
    return out << "{target \"" << link.target << "\", arguments \"" << link.arguments
               << "\", directory \"" << link.directory << "\", show " << link.showCommand
               << ", icon \"" << link.iconFile << "\"," << link.iconIndex << "}";
}

ShellLinkFields ReadShellLink(const std::string& path) {
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    Microsoft::WRL::ComPtr<IPersistFile> persist;
    ShellLinkFields fields;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.GetAddressOf()))) ||
        FAILED(link.As(&persist)) || FAILED(persist->Load(Wide(path).data(), STGM_READ))) {
        return fields;
    }
    wchar_t text[1024];
    link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
    fields.target = Utf8(text);
    // Under Wine the path above comes from the link's ANSI copy of it, which loses every letter
    // beyond the code page; the item list that Windows goes by holds it whole.
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items) {
        if (SHGetPathFromIDListW(items, text)) fields.target = Utf8(text);
        CoTaskMemFree(items);
    }
    link->GetArguments(text, 1024);
    fields.arguments = Utf8(text);
    link->GetWorkingDirectory(text, 1024);
    fields.directory = Utf8(text);
    link->GetShowCmd(&fields.showCommand);
    link->GetIconLocation(text, 1024, &fields.iconIndex);
    fields.iconFile = Utf8(text);
    return fields;
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
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    WideText text(static_cast<std::size_t>(length) + 1);
    const LRESULT copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return Utf8(text.data(), static_cast<std::size_t>(copied));
}

std::string WindowClass(HWND window) {
    wchar_t name[256];
    const int length = GetClassNameW(window, name, 256);
    return Utf8(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::string LogText(HWND mainWindow) { return WindowText(GetDlgItem(mainWindow, kMemo1)); }

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

std::string RunLogFolder() {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return Utf8(folder) + "\\Ostrel\\";
}

void ClearRunLogs() {
    for (const char* name : {"ostrel.log", "ostrel.previous.log"}) {
        DeleteFileW(Wide(RunLogFolder() + name).data());
    }
}

std::vector<std::string> RunLogFileLines() {
    std::vector<std::string> lines;
    std::istringstream text(ReadFile(RunLogFolder() + "ostrel.log"));
    std::string line;
    for (bool heading = true; std::getline(text, line); heading = false) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!heading) lines.push_back(line);
    }
    return lines;
}

bool WaitForRunLogLine(const std::string& line, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            const std::vector<std::string> lines = RunLogFileLines();
            return std::find(lines.begin(), lines.end(), line) != lines.end();
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

bool Above(HWND window, HWND other) {
    for (HWND at = GetTopWindow(nullptr); at; at = GetWindow(at, GW_HWNDNEXT)) {
        if (at == window) return true;
        if (at == other) return false;
    }
    return false;
}

}  // namespace ostrel::test
