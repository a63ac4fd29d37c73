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

    std::vector<ProcessId> Started() override;
    WakeUpListener Listener() override;
    std::optional<std::uint32_t> RuntimeExitCode() override;
    std::optional<RunningProcess> StillRunning() override;
    std::uint64_t CreationTime(ProcessId process) override;

  private:
    struct UdpTable;
    std::vector<KernelHandle> started_;
    std::unique_ptr<UdpTable> udpTable_;  // loaded when first asked
};

// GetResponseState of Ombrix.dll, bound by name when the program starts (ombrix_win32.cpp).
std::unique_ptr<ResponseState> CreateResponseState();

}  // namespace ostrel
