// Fakes of the platform around TForm1 and the launch sequence. Every call is recorded, in order,
// in one event list, so that tests can check what happened and in which order.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "fakes.h"
#include "launch/launch_sequence.h"

namespace ostrel::testing {

using Events = std::vector<std::string>;

// A key handed out by FakeJavaKeys: the test keeps the FakeRegistryKey, the sequence gets a
// forwarding view that records its closing.
class RecordingKey : public RegistryKey {
  public:
    RecordingKey(FakeRegistryKey& key, Events& events, std::string path)
        : key_(key), events_(events), path_(std::move(path)) {}
    ~RecordingKey() override { events_.push_back("close " + path_); }
    std::vector<std::string> ValueNames() override { return key_.ValueNames(); }
    bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) override {
        return key_.QueryValueInfo(name, info);
    }
    bool ReadValueData(const std::string& name, std::vector<char>& data) override {
        return key_.ReadValueData(name, data);
    }

  private:
    FakeRegistryKey& key_;
    Events& events_;
    std::string path_;
};

class FakeJavaKeys : public JavaRuntimeKeys {
  public:
    explicit FakeJavaKeys(Events& events) : events_(events) {}
    std::unique_ptr<RegistryKey> Open(const std::string& subkey) override {
        events_.push_back("open " + subkey);
        auto found = keys.find(subkey);
        if (found == keys.end()) return nullptr;
        return std::make_unique<RecordingKey>(found->second, events_, subkey);
    }
    std::map<std::string, FakeRegistryKey> keys;

  private:
    Events& events_;
};

class FakeShell : public LaunchShell {
  public:
    explicit FakeShell(Events& events) : events_(events) {}
    std::string ModuleFileName() override { return moduleFileName; }
    void ExecuteFile(const std::string& file, const std::string& parameters,
                     const std::string& directory, int showCommand) override {
        events_.push_back("execute [" + file + "] [" + parameters + "] [" + directory + "] " +
                          std::to_string(showCommand));
        if (fails) throw Exception("Cannot start");
    }
    std::string moduleFileName = "C:\\Program Files\\Corvex\\ostrel.exe";
    bool fails = false;

  private:
    Events& events_;
};

class FakeFiles : public LaunchFiles {
  public:
    explicit FakeFiles(Events& events) : events_(events) {}
    void CreateShortCut(const std::string& linkName, const std::string& target,
                        const std::string& arguments, const std::string& workingDirectory,
                        int showCommand, const std::string& iconFile,
                        std::uint8_t iconIndex) override {
        events_.push_back("link " + linkName + " [" + target + "] [" + arguments + "] [" +
                          workingDirectory + "] " + std::to_string(showCommand) + " [" + iconFile +
                          "] " + std::to_string(iconIndex));
        if (failing.count(linkName)) throw Exception("Access denied");
    }
    void CreateBatchFile(const std::string& line) override {
        events_.push_back("script [" + line + "]");
        if (failing.count("script")) throw Exception("Access denied");
    }
    // Link names, and "script", whose writing fails.
    std::set<std::string> failing;

  private:
    Events& events_;
};

class FakeUi : public FormUi {
  public:
    explicit FakeUi(Events& events) : events_(events) {}
    void RestoreMainWindow() override { events_.push_back("restore"); }
    void ShowNoRuntimeBox(const std::string& text) override { events_.push_back("box " + text); }
    void ShowError(const std::exception& error) override {
        events_.push_back(std::string("error box ") + error.what());
    }
    void Minimize() override { events_.push_back("minimize"); }
    void Close() override { events_.push_back("close window"); }
    void SetTimerEnabled(bool enabled) override {
        events_.push_back(enabled ? "timer on" : "timer off");
    }
    void ShowWarningBox(const std::string& text) override {
        events_.push_back("warning " + text);
        if (onWarning) onWarning();
    }
    void ShowPictureBox() override {
        events_.push_back("picture box");
        if (pictureBoxFails) throw Exception("no picture");
    }
    bool DebugMarkerExists() override { return marker; }

    bool marker = false;
    bool pictureBoxFails = false;
    std::function<void()> onWarning;

  private:
    Events& events_;
};

// A desktop whose windows are given by the test.
class FakeDesktop : public Desktop {
  public:
    struct Window {
        std::string title;
        std::string windowClass;
    };
    std::vector<WindowHandle> TopLevelWindows() override {
        std::vector<WindowHandle> handles;
        for (std::size_t i = 0; i < windows.size(); ++i) handles.push_back(i + 1);
        return handles;
    }
    std::string WindowTitle(WindowHandle window) override { return windows[window - 1].title; }
    std::string WindowClass(WindowHandle window) override {
        return windows[window - 1].windowClass;
    }
    void Activate(WindowHandle window) override { activated.push_back(window); }

    std::vector<Window> windows;
    std::vector<WindowHandle> activated;
};

class FakeResponseState : public ResponseState {
  public:
    std::int32_t GetResponseState() override {
        ++calls;
        return calls > zeroAnswers ? 1 : 0;
    }
    int zeroAnswers = 0;
    int calls = 0;
};

class FakeErrorReporter : public ErrorReporter {
  public:
    explicit FakeErrorReporter(Events& events) : events_(events) {}
    void ShowException(const std::exception& error) override {
        events_.push_back(std::string("error box ") + error.what());
        if (whileOpen) whileOpen();
    }
    std::function<void()> whileOpen;

  private:
    Events& events_;
};

}  // namespace ostrel::testing
