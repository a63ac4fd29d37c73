// The log of a run, kept in a file that outlives it: what Memo1 was given, in order (also what a
// later clear took out of it), and the text of each box the launcher showed. When Corvex does not
// start at a user's desk, that file is what they can send to whoever helps them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/clock.h"
#include "core/user_texts.h"

namespace ostrel {

// Where the lines go. A file that cannot be written takes what it can and never raises: the log
// must not stop or disturb the launch.
class RunLogFile {
  public:
    enum class Appended { kWritten, kNoRoom, kFailed };
    virtual ~RunLogFile() = default;
    // Adds `text` at its end, unless the file would then hold more than `limit` bytes (kNoRoom);
    // kFailed when not all of it was written. Another launcher may write the same file: the look
    // at its size and the write are one step, which no other writer comes between.
    virtual Appended Append(const std::string& text, std::uint64_t limit) noexcept = 0;
    // Makes it empty; false when it cannot be.
    virtual bool Empty() noexcept = 0;
};

// The file's name, as its path ends after its folder's.
inline constexpr char kRunLogFileName[] = "\\ostrel.log";

// What the system says of the log file once it is open: the final paths (every link and junction
// followed) of the folder held meanwhile and of the file, and the file's number of names; nullopt
// where it did not say.
struct RunLogFileFacts {
    std::optional<std::string> folderPath;
    std::optional<std::string> filePath;
    std::optional<std::uint32_t> links;
};

// Paths compared as the file system compares names, without regard to case.
using SamePath = bool (*)(const std::string& one, const std::string& other);

// Whether the file opened is the log file itself: in the folder held, under its own name, and with
// no other name elsewhere (a hard link) whose file a write would change. Between the checks of the
// folder and the open, a junction may have taken the folder's place, or a link the file's: an
// elevated launcher must not write where such a thing points. What the system did not say counts
// against it.
bool IsTheRunLogFile(const RunLogFileFacts& facts, SamePath samePath);

// A log file is never larger, whoever writes it: what a run cannot keep within it is left out,
// said once (LogFileTexts::Full).
inline constexpr std::uint64_t kRunLogLimit = 1024 * 1024;

class RunLog {
  public:
    // Lines added before Start wait in memory, so that the start of Corvex pays nothing for the
    // file; from Start on, each line is written as it comes.
    void Add(const UserText& line);
    // Writes `heading` and what waited. With no file (it could not be made) the lines go nowhere.
    // A file that still holds earlier runs (it could not be set aside) goes on after them, or is
    // started afresh where they leave too little room within the limit.
    void Start(std::unique_ptr<RunLogFile> file, const UserText& heading);
    bool Started() const { return started_; }
    // Whether this run's lines went to the file, for a box to name it.
    bool Written() const { return written_; }

  private:
    // Writes `text` while it fits within the limit; once a text does not, says so and stops.
    bool Put(const std::string& text);

    std::string waiting_;  // as the file will keep it
    std::unique_ptr<RunLogFile> file_;
    bool started_ = false;
    bool written_ = false;
};

// The first line: when the run began, Ostrel's version and its program file.
UserText RunLogHeading(const LocalTime& started, const std::string& version,
                       const std::string& program);

// A box's text about a run that brings no Corvex, with a last line that names the file where the
// log of the run is kept (`path`; none when it is "").
UserText WithLogFileLine(UserText text, const std::string& path);

// A line as the file keeps it, in CR LF lines: the further lines of a text of several (a box's)
// indented under its first.
std::string RunLogLines(const std::string& text);

}  // namespace ostrel
