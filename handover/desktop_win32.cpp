#include "handover/desktop_win32.h"

namespace ostrel {
namespace {

// Placeholders until the window search lands: an empty desktop and no answer.
class EmptyDesktop : public Desktop {
  public:
    std::vector<WindowHandle> TopLevelWindows() override { return {}; }
    std::string WindowTitle(WindowHandle) override { return {}; }
    std::string WindowClass(WindowHandle) override { return {}; }
    void Activate(WindowHandle) override {}
};

class NoAnswer : public ResponseState {
  public:
    std::int32_t GetResponseState() override { return 0; }
};

}  // namespace

std::unique_ptr<Desktop> CreateDesktop(HWND) { return std::make_unique<EmptyDesktop>(); }
std::unique_ptr<ResponseState> CreateResponseState() { return std::make_unique<NoAnswer>(); }

}  // namespace ostrel
