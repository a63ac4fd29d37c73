#include "app/run_log_win32.h"

#include <shlobj.h>

#include "core/owners_win32.h"
#include "core/text_win32.h"

namespace ostrel {
namespace {

constexpr char kFolder[] = "\\Ostrel";
constexpr char kFile[] = "\\ostrel.log";
constexpr char kPrevious[] = "\\ostrel.previous.log";

class Win32RunLogFile : public RunLogFile {
  public:
    explicit Win32RunLogFile(KernelHandle file) : file_(std::move(file)) {}
    // Through the system's cache: the lines are there for whoever reads the file, also after a
    // crash of the launcher, without waiting for the disk.
    void Write(const std::string& text) noexcept override {
        DWORD written = 0;
        WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }

  private:
    KernelHandle file_;
};

}  // namespace

std::string RunLogPath() {
    wchar_t folder[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) !=
        S_OK) {
        return {};
    }
    return Utf8(folder) + kFolder + kFile;
}

std::unique_ptr<RunLogFile> OpenRunLogFile(const std::string& path) {
    if (path.empty()) return nullptr;
    const std::string folder = path.substr(0, path.size() - (sizeof kFile - 1));
    CreateDirectoryW(Wide(folder).data(), nullptr);
    // Another launcher may still write the previous file (one held open by "abc.txt"): it was
    // opened so that it can be renamed meanwhile. Where it cannot, this run's lines follow the
    // previous run's in the same file rather than wipe them out.
    const WideText wide = Wide(path);
    const bool kept =
        MoveFileExW(wide.data(), Wide(folder + kPrevious).data(), MOVEFILE_REPLACE_EXISTING) ||
        GetLastError() == ERROR_FILE_NOT_FOUND;
    KernelHandle file(CreateFileW(
        wide.data(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, kept ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<Win32RunLogFile>(std::move(file));
}

}  // namespace ostrel
