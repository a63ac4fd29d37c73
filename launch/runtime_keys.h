// Which Java runtime key the launch reads. Runtimes of the versions Corvex runs on are 32-bit
// programs and register in the 32-bit view of the registry; a 64-bit launcher must ask for that
// view. A key left behind by a runtime that was removed is passed over for one that works, and
// when none works the log names the runtimes Corvex does not use, for the help desk.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/log.h"
#include "launch/registry_value.h"

namespace ostrel {

// The views of HKEY_LOCAL_MACHINE\SOFTWARE on 64-bit Windows.
enum class RegistryView { k32Bit, k64Bit };

// The Java runtime keys under HKEY_LOCAL_MACHINE, and the test for a runtime's program.
class JavaRuntimeKeys {
  public:
    virtual ~JavaRuntimeKeys() = default;
    // The views this Windows has, the 32-bit one first: 32-bit Windows has one registry, and
    // each key is opened once there.
    virtual std::vector<RegistryView> Views() = 0;
    // Opens an existing key for reading; nullptr when it does not open.
    virtual std::unique_ptr<RegistryKey> Open(const std::string& subkey, RegistryView view) = 0;
    // The names of an existing key's subkeys; none when it does not open.
    virtual std::vector<std::string> SubkeyNames(const std::string& subkey, RegistryView view) = 0;
    // Whether a file (not a folder) is at `path`.
    virtual bool FileExists(const std::string& path) = 0;
};

inline constexpr char kJavaHomeValue[] = "JavaHome";
// The runtime program, after the Java home path.
inline constexpr char kJavaw[] = "\\bin\\javaw.exe";

// The key the launch reads.
struct RuntimeKeyChoice {
    const char* path = nullptr;  // under HKEY_LOCAL_MACHINE; null when no key opened
    RegistryView view = RegistryView::k32Bit;
    std::unique_ptr<RegistryKey> key;
    // Its "JavaHome" names a folder with the runtime's program.
    bool usable = false;
};

// The first usable key, 1.4 before 1.3, each in the 32-bit view before the 64-bit one; the keys
// passed over on the way get a log line each. When none is usable, the first key that opened.
// A key from the 64-bit view gets a line before its own.
RuntimeKeyChoice ChooseRuntimeKey(JavaRuntimeKeys& keys, Log& log);

// After a search that found no usable key: one line for each other runtime registered under
// JavaSoft in either view, then the line that says what the launcher reads.
void LogOtherRuntimes(JavaRuntimeKeys& keys, Log& log);

}  // namespace ostrel
