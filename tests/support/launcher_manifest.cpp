#include "launcher_manifest.h"

#include <objbase.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "app/resource_ids.h"
#include "launcher_driver.h"

namespace ostrel::test {
namespace {

// The compatibility information as Windows 10 1903 and later, and Wine, give it: each element
// also carries a tested version, which the headers at hand do not have yet.
struct CompatibilityElement {
    GUID id;
    ACTCTX_COMPATIBILITY_ELEMENT_TYPE type;
    ULONGLONG maxVersionTested;
};
struct CompatibilityInformation {
    DWORD elementCount;
    CompatibilityElement elements[1];
};

}  // namespace

LauncherManifest::LauncherManifest() {
    const std::string program = ProgramFolder() + "ostrel.exe";
    ACTCTXA description{};
    description.cbSize = sizeof(description);
    description.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    description.lpSource = program.c_str();
    description.lpResourceName = MAKEINTRESOURCEA(IDR_MANIFEST);
    context_ = CreateActCtxA(&description);
}

LauncherManifest::~LauncherManifest() {
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
}

std::wstring LauncherManifest::WindowsSetting(const wchar_t* nameSpace, const wchar_t* name) const {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context_, nameSpace, name, value, std::size(value), &written)) {
        return L"(none)";
    }
    return value;
}

std::vector<std::string> LauncherManifest::SupportedSystems() const {
    SIZE_T size = 0;
    QueryActCtxW(0, context_, nullptr, CompatibilityInformationInActivationContext, nullptr, 0,
                 &size);
    std::vector<BYTE> buffer(std::max<SIZE_T>(size, sizeof(DWORD)));
    if (!QueryActCtxW(0, context_, nullptr, CompatibilityInformationInActivationContext,
                      buffer.data(), buffer.size(), &size)) {
        return {};
    }
    DWORD count = 0;
    std::memcpy(&count, buffer.data(), sizeof(count));
    if (buffer.size() <
        offsetof(CompatibilityInformation, elements) + count * sizeof(CompatibilityElement)) {
        return {};
    }
    std::vector<std::string> systems;
    for (DWORD i = 0; i < count; ++i) {
        CompatibilityElement element;
        std::memcpy(&element,
                    buffer.data() + offsetof(CompatibilityInformation, elements) +
                        i * sizeof(CompatibilityElement),
                    sizeof(element));
        if (element.type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) continue;
        wchar_t text[40] = {};
        StringFromGUID2(element.id, text, 40);
        systems.push_back(std::string(text, text + wcslen(text)));
    }
    return systems;
}

}  // namespace ostrel::test
