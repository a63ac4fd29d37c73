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

// Marks the main window while it waits minimised for its restore before it launches, and takes
// the mark off once the launch is under way: a later start restores a marked window.
void MarkWaitingForRestore(HWND mainWindow, bool waiting);

// Marks the main window while a later start may restore it from minimised: its picture has
// stepped aside for a window of what it started, or the debug marker keeps it in view.
void MarkRestorable(HWND mainWindow, bool restorable);

// Brings forward what the launcher that holds the guard shows: its box, main window or picture
// box, whichever is in view; a main window that waits for its restore is restored, which runs its
// launch, and so is one marked restorable. Waits a few seconds at most for one of them, since
// that launcher may have just started; a launcher that shows none of them meanwhile is left as
// it is.
void BringLaunchingLauncherForward();

}  // namespace ostrel
