#include "launch/registry_value.h"

#include <algorithm>

#include "core/errors.h"

namespace ostrel {

std::string ReadRegistryString(RegistryKey& key, const std::string& name) {
    RegistryValueInfo info;
    if (!key.QueryValueInfo(name, info) || info.size == 0) return {};
    std::vector<char> data(info.size);
    if (!key.ReadValueData(name, data)) {
        throw Exception(LaunchBoxes::FailedToGetData(name));
    }
    if (info.type != kRegSz && info.type != kRegExpandSz) {
        throw Exception(LaunchBoxes::InvalidDataType(name));
    }
    return std::string(data.begin(), std::find(data.begin(), data.end(), '\0'));
}

}  // namespace ostrel
