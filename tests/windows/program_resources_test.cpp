// What Windows reads from ostrel.exe before any of its code runs: the version resource shown in
// the file's properties, and the manifest that decides the common controls, the execution level,
// DPI awareness and the Windows versions the program knows. Both are read back from the built
// program, the way the shell and the loader read them.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "launcher_driver.h"
#include "launcher_manifest.h"
#include "ostrel_version.h"

// The toolchain's header declares the interface but neither defines its identifier nor ties it
// to the type.
__CRT_UUID_DECL(IXMLDOMDocument2, 0x2933bf95, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98,
                0x3e, 0x60)

namespace {

using Microsoft::WRL::ComPtr;
using ostrel::ComApartment;
using ostrel::LoadedModule;
using ostrel::test::LauncherManifest;
using ostrel::test::ProgramFolder;

std::string ProgramPath() { return ProgramFolder() + "ostrel.exe"; }

// --- Version resource ----------------------------------------------------------------------

class VersionResource {
  public:
    explicit VersionResource(const std::string& path) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        if (size == 0) return;
        block_.resize(size);
        if (!GetFileVersionInfoA(path.c_str(), 0, size, block_.data())) block_.clear();
    }

    bool Present() const { return !block_.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const {
        return static_cast<const VS_FIXEDFILEINFO*>(Query("\\", sizeof(VS_FIXEDFILEINFO)));
    }

    // The first language and code page of the translation table.
    std::pair<WORD, WORD> Translation() const {
        const auto* pair = static_cast<const WORD*>(Query("\\VarFileInfo\\Translation", 4));
        return pair ? std::pair<WORD, WORD>{pair[0], pair[1]} : std::pair<WORD, WORD>{0, 0};
    }

    // A string of the table that the translation names, as the shell's property page finds it.
    std::string String(const char* name) const {
        const auto [language, codePage] = Translation();
        char path[64];
        wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", language, codePage, name);
        const auto* text = static_cast<const char*>(Query(path, 1));
        return text ? std::string(text) : std::string("<missing>");
    }

  private:
    const void* Query(const char* path, UINT atLeast) const {
        void* value = nullptr;
        UINT length = 0;
        if (block_.empty()) return nullptr;
        // VerQueryValueA takes a non-const block although it only reads it.
        auto* block = const_cast<char*>(block_.data());
        if (!VerQueryValueA(block, path, &value, &length) || length < atLeast) return nullptr;
        return value;
    }

    std::vector<char> block_;
};

TEST(ProgramVersion, FixedPartCarriesTheBuildsVersion) {
    const VersionResource version(ProgramPath());
    ASSERT_TRUE(version.Present()) << "no version resource in " << ProgramPath();
    const VS_FIXEDFILEINFO* fixed = version.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD high = MAKELONG(OSTREL_VERSION_MINOR, OSTREL_VERSION_MAJOR);
    const DWORD low = MAKELONG(OSTREL_VERSION_BUILD, OSTREL_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "a release is no debug build";
}

TEST(ProgramVersion, StringsShownInTheFilesProperties) {
    const VersionResource version(ProgramPath());
    ASSERT_TRUE(version.Present());
    EXPECT_EQ(version.Translation(), (std::pair<WORD, WORD>{0x0409, 1200}));
    EXPECT_EQ(version.String("ProductName"), "Ostrel");
    EXPECT_EQ(version.String("FileDescription"), "Ostrel - launcher for Corvex");
    EXPECT_EQ(version.String("OriginalFilename"), "ostrel.exe");
    EXPECT_EQ(version.String("FileVersion"), OSTREL_FILE_VERSION);
    EXPECT_EQ(version.String("ProductVersion"), OSTREL_PRODUCT_VERSION);
    // The numbers and the text must say the same version.
    char expected[32];
    wsprintfA(expected, "%d.%d.%d.%d", OSTREL_VERSION_MAJOR, OSTREL_VERSION_MINOR,
              OSTREL_VERSION_PATCH, OSTREL_VERSION_BUILD);
    EXPECT_EQ(version.String("FileVersion"), expected);
    EXPECT_EQ(version.String("LegalCopyright").rfind("Copyright (C) ", 0), 0u);
}

// --- Manifest ------------------------------------------------------------------------------

LoadedModule LoadAsData(const std::string& path) {
    return LoadedModule(LoadLibraryExA(path.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
    reinterpret_cast<std::vector<ULONG_PTR>*>(found)->push_back(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

std::string ManifestText(HMODULE program) {
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    if (!found) return {};
    HGLOBAL loaded = LoadResource(program, found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    return bytes ? std::string(bytes, SizeofResource(program, found)) : std::string();
}

struct BstrFreer {
    void operator()(BSTR text) const { SysFreeString(text); }
};
using Bstr = std::unique_ptr<OLECHAR, BstrFreer>;

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; text && *text; ++text) narrow.push_back(static_cast<char>(*text));
    return narrow;
}

// The manifest parsed by the system's XML parser from its bytes, so that the encoding named in
// its declaration is the one used.
class ManifestDocument {
  public:
    explicit ManifestDocument(const std::string& text) {
        CLSID parser{};
        if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &parser)) ||
            FAILED(CoCreateInstance(parser, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&document_)))) {
            error_ = "no XML parser";
            return;
        }
        document_->put_async(VARIANT_FALSE);
        SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(text.size()));
        void* data = nullptr;
        SafeArrayAccessData(bytes, &data);
        memcpy(data, text.data(), text.size());
        SafeArrayUnaccessData(bytes);
        VARIANT source;
        VariantInit(&source);
        source.vt = VT_ARRAY | VT_UI1;
        source.parray = bytes;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        document_->load(source, &loaded);
        VariantClear(&source);
        if (loaded == VARIANT_TRUE) {
            loaded_ = true;
            SetProperty(L"SelectionLanguage", L"XPath");
            SetProperty(L"SelectionNamespaces",
                        L"xmlns:a='urn:schemas-microsoft-com:asm.v1' "
                        L"xmlns:v3='urn:schemas-microsoft-com:asm.v3' "
                        L"xmlns:c='urn:schemas-microsoft-com:compatibility.v1' "
                        L"xmlns:ws5='http://schemas.microsoft.com/SMI/2005/WindowsSettings' "
                        L"xmlns:ws16='http://schemas.microsoft.com/SMI/2016/WindowsSettings'");
        } else {
            ComPtr<IXMLDOMParseError> error;
            BSTR reason = nullptr;
            if (SUCCEEDED(document_->get_parseError(&error)) && error &&
                SUCCEEDED(error->get_reason(&reason)))
                error_ = Narrow(Bstr(reason).get());
        }
    }

