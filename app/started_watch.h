// What the polling watches of the processes this launcher started, besides the search for
// Corvex's windows: whether they have all ended, so that nothing is left that could still show
// Corvex, and whether a window of theirs is in view, which the picture box must not cover; and
// the picture box's placement that follows from it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "handover/window_search.h"

namespace ostrel {

// The picture box, as its placement needs it.
class PictureBoxUi {
  public:
    virtual ~PictureBoxUi() = default;
    // Shows the picture box on top: the first time it is made, later it is shown again, unless
    // the user has closed it.
    virtual void ShowPictureBox() = 0;
    // A window of a started process is in view: the picture box steps aside for it until it is
    // shown again, and a later start may restore the main window meanwhile.
    virtual void HidePictureBox() = 0;
    virtual bool PictureBoxInView() = 0;
};

class StartedWatch {
  public:
    StartedWatch(Desktop& desktop, CorvexProcesses& corvex, PictureBoxUi& picture)
        : desktop_(desktop), corvex_(corvex), picture_(picture) {}

    // The exit code of what was started, once it and every process it started in turn have
    // ended; nullopt while any of them runs, or when nothing was started.
    std::optional<std::uint32_t> EndedWithNothingLeft();

    // Whether a visible top-level window of any class belongs to what was started: the
    // runtime's own error box, a question Java asks before the first frame, Corvex's splash or
    // frame. Opens a window's process only for a window not judged yet, and asks for the started
    // processes only when that process is not yet known to be another's, so that polling a
    // desktop whose windows stay as they are costs no more than the list of its windows.
    bool AnyInView();

    // The picture box tells the user that something is at work, but it is on top of everything
    // and must not cover what Corvex shows: the runtime's own error box, a question Java asks
    // before the first frame, Corvex's splash or frame. It steps aside while one is in view, also
    // before it was ever shown, and comes back once they are gone. True when it was shown.
    bool PlacePictureBox();

  private:
    // A process by its id and creation time: the system gives an id again once its process has
    // gone, and a child of the runtime may get one that another process had.
    using ProcessKey = std::pair<ProcessId, std::uint64_t>;

    Desktop& desktop_;
    CorvexProcesses& corvex_;
    PictureBoxUi& picture_;
    std::set<ProcessKey> others_;  // processes that are none of those started here
    // Windows of such processes, each with its process as it was when judged: a window's process
    // never changes, and a window handle given again belongs to another process id.
    std::map<WindowHandle, ProcessKey> othersWindows_;
    bool steppedAside_ = false;
};

// The clock of the hand-overs, which guards their waits. A hand-over waits for Corvex's answer on
// the window thread and answers the system meanwhile: what other programs send the windows is
// handled, and with it a command (an accessibility tool's click on a button). Run there, the
// command would run the launcher's own code inside the hand-over: it is kept for afterwards.
class HandOverGuard : public Clock {
  public:
    explicit HandOverGuard(Clock& clock) : clock_(clock) {}
    LocalTime Now() override { return clock_.Now(); }
    void Sleep(unsigned milliseconds) override;

    // A command that reached the window (a control's id and its notification, as one number):
    // false when it may run now; true while a hand-over waits, and it is kept for after it, in
    // arrival order, a repeat of one already kept dropped.
    bool Keep(std::uint32_t command);
    // The commands kept, in arrival order; none are kept afterwards. A close drops them instead.
    std::vector<std::uint32_t> TakeKept();

  private:
    Clock& clock_;
    bool waiting_ = false;
    std::vector<std::uint32_t> kept_;
};

}  // namespace ostrel
