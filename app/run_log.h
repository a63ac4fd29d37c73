// The log of a run, kept in a file that outlives it: what Memo1 was given, in order (also what a
// later clear took out of it), and the text of each box the launcher showed. When Corvex does not
// start at a user's desk, that file is what they can send to whoever helps them.
#pragma once

#include <memory>
#include <string>

#include "core/clock.h"

namespace ostrel {

// Where the lines go. A file that cannot be written takes what it can and never raises: the log
// must not stop or disturb the launch.
class RunLogFile {
  public:
    virtual ~RunLogFile() = default;
    virtual void Write(const std::string& text) noexcept = 0;
};

class RunLog {
  public:
    // Lines added before Start wait in memory, so that the start of Corvex pays nothing for the
    // file; from Start on, each line is written as it comes.
    void Add(const std::string& line);
    // Writes `heading` and what waited. With no file (it could not be made) the lines go nowhere.
    void Start(std::unique_ptr<RunLogFile> file, const std::string& heading);
    bool Started() const { return started_; }

  private:
    std::string waiting_;  // as the file will keep it
    std::unique_ptr<RunLogFile> file_;
    bool started_ = false;
};

// The first line: when the run began, Ostrel's version and its program file.
std::string RunLogHeading(const LocalTime& started, const std::string& version,
                          const std::string& program);

// A line as the file keeps it, in CR LF lines: the further lines of a text of several (a box's)
// indented under its first.
std::string RunLogLines(const std::string& text);

}  // namespace ostrel
