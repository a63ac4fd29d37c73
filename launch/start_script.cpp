#include "launch/start_script.h"

namespace ostrel {

void WriteStartScript(ScriptFiles& files, const std::string& line) {
    const std::string newScript = std::string(kStartScriptName) + ".new";
    try {
        files.WriteWhole(newScript, line + "\r\n");
        files.Replace(newScript, kStartScriptName);
    } catch (...) {
        files.Remove(newScript);
        throw;
    }
}

}  // namespace ostrel
