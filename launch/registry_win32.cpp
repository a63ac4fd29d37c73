#include "launch/registry_win32.h"

#include <vector>

namespace ostrel {

std::vector<std::string> RegKey::ValueNames() {
    DWORD count = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyA(get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<std::string> names;
    names.reserve(count);
    std::vector<char> buffer(longestName + 1);
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumValueA(get(), index, buffer.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            length = 0;  // a value that vanished meanwhile reads as the default value would
        }
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

bool RegKey::QueryValueInfo(const std::string& name, RegistryValueInfo& info) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    info.type = type;
    info.size = size;
    return true;
}

bool RegKey::ReadValueData(const std::string& name, std::vector<char>& data) {
    DWORD size = static_cast<DWORD>(data.size());
    if (RegQueryValueExA(get(), name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
        return false;
    }
    data.resize(size);
    return true;
}

std::unique_ptr<RegKey> OpenRegKey(HKEY root, const std::string& subkey, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<RegKey>(OwnedRegKey(key));
}

std::unique_ptr<RegistryKey> Win32JavaRuntimeKeys::Open(const std::string& subkey) {
    return OpenRegKey(HKEY_LOCAL_MACHINE, subkey, KEY_READ);
}

}  // namespace ostrel
