#include "launch/start_script.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "core/errors.h"

namespace ostrel {
namespace {

constexpr unsigned long kDiskFull = 112;
constexpr unsigned long kAccessDenied = 5;

// A folder in memory. A write that fails leaves what a real half-done write leaves: the target
// emptied with part of the new text in it.
class FakeFolder : public ScriptFiles {
  public:
    void WriteWhole(const std::string& name, const std::string& content,
                    const std::string& shownName) override {
        if (!files.count(name) && !takesNewFiles) {
            throw FileNotCreated(LaunchBoxes::CannotCreate(shownName), kAccessDenied);
        }
        files[name].clear();
        if (writeFails) {
            files[name] = content.substr(0, content.size() / 2);
            throw InOutError(LaunchBoxes::CannotWrite(shownName), kDiskFull);
        }
        files[name] = content;
    }
    void Replace(const std::string& from, const std::string& to) override {
        if (readOnly) throw FileReadOnly(LaunchBoxes::CannotReplace(to), kAccessDenied);
        if (replaceFails) throw InOutError(LaunchBoxes::CannotReplace(to), kAccessDenied);
        if (!replaceErrors.empty()) {
            const unsigned long code = replaceErrors.front();
            replaceErrors.pop_front();
            throw InOutError(
                SystemTexts::WithCode(LaunchBoxes::CannotReplace(to), std::to_string(code)), code);
        }
        files[to] = files.at(from);
        files.erase(from);
    }
    void Remove(const std::string& name) noexcept override { files.erase(name); }
    void Pause(unsigned milliseconds) override { paused += milliseconds; }

    std::map<std::string, std::string> files;
    bool takesNewFiles = true;
    bool writeFails = false;
    bool replaceFails = false;
    bool readOnly = false;
    std::deque<unsigned long> replaceErrors;  // the next replaces' failures
    unsigned paused = 0;                      // ms
};

std::string ErrorOf(FakeFolder& folder, const std::string& line) {
    try {
        WriteStartScript(folder, line);
    } catch (const InOutError& error) {
        return error.what();
    }
    return "no error";
}

TEST(StartScript, HoldsTheLineAndCrLfAndNothingElse) {
    FakeFolder folder;
    folder.files["ostrel.bat"] = "an older, longer script\r\nwith two lines\r\n";
    WriteStartScript(folder, "\"C:\\Java\\bin\\java.exe\" -classpath x.jar Main ShowSetup");
    const std::map<std::string, std::string> expected{
        {"ostrel.bat", "\"C:\\Java\\bin\\java.exe\" -classpath x.jar Main ShowSetup\r\n"}};
    EXPECT_EQ(folder.files, expected);
}

TEST(StartScript, FailedWriteKeepsTheOldScriptAndLeavesNoDebris) {
    const std::string old = "@echo old script\r\n";
    FakeFolder folder;
    folder.files["ostrel.bat"] = old;
    folder.writeFails = true;
    // The error names the script, not the file beside it that the user never sees.
    EXPECT_EQ(ErrorOf(folder, "new line"), "Cannot write \"ostrel.bat\"");
    EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"ostrel.bat", old}}));

    folder.writeFails = false;
    folder.replaceFails = true;
    EXPECT_EQ(ErrorOf(folder, "new line"), "Cannot replace \"ostrel.bat\"");
    EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"ostrel.bat", old}}));
}

// A virus scanner holds the new file open for a moment: the replace is tried again for about a
// second, then the failure is reported as before. A read-only script is not waited for.
TEST(StartScript, AReplaceHeldByAScannerIsTriedAgainForAboutASecond) {
    constexpr unsigned long kSharingViolation = 32;
    FakeFolder folder;
    folder.replaceErrors = {kSharingViolation, kAccessDenied};
    EXPECT_EQ(ErrorOf(folder, "new line"), "no error");
    EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"ostrel.bat", "new line\r\n"}}));
    EXPECT_EQ(folder.paused, 200u);

    folder.paused = 0;
    folder.replaceErrors = std::deque<unsigned long>(20, kSharingViolation);
    EXPECT_EQ(ErrorOf(folder, "newer line"), "Cannot replace \"ostrel.bat\" (error 32)");
    EXPECT_EQ(folder.paused, 1000u);
    EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"ostrel.bat", "new line\r\n"}}));

    // A read-only script is the user's to keep: no scanner is waited for.
    folder.paused = 0;
    folder.readOnly = true;
    EXPECT_EQ(ErrorOf(folder, "newer line"), "Cannot replace \"ostrel.bat\"");
    EXPECT_EQ(folder.paused, 0u);
}

// A folder that lets its script be written but takes no new file: the safe replace would fail
// on every start, where a plain write succeeds.
TEST(StartScript, WhereNoFileCanBeMadeBesideItTheScriptIsWrittenInPlace) {
    FakeFolder folder;
    folder.files["ostrel.bat"] = "@echo old script\r\n";
    folder.takesNewFiles = false;
    WriteStartScript(folder, "new line");
    EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"ostrel.bat", "new line\r\n"}}));

    folder.files.clear();  // no script to write in place either
    EXPECT_EQ(ErrorOf(folder, "new line"), "Cannot create \"ostrel.bat\"");
}

}  // namespace
}  // namespace ostrel
