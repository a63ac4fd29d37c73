// The search for a running Corvex among the desktop's top-level windows, and the hand-over to it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/log.h"

namespace ostrel {

using WindowHandle = std::uintptr_t;

// What the search needs of the desktop.
class Desktop {
  public:
    virtual ~Desktop() = default;
    // Every top-level window, hidden ones included, in the platform's enumeration order.
    virtual std::vector<WindowHandle> TopLevelWindows() = 0;
    // "" when the text cannot be read.
    virtual std::string WindowTitle(WindowHandle window) = 0;
    virtual std::string WindowClass(WindowHandle window) = 0;
    // Restores, raises and activates the window.
    virtual void Activate(WindowHandle window) = 0;
};

// GetResponseState of the maker's shared-state library: non-zero once the running instance
// has answered the wake-up.
class ResponseState {
  public:
    virtual ~ResponseState() = default;
    virtual std::int32_t GetResponseState() = 0;
};

struct WindowSearchPorts {
    Desktop& desktop;
    ResponseState& responseState;
    Clock& clock;
    Log& log;
    // Sends the wake-up datagram (the "Send" action); may raise.
    std::function<void()> wakeUp;
};

// Four passes over the top-level windows (the fourth only when `Verbose`). Every Corvex window
// found is handed over: woken, polled until the instance answers, then logged and activated,
// and `applicationFound` is set. A window whose instance has not answered after 60 polls (about
// a minute) is logged as not answering and skipped. Never clears `applicationFound`; an error
// of `wakeUp` ends the search and leaves the window being handed over untouched.
void FindMyWindows(WindowSearchPorts& ports, bool Verbose, bool& applicationFound);

}  // namespace ostrel
