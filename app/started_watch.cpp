#include "app/started_watch.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace ostrel {

std::optional<std::uint32_t> StartedWatch::EndedWithNothingLeft() {
    // A runtime may hand its start on to a process of its own and end: that one may still show
    // Corvex. The processes are asked for only once the runtime has ended.
    const std::optional<std::uint32_t> code = corvex_.RuntimeExitCode();
    if (!code || !corvex_.Started().empty()) return std::nullopt;
    return code;
}

bool StartedWatch::AnyInView() {
    std::optional<std::vector<ProcessId>> started;
    for (WindowHandle window : desktop_.TopLevelWindows()) {
        if (!desktop_.WindowVisible(window)) continue;
        const ProcessId process = desktop_.WindowProcess(window);
        if (process == 0) continue;
        const auto judged = othersWindows_.find(window);
        if (judged != othersWindows_.end() && judged->second.first == process) continue;
        const ProcessKey key{process, corvex_.CreationTime(process)};
        if (!others_.count(key)) {
            if (!started) started = corvex_.Started();
            if (std::find(started->begin(), started->end(), process) != started->end()) return true;
            others_.insert(key);
        }
        othersWindows_[window] = key;
    }
    return false;
}

bool StartedWatch::PlacePictureBox() {
    if (AnyInView()) {
        if (!steppedAside_) picture_.HidePictureBox();
        steppedAside_ = true;
        return false;
    }
    steppedAside_ = false;
    if (picture_.PictureBoxInView()) return false;
    picture_.ShowPictureBox();
    return true;
}

void HandOverGuard::Sleep(unsigned milliseconds) {
    waiting_ = true;
    try {
        clock_.Sleep(milliseconds);
    } catch (...) {
        waiting_ = false;
        throw;
    }
    waiting_ = false;
}

bool HandOverGuard::Keep(std::uint32_t command) {
    if (!waiting_) return false;
    if (std::find(kept_.begin(), kept_.end(), command) == kept_.end()) kept_.push_back(command);
    return true;
}

std::vector<std::uint32_t> HandOverGuard::TakeKept() { return std::exchange(kept_, {}); }

}  // namespace ostrel
