#include "launch/shortcuts_win32.h"

#include "core/owners_win32.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/system_error_win32.h"
#include "core/text_win32.h"
#include "launch/desktop_folder.h"
#include "launch/registry_win32.h"
#include "launch/start_script.h"

namespace ostrel {
namespace {

using Microsoft::WRL::ComPtr;

// `what` names the step and its file (LaunchBoxes::CannotWrite, say); `code` is the system's error
// code for it.
template <typename Error = InOutError>
Error FileFailure(const UserText& what, DWORD code) {
    return Error(SystemErrorText(what, code), code);
}

// --- The desktop folder -------------------------------------------------------------------

constexpr char kExplorerKey[] = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
constexpr char kShellFoldersKey[] = "Shell Folders";

std::unique_ptr<RegKey> CreateRegKey(HKEY root, const char* subkey) {
    OwnedRegKey key;
    if (RegCreateKeyExW(root, Wide(subkey).data(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<RegKey>(std::move(key));
}

std::optional<std::string> AskShellForDesktop() {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path) !=
        S_OK) {
        return std::nullopt;
    }
    return Utf8(path);
}

std::optional<std::string> DesktopFolder() {
    // A key that neither opens nor can be created only means the registry has no answer.
    const std::unique_ptr<RegKey> explorer = CreateRegKey(HKEY_CURRENT_USER, kExplorerKey);
    const std::unique_ptr<RegKey> shellFolders = OpenRegKey(
        explorer ? explorer->get() : HKEY_CURRENT_USER, kShellFoldersKey, KEY_ALL_ACCESS);
    return ChooseDesktopFolder(shellFolders.get(), AskShellForDesktop);
}

// --- The shell link -----------------------------------------------------------------------

WideText FullPath(const std::string& name) {
    const WideText wide = Wide(name);
    const DWORD length = GetFullPathNameW(wide.data(), 0, nullptr, nullptr);
    if (length == 0) return wide;
    WideText full(length);
    if (GetFullPathNameW(wide.data(), length, full.data(), nullptr) >= length) return wide;
    return full;
}

ComPtr<IUnknown> CreateShellLinkObject() {
    ComPtr<IUnknown> object;
    const HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(result)) throw OleFailure(result);
    return object;
}

// A call of the link object that failed raises its OLE error.
void Check(HRESULT result) {
    if (FAILED(result)) throw OleFailure(result);
}

// --- The start script ---------------------------------------------------------------------

// The short (8.3) form of a path, or of as much of it as exists; "" when the volume keeps none.
std::string ShortPath(const std::string& path) {
    const WideText wide = Wide(path);
    if (const DWORD length = GetShortPathNameW(wide.data(), nullptr, 0); length > 0) {
        WideText shortened(length);
        const DWORD written = GetShortPathNameW(wide.data(), shortened.data(), length);
        if (written > 0 && written < length) return Utf8(shortened.data(), written);
    }
    const std::string::size_type cut = path.find_last_of('\\');
    if (cut == std::string::npos || cut == 0) return {};
    const std::string folder = ShortPath(path.substr(0, cut));
    return folder.empty() ? std::string() : folder + path.substr(cut);
}

// The script's line as cmd.exe reads it: in the console's code page, the OEM one. A path (the
// script quotes its paths) with a character that code page lacks goes through its short form,
// which the volume keeps in plain letters; where it keeps none, the script cannot be written.
std::string ScriptLineForCmd(const std::string& line) {
    std::string bytes;
    if (InCodePageExactly(line, CP_OEMCP, bytes)) return bytes;
    std::string shortened;
    bool quoted = false;
    for (std::string::size_type at = 0;; quoted = !quoted) {
        const std::string::size_type quote = line.find('"', at);
        std::string part = line.substr(at, quote == std::string::npos ? quote : quote - at);
        if (quoted && !InCodePageExactly(part, CP_OEMCP, bytes)) {
            if (const std::string shortPart = ShortPath(part); !shortPart.empty()) part = shortPart;
        }
        shortened += part;
        if (quote == std::string::npos) break;
        shortened += '"';
        at = quote + 1;
    }
    if (InCodePageExactly(shortened, CP_OEMCP, bytes)) return bytes;
    throw InOutError(LaunchBoxes::ScriptNotWritable(kStartScriptName, std::to_string(GetOEMCP())),
                     ERROR_NO_UNICODE_TRANSLATION);
}

class Win32ScriptFiles : public ScriptFiles {
  public:
    void WriteWhole(const std::string& name, const std::string& content,
                    const std::string& shownName) override {
        const auto notCreated = [&](DWORD code) {
            return FileFailure<FileNotCreated>(LaunchBoxes::CannotCreate(shownName), code);
        };
        if (IsReadOnly(name)) throw notCreated(ERROR_ACCESS_DENIED);
        KernelHandle file(CreateFileW(Wide(name).data(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw notCreated(GetLastError());
        const char* next = content.data();
        std::size_t left = content.size();
        while (left > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, MAXDWORD));
            DWORD written = 0;
            if (!WriteFile(file.get(), next, chunk, &written, nullptr)) {
                throw FileFailure(LaunchBoxes::CannotWrite(shownName), GetLastError());
            }
            if (written == 0) {
                throw FileFailure(LaunchBoxes::CannotWrite(shownName), ERROR_WRITE_FAULT);
            }
            next += written;
            left -= written;
        }
        // On disk before it takes the old script's place, so that a crash cannot leave an
        // empty script behind either.
        if (!FlushFileBuffers(file.get())) {
            throw FileFailure(LaunchBoxes::CannotWrite(shownName), GetLastError());
        }
        // Closed here rather than by the owner, so that what closing reports is heard.
        if (!CloseHandle(file.release())) {
            throw FileFailure(LaunchBoxes::CannotClose(shownName), GetLastError());
        }
    }

    void Replace(const std::string& from, const std::string& to) override {
        if (IsReadOnly(to)) {
            throw FileFailure<FileReadOnly>(LaunchBoxes::CannotReplace(to), ERROR_ACCESS_DENIED);
        }
        if (!MoveFileExW(Wide(from).data(), Wide(to).data(), MOVEFILE_REPLACE_EXISTING)) {
            throw FileFailure(LaunchBoxes::CannotReplace(to), GetLastError());
        }
    }

    void Remove(const std::string& name) noexcept override { DeleteFileW(Wide(name).data()); }

    void Pause(unsigned milliseconds) override { Sleep(milliseconds); }

  private:
    // A read-only script is the user's to keep. Windows refuses to replace it, but a file system
    // that maps the attribute onto permissions lets an administrator do so anyway.
    static bool IsReadOnly(const std::string& name) {
        const DWORD attributes = GetFileAttributesW(Wide(name).data());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    }
};

// --- Both together ------------------------------------------------------------------------

class Win32LaunchFiles : public LaunchFiles {
  public:
    void CreateShortCut(const std::string& linkName,
                        const ShellLinkProperties& properties) override {
        const ComPtr<IUnknown> object = CreateShellLinkObject();
        ComPtr<IShellLinkW> link;
        ComPtr<IPersistFile> file;
        if (FAILED(object.As(&link)) || FAILED(object.As(&file))) {
            throw Exception(LaunchBoxes::InterfaceNotSupported);
        }
        // SetPath gives S_FALSE for a target that does not exist: the link is made all the same.
        Check(link->SetPath(Wide(properties.target).data()));
        Check(link->SetArguments(Wide(properties.arguments).data()));
        Check(link->SetWorkingDirectory(Wide(properties.workingDirectory).data()));
        Check(link->SetShowCmd(properties.showCommand));
        Check(link->SetIconLocation(Wide(properties.iconFile).data(), properties.iconIndex));

        // One save's failure does not keep the other from being made; both are reported.
        UserText notSaved;
        const auto save = [&](const WideText& path) {
            const HRESULT result = file->Save(path.data(), FALSE);
            if (FAILED(result)) {
                notSaved.AddLine(SystemTexts::WithReason(LaunchBoxes::CannotSave(Utf8(path.data())),
                                                         UserText::Of(OleFailure(result))));
            }
        };
        // Save asks for a full path: the bare name is the current folder's.
        save(FullPath(linkName));
        std::optional<std::string> desktop;
        try {
            desktop = DesktopFolder();
        } catch (const std::exception& error) {
            // No desktop folder to be had: the first save's failure is not to be lost with it.
            if (notSaved.Empty()) throw;
            throw LinkNotSaved(notSaved.AddLine(
                SystemTexts::WithReason(LaunchBoxes::CannotCreate(linkName), UserText::Of(error))));
        }
        if (desktop) save(Wide(*desktop + "\\" + linkName));
        if (!notSaved.Empty()) throw LinkNotSaved(notSaved);
    }

    void CreateBatchFile(const std::string& line) override {
        Win32ScriptFiles files;
        WriteStartScript(files, ScriptLineForCmd(line));
    }
};

}  // namespace

std::unique_ptr<LaunchFiles> CreateLaunchFiles() { return std::make_unique<Win32LaunchFiles>(); }

}  // namespace ostrel
