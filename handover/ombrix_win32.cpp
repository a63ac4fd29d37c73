// Kept apart from the desktop adapter: whatever links this file imports Ombrix.dll by name and
// does not start without it.
#include "handover/desktop_win32.h"

#include <windows.h>

extern "C" __declspec(dllimport) int WINAPI GetResponseState(void);

namespace ostrel {
namespace {

class OmbrixResponseState : public ResponseState {
  public:
    std::int32_t GetResponseState() override { return ::GetResponseState(); }
};

}  // namespace

std::unique_ptr<ResponseState> CreateResponseState() {
    return std::make_unique<OmbrixResponseState>();
}

}  // namespace ostrel