    bool Loaded() const { return loaded_; }
    const std::string& Error() const { return error_; }

    // The texts of all nodes the expression selects, in document order.
    std::vector<std::string> Select(const wchar_t* xpath) const {
        std::vector<std::string> texts;
        ComPtr<IXMLDOMNodeList> nodes;
        const Bstr expression(SysAllocString(xpath));
        if (FAILED(document_->selectNodes(expression.get(), &nodes)) || !nodes) return texts;
        for (;;) {
            ComPtr<IXMLDOMNode> node;
            if (nodes->nextNode(&node) != S_OK || !node) break;
            BSTR text = nullptr;
            if (SUCCEEDED(node->get_text(&text))) texts.push_back(Narrow(Bstr(text).get()));
        }
        return texts;
    }

  private:
    void SetProperty(const wchar_t* name, const wchar_t* value) {
        const Bstr property(SysAllocString(name));
        VARIANT setting;
        VariantInit(&setting);
        setting.vt = VT_BSTR;
        setting.bstrVal = SysAllocString(value);
        document_->setProperty(property.get(), setting);
        VariantClear(&setting);
    }

    ComPtr<IXMLDOMDocument2> document_;
    bool loaded_ = false;
    std::string error_;
};

class ProgramManifest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(com_.Initialized());
        program_ = LoadAsData(ProgramPath());
        ASSERT_TRUE(program_) << ProgramPath();
        text_ = ManifestText(program_.get());
    }

    ComApartment com_;
    LoadedModule program_;
    std::string text_;
};

