#include "launch/launch_sequence.h"

#include <vector>

#include "core/errors.h"

namespace ostrel {
namespace {

constexpr char kJava[] = "\\bin\\java.exe";
constexpr char kIconFile[] = "Icon.ico";
constexpr char kClassPath[] = "-classpath LIB\\Corvex.jar";
constexpr char kMainClass[] = "morvane.r7x.corvex.application.Application";
constexpr int kShowNormal = 1;  // SW_SHOWNORMAL

// Lists every value of the key in the log, then reads "JavaHome".
std::string ListKeyAndReadJavaHome(RegistryKey& key, Log& log) {
    const std::vector<std::string> names = key.ValueNames();
    for (const std::string& name : names) {
        const std::string data = ReadRegistryString(key, name);
        log.Add(LaunchLog::RegistryValue(name, data));
    }
    std::string javaHome = ReadRegistryString(key, kJavaHomeValue);
    log.Add(LaunchLog::JavaHome(javaHome));
    return javaHome;
}

void ReportNoRuntime(LaunchUi& ui, Log& log) {
    ui.RestoreMainWindow();
    ui.ShowNoRuntimeBox(LaunchBoxes::NoRuntime);
    log.Add(LaunchLog::NoRuntime);
}

// Reads the runtime key into the state; the key is closed before this returns, also on error.
// Gives the key that is read, or null when none opened.
const char* DiscoverRuntime(LaunchPorts& ports, LaunchState& state) {
    const RuntimeKeyChoice choice = ChooseRuntimeKey(ports.registry, ports.log);
    if (choice.usable) {
        state.javaHome = ListKeyAndReadJavaHome(*choice.key, ports.log);
        return choice.path;
    }
    if (choice.key) {
        // A key that cannot start Corvex is read as if it could: the boxes that follow say why.
        try {
            state.javaHome = ListKeyAndReadJavaHome(*choice.key, ports.log);
        } catch (const std::exception&) {
            LogOtherRuntimes(ports.registry, ports.log);
            throw;
        }
    } else {
        // The path of an earlier launch names a runtime that has gone since: starting it after
        // the box has said that there is none would contradict it.
        state.javaHome.clear();
        ReportNoRuntime(ports.ui, ports.log);
    }
    LogOtherRuntimes(ports.registry, ports.log);
    return choice.path;
}

// A runtime whose key names no home cannot be started, and the user would otherwise only wait
// for a Corvex that never comes.
void ReportNoJavaHome(LaunchUi& ui, const std::string& key) {
    ui.ShowError(Exception(LaunchBoxes::NoJavaHome(key)));
}

// Runs one step and keeps its failure, so that a failed step does not keep the next from being
// tried.
template <typename Step>
void Attempt(std::vector<UserText>& failures, Step step) {
    try {
        step();
    } catch (const std::exception& error) {
        failures.push_back(UserText::Of(error));
    }
}

// The links and the start script; adds the messages of the writes that failed to `failures`.
void WriteLinksAndScript(LaunchFiles& files, const std::string& javaHome,
                         const std::string& directory, const std::string& arguments,
                         std::vector<UserText>& failures) {
    const ShellLinkProperties corvex{javaHome + kJavaw,     arguments, directory, kShowNormal,
                                     directory + kIconFile, 0};
    ShellLinkProperties configuration = corvex;
    configuration.arguments += "  ShowSetup";
    // A link names the files it could not save; what fails before it saves (the object, its
    // fields) does not say which link it is about. The script's errors name its file.
    const auto createLink = [&](const std::string& name, const ShellLinkProperties& link) {
        try {
            files.CreateShortCut(name, link);
        } catch (const LinkNotSaved& error) {
            failures.push_back(UserText::Of(error));
        } catch (const std::exception& error) {
            failures.push_back(
                SystemTexts::WithReason(LaunchBoxes::CannotCreate(name), UserText::Of(error)));
        }
    };
    createLink("Configuration.lnk", configuration);
    createLink("Corvex.lnk", corvex);
    Attempt(failures, [&] {
        files.CreateBatchFile("\"" + javaHome + kJava + "\" " + arguments + " ShowSetup");
    });
}

UserText Lines(const std::vector<UserText>& lines) {
    UserText text;
    for (const UserText& line : lines) text.AddLine(line);
    return text;
}

// Corvex is started first: the links and the script are conveniences for starting it later,
// and a folder the user may not write to (a shared installation) must not keep it from
// starting now. Their failures are reported together once Corvex is on its way. A start that
// failed itself is reported in the same box, first, and leaves nothing to wait for.
void LaunchCorvex(LaunchPorts& ports, LaunchState& state) {
    const std::string directory = LauncherDirectory(ports.shell.ModuleFileName());
    const std::string javaw = state.javaHome + kJavaw;
    const std::string arguments = std::string(kClassPath) + " " + kMainClass;
    const std::string parameters = arguments + " ShowSetupSys";

    ports.log.Add(LaunchLog::ApplicationPath(directory));
    ports.log.Add(LaunchLog::ExecuteFile(javaw, arguments, directory));

    state.commandLine = '"' + javaw + "\" " + parameters;
    std::vector<UserText> failures;
    Attempt(failures, [&] { ports.shell.ExecuteFile(javaw, parameters, directory, kShowNormal); });
    const bool started = failures.empty();
    WriteLinksAndScript(ports.files, state.javaHome, directory, arguments, failures);
    if (failures.empty()) return;
    if (started) {
        ports.ui.ShowError(Exception(Lines(failures)));
        return;
    }
    state.cannotStart = true;
    ports.ui.ShowLaunchFailure(Lines(failures));
}

}  // namespace

std::string LauncherDirectory(const std::string& moduleFileName) {
    const std::string::size_type cut = moduleFileName.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : moduleFileName.substr(0, cut + 1);
}

void RunLaunchSequence(LaunchPorts& ports, LaunchState& state) {
    state.applicationFound = false;
    state.cannotStart = false;
    ports.log.Clear();
    const char* runtimeKey = DiscoverRuntime(ports, state);
    if (ports.ui.CloseRequested()) {
        // Closed while the box of a missing runtime was open: nothing was started.
        state.cannotStart = state.javaHome.empty();
        return;
    }

    const std::optional<std::string> silent = ports.findMyWindows();
    if (state.applicationFound) {
        ports.log.Add(LaunchLog::ApplicationFound);
        return;
    }
    // Closed while the search waited for a running Corvex to answer: the user's own choice, after
    // which nothing is started or written.
    if (ports.ui.CloseRequested()) return;
    // A Corvex that runs but does not answer still holds what a second one would need: starting
    // another beside it would not bring the user a working Corvex.
    if (silent && !ports.byHand) {
        ports.log.Add(LaunchLog::SilentCorvexNotStarted);
        state.cannotStart = true;
        ports.ui.ShowLaunchFailure(PollTexts::SilentCorvex(*silent));
        return;
    }
    // Without a runtime the start would run "\bin\javaw.exe" from the root of the current
    // drive, whatever that is, and leave links to nothing: start nothing instead.
    if (state.javaHome.empty()) {
        if (runtimeKey) ReportNoJavaHome(ports.ui, runtimeKey);
        ports.log.Add(LaunchLog::NoRuntimeNotStarted);
        state.cannotStart = true;
        return;
    }
    LaunchCorvex(ports, state);
}

}  // namespace ostrel
