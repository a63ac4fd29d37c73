#include "app/run_log_win32.h"

#include <shlobj.h>

#include <optional>

#include "core/owners_win32.h"
#include "core/text_win32.h"

namespace ostrel {
namespace {

constexpr char kFolder[] = "\\Ostrel";
constexpr char kPrevious[] = "\\ostrel.previous.log";
// Another launcher may still write the file (one held open by "abc.txt"): it may be renamed
// meanwhile, and both go on adding to its end.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Two launchers may write the file at once (a second start, one held open by "abc.txt"): each
// holds this byte range, past the bound and so never written, while it looks at the file's size
// and writes, so that the bound holds for all of them. The lines written stay unlocked for
// whoever reads them meanwhile.
class HeldRange {
  public:
    explicit HeldRange(HANDLE file) : file_(file) {
        range_.Offset = static_cast<DWORD>(kRunLogLimit);
        range_.OffsetHigh = static_cast<DWORD>(kRunLogLimit >> 32);
        // Another writer holds it for one write only: a few milliseconds at most, unless it hangs
        // there, which must not hang this launcher's window.
        for (int tries = 1;; ++tries) {
            held_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                               &range_) != FALSE;
            if (held_ || tries == kTries || GetLastError() != ERROR_LOCK_VIOLATION) return;
            Sleep(kPauseMs);
        }
    }
    ~HeldRange() {
        if (held_) UnlockFileEx(file_, 0, 1, 0, &range_);
    }
    HeldRange(const HeldRange&) = delete;
    HeldRange& operator=(const HeldRange&) = delete;
    explicit operator bool() const { return held_; }

  private:
    static constexpr int kTries = 20;
    static constexpr DWORD kPauseMs = 5;
    HANDLE file_;
    OVERLAPPED range_{};
    bool held_ = false;
};

class Win32RunLogFile : public RunLogFile {
  public:
    explicit Win32RunLogFile(KernelHandle file) : file_(std::move(file)) {}

    // Through the system's cache: the lines are there for whoever reads the file, also after a
    // crash of the launcher, without waiting for the disk. At the end of the file, wherever
    // another launcher's lines have taken it.
    Appended Append(const std::string& text, std::uint64_t limit) noexcept override {
        const HeldRange held(file_.get());
        LARGE_INTEGER size{};
        if (!held || !GetFileSizeEx(file_.get(), &size)) return Appended::kFailed;
        if (static_cast<std::uint64_t>(size.QuadPart) + text.size() > limit) {
            return Appended::kNoRoom;
        }
        OVERLAPPED atTheEnd{};
        atTheEnd.Offset = atTheEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD written = 0;
        return WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                         &atTheEnd) &&
                       written == text.size()
                   ? Appended::kWritten
                   : Appended::kFailed;
    }

    bool Empty() noexcept override {
        const HeldRange held(file_.get());
        const LARGE_INTEGER start{};
        return held && SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) &&
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

// What the system tells of a folder or file of its own, not a reparse point (a junction or a
// symbolic link) that would lead a launcher run with more rights than the user's to write where it
// points; nullopt for one that is, or where the system does not tell.
std::optional<BY_HANDLE_FILE_INFORMATION> PlainInformation(const KernelHandle& opened,
                                                           bool folder) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!opened || !GetFileInformationByHandle(opened.get(), &information)) return std::nullopt;
    const DWORD attributes = information.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder) {
        return std::nullopt;
    }
    return information;
}

// Where what `opened` holds lies, every link and junction followed; nullopt where the system does
// not say.
std::optional<std::string> FinalPath(const KernelHandle& opened) {
    WideText path(MAX_PATH);
    for (int round = 0; round < 2; ++round) {
        const DWORD length = GetFinalPathNameByHandleW(opened.get(), path.data(),
                                                       static_cast<DWORD>(path.size()), 0);
        if (length == 0) return std::nullopt;
        if (length < path.size()) return Utf8(path.data(), length);
        path.resize(length);  // the length it needs, its NUL included
    }
    return std::nullopt;
}

bool SamePathIgnoringCase(const std::string& one, const std::string& other) {
    return CompareStringOrdinal(Wide(one).data(), -1, Wide(other).data(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::string RunLogPath() {
    wchar_t folder[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) !=
        S_OK) {
        return {};
    }
    return Utf8(folder) + kFolder + kRunLogFileName;
}

std::unique_ptr<RunLogFile> OpenRunLogFile(const std::string& path) {
    if (path.empty()) return nullptr;
    const std::string folder = path.substr(0, path.size() - (sizeof kRunLogFileName - 1));
    const WideText wideFolder = Wide(folder);
    CreateDirectoryW(wideFolder.data(), nullptr);
    // Held, and so neither removed nor renamed, until the file is open and checked: the access to
    // list it takes part in the sharing checks (reading its attributes alone would not), and
    // without the share to delete, nobody may move it away meanwhile.
    const KernelHandle heldFolder =
        OpenItself(wideFolder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                   FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (!PlainInformation(heldFolder, true)) return nullptr;
    // The previous run's file is kept beside it. Where it cannot be set aside (another launcher
    // writes it), this run's lines follow the previous run's rather than wipe them out.
    const WideText wide = Wide(path);
    MoveFileExW(wide.data(), Wide(folder + kPrevious).data(), MOVEFILE_REPLACE_EXISTING);
    KernelHandle file = OpenItself(wide, FILE_GENERIC_WRITE | FILE_READ_ATTRIBUTES, kShareAll,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    const std::optional<BY_HANDLE_FILE_INFORMATION> information = PlainInformation(file, false);
    if (!information ||
        !IsTheRunLogFile({FinalPath(heldFolder), FinalPath(file), information->nNumberOfLinks},
                         SamePathIgnoringCase)) {
        return nullptr;
    }
    return std::make_unique<Win32RunLogFile>(std::move(file));
}

}  // namespace ostrel
