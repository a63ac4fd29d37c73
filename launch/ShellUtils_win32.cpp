#include "launch/ShellUtils.h"

#include <shellapi.h>

#include <vector>

#include "core/errors.h"

namespace ostrel {

namespace {

// A path as an error box quotes it: whole when it is a little too long, else its beginning. A
// message box cannot show a text of many thousand characters; the log has the path whole.
std::string QuotedPath(const std::string& path) {
    constexpr std::size_t kLongestQuoted = 300;
    if (path.size() <= kLongestQuoted) return '"' + path + '"';
    return '"' + path.substr(0, kLongestQuoted) + "...\"";
}

// The shell finds no program file and ignores a working directory that long, and says no more
// than "file not found" or nothing at all: the user would wait for a program that never starts.
void RefuseWhatTheShellCannotTake(const std::string& file, const std::string& directory) {
    const std::string tooLong = " is longer than " + std::to_string(MAX_PATH - 1) + " characters";
    if (file.size() >= MAX_PATH) {
        throw Exception("Cannot start " + QuotedPath(file) + ": the program path" + tooLong);
    }
    if (directory.size() >= MAX_PATH) {
        throw Exception("Cannot start " + QuotedPath(file) + " in " + QuotedPath(directory) +
                        ": the working directory" + tooLong);
    }
}

}  // namespace

INT_PTR ExecuteFile(const std::string& file, const std::string& parameters,
                    const std::string& directory, int showCommand, HWND owner) {
    RefuseWhatTheShellCannotTake(file, directory);
    const HINSTANCE result = ShellExecuteA(owner, nullptr, file.c_str(), parameters.c_str(),
                                           directory.c_str(), showCommand);
    return reinterpret_cast<INT_PTR>(result);
}

std::string Win32LaunchShell::ModuleFileName() {
    // Long install paths are common: grow the buffer until the whole path fits.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

void Win32LaunchShell::ExecuteFile(const std::string& file, const std::string& parameters,
                                   const std::string& directory, int showCommand) {
    ostrel::ExecuteFile(file, parameters, directory, showCommand, owner_);
}

}  // namespace ostrel
