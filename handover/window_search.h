// The search for a running Corvex among the desktop's top-level windows, and the hand-over to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/log.h"

namespace ostrel {

using WindowHandle = std::uintptr_t;
using ProcessId = std::uint32_t;

// A window's title is read into 80 characters and its class name into 100, the NUL included: a
// title has at most 79 characters, a class name 99.
inline constexpr std::size_t kTitleLimit = 80;
inline constexpr std::size_t kClassNameLimit = 100;
// A running Corvex answers within a few polls; one that has not answered after about a minute
// never will, and waiting longer would freeze the launcher for good.
inline constexpr int kMaxPolls = 60;

// What the search needs of the desktop.
class Desktop {
  public:
    virtual ~Desktop() = default;
    // Every top-level window, hidden ones included, in the platform's enumeration order.
    virtual std::vector<WindowHandle> TopLevelWindows() = 0;
    // "" when the text cannot be read.
    virtual std::string WindowTitle(WindowHandle window) = 0;
    virtual std::string WindowClass(WindowHandle window) = 0;
    // The process the window belongs to; 0 when the window is gone.
    virtual ProcessId WindowProcess(WindowHandle window) = 0;
    virtual bool WindowExists(WindowHandle window) = 0;
    // Shown (it may be covered or minimised).
    virtual bool WindowVisible(WindowHandle window) = 0;
    // Restores, raises and activates the window, without waiting for the window's own thread: a
    // program that hangs must not hang the launcher.
    virtual void Activate(WindowHandle window) = 0;
    // Lets the process bring a window of its own to the front, which the system allows only the
    // foreground process (this launcher, just started by the user) and those it names. Gives 0,
    // or the system's error code where it refuses (this launcher has lost that right itself).
    virtual std::uint32_t AllowForeground(ProcessId process) = 0;
};

// GetResponseState of the maker's shared-state library: non-zero once the running instance
// has answered the wake-up.
class ResponseState {
  public:
    virtual ~ResponseState() = default;
    virtual std::int32_t GetResponseState() = 0;
};

// The socket on Corvex's wake-up port, as far as the system tells.
struct WakeUpListener {
    // Whether any socket of this machine that hears 127.0.0.1 is bound to the port; nullopt when
    // the system does not say.
    std::optional<bool> bound;
    // Every process that owns such a socket; empty when the system does not name them all.
    std::vector<ProcessId> owners;
};

// A process that still runs, as the log names it.
struct RunningProcess {
    ProcessId id = 0;
    std::string name;  // its program file's name
    std::uint64_t runMilliseconds = 0;
};

// Every Java program's frames have the same window classes: these tell Corvex's apart.
class CorvexProcesses {
  public:
    virtual ~CorvexProcesses() = default;
    // The processes this launcher has started that still run, and their child processes; empty
    // when it has started none, or none of them runs any more.
    virtual std::vector<ProcessId> Started() = 0;
    virtual WakeUpListener Listener() = 0;
    // The exit code of the process started last, once it and every other process started here
    // (not their children) have ended; nullopt while one runs, or when none was started. A look
    // at handles the launcher holds: cheap enough for every tick.
    virtual std::optional<std::uint32_t> RuntimeExitCode() = 0;
    // One of what Started() gives, the process started last first; nullopt when none runs.
    virtual std::optional<RunningProcess> StillRunning() = 0;
    // When the process was made, comparable between calls, so that an id the system gives again
    // to a new process is not taken for the old one; 0 when it cannot be told.
    virtual std::uint64_t CreationTime(ProcessId process) = 0;
};

// Which windows of Corvex's classes may be Corvex's: nothing can answer while no socket listens
// on the wake-up port; once this launcher has started Corvex, only what it started; else only the
// listeners' own processes, where the system names them; else any (the window classes decide
// alone).
class CorvexCandidates {
  public:
    static CorvexCandidates Choose(const WakeUpListener& listener,
                                   const std::vector<ProcessId>& started);
    bool Takes(ProcessId process) const;
    // Whether the processes taken are known ones (started here, or the listener), not any.
    bool KnowsTheProcess() const { return rule_ == Rule::kOnly; }
    // Whether only what this launcher started is taken.
    bool OnlyStarted() const { return onlyStarted_; }

  private:
    enum class Rule { kNone, kOnly, kAny };
    CorvexCandidates(Rule rule, std::vector<ProcessId> processes, bool onlyStarted = false)
        : rule_(rule), processes_(std::move(processes)), onlyStarted_(onlyStarted) {}
    Rule rule_;
    std::vector<ProcessId> processes_;
    bool onlyStarted_;
};

struct WindowSearchPorts {
    Desktop& desktop;
    ResponseState& responseState;
    CorvexProcesses& corvex;
    Clock& clock;
    Log& log;
    // Sends the wake-up datagram (the "Send" action); may raise.
    std::function<void()> wakeUp;
    // A hand-over waits on after its first poll was not answered: the user is to see that
    // something is at work. May be empty.
    std::function<void()> waiting;
    // The launcher is to close: a hand-over ends at its next poll, and no further window is
    // handed over. May be empty.
    std::function<bool()> closing;
};

// A window as the log names it.
struct WindowNames {
    std::string title;
    std::string className;
};

// What the searches of one run remember: the windows given up on, which no later search wakes
// again.
struct WindowSearchMemory {
    std::set<WindowHandle> givenUp;
    // The one given up last.
    std::optional<WindowNames> lastGivenUp;
    // A refused pass of the foreground is told once a run.
    bool foregroundRefusalTold = false;
};

// A window whose instance did not answer its polls.
struct GivenUpWindow {
    std::string title;
    // Its process is one this launcher started: the Corvex it is waiting for.
    bool startedHere = false;
};

// Four passes over the top-level windows (the fourth only when `Verbose`). Every Corvex window
// found is handed over: woken, polled until the instance answers, then logged and activated,
// and `applicationFound` is set. A window whose instance has not answered after 60 polls (about
// a minute) is logged as not answering once and given up for the rest of the run; one that goes
// away while it is polled is left at once, and so is every window once `closing` says so. Never
// clears `applicationFound`; an error of `wakeUp` ends the search and leaves the window being
// handed over untouched. Who may be Corvex is asked only once a titled window of Corvex's classes
// is seen; a process known to be Corvex's is allowed to come to the front before it is woken (a
// refusal is logged once a run). Gives the first window given up in this search, if any.
std::optional<GivenUpWindow> FindMyWindows(WindowSearchPorts& ports, bool Verbose,
                                           bool& applicationFound, WindowSearchMemory& memory);

}  // namespace ostrel
