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

UserText ViewName(RegistryView view) {
    return view == RegistryView::k64Bit ? LaunchLog::View64Bit : LaunchLog::View32Bit;
}

// The runtime's home, or why its key names none (then the home is empty).
struct JavaHomeRead {
    std::string home;
    UserText problem;
};

JavaHomeRead ReadJavaHome(RegistryKey& key) {
    RegistryValueInfo info;
    if (!key.QueryValueInfo(kJavaHomeValue, info)) return {{}, LaunchLog::NoJavaHomeValue};
    if (info.size == 0) return {{}, LaunchLog::JavaHomeEmpty};
    if (info.type != kRegSz && info.type != kRegExpandSz) return {{}, LaunchLog::JavaHomeNotText};
    std::string home;
    try {
        home = ReadRegistryString(key, kJavaHomeValue);
    } catch (const Exception&) {
        return {};  // not readable now, which says nothing of the runtime
    }
    if (home.empty()) return {{}, LaunchLog::JavaHomeEmpty};
    return {std::move(home), {}};
}

// Why the key's runtime cannot be started; empty when it can, or when its home cannot be read
// now: the listing reads it again and reports that failure as it reports any other.
UserText StaleReason(RegistryKey& key, JavaRuntimeKeys& keys) {
    const JavaHomeRead read = ReadJavaHome(key);
    if (!read.problem.Empty() || read.home.empty()) return read.problem;
    if (!keys.FileExists(read.home + kJavaw)) return LaunchLog::NoJavaw(read.home);
    return {};
}

RuntimeKeyChoice Chosen(RuntimeKeyChoice choice, Log& log) {
    if (choice.view == RegistryView::k64Bit) {
        log.Add(LaunchLog::FoundIn64BitView(choice.path));
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
            const UserText reason = StaleReason(*key, keys);
            if (reason.Empty()) return Chosen({path, view, std::move(key), true}, log);
            log.Add(LaunchLog::KeyPassedOver(path, ViewName(view), reason));
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
                log.Add(
                    LaunchLog::OtherRuntime(path, ViewName(view), JavaHomeOf(keys, path, view)));
            }
        }
    }
    log.Add(LaunchLog::OnlyTheseKeysRead);
}

}  // namespace ostrel
