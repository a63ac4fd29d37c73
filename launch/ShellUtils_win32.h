// ShellUtils: hands a program to the Windows shell.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "core/owners_win32.h"
#include "launch/launch_sequence.h"

namespace ostrel {

// The shell's start of the file's default action; the process it started, when it hands one
// back, goes to `started`. Raises when the shell cannot start it, with the system's reason.
// Strings are passed whole: a cut path would start the wrong program. A program file or working
// directory of MAX_PATH characters or more, which the shell cannot use, is refused with an
// Exception instead.
void ExecuteFile(const std::string& file, const std::string& parameters,
                 const std::string& directory, int showCommand, HWND owner = nullptr,
                 KernelHandle* started = nullptr);

// The launch sequence's shell: the launcher's own path and ExecuteFile, owned by `owner`;
// `beforeStart` runs before each start, and each process it starts goes to `onStarted`.
class Win32LaunchShell : public LaunchShell {
  public:
    using StartedHandler = std::function<void(KernelHandle process)>;
    explicit Win32LaunchShell(HWND owner, StartedHandler onStarted = {},
                              std::function<void()> beforeStart = {})
        : owner_(owner), onStarted_(std::move(onStarted)), beforeStart_(std::move(beforeStart)) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    std::string ModuleFileName() override;
    void ExecuteFile(const std::string& file, const std::string& parameters,
                     const std::string& directory, int showCommand) override;

  private:
    HWND owner_;
    StartedHandler onStarted_;
    std::function<void()> beforeStart_;
};

}  // namespace ostrel
