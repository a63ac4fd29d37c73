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

WindowNames ReadNames(Desktop& desktop, WindowHandle window) {
    WindowNames names;
    names.title = CutName(desktop.WindowTitle(window), kMaxTitle);
    names.className = CutName(desktop.WindowClass(window), kMaxClassName);
    return names;
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
void HandOverPass(WindowSearchPorts& ports, const std::vector<WindowHandle>& windows,
                  std::initializer_list<const char*> classes, const char* prefix,
                  bool& applicationFound) {
    for (WindowHandle window : windows) {
        const WindowNames names = ReadNames(ports.desktop, window);
        if (names.title.empty() || !IsOneOf(names.className, classes)) continue;
        HandOver(ports, window, prefix, names, applicationFound);
    }
}

// Lists every titled window that is none of Corvex's nor the Java toolkit's own.
void ListOtherWindows(WindowSearchPorts& ports, const std::vector<WindowHandle>& windows) {
    for (WindowHandle window : windows) {
        const WindowNames names = ReadNames(ports.desktop, window);
        if (names.title.empty() ||
            IsOneOf(names.className,
                    {kSplashClass, kDialogClass, kAwtFrameClass, kSunFrameClass, kToolkitClass})) {
            continue;
        }
        ports.log.Add(kWindowPrefix + QuotedNames(names));
    }
}

}  // namespace

void FindMyWindows(WindowSearchPorts& ports, bool Verbose, bool& applicationFound) {
    if (Verbose) ports.log.Add(kBanner);
    const std::vector<WindowHandle> WindowList = ports.desktop.TopLevelWindows();
    HandOverPass(ports, WindowList, {kSplashClass}, kWindowPrefix, applicationFound);
    HandOverPass(ports, WindowList, {kAwtFrameClass, kSunFrameClass}, kFramePrefix,
                 applicationFound);
    HandOverPass(ports, WindowList, {kDialogClass}, kWindowPrefix, applicationFound);
    if (Verbose) ListOtherWindows(ports, WindowList);
}

}  // namespace ostrel
