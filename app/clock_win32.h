// The real clock: local time, and a wait that keeps the thread's windows answering.
#pragma once

#include "core/clock.h"

namespace ostrel {

class SystemClock : public Clock {
  public:
    LocalTime Now() override;
    void Sleep(unsigned milliseconds) override;
};

}  // namespace ostrel
