// The answer lives in a named, page-file-backed mapping rather than in a shared data section, so
// that every copy of the library (the launcher's and the stand-in's may load different files)
// sees the same flag.
#include "standins/ombrix.h"

#include "core/owners_win32.h"

namespace {

constexpr char kMappingName[] = "OstrelOmbrixResponseState";

class SharedFlag {
  public:
    SharedFlag()
        : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(LONG), kMappingName)) {
        if (mapping_) {
            view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
        }
    }

    // Null when the mapping could not be made.
    volatile LONG* get() const { return static_cast<volatile LONG*>(view_.get()); }

  private:
    ostrel::KernelHandle mapping_;
    ostrel::MappedView view_;
};

SharedFlag& Flag() {
    static SharedFlag flag;
    return flag;
}

}  // namespace

BOOL WINAPI GetResponseState() {
    volatile LONG* flag = Flag().get();
    return flag && InterlockedCompareExchange(flag, 0, 0) != 0 ? TRUE : FALSE;
}

BOOL WINAPI SetResponseState(BOOL answered) {
    volatile LONG* flag = Flag().get();
    if (!flag) return FALSE;
    InterlockedExchange(flag, answered ? TRUE : FALSE);
    return TRUE;
}
