#include "handover/window_search.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace ostrel {
namespace {

constexpr char kSplashClass[] = "morvane.r7x.corvex.util.SplashScreen";
constexpr char kAwtFrameClass[] = "java.awt.Frame";
constexpr char kSunFrameClass[] = "SunAwtFrame";
constexpr char kDialogClass[] = "SunAwtDialog";
constexpr char kToolkitClass[] = "SunAwtToolkit";

constexpr char kWindowPrefix[] = "Window : ";
constexpr char kFramePrefix[] = "xxxx Window : ";
constexpr char kBanner[] =
    "################################ Searching for windows ################################";

// The platform reads titles into 80 characters and class names into 100, the NUL included.
constexpr std::size_t kMaxTitle = 79;
constexpr std::size_t kMaxClassName = 99;

constexpr unsigned kFirstPollDelay = 300;  // ms
constexpr unsigned kPollInterval = 1000;   // ms
// A running Corvex answers within a few polls; one that has not answered after about a minute
// never will, and waiting longer would freeze the launcher for good.
constexpr int kMaxPolls = 60;

// The text up to its first NUL, and at most `limit` characters of it.
std::string CutName(const std::string& text, std::size_t limit) {
    return text.substr(0, std::min(text.find('\0'), limit));
}

struct WindowNames {
    std::string title;
    std::string className;
};

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
        listed.push_back({window, CutName(desktop.WindowClass(window), kMaxClassName)});
    }
    return listed;
}

std::string ReadTitle(Desktop& desktop, WindowHandle window) {
    return CutName(desktop.WindowTitle(window), kMaxTitle);
}

// The class name first, then the title, each in double quotes.
std::string QuotedNames(const WindowNames& names) {
    return '"' + names.className + "\" \"" + names.title + '"';
}

bool IsOneOf(const std::string& className, std::initializer_list<const char*> classes) {
    for (const char* candidate : classes) {
        if (className == candidate) return true;
    }
    return false;
}

// Wakes the instance and polls until it answers; false when it never did.
bool WakeUntilAnswered(WindowSearchPorts& ports) {
    ports.wakeUp();
    ports.clock.Sleep(kFirstPollDelay);
    for (int poll = 1;; ++poll) {
        if (ports.responseState.GetResponseState() != 0) return true;
        if (poll == kMaxPolls) return false;
        ports.wakeUp();
        ports.clock.Sleep(kPollInterval);
    }
}

void HandOver(WindowSearchPorts& ports, WindowHandle window, const char* prefix,
              const WindowNames& names, bool& applicationFound) {
    if (!WakeUntilAnswered(ports)) {
        ports.log.Add("No answer from " + QuotedNames(names) + " after " +
                      std::to_string(kMaxPolls) + " polls");
        return;
    }
    applicationFound = true;
    ports.log.Add(prefix + QuotedNames(names));
    ports.desktop.Activate(window);
}

// One pass of the search: hands over to every titled window whose class is one of `classes`.
void HandOverPass(WindowSearchPorts& ports, const std::vector<ListedWindow>& windows,
                  std::initializer_list<const char*> classes, const char* prefix,
                  bool& applicationFound) {
    for (const ListedWindow& listed : windows) {
        if (!IsOneOf(listed.className, classes)) continue;
        const WindowNames names{ReadTitle(ports.desktop, listed.window), listed.className};
        if (names.title.empty()) continue;
        HandOver(ports, listed.window, prefix, names, applicationFound);
    }
}

// Lists every titled window that is none of Corvex's nor the Java toolkit's own.
void ListOtherWindows(WindowSearchPorts& ports, const std::vector<ListedWindow>& windows) {
    for (const ListedWindow& listed : windows) {
        if (IsOneOf(listed.className,
                    {kSplashClass, kDialogClass, kAwtFrameClass, kSunFrameClass, kToolkitClass})) {
            continue;
        }
        const WindowNames names{ReadTitle(ports.desktop, listed.window), listed.className};
        if (names.title.empty()) continue;
        ports.log.Add(kWindowPrefix + QuotedNames(names));
    }
}

}  // namespace

void FindMyWindows(WindowSearchPorts& ports, bool Verbose, bool& applicationFound) {
    if (Verbose) ports.log.Add(kBanner);
    const std::vector<ListedWindow> WindowList = ListWindows(ports.desktop);
    HandOverPass(ports, WindowList, {kSplashClass}, kWindowPrefix, applicationFound);
    HandOverPass(ports, WindowList, {kAwtFrameClass, kSunFrameClass}, kFramePrefix,
                 applicationFound);
    HandOverPass(ports, WindowList, {kDialogClass}, kWindowPrefix, applicationFound);
    if (Verbose) ListOtherWindows(ports, WindowList);
}

}  // namespace ostrel
