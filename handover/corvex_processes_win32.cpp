#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "handover/desktop_win32.h"
#include "handover/udp_owners.h"
#include "handover/wake_up.h"
#include "core/text_win32.h"

namespace ostrel {
namespace {

// The creation time of a process, comparable as a number; 0 when it cannot be read.
ULONGLONG CreatedAt(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return ULARGE_INTEGER{{created.dwLowDateTime, created.dwHighDateTime}}.QuadPart;
}

bool StillRuns(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

// A process that cannot be looked at (another user's, say) counts as running: it is not to be
// taken for ended.
bool StillRuns(ProcessId id) {
    const KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    return process ? StillRuns(process.get()) : GetLastError() == ERROR_ACCESS_DENIED;
}

// The processes in `job` that still run, but for this one; nullopt when the system does not list
// them.
std::optional<std::vector<ProcessId>> JobProcesses(HANDLE job) {
    DWORD room = 16;
    for (int round = 0; round < 4; ++round) {
        // The two counts before the list take no more room than two of its entries.
        std::vector<ULONG_PTR> buffer(2 + room);
        auto* const list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
        if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, list,
                                       static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR)),
                                       nullptr) &&
            GetLastError() != ERROR_MORE_DATA) {
            return std::nullopt;
        }
        if (list->NumberOfProcessIdsInList < list->NumberOfAssignedProcesses) {
            room = list->NumberOfAssignedProcesses + 16;  // processes come and go meanwhile
            continue;
        }
        std::vector<ProcessId> processes;
        for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
            const auto id = static_cast<ProcessId>(list->ProcessIdList[i]);
            if (id != GetCurrentProcessId() && StillRuns(id)) processes.push_back(id);
        }
        return processes;
    }
    return std::nullopt;
}

struct Member {
    ProcessId id;
    ULONGLONG created;
};

// The children of `parent` among the system's processes, and theirs. A process names its parent
// by id only, and an id is given again once its process has gone: a child counts only when it
// was made after the parent it names.
void AddDescendants(const std::vector<PROCESSENTRY32W>& processes, std::vector<Member>& family) {
    for (std::size_t next = 0; next < family.size(); ++next) {
        const Member parent = family[next];
        for (const PROCESSENTRY32W& process : processes) {
            if (process.th32ParentProcessID != parent.id || process.th32ProcessID == parent.id) {
                continue;
            }
            const bool known = std::any_of(family.begin(), family.end(), [&](const Member& m) {
                return m.id == process.th32ProcessID;
            });
            if (known) continue;
            const KernelHandle child(
                OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.th32ProcessID));
            const ULONGLONG created = child ? CreatedAt(child.get()) : 0;
            if (created != 0 && created >= parent.created) {
                family.push_back({process.th32ProcessID, created});
            }
        }
    }
}

// The process's id, its program file's name and how long it has run.
RunningProcess Describe(HANDLE process) {
    RunningProcess described{GetProcessId(process), {}, 0};
    // A program may lie deeper than MAX_PATH: the buffer grows until its path fits.
    constexpr std::size_t kLongestPath = 32768;
    for (WideText path(MAX_PATH);; path.resize(path.size() * 2)) {
        DWORD length = static_cast<DWORD>(path.size());
        if (QueryFullProcessImageNameW(process, 0, path.data(), &length)) {
            const std::wstring_view full(path.data(), length);
            const std::wstring_view name = full.substr(full.find_last_of(L"\\/") + 1);
            described.name = Utf8(name.data(), name.size());
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= kLongestPath) break;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG nowTicks = ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart;
    const ULONGLONG created = CreatedAt(process);
    if (created != 0 && nowTicks > created)
        described.runMilliseconds = (nowTicks - created) / 10000;
    return described;
}

std::vector<PROCESSENTRY32W> RunningProcesses() {
    std::vector<PROCESSENTRY32W> processes;
    const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        processes.push_back(entry);
    }
    return processes;
}

}  // namespace

// GetExtendedUdpTable of the IP helper library, loaded from the system folder when the search
// first asks: a launch that sees no candidate window never loads it.
struct Win32CorvexProcesses::UdpTable {
    using GetTable = DWORD(WINAPI*)(PVOID, PDWORD, BOOL, ULONG, UDP_TABLE_CLASS, ULONG);

