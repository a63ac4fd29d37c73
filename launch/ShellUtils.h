// ShellUtils: hands a program to the Windows shell.
#pragma once

#include <windows.h>

#include <string>

#include "launch/launch_sequence.h"

namespace ostrel {

// ShellExecuteA with the file's default action; the result is ShellExecuteA's (> 32 on
// success). Strings are passed whole: a cut path would start the wrong program. A program file or
// working directory of MAX_PATH characters or more, which the shell cannot use, is refused with
// an Exception instead.
INT_PTR ExecuteFile(const std::string& file, const std::string& parameters,
                    const std::string& directory, int showCommand, HWND owner = nullptr);

// The launch sequence's shell: the launcher's own path and ExecuteFile, owned by `owner`.
class Win32LaunchShell : public LaunchShell {
  public:
    explicit Win32LaunchShell(HWND owner) : owner_(owner) {}
    std::string ModuleFileName() override;
    void ExecuteFile(const std::string& file, const std::string& parameters,
                     const std::string& directory, int showCommand) override;

  private:
    HWND owner_;
};

}  // namespace ostrel
