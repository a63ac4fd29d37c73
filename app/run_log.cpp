#include "app/run_log.h"

#include <utility>

namespace ostrel {

void RunLog::Add(const std::string& line) {
    if (!started_) {
        waiting_ += RunLogLines(line);
    } else if (file_) {
        file_->Write(RunLogLines(line));
    }
}

void RunLog::Start(std::unique_ptr<RunLogFile> file, const std::string& heading) {
    started_ = true;
    file_ = std::move(file);
    if (file_) file_->Write(RunLogLines(heading) + waiting_);
    std::string().swap(waiting_);
}

std::string RunLogHeading(const LocalTime& started, const std::string& version,
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
    std::string heading = time;
    heading.append(" Ostrel ").append(version).append(", ").append(program);
    return heading;
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
