// The user's date and time formats, for the wake-up text.
#pragma once

#include <memory>

#include "handover/wake_up.h"

namespace ostrel {

std::unique_ptr<DateTimeFormat> CreateUserDateTimeFormat();

}  // namespace ostrel
