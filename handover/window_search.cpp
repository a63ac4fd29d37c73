#include "handover/window_search.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/text.h"

namespace ostrel {
namespace {

constexpr char kSplashClass[] = "morvane.r7x.corvex.util.SplashScreen";
constexpr char kAwtFrameClass[] = "java.awt.Frame";
constexpr char kSunFrameClass[] = "SunAwtFrame";
constexpr char kDialogClass[] = "SunAwtDialog";
constexpr char kToolkitClass[] = "SunAwtToolkit";

constexpr unsigned kFirstPollDelay = 300;  // ms
constexpr unsigned kPollInterval = 1000;   // ms

// The text up to its first NUL, and at most `limit` characters of it.
std::string CutName(const std::string& text, std::size_t limit) {
    return FirstCharacters(text.substr(0, text.find('\0')), limit);
}

// A window of the list with its class name. A window's class never changes, so the search reads
// each class name once, not once a pass: on a desktop of many windows the names are most of what
// a polling tick costs. Titles can change during a hand-over and are read in each pass, of the
// windows whose class the pass looks for.
struct ListedWindow {
    WindowHandle window;
    std::string className;
};

std::vector<ListedWindow> ListWindows(Desktop& desktop) {
    std::vector<ListedWindow> listed;
    for (WindowHandle window : desktop.TopLevelWindows()) {
        listed.push_back({window, CutName(desktop.WindowClass(window), kClassNameLimit - 1)});
    }
    return listed;
}

std::string ReadTitle(Desktop& desktop, WindowHandle window) {
    return CutName(desktop.WindowTitle(window), kTitleLimit - 1);
}

bool IsOneOf(const std::string& className, std::initializer_list<const char*> classes) {
    for (const char* candidate : classes) {
        if (className == candidate) return true;
    }
    return false;
}

enum class Answer { kAnswered, kSilent, kGone, kClosed };

// How a pass logs a window it has handed over: by its class name and title.
using LogLine = UserText (*)(const std::string& className, const std::string& title);

// Wakes the instance and polls until it answers, it has had its polls, its window goes, or the
// launcher closes.
Answer WakeUntilAnswered(WindowSearchPorts& ports, WindowHandle window) {
    ports.wakeUp();
    ports.clock.Sleep(kFirstPollDelay);
    for (int poll = 1;; ++poll) {
        if (ports.responseState.GetResponseState() != 0) return Answer::kAnswered;
        if (ports.closing && ports.closing()) return Answer::kClosed;
        if (poll == kMaxPolls) return Answer::kSilent;
        if (!ports.desktop.WindowExists(window)) return Answer::kGone;
        if (poll == 1 && ports.waiting) ports.waiting();
        ports.wakeUp();
        ports.clock.Sleep(kPollInterval);
    }
}

// Corvex's own windows, and the Java toolkit's hidden one beside them.
bool IsJavaWindowClass(const std::string& className) {
    return IsOneOf(className,
                   {kSplashClass, kAwtFrameClass, kSunFrameClass, kDialogClass, kToolkitClass});
}

class Search {
  public:
    Search(WindowSearchPorts& ports, bool& applicationFound, WindowSearchMemory& memory)
        : ports_(ports),
          applicationFound_(applicationFound),
          memory_(memory),
          windows_(ListWindows(ports.desktop)) {}

    // One pass: hands over to every titled window of Corvex's whose class is one of `classes`.
    void HandOverPass(std::initializer_list<const char*> classes, LogLine logLine) {
        for (const ListedWindow& listed : windows_) {
            if (closed_) return;
            if (!IsOneOf(listed.className, classes)) continue;
            if (memory_.givenUp.count(listed.window)) continue;
            const WindowNames names{ReadTitle(ports_.desktop, listed.window), listed.className};
            if (names.title.empty() || !IsCorvexs(listed.window)) continue;
            HandOver(listed.window, logLine, names);
        }
    }

    const std::optional<GivenUpWindow>& GivenUp() const { return givenUp_; }

