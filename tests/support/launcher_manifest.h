// ostrel.exe's manifest as the loader reads it: an activation context made from the program's
// manifest resource, and what the context says.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ostrel::test {

class LauncherManifest {
  public:
    LauncherManifest();
    ~LauncherManifest();
    LauncherManifest(const LauncherManifest&) = delete;
    LauncherManifest& operator=(const LauncherManifest&) = delete;

    bool Loaded() const { return context_ != INVALID_HANDLE_VALUE; }
    // For ActivateActCtx; INVALID_HANDLE_VALUE when the manifest did not load.
    HANDLE Context() const { return context_; }

    // A value of the manifest's windowsSettings, or "(none)".
    std::wstring WindowsSetting(const wchar_t* nameSpace, const wchar_t* name) const;
    // The systems the program says it was made for, as registry-format GUIDs.
    std::vector<std::string> SupportedSystems() const;

  private:
    HANDLE context_ = INVALID_HANDLE_VALUE;
};

}  // namespace ostrel::test
