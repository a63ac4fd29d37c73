#include "launch/shortcuts_win32.h"

namespace ostrel {
namespace {

// Placeholder until the shell links land: writes nothing.
class NoFiles : public LaunchFiles {
  public:
    void CreateShortCut(const std::string&, const std::string&, const std::string&,
                        const std::string&, int, const std::string&, std::uint8_t) override {}
    void CreateBatchFile(const std::string&) override {}
};

}  // namespace

std::unique_ptr<LaunchFiles> CreateLaunchFiles() { return std::make_unique<NoFiles>(); }

}  // namespace ostrel
