#include "app/run_log.h"

#include <utility>

namespace ostrel {

void RunLog::Add(const std::string& line) {
    if (!started_) {
        waiting_.push_back(line);
    } else if (file_) {
        file_->Write(RunLogLines(line));
    }
}

void RunLog::Start(std::unique_ptr<RunLogFile> file, const std::string& heading) {
    started_ = true;
    file_ = std::move(file);
    std::vector<std::string> waiting;
    waiting.swap(waiting_);
    if (!file_) return;
    std::string text = RunLogLines(heading);
    for (const std::string& line : waiting) text += RunLogLines(line);
    file_->Write(text);
}

std::string RunLogHeading(const LocalTime& started, const std::string& version,
                          const std::string& program) {
    const auto two = [](int value) { return (value < 10 ? "0" : "") + std::to_string(value); };
    return std::to_string(started.year) + '-' + two(started.month) + '-' + two(started.day) + ' ' +
           two(started.hour) + ':' + two(started.minute) + ':' + two(started.second) + " Ostrel " +
           version + ", " + program;
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
