// Registry keys of the real registry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/owners_win32.h"
#include "launch/registry_value.h"
#include "launch/runtime_keys.h"

namespace ostrel {

// One open key of the real registry, read by the registry string rule.
class RegKey : public RegistryKey {
  public:
    explicit RegKey(OwnedRegKey key) : key_(std::move(key)) {}

    HKEY get() const { return key_.get(); }

    std::vector<std::string> ValueNames() override;
    bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) override;
    bool ReadValueData(const std::string& name, std::vector<char>& data) override;

  private:
    OwnedRegKey key_;
};

// Opens an existing subkey; nullptr when it does not open.
std::unique_ptr<RegKey> OpenRegKey(HKEY root, const std::string& subkey, REGSAM access);

// The Java runtime keys under HKEY_LOCAL_MACHINE, opened for reading: a standard user may read
// but not write them, and reading is all the launcher does. On 64-bit Windows each view is asked
// for by name, whatever the architecture of this program.
class Win32JavaRuntimeKeys : public JavaRuntimeKeys {
  public:
    Win32JavaRuntimeKeys();
    std::vector<RegistryView> Views() override;
    std::unique_ptr<RegistryKey> Open(const std::string& subkey, RegistryView view) override;
    std::vector<std::string> SubkeyNames(const std::string& subkey, RegistryView view) override;
    bool FileExists(const std::string& path) override;

  private:
    REGSAM ReadAccess(RegistryView view) const;

    bool twoViews_;
};

}  // namespace ostrel
