#include "launch/start_script.h"

namespace ostrel {

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
        files.Replace(newScript, kStartScriptName);
    } catch (...) {
        files.Remove(newScript);
        throw;
    }
}

}  // namespace ostrel
