// The one rule by which the launcher reads registry values as strings, over a small view of an
// open key so that the rule runs natively against a fake.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

// Registry value types the rule cares about (winnt.h values).
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;

struct RegistryValueInfo {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
};

// An open registry key, as far as reading values goes.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
    // Names of all values in enumeration order; the unnamed default value yields "".
    virtual std::vector<std::string> ValueNames() = 0;
    // Type and data size of a value; false when the query fails (for example: no such value).
    virtual bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) = 0;
    // Reads the value's data into `data`, which arrives sized to the queried size; on success
    // `data` holds the bytes read, those of a string (REG_SZ, REG_EXPAND_SZ) in UTF-8. False when
    // the read fails.
    virtual bool ReadValueData(const std::string& name, std::vector<char>& data) = 0;
};

// Missing or empty value: "". Failed read: "Failed to get data for '<name>'". Non-empty data of
// a type other than REG_SZ/REG_EXPAND_SZ: "Invalid data type for '<name>'". Otherwise the data
// up to its first zero byte, environment variables not expanded.
std::string ReadRegistryString(RegistryKey& key, const std::string& name);

}  // namespace ostrel
