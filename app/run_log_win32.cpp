#include "app/run_log_win32.h"

#include <shlobj.h>

#include "core/owners_win32.h"
#include "core/text_win32.h"

namespace ostrel {
namespace {

constexpr char kFolder[] = "\\Ostrel";
constexpr char kFile[] = "\\ostrel.log";
constexpr char kPrevious[] = "\\ostrel.previous.log";
// Another launcher may still write the file (one held open by "abc.txt"): it may be renamed
// meanwhile, and both go on adding to its end.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Win32RunLogFile : public RunLogFile {
  public:
    explicit Win32RunLogFile(KernelHandle file) : file_(std::move(file)) {}

    // Through the system's cache: the lines are there for whoever reads the file, also after a
    // crash of the launcher, without waiting for the disk. At the end of the file, wherever
    // another launcher's lines have taken it.
    bool Write(const std::string& text) noexcept override {
        OVERLAPPED atTheEnd{};
        atTheEnd.Offset = atTheEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD written = 0;
        return WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                         &atTheEnd) &&
               written == text.size();
    }

    std::uint64_t Size() noexcept override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(file_.get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }

    bool Empty() noexcept override {
        const LARGE_INTEGER start{};
        return SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) &&
               SetEndOfFile(file_.get());
    }

  private:
    KernelHandle file_;
};

// Opens what `path` names itself, never what a link or junction there points at.
KernelHandle OpenItself(const WideText& path, DWORD access, DWORD share, DWORD disposition,
                        DWORD flags) {
    return KernelHandle(CreateFileW(path.data(), access, share, nullptr, disposition,
                                    flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// A folder or file of its own, not a reparse point (a junction or a symbolic link) that would
// lead a launcher run with more rights than the user's to write where it points.
bool IsPlain(const KernelHandle& opened, bool folder) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!opened || !GetFileInformationByHandle(opened.get(), &information)) return false;
    const DWORD attributes = information.dwFileAttributes;
    return !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

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
    const WideText wideFolder = Wide(folder);
    CreateDirectoryW(wideFolder.data(), nullptr);
    // Held, and so neither removed nor renamed, until the file is open: nothing can put a
    // junction in its place meanwhile.
    const KernelHandle heldFolder =
        OpenItself(wideFolder, FILE_READ_ATTRIBUTES, kShareAll & ~FILE_SHARE_DELETE, OPEN_EXISTING,
                   FILE_FLAG_BACKUP_SEMANTICS);
    if (!IsPlain(heldFolder, true)) return nullptr;
    // The previous run's file is kept beside it. Where it cannot be set aside (another launcher
    // writes it), this run's lines follow the previous run's rather than wipe them out.
    const WideText wide = Wide(path);
    MoveFileExW(wide.data(), Wide(folder + kPrevious).data(), MOVEFILE_REPLACE_EXISTING);
    KernelHandle file = OpenItself(wide, FILE_GENERIC_WRITE | FILE_READ_ATTRIBUTES, kShareAll,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (!IsPlain(file, false)) return nullptr;
    return std::make_unique<Win32RunLogFile>(std::move(file));
}

}  // namespace ostrel
