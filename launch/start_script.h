// The start script "ostrel.bat": one line that starts Corvex without the launcher.
#pragma once

#include <string>

#include "core/errors.h"

namespace ostrel {

inline constexpr char kStartScriptName[] = "ostrel.bat";

// The file could not be made at all: nothing was written.
class FileNotCreated : public InOutError {
  public:
    using InOutError::InOutError;
};

// The script is read-only and kept as the user's: no retry can replace it.
class FileReadOnly : public InOutError {
  public:
    using InOutError::InOutError;
};

// The file operations the script needs; each raises InOutError when the system refuses.
class ScriptFiles {
  public:
    virtual ~ScriptFiles() = default;
    // Creates `name`, or empties it when it exists, and writes all of `content` to it; a failure
    // is reported under `shownName`, the name the user knows. FileNotCreated when `name` cannot
    // be made or opened for writing.
    virtual void WriteWhole(const std::string& name, const std::string& content,
                            const std::string& shownName) = 0;
    // Puts the file `from` in the place of `to`, replacing the file there, if any. FileReadOnly
    // when `to` is read-only.
    virtual void Replace(const std::string& from, const std::string& to) = 0;
    // Deletes `name` when it exists; a failure is not reported.
    virtual void Remove(const std::string& name) noexcept = 0;
    // Waits before a failed step is tried again.
    virtual void Pause(unsigned milliseconds) = 0;
};

// Writes `line` and CRLF as the whole of "ostrel.bat" in the current directory. The new text
// goes to a file beside it first, so that a failed write leaves an earlier script as it was
// instead of truncated; the error still propagates. A replace that a scanner's open keeps from
// happening is tried again for about a second. Where no file can be made beside it (a
// folder that lets its script be written but takes no new file), the script is written in place.
void WriteStartScript(ScriptFiles& files, const std::string& line);

}  // namespace ostrel
