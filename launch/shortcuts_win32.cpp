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
#include "launch/desktop_folder.h"
#include "launch/registry_win32.h"
#include "launch/start_script.h"

namespace ostrel {
namespace {

using Microsoft::WRL::ComPtr;

// The system's text for an error code, without the line break it ends with.
std::string SystemMessage(DWORD code) {
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof text, nullptr);
    while (length > 0 &&
           (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) {
        --length;
    }
    return std::string(text, length);
}

OleError OleFailure(HRESULT result) {
    std::string message = SystemMessage(static_cast<DWORD>(result));
    if (message.empty()) {
        char code[32];
        std::snprintf(code, sizeof code, "OLE error %08lX", static_cast<unsigned long>(result));
        message = code;
    }
    return OleError(message, result);
}

// `what` names the step, e.g. "Cannot write"; `code` is the system's error code for it.
InOutError FileFailure(const char* what, const std::string& name, DWORD code) {
    std::string reason = SystemMessage(code);
    if (reason.empty()) reason = "system error " + std::to_string(code);
    return InOutError(std::string(what) + " \"" + name + "\": " + reason, code);
}

// UTF-16 ended by a NUL. A vector rather than std::wstring: the wide string class would bring
// about 35 KiB of library code into the program for these two calls.
std::vector<wchar_t> WideFromAnsi(const std::string& text) {
    const int size = static_cast<int>(text.size());
    const int length =
        text.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1, L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

// --- The desktop folder -------------------------------------------------------------------

constexpr char kExplorerKey[] = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
constexpr char kShellFoldersKey[] = "Shell Folders";

std::unique_ptr<RegKey> CreateRegKey(HKEY root, const char* subkey) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<RegKey>(OwnedRegKey(key));
}

std::optional<std::string> AskShellForDesktop() {
    char path[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path) !=
        S_OK) {
        return std::nullopt;
    }
    return std::string(path);
}

std::optional<std::string> DesktopFolder() {
    // A key that neither opens nor can be created only means the registry has no answer.
    const std::unique_ptr<RegKey> explorer = CreateRegKey(HKEY_CURRENT_USER, kExplorerKey);
    const std::unique_ptr<RegKey> shellFolders = OpenRegKey(
        explorer ? explorer->get() : HKEY_CURRENT_USER, kShellFoldersKey, KEY_ALL_ACCESS);
    return ChooseDesktopFolder(shellFolders.get(), AskShellForDesktop);
}

// --- The shell link -----------------------------------------------------------------------

ComPtr<IUnknown> CreateShellLinkObject() {
    ComPtr<IUnknown> object;
    const HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(result)) throw OleFailure(result);
    return object;
}

// --- The start script ---------------------------------------------------------------------

class Win32ScriptFiles : public ScriptFiles {
  public:
    void WriteWhole(const std::string& name, const std::string& content) override {
        KernelHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw FileFailure("Cannot create", name, GetLastError());
        const char* next = content.data();
        std::size_t left = content.size();
        while (left > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, MAXDWORD));
            DWORD written = 0;
            if (!WriteFile(file.get(), next, chunk, &written, nullptr)) {
                throw FileFailure("Cannot write", name, GetLastError());
            }
            if (written == 0) throw FileFailure("Cannot write", name, ERROR_WRITE_FAULT);
            next += written;
            left -= written;
        }
        // On disk before it takes the old script's place, so that a crash cannot leave an
        // empty script behind either.
        if (!FlushFileBuffers(file.get())) throw FileFailure("Cannot write", name, GetLastError());
        // Closed here rather than by the owner, so that what closing reports is heard.
        if (!CloseHandle(file.release())) throw FileFailure("Cannot close", name, GetLastError());
    }

    void Replace(const std::string& from, const std::string& to) override {
        // A read-only script is the user's to keep. Windows refuses to replace it, but a file
        // system that maps the attribute onto permissions lets an administrator do so anyway.
        const DWORD attributes = GetFileAttributesA(to.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            throw FileFailure("Cannot replace", to, ERROR_ACCESS_DENIED);
        }
        if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            throw FileFailure("Cannot replace", to, GetLastError());
        }
    }

    void Remove(const std::string& name) noexcept override { DeleteFileA(name.c_str()); }
};

// --- Both together ------------------------------------------------------------------------

class Win32LaunchFiles : public LaunchFiles {
  public:
    void CreateShortCut(const std::string& linkName, const std::string& target,
                        const std::string& arguments, const std::string& workingDirectory,
                        int showCommand, const std::string& iconFile,
                        std::uint8_t iconIndex) override {
        const ComPtr<IUnknown> object = CreateShellLinkObject();
        ComPtr<IShellLinkA> link;
        ComPtr<IPersistFile> file;
        if (FAILED(object.As(&link)) || FAILED(object.As(&file))) {
            throw Exception("Interface not supported");
        }
        // The links are a convenience for later: a setter or a save that fails must not keep
        // Corvex from starting now, so their results are not looked at.
        link->SetPath(target.c_str());
        link->SetArguments(arguments.c_str());
        link->SetWorkingDirectory(workingDirectory.c_str());
        link->SetShowCmd(showCommand);
        link->SetIconLocation(iconFile.c_str(), iconIndex);
        file->Save(WideFromAnsi(linkName).data(), FALSE);
        if (const std::optional<std::string> desktop = DesktopFolder()) {
            file->Save(WideFromAnsi(*desktop + "\\" + linkName).data(), FALSE);
        }
    }

    void CreateBatchFile(const std::string& line) override {
        Win32ScriptFiles files;
        WriteStartScript(files, line);
    }
};

}  // namespace

std::unique_ptr<LaunchFiles> CreateLaunchFiles() { return std::make_unique<Win32LaunchFiles>(); }

}  // namespace ostrel
