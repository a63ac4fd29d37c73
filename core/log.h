// The launcher's log: whole lines appended at the end; only the launch sequence clears it.
#pragma once

#include "core/user_texts.h"

namespace ostrel {

class Log {
  public:
    virtual ~Log() = default;
    virtual void Add(const UserText& line) = 0;
    virtual void Clear() = 0;
};

}  // namespace ostrel
