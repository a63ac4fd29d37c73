#include "handover/wake_up_win32.h"

namespace ostrel {
namespace {

// Placeholder until the wake-up datagram lands.
class NoFormat : public DateTimeFormat {
  public:
    std::string ShortDate(const LocalTime&) override { return {}; }
    std::string LongTime(const LocalTime&) override { return {}; }
};

}  // namespace

std::unique_ptr<DateTimeFormat> CreateUserDateTimeFormat() { return std::make_unique<NoFormat>(); }

}  // namespace ostrel
