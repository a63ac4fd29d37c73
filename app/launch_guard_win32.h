// One launch at a time in a user session: a launcher holds the guard from its start until its
// polling ends, and a launcher started meanwhile (an impatient double click) starts no second
// Corvex but brings the first one forward.
#pragma once

#include "core/owners_win32.h"

namespace ostrel {

class LaunchGuard {
  public:
    // Takes the guard, unless another launcher of this session holds it. A guard that this
    // launcher may not open (another user's launcher in this session, or an elevated one, made
    // it) is held too.
    LaunchGuard();
    ~LaunchGuard();
    LaunchGuard(const LaunchGuard&) = delete;
    LaunchGuard& operator=(const LaunchGuard&) = delete;

    bool HeldElsewhere() const { return heldElsewhere_; }
    // Marks the application window of the launcher that holds the guard, for the one that finds
    // it held.
    void Mark(HWND applicationWindow);
    // The polling is over (or will never come): a new start may launch again.
    void Release();

  private:
    KernelHandle mutex_;
    bool heldElsewhere_ = false;
    HWND marked_ = nullptr;
};

// Brings forward what the launcher that holds the guard shows: its box, main window or picture
// box, whichever is in view. Waits a few seconds at most for it to show one, since it may have
// just started.
void BringLaunchingLauncherForward();

}  // namespace ostrel
