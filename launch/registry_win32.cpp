#include "launch/registry_win32.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/text_win32.h"

namespace ostrel {
namespace {

// The registry's own limit for a value name, the NUL included.
constexpr std::size_t kLongestName = 16384;

// The registry's own limit for a key name, the NUL included.
constexpr DWORD kLongestKeyName = 256;

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// 64-bit programs run only on 64-bit Windows; a 32-bit one runs there under WOW64.
bool RegistryHasTwoViews() {
#ifdef _WIN64
    return true;
#else
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

}  // namespace

std::vector<std::string> RegKey::ValueNames() {
    DWORD count = 0;
    DWORD longestName = 0;  // in UTF-16 units, without the NUL
    if (RegQueryInfoKeyW(get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<std::string> names;
    names.reserve(count);
    WideText buffer(longestName + 1);
    for (DWORD index = 0; index < count; ++index) {
        LSTATUS status = ERROR_MORE_DATA;
        DWORD length = 0;
        // A name made longer since the key was asked grows the buffer.
        while (status == ERROR_MORE_DATA) {
            length = static_cast<DWORD>(buffer.size());
            status = RegEnumValueW(get(), index, buffer.data(), &length, nullptr, nullptr, nullptr,
                                   nullptr);
            if (status == ERROR_MORE_DATA) {
                if (buffer.size() >= kLongestName) break;
                buffer.resize(std::min(buffer.size() * 2, kLongestName));
            }
        }
        if (status != ERROR_SUCCESS) {
            length = 0;  // a value that vanished meanwhile reads as the default value would
        }
        names.push_back(Utf8(buffer.data(), length));
    }
    return names;
}

bool RegKey::QueryValueInfo(const std::string& name, RegistryValueInfo& info) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(get(), Wide(name).data(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    info.type = type;
    info.size = size;
    return true;
}

bool RegKey::ReadValueData(const std::string& name, std::vector<char>& data) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    if (RegQueryValueExW(get(), Wide(name).data(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
        return false;
    }
    data.resize(size);
    if (IsString(type)) {
        // Stored as UTF-16, whatever wrote it; an odd last byte is no character.
        std::vector<wchar_t> text(size / sizeof(wchar_t));
        if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
        const std::string utf8 = Utf8(text.data(), text.size());
        data.assign(utf8.begin(), utf8.end());
    }
    return true;
}

std::unique_ptr<RegKey> OpenRegKey(HKEY root, const std::string& subkey, REGSAM access) {
    OwnedRegKey key;
    if (RegOpenKeyExW(root, Wide(subkey).data(), 0, access, key.put()) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<RegKey>(std::move(key));
}

Win32JavaRuntimeKeys::Win32JavaRuntimeKeys() : twoViews_(RegistryHasTwoViews()) {}

std::vector<RegistryView> Win32JavaRuntimeKeys::Views() {
    if (!twoViews_) return {RegistryView::k32Bit};
    return {RegistryView::k32Bit, RegistryView::k64Bit};
}

REGSAM Win32JavaRuntimeKeys::ReadAccess(RegistryView view) const {
    if (!twoViews_) return KEY_READ;
    return KEY_READ | (view == RegistryView::k32Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
}

std::unique_ptr<RegistryKey> Win32JavaRuntimeKeys::Open(const std::string& subkey,
                                                        RegistryView view) {
    return OpenRegKey(HKEY_LOCAL_MACHINE, subkey, ReadAccess(view));
}

std::vector<std::string> Win32JavaRuntimeKeys::SubkeyNames(const std::string& subkey,
                                                           RegistryView view) {
    std::vector<std::string> names;
    const std::unique_ptr<RegKey> key = OpenRegKey(HKEY_LOCAL_MACHINE, subkey, ReadAccess(view));
    if (!key) return names;
    wchar_t name[kLongestKeyName];
    DWORD length = kLongestKeyName;
    for (DWORD index = 0; RegEnumKeyExW(key->get(), index, name, &length, nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS;
         ++index, length = kLongestKeyName) {
        names.push_back(Utf8(name, length));
    }
    return names;
}

bool Win32JavaRuntimeKeys::FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).data());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace ostrel
