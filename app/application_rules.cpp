#include "app/application_rules.h"

#include <cctype>

namespace ostrel {

std::string AsciiLowerAfterFirst(const std::string& name) {
    std::string lowered = name;
    for (std::string::size_type i = 1; i < lowered.size(); ++i) {
        lowered[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lowered[i])));
    }
    return lowered;
}

std::string ApplicationTitle(const std::string& programPath, LowerAfterFirst lowerAfterFirst) {
    const std::string::size_type slash = programPath.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    return lowerAfterFirst(name.substr(0, name.find('.')));
}

std::optional<FrontWindow> WindowToFront(const std::vector<LauncherWindow>& windows) {
    const auto inView = [&](LauncherWindow::Kind kind) -> std::optional<FrontWindow> {
        for (const LauncherWindow& window : windows) {
            if (window.kind == kind && window.inView) return FrontWindow{window.handle, false};
        }
        return std::nullopt;
    };
    const auto restored = [&](bool LauncherWindow::*state) -> std::optional<FrontWindow> {
        for (const LauncherWindow& window : windows) {
            if (window.kind == LauncherWindow::Kind::kMainWindow && window.*state) {
                return FrontWindow{window.handle, true};
            }
        }
        return std::nullopt;
    };
    if (const auto box = inView(LauncherWindow::Kind::kBox)) return box;
    if (const auto waiting = restored(&LauncherWindow::waitsForRestore)) return waiting;
    if (const auto mainWindow = inView(LauncherWindow::Kind::kMainWindow)) return mainWindow;
    if (const auto pictureBox = inView(LauncherWindow::Kind::kPictureBox)) return pictureBox;
    return restored(&LauncherWindow::restorable);
}

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

}  // namespace ostrel
