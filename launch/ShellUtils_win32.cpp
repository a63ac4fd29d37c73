#include "launch/ShellUtils_win32.h"

#include <shellapi.h>

#include <vector>

#include "core/errors.h"
#include "launch/ShellUtils.h"
#include "core/system_error_win32.h"
#include "core/text_win32.h"

namespace ostrel {

namespace {

// A path as an error box shows it: whole when it is a little too long, else its beginning. A
// message box cannot show a text of many thousand characters; the log has the path whole.
std::string ShownPath(const std::string& path) {
    constexpr std::size_t kLongestShown = 300;
    const std::string shown = FirstCharacters(path, kLongestShown);
    return shown.size() < path.size() ? shown + "..." : shown;
}

static_assert(kLongestShellPath == MAX_PATH - 1, "the shell's limit is the system's");

// The shell counts in UTF-16 units, as the system's path limit does.
bool TooLongForTheShell(const WideText& path) {
    return path.size() - 1 > static_cast<std::size_t>(kLongestShellPath);
}

// The shell finds no program file and ignores a working directory that long, and says no more
// than "file not found" or nothing at all: the user would wait for a program that never starts.
void RefuseWhatTheShellCannotTake(const std::string& file, const WideText& wideFile,
                                  const std::string& directory, const WideText& wideDirectory) {
    if (TooLongForTheShell(wideFile)) {
        throw Exception(LaunchBoxes::ProgramPathTooLong(ShownPath(file), kLongestShellPath));
    }
    if (TooLongForTheShell(wideDirectory)) {
        throw Exception(LaunchBoxes::WorkingFolderTooLong(ShownPath(file), ShownPath(directory),
                                                          kLongestShellPath));
    }
}

}  // namespace

void ExecuteFile(const std::string& file, const std::string& parameters,
                 const std::string& directory, int showCommand, HWND owner, KernelHandle* started) {
    const WideText wideFile = Wide(file);
    const WideText wideParameters = Wide(parameters);
    const WideText wideDirectory = Wide(directory);
    RefuseWhatTheShellCannotTake(file, wideFile, directory, wideDirectory);
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    // The process is handed back, so that the window search can tell the Corvex started here
    // from other Java programs, and see it end. The shell shows no error box of its own: the
    // failure is raised, for the launcher's one box. What the shell must ask the user (whether
    // to run a program from a network drive) it still asks: that is no error message.
    start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    start.hwnd = owner;
    start.lpFile = wideFile.data();
    start.lpParameters = wideParameters.data();
    start.lpDirectory = wideDirectory.data();
    start.nShow = showCommand;
    if (!ShellExecuteExW(&start)) {
        const std::string shown = ShownPath(file);
        const UserText what = LaunchBoxes::CannotStart(shown);
        DWORD code = GetLastError();
        // The shell's own code, where it left the system's unset.
        if (code == ERROR_SUCCESS) {
            code = static_cast<DWORD>(reinterpret_cast<INT_PTR>(start.hInstApp));
            const std::string meaning = ShellResultText(code);
            if (!meaning.empty()) throw SystemError(SystemTexts::WithReason(what, meaning), code);
        }
        RaiseSystemError(what, code, '"' + shown + '"');
    }
    KernelHandle process(start.hProcess);
    if (started) *started = std::move(process);
}

std::string Win32LaunchShell::ModuleFileName() {
    // Long install paths are common: grow the buffer until the whole path fits.
    WideText buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return Utf8(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

void Win32LaunchShell::ExecuteFile(const std::string& file, const std::string& parameters,
                                   const std::string& directory, int showCommand) {
    if (beforeStart_) beforeStart_();
    KernelHandle process;
    ostrel::ExecuteFile(file, parameters, directory, showCommand, owner_, &process);
    if (process && onStarted_) onStarted_(std::move(process));
}

}  // namespace ostrel
