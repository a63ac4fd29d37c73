// The launch sequence: find the Java runtime in the registry, look for a running Corvex, and
// when there is none leave the links and the start script and start Corvex.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/log.h"
#include "launch/registry_value.h"
#include "launch/runtime_keys.h"

namespace ostrel {

class LaunchShell {
  public:
    virtual ~LaunchShell() = default;
    // Full path of the launcher's own program file.
    virtual std::string ModuleFileName() = 0;
    // Hands the program to the shell; raises, with the system's reason, when the shell cannot
    // start it.
    virtual void ExecuteFile(const std::string& file, const std::string& parameters,
                             const std::string& directory, int showCommand) = 0;
};

// What a shell link written here carries; everything else keeps the Shell Link object's
// defaults.
struct ShellLinkProperties {
    std::string target;
    std::string arguments;
    std::string workingDirectory;
    int showCommand = 1;  // SW_SHOWNORMAL
    std::string iconFile;
    std::uint8_t iconIndex = 0;
};

// A link that could not be saved in one or both of its places: the message names each file
// (one line each), so that a caller adds no name of its own.
class LinkNotSaved : public Exception {
  public:
    using Exception::Exception;
};

// Writes the shell links and the start script.
class LaunchFiles {
  public:
    virtual ~LaunchFiles() = default;
    // The link `linkName` in the current directory and in the user's desktop folder; both saves
    // are tried. LinkNotSaved when a save failed; what fails before any save names no file.
    virtual void CreateShortCut(const std::string& linkName, const ShellLinkProperties& link) = 0;
    virtual void CreateBatchFile(const std::string& line) = 0;
};

// What the sequence needs of the main window when no runtime is found.
class LaunchUi {
  public:
    virtual ~LaunchUi() = default;
    virtual void RestoreMainWindow() = 0;
    // A modal box: centred, one OK button, no icon, the application title as caption.
    virtual void ShowNoRuntimeBox(const UserText& text) = 0;
    // The default error box, for a failure that does not end the launch.
    virtual void ShowError(const std::exception& error) = 0;
    // The error box of a launch that brings the user no Corvex, which also names where the run's
    // log is kept, for whoever helps the user.
    virtual void ShowLaunchFailure(const UserText& text) = 0;
    // The window's close was asked for while a box of the launch was open, or while the search
    // waited for a running Corvex: nothing more may be started or written, and the window closes
    // once the launch has returned.
    virtual bool CloseRequested() = 0;
};

struct LaunchPorts {
    Log& log;
    JavaRuntimeKeys& registry;
    LaunchUi& ui;
    LaunchShell& shell;
    LaunchFiles& files;
    // The window search with Verbose off; may set the application-found flag. Gives the title of
    // the first window it gave up on, because its instance did not answer.
    std::function<std::optional<std::string>()> findMyWindows;
    // The user asked for this launch (a button), rather than the launcher's own start: a Corvex
    // that does not answer does not keep it from starting another.
    bool byHand = false;
};

struct LaunchState {
    bool applicationFound = false;
    std::string javaHome;
    // A box has said that Corvex cannot be started: there is nothing to wait for.
    bool cannotStart = false;
    // The command line of the runtime started last, as a box quotes it.
    std::string commandLine;
};

// The directory part of a program path, up to and including its last backslash or colon.
std::string LauncherDirectory(const std::string& moduleFileName);

void RunLaunchSequence(LaunchPorts& ports, LaunchState& state);

}  // namespace ostrel
