// Fakes of everything around the launcher's portable logic, for the native tests and the fuzz
// targets. Fakes given a journal write what is done to them into it, in order, so that a test can
// check what happened across them and in which order; each entry names the call ("open <key>",
// "execute [...]", "sleep 300", "poll 1", "log <line>", "activate <title>", ...).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/log.h"
#include "handover/wake_up.h"
#include "handover/window_search.h"
#include "launch/launch_sequence.h"
#include "launch/registry_value.h"

namespace ostrel::test {

using Journal = std::vector<std::string>;

// What a fake says in the system's place.
inline UserText SystemWords(const std::string& words) { return UserText::Verbatim(words); }

// Writes into a journal, when it has one.
class Journaled {
  protected:
    explicit Journaled(Journal* journal) : journal_(journal) {}
    void Write(std::string entry) {
        if (journal_) journal_->push_back(std::move(entry));
    }

  private:
    Journal* journal_;
};

class FakeLog : public Log, Journaled {
  public:
    explicit FakeLog(Journal* journal = nullptr) : Journaled(journal) {}
    void Add(const UserText& line) override {
        lines.push_back(line.String());
        Write("log " + line.String());
    }
    void Clear() override {
        lines.clear();
        ++clears;
    }
    std::vector<std::string> lines;
    int clears = 0;
};

class FakeClock : public Clock, Journaled {
  public:
    explicit FakeClock(Journal* journal = nullptr) : Journaled(journal) {}
    LocalTime Now() override { return now; }
    void Sleep(unsigned milliseconds) override {
        sleeps.push_back(milliseconds);
        Write("sleep " + std::to_string(milliseconds));
        if (onSleep) onSleep();
    }
    LocalTime now;
    std::vector<unsigned> sleeps;
    std::function<void()> onSleep;  // what reaches the windows while it waits
};

// A moment of 29 February 2024, a Thursday.
inline LocalTime At(int hour, int minute, int second, int milliseconds = 0) {
    LocalTime time;
    time.year = 2024;
    time.month = 2;
    time.day = 29;
    time.dayOfWeek = 4;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    time.milliseconds = milliseconds;
    return time;
}

// Formats as a German user would see them, and remembers what it was asked.
class FakeDateTimeFormat : public DateTimeFormat {
  public:
    std::string ShortDate(const LocalTime& time) override {
        asked.push_back(time);
        return Two(time.day) + "." + Two(time.month) + "." + std::to_string(time.year);
    }
    std::string LongTime(const LocalTime& time) override {
        asked.push_back(time);
        return Two(time.hour) + ":" + Two(time.minute) + ":" + Two(time.second);
    }
    std::string InAnsiCodePage(const std::string& text) override { return text; }
    std::vector<LocalTime> asked;

  private:
    static std::string Two(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }
};

// A registry key whose values keep their insertion order, as enumeration reports them.
class FakeRegistryKey : public RegistryKey {
  public:
    struct Value {
        std::string name;
        std::uint32_t type;
        std::string data;
        bool readFails = false;
    };

    FakeRegistryKey& Set(std::string name, std::uint32_t type, std::string data) {
        values.push_back({std::move(name), type, std::move(data)});
        return *this;
    }

    std::vector<std::string> ValueNames() override {
        std::vector<std::string> names;
        for (const Value& value : values) names.push_back(value.name);
        return names;
    }
    bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) override {
        const Value* value = Find(name);
        if (!value) return false;
        info.type = value->type;
        info.size = static_cast<std::uint32_t>(value->data.size());
        return true;
    }
    bool ReadValueData(const std::string& name, std::vector<char>& data) override {
        const Value* value = Find(name);
        if (!value || value->readFails || data.size() < value->data.size()) return false;
        data.assign(value->data.begin(), value->data.end());
        return true;
    }

    std::vector<Value> values;

  private:
    const Value* Find(const std::string& name) const {
        for (const Value& value : values) {
            if (value.name == name) return &value;
        }
        return nullptr;
    }
};

