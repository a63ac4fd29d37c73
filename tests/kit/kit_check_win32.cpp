// The test kit's own checks, for run-tests.cmd, where the command prompt has no reliable way to
// ask: it carries ostrel.exe's manifest, so it sees the display and the token as the launcher and
// the test programs do.
//   kit_check dpi                      prints the display's dots per inch (LOGPIXELSY), one line
//   kit_check administrator            exit 0 when this console may change the machine: elevated,
//                                      or Wine, which has no elevation (says so); else says what
//                                      to do, exit 1
//   kit_check leftovers FOLDER...      ends every process whose program lies in one of the
//                                      folders and names, on one line, what it ended and who
//                                      holds the launcher's or Corvex's UDP port; exit 0 when
//                                      nothing was left, 1 when something was
#include "core/owners_win32.h"

#include <iphlpapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/text_win32.h"

namespace {

using ostrel::KernelHandle;
using ostrel::Utf8;
using ostrel::WideText;

constexpr unsigned short kKitPorts[] = {61000, 61001};  // Corvex's wake-up port, the launcher's
constexpr DWORD kEndingMs = 5000;

constexpr char kDpiLine[] = "Display: %d dots per inch (%d %%)\n";
constexpr char kWineHasNoElevation[] =
    "Wine has no elevation: whether this is an administrator is not checked.\n";
constexpr char kNeedsAnAdministrator[] =
    "On this machine the tests change HKEY_LOCAL_MACHINE, which needs an administrator:\n"
    "start a console with \"Run as administrator\" and run run-tests.cmd --on-this-machine "
    "there. Nothing was changed.\n";
constexpr char kUsage[] = "usage: kit_check dpi | administrator | leftovers FOLDER...\n";

bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

int PrintDpi() {
    const ostrel::WindowDc screen;
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    std::printf(kDpiLine, dpi, MulDiv(dpi, 100, 96));
    return 0;
}

int CheckAdministrator() {
    if (UnderWine()) {
        std::fputs(kWineHasNoElevation, stdout);
        return 0;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    KernelHandle token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
        GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated) {
        return 0;
    }
    std::fputs(kNeedsAnAdministrator, stdout);
    return 1;
}

// The long form of a path, in upper case, for comparing paths as the file system does.
std::wstring Comparable(const std::wstring& path) {
    WideText full(32768);
    DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    std::wstring text(full.data(), length < full.size() ? length : 0);
    length = GetLongPathNameW(text.c_str(), full.data(), static_cast<DWORD>(full.size()));
    if (length > 0 && length < full.size()) text.assign(full.data(), length);
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

struct Process {
    DWORD id;
    std::wstring name;
};

std::vector<Process> Processes() {
    std::vector<Process> processes;
    const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        processes.push_back({entry.th32ProcessID, entry.szExeFile});
    }
    return processes;
}

std::wstring ProgramOf(HANDLE process) {
    WideText path(32768);
    DWORD length = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &length)) return {};
    return std::wstring(path.data(), length);
}

bool InFolder(const std::wstring& program, const std::vector<std::wstring>& folders) {
    const std::wstring comparable = Comparable(program);
    for (const std::wstring& folder : folders) {
        if (comparable.compare(0, folder.size(), folder) == 0) return true;
    }
    return false;
}

std::string Described(const Process& process) {
    return Utf8(process.name.c_str()) + " (process " + std::to_string(process.id) + ")";
}

void Add(std::string& list, const std::string& item) { list += (list.empty() ? "" : ", ") + item; }

// Ends the processes of the folders; what they were, and whether every one ended.
std::string EndProcessesIn(const std::vector<std::wstring>& folders, bool& allEnded) {
    std::string ended;
    for (const Process& process : Processes()) {
        if (process.id == GetCurrentProcessId()) continue;
        const KernelHandle handle(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                        process.id));
        if (!handle || !InFolder(ProgramOf(handle.get()), folders)) continue;
        Add(ended, Described(process));
        allEnded = TerminateProcess(handle.get(), 1) &&
                   WaitForSingleObject(handle.get(), kEndingMs) == WAIT_OBJECT_0 && allEnded;
    }
    return ended;
}

// The holders of the kit's ports on IPv4, as the system's table names them (Wine names nobody).
std::string PortHolders() {
    std::vector<BYTE> table;
    DWORD size = 0;
    DWORD status = ERROR_INSUFFICIENT_BUFFER;
    while (status == ERROR_INSUFFICIENT_BUFFER) {
        table.resize(size);
        status = GetExtendedUdpTable(table.data(), &size, FALSE, AF_INET, UDP_TABLE_OWNER_PID, 0);
    }
    if (status != NO_ERROR)
        return "the UDP table cannot be read (error " + std::to_string(status) + ")";
    const auto* rows = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(table.data());
    const std::vector<Process> processes = Processes();
    std::string holders;
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
        const MIB_UDPROW_OWNER_PID& row = rows->table[i];
        const unsigned short port = ntohs(static_cast<unsigned short>(row.dwLocalPort));
        bool kitPort = false;
        for (const unsigned short wanted : kKitPorts) kitPort = kitPort || port == wanted;
        if (!kitPort) continue;
        std::string holder = "UDP port " + std::to_string(port);
        for (const Process& process : processes) {
            if (row.dwOwningPid != 0 && process.id == row.dwOwningPid) {
                holder += " held by " + Described(process);
            }
        }
        Add(holders, holder);
    }
    return holders;
}

int EndLeftovers(const std::vector<std::wstring>& folders) {
    const std::string holders = PortHolders();
    bool allEnded = true;
    const std::string ended = EndProcessesIn(folders, allEnded);
    if (ended.empty() && holders.empty()) return 0;
    std::string left = ended.empty() ? holders : "ended " + ended;
    if (!ended.empty() && !holders.empty()) left += "; " + holders;
    if (!allEnded) left += "; some would not end";
    const std::string still = PortHolders();
    if (!still.empty()) left += "; still taken: " + still;
    std::printf("%s\n", left.c_str());
    return 1;
}

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main() {
    // The folders as they are, whatever the code page.
    int count = 0;
    LPWSTR* given = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::vector<std::wstring> arguments(given, given + (given ? count : 0));
    LocalFree(given);
    const std::wstring command = arguments.size() > 1 ? arguments[1] : L"";
    if (command == L"dpi" && arguments.size() == 2) return PrintDpi();
    if (command == L"administrator" && arguments.size() == 2) return CheckAdministrator();
    if (command == L"leftovers" && arguments.size() > 2) {
        std::vector<std::wstring> folders;
        for (auto folder = arguments.begin() + 2; folder != arguments.end(); ++folder) {
            std::wstring comparable = Comparable(*folder);
            if (!comparable.empty() && comparable.back() != L'\\') comparable += L'\\';
            folders.push_back(comparable);
        }
        return EndLeftovers(folders);
    }
    return Usage();
}