    // Lists every titled window that is none of Corvex's nor the Java toolkit's own.
    void ListOtherWindows() {
        if (closed_) return;
        for (const ListedWindow& listed : windows_) {
            if (IsJavaWindowClass(listed.className)) continue;
            const WindowNames names{ReadTitle(ports_.desktop, listed.window), listed.className};
            if (names.title.empty()) continue;
            ports_.log.Add(HandOverTexts::Window(names.className, names.title));
        }
    }

  private:
    // Asked once a search, and only of a desktop that shows a titled window of Corvex's
    // classes: on the usual desktop, before Corvex runs, the search asks the system nothing more.
    bool IsCorvexs(WindowHandle window) {
        if (!candidates_) {
            candidates_ =
                CorvexCandidates::Choose(ports_.corvex.Listener(), ports_.corvex.Started());
        }
        return candidates_->Takes(ports_.desktop.WindowProcess(window));
    }

    void HandOver(WindowHandle window, LogLine logLine, const WindowNames& names) {
        // Woken, Corvex may bring its window forward itself, which Windows allows only a process
        // that the foreground one (this launcher, just started by the user) has named.
        if (candidates_->KnowsTheProcess()) AllowForeground(ports_.desktop.WindowProcess(window));
        switch (WakeUntilAnswered(ports_, window)) {
            case Answer::kAnswered:
                applicationFound_ = true;
                ports_.log.Add(logLine(names.className, names.title));
                ports_.desktop.Activate(window);
                break;
            case Answer::kSilent:
                memory_.givenUp.insert(window);
                memory_.lastGivenUp = names;
                if (!givenUp_) givenUp_ = GivenUpWindow{names.title, candidates_->OnlyStarted()};
                ports_.log.Add(HandOverTexts::NoAnswer(names.className, names.title, kMaxPolls));
                break;
            case Answer::kGone:
                break;
            case Answer::kClosed:
                closed_ = true;
                break;
        }
    }

    // A launcher that has lost the foreground cannot pass it on: then Corvex may stay behind other
    // windows, and the log says why.
    void AllowForeground(ProcessId process) {
        const std::uint32_t refused = ports_.desktop.AllowForeground(process);
        if (refused == 0 || memory_.foregroundRefusalTold) return;
        memory_.foregroundRefusalTold = true;
        ports_.log.Add(
            HandOverTexts::ForegroundRefused(std::to_string(process), std::to_string(refused)));
    }

    WindowSearchPorts& ports_;
    bool& applicationFound_;
    WindowSearchMemory& memory_;
    const std::vector<ListedWindow> windows_;
    std::optional<CorvexCandidates> candidates_;
    std::optional<GivenUpWindow> givenUp_;
    bool closed_ = false;
};

}  // namespace

CorvexCandidates CorvexCandidates::Choose(const WakeUpListener& listener,
                                          const std::vector<ProcessId>& started) {
    if (listener.bound == false) return CorvexCandidates(Rule::kNone, {});
    if (!started.empty()) return CorvexCandidates(Rule::kOnly, started, true);
    if (!listener.owners.empty()) return CorvexCandidates(Rule::kOnly, listener.owners);
    return CorvexCandidates(Rule::kAny, {});
}

bool CorvexCandidates::Takes(ProcessId process) const {
    switch (rule_) {
        case Rule::kNone:
            return false;
        case Rule::kOnly:
            return std::find(processes_.begin(), processes_.end(), process) != processes_.end();
        case Rule::kAny:
            break;
    }
    return true;
}

std::optional<GivenUpWindow> FindMyWindows(WindowSearchPorts& ports, bool Verbose,
                                           bool& applicationFound, WindowSearchMemory& memory) {
    if (Verbose) ports.log.Add(HandOverTexts::Banner);
    Search WindowList(ports, applicationFound, memory);
    WindowList.HandOverPass({kSplashClass}, HandOverTexts::Window);
    WindowList.HandOverPass({kAwtFrameClass, kSunFrameClass}, HandOverTexts::FrameWindow);
    WindowList.HandOverPass({kDialogClass}, HandOverTexts::Window);
    if (Verbose) WindowList.ListOtherWindows();
    return WindowList.GivenUp();
}

}  // namespace ostrel
