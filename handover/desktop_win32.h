// The desktop's top-level windows and the maker's shared-state library, for real.
#pragma once

#include <memory>
#include <vector>

#include "core/owners_win32.h"
#include "handover/window_search.h"

namespace ostrel {

std::unique_ptr<Desktop> CreateDesktopAdapter();

// The processes this launcher started, and what the system tells of the wake-up port's listener.
class Win32CorvexProcesses : public CorvexProcesses {
  public:
    Win32CorvexProcesses();
    ~Win32CorvexProcesses() override;
    Win32CorvexProcesses(const Win32CorvexProcesses&) = delete;
    Win32CorvexProcesses& operator=(const Win32CorvexProcesses&) = delete;

    // A process this launcher has started. Its handle is kept for the run: while it is open, the
    // system gives the process's id to no other process.
    void Add(KernelHandle process);
    // Puts this launcher into a job of its own, once, before it starts anything: every process
    // it starts, and every process those start in turn, is listed there, also once its parent
    // has ended (a runtime that starts Corvex through a helper that ends at once). No process is
    // ended with the job, and any may leave it: Corvex outlives the launcher, and on Windows 7,
    // which nests no jobs, may still make one of its own. Gives 0, or the system's error code
    // where it refuses (Windows 7 again, for a launcher started in another program's job): the
    // processes are then followed through their parents, as each tick finds them.
    DWORD FollowWhatStarts();

    std::vector<ProcessId> Started() override;
    WakeUpListener Listener() override;
    std::optional<std::uint32_t> RuntimeExitCode() override;
    std::optional<RunningProcess> StillRunning() override;
    std::uint64_t CreationTime(ProcessId process) override;

  private:
    // What the processes started here started in turn, and so on, as far as the system tells.
    std::vector<ProcessId> Descendants();

    struct UdpTable;
    std::vector<KernelHandle> started_;
    KernelHandle job_;
    bool jobTried_ = false;
    std::unique_ptr<UdpTable> udpTable_;  // loaded when first asked
};

// GetResponseState of Ombrix.dll, bound by name when the program starts (ombrix_win32.cpp).
std::unique_ptr<ResponseState> CreateResponseState();

}  // namespace ostrel
