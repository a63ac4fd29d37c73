// The answer lives in a named, page-file-backed mapping rather than in a shared data section, so
// that every copy of the library (the launcher's and the stand-in's may load different files)
// sees the same flag.
#include "standins/ombrix.h"

#include <memory>

namespace {

constexpr char kMappingName[] = "OstrelOmbrixResponseState";

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct ViewUnmapper {
    void operator()(volatile LONG* view) const { UnmapViewOfFile(const_cast<LONG*>(view)); }
};

class SharedFlag {
  public:
    SharedFlag()
        : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(LONG), kMappingName)) {
        if (mapping_) {
            view_.reset(static_cast<volatile LONG*>(
                MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG))));
        }
    }

    // Null when the mapping could not be made.
    volatile LONG* get() const { return view_.get(); }

  private:
    std::unique_ptr<void, HandleCloser> mapping_;
    std::unique_ptr<volatile LONG, ViewUnmapper> view_;
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
