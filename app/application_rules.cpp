#include "app/application_rules.h"

#include <cctype>

namespace ostrel {

std::string ApplicationTitle(const std::string& programPath) {
    const std::string::size_type slash = programPath.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    for (std::string::size_type i = 1; i < name.size(); ++i) {
        name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    }
    return name;
}

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

}  // namespace ostrel