    UdpTable() {
        // The flag is unknown to a Windows 7 without its loader update; the full path is then
        // as narrow a search.
        library.reset(LoadLibraryExW(L"iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (!library) {
            wchar_t path[MAX_PATH];
            const UINT length = GetSystemDirectoryW(path, MAX_PATH - 16);
            if (length > 0 && length < MAX_PATH - 16) {
                wcscpy(path + length, L"\\iphlpapi.dll");
                library.reset(LoadLibraryW(path));
            }
        }
        if (library) {
            get = reinterpret_cast<GetTable>(
                reinterpret_cast<void*>(GetProcAddress(library.get(), "GetExtendedUdpTable")));
        }
    }

    // The table of one address family, rows of type `Row`: NO_ERROR, or the system's error.
    template <typename Table, typename Row>
    DWORD Read(ULONG family, std::vector<Row>& rows) {
        std::vector<unsigned char> buffer;
        DWORD size = sizeof(Table);
        DWORD status = ERROR_INSUFFICIENT_BUFFER;
        for (int round = 0; round < 4 && status == ERROR_INSUFFICIENT_BUFFER; ++round) {
            // Sockets come and go between the calls: room for a few more than the system said.
            buffer.resize(size + kMoreRows * sizeof(Row));
            size = static_cast<DWORD>(buffer.size());
            status = get(buffer.data(), &size, FALSE, family, UDP_TABLE_OWNER_PID, 0);
        }
        if (status != NO_ERROR) return status;
        const auto* table = reinterpret_cast<const Table*>(buffer.data());
        rows.assign(table->table, table->table + table->dwNumEntries);
        return NO_ERROR;
    }

    static constexpr DWORD kMoreRows = 16;
    LoadedModule library;
    GetTable get = nullptr;
};

Win32CorvexProcesses::Win32CorvexProcesses() = default;
Win32CorvexProcesses::~Win32CorvexProcesses() = default;

void Win32CorvexProcesses::Add(KernelHandle process) {
    if (process) started_.push_back(std::move(process));
}

DWORD Win32CorvexProcesses::FollowWhatStarts() {
    if (jobTried_) return 0;
    jobTried_ = true;
    KernelHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    if (!job ||
        !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits) ||
        !AssignProcessToJobObject(job.get(), GetCurrentProcess())) {
        return GetLastError();
    }
    job_ = std::move(job);
    return 0;
}

std::vector<ProcessId> Win32CorvexProcesses::Started() {
    if (started_.empty()) return {};
    std::vector<ProcessId> running;
    for (const KernelHandle& process : started_) {
        if (StillRuns(process.get())) running.push_back(GetProcessId(process.get()));
    }
    for (const ProcessId descendant : Descendants()) {
        if (std::find(running.begin(), running.end(), descendant) == running.end()) {
            running.push_back(descendant);
        }
    }
    return running;
}

std::vector<ProcessId> Win32CorvexProcesses::Descendants() {
    if (job_) {
        if (std::optional<std::vector<ProcessId>> inJob = JobProcesses(job_.get())) return *inJob;
    }
    std::vector<Member> family;
    for (const KernelHandle& process : started_) {
        family.push_back({GetProcessId(process.get()), CreatedAt(process.get())});
    }
    AddDescendants(RunningProcesses(), family);
    std::vector<ProcessId> descendants;
    for (std::size_t i = started_.size(); i < family.size(); ++i) {
        descendants.push_back(family[i].id);
    }
    return descendants;
}

std::optional<std::uint32_t> Win32CorvexProcesses::RuntimeExitCode() {
    if (started_.empty()) return std::nullopt;
    for (const KernelHandle& process : started_) {
        if (StillRuns(process.get())) return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(started_.back().get(), &code)) return std::nullopt;
    return code;
}

std::optional<RunningProcess> Win32CorvexProcesses::StillRunning() {
    for (auto process = started_.rbegin(); process != started_.rend(); ++process) {
        if (StillRuns(process->get())) return Describe(process->get());
    }
    // What was started here has ended; a process it started may still run.
    const std::vector<ProcessId> running = Started();
    if (running.empty()) return std::nullopt;
    const KernelHandle child(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, running.front()));
    if (!child) return RunningProcess{running.front(), {}, 0};
    return Describe(child.get());
}

std::uint64_t Win32CorvexProcesses::CreationTime(ProcessId process) {
    const KernelHandle opened(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    return opened ? CreatedAt(opened.get()) : 0;
}

WakeUpListener Win32CorvexProcesses::Listener() {
    if (!udpTable_) udpTable_ = std::make_unique<UdpTable>();
    if (!udpTable_->get) return {};
    std::optional<std::vector<UdpRow>> rows;
    std::vector<MIB_UDPROW_OWNER_PID> table;
    if (udpTable_->Read<MIB_UDPTABLE_OWNER_PID>(AF_INET, table) == NO_ERROR) {
        rows.emplace();
        for (const auto& row : table) {
            rows->push_back({row.dwLocalAddr, row.dwLocalPort, row.dwOwningPid});
        }
    }
    std::optional<std::vector<Udp6Row>> rows6;
    std::vector<MIB_UDP6ROW_OWNER_PID> table6;
    const DWORD read6 = udpTable_->Read<MIB_UDP6TABLE_OWNER_PID>(AF_INET6, table6);
    // A machine without IPv6 has no socket there.
    if (read6 == NO_ERROR || read6 == ERROR_NOT_SUPPORTED) {
        rows6.emplace();
        for (const auto& row : table6) {
            Udp6Row copy{{}, row.dwLocalPort, row.dwOwningPid};
            std::memcpy(copy.address.data(), row.ucLocalAddr, copy.address.size());
            rows6->push_back(copy);
        }
    }
    return ListenerOn(kCorvexPort, rows, rows6);
}

}  // namespace ostrel