// A key handed out by FakeJavaKeys: the test keeps the FakeRegistryKey, the sequence gets a
// forwarding view that journals its closing.
class RecordingKey : public RegistryKey, Journaled {
  public:
    RecordingKey(FakeRegistryKey& key, Journal& journal, std::string path)
        : Journaled(&journal), key_(key), path_(std::move(path)) {}
    ~RecordingKey() override { Write("close " + path_); }
    std::vector<std::string> ValueNames() override { return key_.ValueNames(); }
    bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) override {
        return key_.QueryValueInfo(name, info);
    }
    bool ReadValueData(const std::string& name, std::vector<char>& data) override {
        return key_.ReadValueData(name, data);
    }

  private:
    FakeRegistryKey& key_;
    std::string path_;
};

// The keys of both views, journaled as "open <key>" in the 32-bit view and "open <key> (64-bit
// view)" in the other.
class FakeJavaKeys : public JavaRuntimeKeys {
  public:
    explicit FakeJavaKeys(Journal& journal) : journal_(journal) {}
    std::vector<RegistryView> Views() override { return views; }
    std::unique_ptr<RegistryKey> Open(const std::string& subkey, RegistryView view) override {
        const std::string name = subkey + (view == RegistryView::k64Bit ? " (64-bit view)" : "");
        journal_.push_back("open " + name);
        auto& inView = In(view);
        auto found = inView.find(subkey);
        if (found == inView.end()) return nullptr;
        return std::make_unique<RecordingKey>(found->second, journal_, name);
    }
    std::vector<std::string> SubkeyNames(const std::string& subkey, RegistryView view) override {
        std::vector<std::string> names;
        const std::string prefix = subkey + "\\";
        for (const auto& [path, key] : In(view)) {
            if (path.rfind(prefix, 0) == 0 && path.find('\\', prefix.size()) == std::string::npos) {
                names.push_back(path.substr(prefix.size()));
            }
        }
        return names;
    }
    bool FileExists(const std::string& path) override { return !missing.count(path); }

    std::map<std::string, FakeRegistryKey> keys;    // the 32-bit view
    std::map<std::string, FakeRegistryKey> keys64;  // the 64-bit view
    std::vector<RegistryView> views{RegistryView::k32Bit, RegistryView::k64Bit};
    std::set<std::string> missing;  // paths of no file; every other path names one

  private:
    std::map<std::string, FakeRegistryKey>& In(RegistryView view) {
        return view == RegistryView::k64Bit ? keys64 : keys;
    }
    Journal& journal_;
};

class FakeShell : public LaunchShell, Journaled {
  public:
    explicit FakeShell(Journal& journal) : Journaled(&journal) {}
    std::string ModuleFileName() override { return moduleFileName; }
    void ExecuteFile(const std::string& file, const std::string& parameters,
                     const std::string& directory, int showCommand) override {
        Write("execute [" + file + "] [" + parameters + "] [" + directory + "] " +
              std::to_string(showCommand));
        if (fails) {
            throw Exception(SystemTexts::WithReason(LaunchBoxes::CannotStart(file), "not found"));
        }
    }
    std::string moduleFileName = "C:\\Program Files\\Corvex\\ostrel.exe";
    bool fails = false;
};

class FakeFiles : public LaunchFiles, Journaled {
  public:
    explicit FakeFiles(Journal& journal) : Journaled(&journal) {}
    void CreateShortCut(const std::string& linkName, const ShellLinkProperties& link) override {
        Write("link " + linkName + " [" + link.target + "] [" + link.arguments + "] [" +
              link.workingDirectory + "] " + std::to_string(link.showCommand) + " [" +
              link.iconFile + "] " + std::to_string(link.iconIndex));
        if (failing.count(linkName)) throw Exception(SystemWords("Access denied"));
        if (notSaved.count(linkName)) {
            throw LinkNotSaved(SystemTexts::WithReason(
                LaunchBoxes::CannotSave("C:\\Corvex\\" + linkName), "Access denied"));
        }
    }
    void CreateBatchFile(const std::string& line) override {
        Write("script [" + line + "]");
        if (failing.count("script")) throw Exception(SystemWords("Access denied"));
    }
    // Link names, and "script", whose writing fails; link names whose saving fails.
    std::set<std::string> failing;
    std::set<std::string> notSaved;
};

