#include "launch/runtime_keys.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "core/errors.h"

namespace ostrel {
namespace {

constexpr const char* kJavaKeys[] = {
    "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4",
    "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.3",
};
constexpr char kJavaSoft[] = "SOFTWARE\\JavaSoft\\";
// Where runtimes and development kits of every version register.
constexpr const char* kRuntimeFamilies[] = {"Java Runtime Environment", "Java Development Kit",
                                            "JRE", "JDK"};
constexpr char kMachine[] = "HKEY_LOCAL_MACHINE\\";
constexpr char kNoJavaHome[] = "no \"JavaHome\" value";
constexpr char kEmptyJavaHome[] = "\"JavaHome\" is empty";
constexpr char kJavaHomeNotText[] = "\"JavaHome\" is not text";

const char* ViewName(RegistryView view) {
    return view == RegistryView::k64Bit ? "64-bit view" : "32-bit view";
}

std::string PassedOverLine(const std::string& path, RegistryView view, const std::string& reason) {
    return "Java runtime key passed over: " + (kMachine + path) + " (" + ViewName(view) +
           "): " + reason;
}

std::string FoundIn64BitViewLine(const std::string& path) {
    return "Java runtime key found in the 64-bit registry view: " + (kMachine + path);
}

std::string OtherRuntimeLine(const std::string& path, RegistryView view,
                             const std::string& javaHome) {
    return "Other Java runtime, not used: " + (kMachine + path) + " (" + ViewName(view) +
           "), JavaHome \"" + javaHome + "\"";
}

// The runtime's home, or why its key names none (then the home is empty).
struct JavaHomeRead {
    std::string home;
    std::string problem;
};

JavaHomeRead ReadJavaHome(RegistryKey& key) {
    RegistryValueInfo info;
    if (!key.QueryValueInfo(kJavaHomeValue, info)) return {{}, kNoJavaHome};
    if (info.size == 0) return {{}, kEmptyJavaHome};
    if (info.type != kRegSz && info.type != kRegExpandSz) return {{}, kJavaHomeNotText};
    std::string home;
    try {
        home = ReadRegistryString(key, kJavaHomeValue);
    } catch (const Exception&) {
        return {};  // not readable now, which says nothing of the runtime
    }
    if (home.empty()) return {{}, kEmptyJavaHome};
    return {std::move(home), {}};
}

// Why the key's runtime cannot be started; empty when it can, or when its home cannot be read
// now: the listing reads it again and reports that failure as it reports any other.
std::string StaleReason(RegistryKey& key, JavaRuntimeKeys& keys) {
    const JavaHomeRead read = ReadJavaHome(key);
    if (!read.problem.empty() || read.home.empty()) return read.problem;
    if (!keys.FileExists(read.home + kJavaw)) return "no bin\\javaw.exe in \"" + read.home + "\"";
    return {};
}

RuntimeKeyChoice Chosen(RuntimeKeyChoice choice, Log& log) {
    if (choice.view == RegistryView::k64Bit) {
        log.Add(FoundIn64BitViewLine(choice.path));
    }
    return choice;
}

// An installer writes a runtime's full version ("1.4.2_19") beside the version it stands for
// ("1.4"): one runtime, not two.
bool IsDetailOfAnother(const std::string& version, const std::vector<std::string>& versions) {
    return std::any_of(versions.begin(), versions.end(), [&](const std::string& other) {
        return other.size() < version.size() && version.compare(0, other.size(), other) == 0 &&
               (version[other.size()] == '.' || version[other.size()] == '_');
    });
}

bool IsReadByTheLauncher(const std::string& path) {
    return std::find(std::begin(kJavaKeys), std::end(kJavaKeys), path) != std::end(kJavaKeys);
}

std::string JavaHomeOf(JavaRuntimeKeys& keys, const std::string& path, RegistryView view) {
    const std::unique_ptr<RegistryKey> key = keys.Open(path, view);
    return key ? ReadJavaHome(*key).home : std::string();
}

}  // namespace

RuntimeKeyChoice ChooseRuntimeKey(JavaRuntimeKeys& keys, Log& log) {
    RuntimeKeyChoice firstOpened;
    const std::vector<RegistryView> views = keys.Views();
    for (const char* path : kJavaKeys) {
        for (const RegistryView view : views) {
            std::unique_ptr<RegistryKey> key = keys.Open(path, view);
            if (!key) continue;
            const std::string reason = StaleReason(*key, keys);
            if (reason.empty()) return Chosen({path, view, std::move(key), true}, log);
            log.Add(PassedOverLine(path, view, reason));
            if (!firstOpened.key) firstOpened = {path, view, std::move(key), false};
        }
    }
    return firstOpened.key ? Chosen(std::move(firstOpened), log) : RuntimeKeyChoice{};
}

void LogOtherRuntimes(JavaRuntimeKeys& keys, Log& log) {
    for (const RegistryView view : keys.Views()) {
        for (const char* family : kRuntimeFamilies) {
            const std::string parent = kJavaSoft + std::string(family);
            const std::vector<std::string> versions = keys.SubkeyNames(parent, view);
            for (const std::string& version : versions) {
                const std::string path = parent + "\\" + version;
                if (IsReadByTheLauncher(path) || IsDetailOfAnother(version, versions)) continue;
                log.Add(OtherRuntimeLine(path, view, JavaHomeOf(keys, path, view)));
            }
        }
    }
    log.Add(kOnlyTheseKeysRead);
}

}  // namespace ostrel
