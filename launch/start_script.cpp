#include "launch/start_script.h"

namespace ostrel {
namespace {

// A virus scanner opens a freshly written file to read it, and meanwhile the replace fails with a
// sharing violation or access denied: it is tried again for about a second.
constexpr unsigned long kSharingViolation = 32;
constexpr unsigned long kAccessDenied = 5;
constexpr unsigned kRetryPause = 100;  // ms
constexpr int kRetries = 10;

void ReplaceWhenFree(ScriptFiles& files, const std::string& newScript) {
    for (int retry = 0;; ++retry) {
        try {
            files.Replace(newScript, kStartScriptName);
            return;
        } catch (const FileReadOnly&) {
            throw;
        } catch (const InOutError& error) {
            const bool held = error.code() == kSharingViolation || error.code() == kAccessDenied;
            if (!held || retry == kRetries) throw;
        }
        files.Pause(kRetryPause);
    }
}

}  // namespace

void WriteStartScript(ScriptFiles& files, const std::string& line) {
    const std::string content = line + "\r\n";
    const std::string newScript = std::string(kStartScriptName) + ".new";
    try {
        files.WriteWhole(newScript, content, kStartScriptName);
    } catch (const FileNotCreated&) {
        files.WriteWhole(kStartScriptName, content, kStartScriptName);
        return;
    } catch (...) {
        files.Remove(newScript);
        throw;
    }
    try {
        ReplaceWhenFree(files, newScript);
    } catch (...) {
        files.Remove(newScript);
        throw;
    }
}

}  // namespace ostrel
