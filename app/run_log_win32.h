// The run's log file: "Ostrel\ostrel.log" in the user's local application data, in UTF-8, the
// previous run's kept beside it as "ostrel.previous.log".
#pragma once

#include <memory>
#include <string>

#include "app/run_log.h"

namespace ostrel {

// The file's path; "" when the system names no such folder.
std::string RunLogPath();

// Makes the folder, keeps the previous run's file and opens the file; null when it cannot be
// opened, when it or its folder is a link or junction, or when it is not the file of that folder
// alone (IsTheRunLogFile): the run goes on without it.
std::unique_ptr<RunLogFile> OpenRunLogFile(const std::string& path);

}  // namespace ostrel