TEST_F(ProgramManifest, OneManifestThatIsWellFormed) {
    std::vector<ULONG_PTR> names;
    EnumResourceNamesA(program_.get(), MAKEINTRESOURCEA(24), CountName,
                       reinterpret_cast<LONG_PTR>(&names));
    // A second manifest (say, a toolchain's default one) would leave it to chance which applies.
    EXPECT_EQ(names, std::vector<ULONG_PTR>{1});
    ASSERT_FALSE(text_.empty());
    const ManifestDocument document(text_);
    EXPECT_TRUE(document.Loaded()) << document.Error();
}

TEST_F(ProgramManifest, DeclaresWhatTheProgramNeeds) {
    const ManifestDocument document(text_);
    ASSERT_TRUE(document.Loaded()) << document.Error();
    using Texts = std::vector<std::string>;
    EXPECT_EQ(document.Select(L"/a:assembly/a:assemblyIdentity/@version"),
              Texts{OSTREL_FILE_VERSION});
    EXPECT_EQ(document.Select(L"/a:assembly/v3:trustInfo/v3:security/v3:requestedPrivileges/"
                              L"v3:requestedExecutionLevel/@level"),
              Texts{"asInvoker"});
    EXPECT_EQ(document.Select(L"/a:assembly/a:dependency/a:dependentAssembly/a:assemblyIdentity"
                              L"[@name='Microsoft.Windows.Common-Controls']/@version"),
              Texts{"6.0.0.0"});
    const wchar_t* settings = L"/a:assembly/v3:application/v3:windowsSettings/";
    EXPECT_EQ(document.Select((std::wstring(settings) + L"ws5:dpiAware").c_str()), Texts{"true"});
    EXPECT_EQ(document.Select((std::wstring(settings) + L"ws16:dpiAwareness").c_str()),
              Texts{"system"});
    const Texts windows7To11 = {
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    const Texts declared =
        document.Select(L"/a:assembly/c:compatibility/c:application/c:supportedOS/@Id");
    for (const std::string& id : windows7To11)
        EXPECT_NE(std::find(declared.begin(), declared.end(), id), declared.end()) << id;
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return CharLowerA(path);
}

TEST(LauncherManifestTest, DeclaresSystemDpiAwarenessAndTheSystemsFromVistaTo10) {
    const LauncherManifest manifest;
    ASSERT_TRUE(manifest.Loaded()) << GetLastError();
    EXPECT_EQ(manifest.WindowsSetting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                                      L"dpiAware"),
              L"true");
    EXPECT_EQ(manifest.WindowsSetting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                                      L"dpiAwareness"),
              L"system");
    EXPECT_EQ(
        manifest.SupportedSystems(),
        (std::vector<std::string>{
            "{E2011457-1546-43C5-A5FE-008DEEE3D3F0}", "{35138B9A-5D96-4FBD-8E2D-A2440225F93A}",
            "{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}", "{1F676C76-80E1-4239-95BB-83D0F6D0DA78}",
            "{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}"}));
}

// The loader's own reading: within the activation context made from the program's manifest, the
// common controls of version 6 from the side-by-side store, not the system folder's (version 5).
TEST_F(ProgramManifest, LoaderGivesTheProgramCommonControls6) {
    const LauncherManifest manifest;
    ASSERT_TRUE(manifest.Loaded()) << "error " << GetLastError();
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(manifest.Context(), &cookie));
    const LoadedModule controls(LoadLibraryA("comctl32.dll"));
    DeactivateActCtx(0, cookie);
    ASSERT_TRUE(controls);
    const std::string store = ModulePath(controls.get());
    EXPECT_NE(store.find("\\winsxs\\"), std::string::npos) << store;
    EXPECT_NE(store.find("microsoft.windows.common-controls_6595b64144ccf1df_6."),
              std::string::npos)
        << store;
}

}  // namespace
