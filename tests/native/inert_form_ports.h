// The main window's ports that the Send button does not use, doing nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"

namespace ostrel::testing {

struct InertFormPorts : FormUi, JavaRuntimeKeys, LaunchShell, LaunchFiles, Desktop, ResponseState {
    void RestoreMainWindow() override {}
    void ShowNoRuntimeBox(const std::string&) override {}
    void ShowError(const std::exception&) override {}
    void Minimize() override {}
    void Close() override {}
    void SetTimerEnabled(bool) override {}
    void ShowWarningBox(const std::string&) override {}
    void ShowPictureBox() override {}
    bool DebugMarkerExists() override { return false; }
    std::unique_ptr<RegistryKey> Open(const std::string&) override { return nullptr; }
    std::string ModuleFileName() override { return "C:\\ostrel.exe"; }
    void ExecuteFile(const std::string&, const std::string&, const std::string&, int) override {}
    void CreateShortCut(const std::string&, const std::string&, const std::string&,
                        const std::string&, int, const std::string&, std::uint8_t) override {}
    void CreateBatchFile(const std::string&) override {}
    std::vector<WindowHandle> TopLevelWindows() override { return {}; }
    std::string WindowTitle(WindowHandle) override { return {}; }
    std::string WindowClass(WindowHandle) override { return {}; }
    void Activate(WindowHandle) override {}
    std::int32_t GetResponseState() override { return 1; }
};

}  // namespace ostrel::testing
