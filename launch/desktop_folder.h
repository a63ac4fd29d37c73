// Where the second copy of each shell link goes.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "launch/registry_value.h"

namespace ostrel {

// The shell's own idea of the user's desktop folder; nullopt when it has none.
using ShellDesktopFolder = std::function<std::optional<std::string>()>;

// The "Desktop" entry of the user's "Shell Folders" key (`shellFolders`, null when the key did
// not open) when it names a folder, else the shell's desktop folder; nullopt when neither is
// known, so that no link lands in the root of the current drive. A "Desktop" entry of another
// type than a string raises as every registry string read does.
std::optional<std::string> ChooseDesktopFolder(RegistryKey* shellFolders,
                                               const ShellDesktopFolder& shellDesktopFolder);

}  // namespace ostrel
