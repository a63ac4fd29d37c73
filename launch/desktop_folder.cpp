#include "launch/desktop_folder.h"

namespace ostrel {

std::optional<std::string> ChooseDesktopFolder(RegistryKey* shellFolders,
                                               const ShellDesktopFolder& shellDesktopFolder) {
    if (shellFolders) {
        std::string folder = ReadRegistryString(*shellFolders, "Desktop");
        if (!folder.empty()) return folder;
    }
    std::optional<std::string> folder = shellDesktopFolder();
    if (folder && folder->empty()) return std::nullopt;
    return folder;
}

}  // namespace ostrel
