// ExecuteFile against the real shell: paths are passed whole up to the longest the shell can use,
// and refused beyond it instead of failing without a word.
#include "launch/ShellUtils_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "core/system_error_win32.h"

namespace ostrel {
namespace {

// A path of `length` characters in a folder that does not exist.
std::string MissingPath(std::size_t length) {
    std::string path = "C:\\ostrel-no-such-folder\\";
    path.resize(length - 4, 'p');
    return path + ".exe";
}

std::string ErrorOf(const std::string& file, const std::string& directory) {
    try {
        ExecuteFile(file, "-a", directory, SW_SHOWNORMAL);
    } catch (const Exception& error) {
        return error.what();
    }
    return "no error";
}

TEST(ExecuteFile, HandsTheLongestPathsTheShellTakesToItWholeAndReportsItsRefusal) {
    // The shell looks for the program and does not find it: its reason, in the system's words.
    const std::string file = MissingPath(MAX_PATH - 1);
    EXPECT_EQ(ErrorOf(file, "C:\\"),
              "Cannot start \"" + file + "\": " + SystemMessage(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(ErrorOf(file, std::string(MAX_PATH - 1, 'd')).find("longer than"), std::string::npos);
}

TEST(ExecuteFile, RefusesAProgramPathOrWorkingDirectoryTooLongForTheShell) {
    const std::string file = MissingPath(MAX_PATH);
    EXPECT_EQ(ErrorOf(file, "C:\\"),
              "Cannot start \"" + file + "\": the program path is longer than 259 characters");
    const std::string directory(MAX_PATH + 40, 'd');
    EXPECT_EQ(ErrorOf("C:\\windows\\notepad.exe", directory),
              "Cannot start \"C:\\windows\\notepad.exe\" in \"" + directory +
                  "\": the working directory is longer than 259 characters");
}

TEST(ExecuteFile, QuotesOnlyTheBeginningOfAPathTooLongForAMessageBox) {
    const std::string file = "C:\\" + std::string(65000, 'h');
    EXPECT_EQ(ErrorOf(file, "C:\\"), "Cannot start \"" + file.substr(0, 300) +
                                         "...\": the program path is longer than 259 characters");
}

}  // namespace
}  // namespace ostrel
