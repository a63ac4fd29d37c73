// The launcher's log: whole lines appended at the end; only the launch sequence clears it.
#pragma once

#include <string>

namespace ostrel {

class Log {
  public:
    virtual ~Log() = default;
    virtual void Add(const std::string& line) = 0;
    virtual void Clear() = 0;
};

}  // namespace ostrel
