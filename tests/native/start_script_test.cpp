#include "launch/start_script.h"

#include <gtest/gtest.h>

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
    void WriteWhole(const std::string& name, const std::string& content) override {
        files[name].clear();
        if (writeFails) {
            files[name] = content.substr(0, content.size() / 2);
            throw InOutError("Cannot write \"" + name + "\"", kDiskFull);
        }
        files[name] = content;
    }
    void Replace(const std::string& from, const std::string& to) override {
        if (replaceFails) throw InOutError("Cannot replace \"" + to + "\"", kAccessDenied);
        files[to] = files.at(from);
        files.erase(from);
    }
    void Remove(const std::string& name) noexcept override { files.erase(name); }

    std::map<std::string, std::string> files;
    bool writeFails = false;
    bool replaceFails = false;
};

unsigned long ErrorCodeOf(FakeFolder& folder, const std::string& line) {
    try {
        WriteStartScript(folder, line);
    } catch (const InOutError& error) {
        return error.code();
    }
    return 0;
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
    EXPECT_EQ(ErrorCodeOf(folder, "new line"), kDiskFull);
    EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"ostrel.bat", old}}));

    folder.writeFails = false;
    folder.replaceFails = true;
    EXPECT_EQ(ErrorCodeOf(folder, "new line"), kAccessDenied);
    EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"ostrel.bat", old}}));
}

}  // namespace
}  // namespace ostrel
