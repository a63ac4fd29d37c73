#include "app/run_log.h"

#include <utility>

namespace ostrel {

namespace {

// The line that says the file is full, with its line end; room for it is always kept.
std::string FullLine() {
    return RunLogLines(LogFileTexts::Full(kRunLogLimit / (1024 * 1024)).String());
}
std::uint64_t RoomForLines() { return kRunLogLimit - FullLine().size(); }

}  // namespace

void RunLog::Add(const UserText& line) {
    if (!started_) {
        waiting_ += RunLogLines(line.String());
    } else if (file_) {
        Put(RunLogLines(line.String()));
    }
}

void RunLog::Start(std::unique_ptr<RunLogFile> file, const UserText& heading) {
    started_ = true;
    file_ = std::move(file);
    if (file_) {
        const std::string text = RunLogLines(heading.String()) + waiting_;
        const RunLogFile::Appended first = file_->Append(text, RoomForLines());
        if (first != RunLogFile::Appended::kNoRoom) {
            written_ = first == RunLogFile::Appended::kWritten;
        } else if (file_->Empty()) {
            written_ = Put(text);
        } else {
            file_.reset();
        }
    }
    std::string().swap(waiting_);
}

bool RunLog::Put(const std::string& text) {
    switch (file_->Append(text, RoomForLines())) {
        case RunLogFile::Appended::kWritten:
            return true;
        case RunLogFile::Appended::kFailed:
            return false;
        case RunLogFile::Appended::kNoRoom:
            break;
    }
    file_->Append(FullLine(), kRunLogLimit);
    file_.reset();
    return false;
}

bool IsTheRunLogFile(const RunLogFileFacts& facts, SamePath samePath) {
    return facts.folderPath && facts.filePath && facts.links == 1u &&
           samePath(*facts.folderPath + kRunLogFileName, *facts.filePath);
}

UserText WithLogFileLine(UserText text, const std::string& path) {
    if (!path.empty()) text.AddLine(LaunchBoxes::LogFileLine(path));
    return text;
}

UserText RunLogHeading(const LocalTime& started, const std::string& version,
                       const std::string& program) {
    // "YYYY-MM-DD hh:mm:ss", digit by digit: the program carries no formatting library for it.
    char time[] = "0000-00-00 00:00:00";
    const auto put = [&time](int at, int width, int value) {
        for (auto digits = static_cast<unsigned>(value); width-- > 0; digits /= 10) {
            time[at + width] = static_cast<char>('0' + digits % 10);
        }
    };
    put(0, 4, started.year);
    put(5, 2, started.month);
    put(8, 2, started.day);
    put(11, 2, started.hour);
    put(14, 2, started.minute);
    put(17, 2, started.second);
    return LogFileTexts::Heading(time, version, program);
}

std::string RunLogLines(const std::string& text) {
    // Line breaks at the end would only leave empty lines.
    const std::string::size_type end = text.find_last_not_of("\r\n") + 1;
    std::string lines;
    lines.reserve(end + 2);
    for (std::string::size_type at = 0; at < end; ++at) {
        const char c = text[at];
        if (c != '\r' && c != '\n') {
            lines += c;
            continue;
        }
        if (c == '\r' && text[at + 1] == '\n') ++at;
        lines += "\r\n  ";
    }
    return lines + "\r\n";
}

}  // namespace ostrel
