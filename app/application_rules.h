// Texts of the application object: its title and the message of its default error box.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// Lower-cases every character of a name (UTF-8) after its first.
using LowerAfterFirst = std::string (*)(const std::string& name);

// ASCII letters only; every other byte stays as it is.
std::string AsciiLowerAfterFirst(const std::string& name);

// The program file's name without its directory and from its first "." on, every character
// after the first in lower case: "C:\Apps\OSTREL.EXE" gives "Ostrel".
std::string ApplicationTitle(const std::string& programPath,
                             LowerAfterFirst lowerAfterFirst = AsciiLowerAfterFirst);

// A window of a launcher that is still launching or polling, as a launcher started meanwhile sees
// it.
struct LauncherWindow {
    enum class Kind { kBox, kMainWindow, kPictureBox, kOther };
    std::uintptr_t handle = 0;
    Kind kind = Kind::kOther;
    bool inView = false;  // visible and not minimised
    // A main window started minimised without activation, which holds the launch back until it
    // is restored.
    bool waitsForRestore = false;
    // A main window minimised that its launcher lets a later start restore: its picture has
    // stepped aside for a window of what it started, or the debug marker keeps it in view.
    bool restorable = false;
};

// What a second start does with a window of the launcher that is already at work.
struct FrontWindow {
    std::uintptr_t handle = 0;
    // Restored as the user would restore it, which runs the launch; else brought to the front.
    bool restore = false;
    bool operator==(const FrontWindow& other) const {
        return handle == other.handle && restore == other.restore;
    }
};

// What a second start brings to the front of the launcher that is already at work, instead of
// starting Corvex again: a box in view (it waits for the user); else a main window that waits
// for its restore, which is restored (nobody else would launch, and the first launcher would
// wait for ever); else the main window in view, else the picture box; else a restorable main
// window, which is restored (the picture box steps aside while Corvex shows something, and a
// second start is never to do nothing); nothing while none of them is there yet: a launcher that
// has not shown its picture yet is not to be restored into its log and buttons.
std::optional<FrontWindow> WindowToFront(const std::vector<LauncherWindow>& windows);

// The message as the default error box shows it: "." appended when its last character sorts
// after ".".
std::string ErrorBoxText(const std::string& message);

}  // namespace ostrel