class FakeUi : public FormUi, Journaled {
  public:
    explicit FakeUi(Journal& journal) : Journaled(&journal) {}
    void RestoreMainWindow() override { Write("restore"); }
    void ShowNoRuntimeBox(const UserText& text) override {
        Write("box " + text.String());
        closeRequested = closeRequested || closeWhileInABox;
    }
    bool CloseRequested() override { return closeRequested; }
    void ShowError(const std::exception& error) override {
        Write(std::string("error box ") + error.what());
        closeRequested = closeRequested || closeWhileInABox;
    }
    void ShowLaunchFailure(const UserText& text) override { ShowError(Exception(text)); }
    void Minimize() override { Write("minimize"); }
    void Close() override { Write("close window"); }
    void SetTimerEnabled(bool enabled) override { Write(enabled ? "timer on" : "timer off"); }
    void ShowWarningBox(const UserText& text) override {
        Write("warning " + text.String());
        if (onWarning) onWarning();
    }
    void ShowPictureBox() override {
        Write("picture box");
        if (pictureBoxFails) throw Exception(SystemWords("no picture"));
        pictureBoxInView = true;
    }
    void HidePictureBox() override {
        Write("picture box hidden");
        pictureBoxInView = false;
    }
    bool PictureBoxInView() override { return pictureBoxInView; }
    bool DebugMarkerExists() override { return marker; }
    void PollingEnded() override { Write("polling ended"); }

    bool marker = false;
    bool pictureBoxFails = false;
    bool pictureBoxInView = false;
    bool closeWhileInABox = false;  // the user closes the window while a box is open
    bool closeRequested = false;
    std::function<void()> onWarning;
};

// A desktop whose windows the test adds; handles count from 1 in the order of adding.
class FakeDesktop : public Desktop, Journaled {
  public:
    explicit FakeDesktop(Journal* journal = nullptr) : Journaled(journal) {}

    static constexpr ProcessId kProcess = 100;

    WindowHandle Add(std::string className, std::string title, bool visible = true,
                     ProcessId process = kProcess) {
        windows_.push_back({std::move(className), std::move(title), visible, process});
        return windows_.size();
    }
    // The window goes: it is still enumerated by a list taken before, but no longer exists.
    void Close(WindowHandle window) { At(window).exists = false; }
    std::size_t Count() const { return windows_.size(); }
    bool Visible(WindowHandle window) const { return At(window).visible; }

    std::vector<WindowHandle> TopLevelWindows() override {
        ++enumerations;
        std::vector<WindowHandle> handles;
        for (WindowHandle handle = 1; handle <= windows_.size(); ++handle) {
            handles.push_back(handle);
        }
        return handles;
    }
    std::string WindowTitle(WindowHandle window) override {
        ++titleReads;
        return At(window).title;
    }
    std::string WindowClass(WindowHandle window) override {
        ++classReads;
        return At(window).className;
    }
    ProcessId WindowProcess(WindowHandle window) override {
        return At(window).exists ? At(window).process : 0;
    }
    bool WindowExists(WindowHandle window) override { return At(window).exists; }
    bool WindowVisible(WindowHandle window) override {
        return At(window).exists && At(window).visible;
    }
    void Activate(WindowHandle window) override {
        At(window).visible = true;
        activated.push_back(window);
        Write("activate " + At(window).title);
        if (onActivate) onActivate();
    }
    std::uint32_t AllowForeground(ProcessId process) override {
        Write("allow foreground " + std::to_string(process));
        return foregroundRefusal;
    }

    int enumerations = 0;
    int titleReads = 0;
    int classReads = 0;
    std::vector<WindowHandle> activated;
    std::function<void()> onActivate;
    std::uint32_t foregroundRefusal = 0;  // the system's error, where it refuses

  private:
    struct Window {
        std::string className;
        std::string title;
        bool visible;
        ProcessId process;
        bool exists = true;
    };
    Window& At(WindowHandle window) { return windows_.at(window - 1); }
    const Window& At(WindowHandle window) const { return windows_.at(window - 1); }

    std::vector<Window> windows_;
};

// Gives the queued answers in turn, then `afterwards` for ever.
class FakeResponseState : public ResponseState, Journaled {
  public:
    explicit FakeResponseState(Journal* journal = nullptr) : Journaled(journal) {}
    void Queue(int count, std::int32_t answer) { answers.insert(answers.end(), count, answer); }

