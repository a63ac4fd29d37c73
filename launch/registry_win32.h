// Registry keys of the real registry.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "launch/launch_sequence.h"
#include "launch/registry_value.h"

namespace ostrel {

// Owns one open HKEY.
class RegKey : public RegistryKey {
  public:
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() override;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY get() const { return key_; }

    std::vector<std::string> ValueNames() override;
    bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) override;
    bool ReadValueData(const std::string& name, std::vector<char>& data) override;

  private:
    HKEY key_;
};

// Opens an existing subkey; nullptr when it does not open.
std::unique_ptr<RegKey> OpenRegKey(HKEY root, const std::string& subkey, REGSAM access);

// The Java runtime keys under HKEY_LOCAL_MACHINE, opened for reading: a standard user may read
// but not write them, and reading is all the launcher does.
class Win32JavaRuntimeKeys : public JavaRuntimeKeys {
  public:
    std::unique_ptr<RegistryKey> Open(const std::string& subkey) override;
};

}  // namespace ostrel