    std::int32_t GetResponseState() override {
        std::int32_t answer = afterwards;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        ++polls;
        Write("poll " + std::to_string(answer));
        return answer;
    }

    std::deque<std::int32_t> answers;
    std::int32_t afterwards = 1;
    int polls = 0;
};

// What the system tells of Corvex's processes: by default nothing, so that the window classes
// decide alone.
class FakeCorvexProcesses : public CorvexProcesses {
  public:
    std::vector<ProcessId> Started() override {
        ++asked;
        return started;
    }
    WakeUpListener Listener() override {
        ++asked;
        return listener;
    }
    std::optional<std::uint32_t> RuntimeExitCode() override { return runtimeExitCode; }
    std::optional<RunningProcess> StillRunning() override { return stillRunning; }
    std::uint64_t CreationTime(ProcessId process) override {
        ++opened;
        const auto found = created.find(process);
        return found == created.end() ? 0 : found->second;
    }
    std::vector<ProcessId> started;
    WakeUpListener listener;
    std::optional<std::uint32_t> runtimeExitCode;
    std::optional<RunningProcess> stillRunning;
    std::map<ProcessId, std::uint64_t> created;
    int asked = 0;
    int opened = 0;  // processes opened for their creation time
};

class FakeErrorReporter : public ErrorReporter, Journaled {
  public:
    explicit FakeErrorReporter(Journal& journal) : Journaled(&journal) {}
    void ShowException(const std::exception& error) override {
        Write(std::string("error box ") + error.what());
        if (whileOpen) whileOpen();
    }
    std::function<void()> whileOpen;
};

// The main window's ports that the Send button does not use, doing nothing.
struct InertFormPorts : FormUi,
                        JavaRuntimeKeys,
                        LaunchShell,
                        LaunchFiles,
                        Desktop,
                        ResponseState,
                        CorvexProcesses {
    void RestoreMainWindow() override {}
    void ShowNoRuntimeBox(const UserText&) override {}
    void ShowError(const std::exception&) override {}
    void ShowLaunchFailure(const UserText&) override {}
    bool CloseRequested() override { return false; }
    void Minimize() override {}
    void Close() override {}
    void SetTimerEnabled(bool) override {}
    void ShowWarningBox(const UserText&) override {}
    void ShowPictureBox() override {}
    void HidePictureBox() override {}
    bool PictureBoxInView() override { return false; }
    bool DebugMarkerExists() override { return false; }
    void PollingEnded() override {}
    std::vector<RegistryView> Views() override { return {RegistryView::k32Bit}; }
    std::unique_ptr<RegistryKey> Open(const std::string&, RegistryView) override { return nullptr; }
    std::vector<std::string> SubkeyNames(const std::string&, RegistryView) override { return {}; }
    bool FileExists(const std::string&) override { return false; }
    std::string ModuleFileName() override { return "C:\\ostrel.exe"; }
    void ExecuteFile(const std::string&, const std::string&, const std::string&, int) override {}
    void CreateShortCut(const std::string&, const ShellLinkProperties&) override {}
    void CreateBatchFile(const std::string&) override {}
    std::vector<WindowHandle> TopLevelWindows() override { return {}; }
    std::string WindowTitle(WindowHandle) override { return {}; }
    std::string WindowClass(WindowHandle) override { return {}; }
    ProcessId WindowProcess(WindowHandle) override { return 0; }
    bool WindowExists(WindowHandle) override { return false; }
    bool WindowVisible(WindowHandle) override { return false; }
    void Activate(WindowHandle) override {}
    std::uint32_t AllowForeground(ProcessId) override { return 0; }
    std::int32_t GetResponseState() override { return 1; }
    std::vector<ProcessId> Started() override { return {}; }
    WakeUpListener Listener() override { return {}; }
    std::optional<std::uint32_t> RuntimeExitCode() override { return std::nullopt; }
    std::optional<RunningProcess> StillRunning() override { return std::nullopt; }
    std::uint64_t CreationTime(ProcessId) override { return 0; }
};

}  // namespace ostrel::test
