#include "app/application_rules.h"
#include "app/run_log.h"
#include "app/window_contents.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace ostrel {
namespace {

UserText Line(const std::string& text) { return UserText::Verbatim(text); }

TEST(ApplicationTitle, IsTheFileNameUpToItsFirstDotWithTheRestInLowerCase) {
    EXPECT_EQ(ApplicationTitle("C:\\Program Files\\Corvex\\ostrel.exe"), "ostrel");
    EXPECT_EQ(ApplicationTitle("C:\\Apps\\OSTREL.EXE"), "Ostrel");
    EXPECT_EQ(ApplicationTitle("C:\\a.b\\MyLauncher.v2.exe"), "Mylauncher");
    EXPECT_EQ(ApplicationTitle("noext"), "noext");
}

TEST(ErrorBoxText, AppendsADotOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(ErrorBoxText("Invalid data type for 'Desktop'"),
              "Invalid data type for 'Desktop'");  // "'" sorts before "."
    EXPECT_EQ(ErrorBoxText("Host Lookup Canceled"), "Host Lookup Canceled.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Why?"), "Why?.");
    EXPECT_EQ(ErrorBoxText("(see above)"), "(see above)");
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_EQ(ErrorBoxText("caf\xe9"), "caf\xe9.");
}

// A launch that only ever shows the main window minimised makes none of its contents: neither the
// controls nor the main picture, which a paint decodes once. A picture that cannot be decoded is
// reported by the first paint alone.
TEST(WindowContents, AreMadeWhenFirstSeenAndThePictureIsDecodedOnceAtAPaint) {
    int controls = 0;
    WindowContents contents([&] { ++controls; }, [] {});
    for (int tick = 0; tick < 101; ++tick) contents.Displayed(true);
    EXPECT_EQ(controls, 0);
    EXPECT_EQ(contents.PictureDecodes(), 0);
    contents.Displayed(false);  // restored
    contents.BeforeBox();
    EXPECT_EQ(controls, 1);
    EXPECT_TRUE(contents.PictureReady());
    EXPECT_TRUE(contents.PictureReady());
    EXPECT_EQ(contents.PictureDecodes(), 1);

    WindowContents broken([] {}, [&] { throw std::runtime_error("Cannot decode picture"); });
    EXPECT_THROW(broken.PictureReady(), std::runtime_error);
    EXPECT_FALSE(broken.PictureReady());
    EXPECT_EQ(broken.PictureDecodes(), 1);
}

// A second start while a launcher is at work brings that one forward instead.
TEST(WindowToFront, IsABoxInViewElseTheMainWindowElseThePictureBox) {
    using Kind = LauncherWindow::Kind;
    std::vector<LauncherWindow> windows{{1, Kind::kOther, true},
                                        {2, Kind::kPictureBox, true},
                                        {3, Kind::kMainWindow, false},
                                        {4, Kind::kBox, false}};
    EXPECT_EQ(WindowToFront(windows), (FrontWindow{2, false}));
    windows[2].inView = true;
    EXPECT_EQ(WindowToFront(windows), (FrontWindow{3, false}));
    windows[3].inView = true;
    EXPECT_EQ(WindowToFront(windows), (FrontWindow{4, false}));
    // Launching before anything is shown, or minimised once launched: nothing to bring forward.
    EXPECT_EQ(WindowToFront({{1, Kind::kOther, true}, {2, Kind::kMainWindow, false}}),
              std::nullopt);
}

// Started minimised without activation, a launcher launches only once it is restored: a later
// start restores it, or nobody would. So is one minimised while Corvex shows something: a second
// start never does nothing.
TEST(WindowToFront, AMainWindowThatWaitsForItsRestoreIsRestored) {
    using Kind = LauncherWindow::Kind;
    std::vector<LauncherWindow> windows{{1, Kind::kOther, true},
                                        {2, Kind::kMainWindow, false, true}};
    EXPECT_EQ(WindowToFront(windows), (FrontWindow{2, true}));
    // A box in view waits for the user first.
    windows.push_back({3, Kind::kBox, true});
    EXPECT_EQ(WindowToFront(windows), (FrontWindow{3, false}));
    EXPECT_EQ(
        WindowToFront({{4, Kind::kPictureBox, false}, {5, Kind::kMainWindow, false, false, true}}),
        (FrontWindow{5, true}));
}

class RecordedFile : public RunLogFile {
  public:
    explicit RecordedFile(std::string& text, bool writes = true) : text_(text), writes_(writes) {}
    Appended Append(const std::string& text, std::uint64_t limit) noexcept override {
        if (text_.size() + text.size() > limit) return Appended::kNoRoom;
        text_ += text;
        return writes_ ? Appended::kWritten : Appended::kFailed;
    }
    bool Empty() noexcept override {
        text_.clear();
        return true;
    }

  private:
    std::string& text_;
    bool writes_;
};

// The file opened is the log file only where it lies in the folder held, under its name, and has
// no second name: a junction or link put in place meanwhile, or a hard link, leads elsewhere.
TEST(RunLog, WritesOnlyTheFileOfItsOwnFolder) {
    const SamePath same = [](const std::string& one, const std::string& other) {
        return one == other;
    };
    const std::string folder = "\\\\?\\C:\\Users\\u\\AppData\\Local\\Ostrel";
    RunLogFileFacts facts{folder, folder + "\\ostrel.log", 1};
    EXPECT_TRUE(IsTheRunLogFile(facts, same));
    facts.filePath = "\\\\?\\C:\\Windows\\System32\\ostrel.log";
    EXPECT_FALSE(IsTheRunLogFile(facts, same));
    facts.filePath = folder + "\\ostrel.log";
    facts.links = 2;
    EXPECT_FALSE(IsTheRunLogFile(facts, same));
    facts.links = 1;
    facts.folderPath.reset();  // the system did not say
    EXPECT_FALSE(IsTheRunLogFile(facts, same));
}

// The run's log waits in memory until the start is done, then goes to its file in CR LF lines.
TEST(RunLog, KeepsLinesUntilItStartsThenWritesEachAsItComes) {
    RunLog log;
    std::string file;
    log.Add(Line("JavaHome = \"C:\\Java\""));
    log.Add(Line("Error box: Cannot start \"C:\\Java\\bin\\javaw.exe\".\r\nOstrel's log\rend\n"));
    EXPECT_TRUE(file.empty());
    LocalTime time;
    time.year = 2026, time.month = 12, time.day = 9, time.hour = 7, time.minute = 5,
    time.second = 3;
    log.Start(std::make_unique<RecordedFile>(file),
              RunLogHeading(time, "1.0.0", "C:\\Corvex\\ostrel.exe"));
    log.Add(Line("Application Found"));
    EXPECT_EQ(file,
              "2026-12-09 07:05:03 Ostrel 1.0.0, C:\\Corvex\\ostrel.exe\r\n"
              "JavaHome = \"C:\\Java\"\r\n"
              "Error box: Cannot start \"C:\\Java\\bin\\javaw.exe\".\r\n  Ostrel's log\r\n  end\r\n"
              "Application Found\r\n");

    // A file that could not be made takes nothing, and the log goes on without it.
    RunLog without;
    without.Add(Line("lost"));
    without.Start(nullptr, Line("heading"));
    without.Add(Line("lost too"));
    EXPECT_TRUE(without.Started());
    EXPECT_FALSE(without.Written());  // so no box names the file
    RunLog unwritten;
    unwritten.Start(std::make_unique<RecordedFile>(file, false), Line("heading"));
    EXPECT_FALSE(unwritten.Written());
    EXPECT_EQ(WithLogFileLine(Line("Cannot start."), "").String(), "Cannot start.");
    EXPECT_EQ(WithLogFileLine(Line("Cannot start."), "C:\\o.log").String(),
              "Cannot start.\r\nOstrel's log of this run: \"C:\\o.log\"");
}

// The file is never larger than 1 MiB, also with two launchers writing it: a previous run's file
// that leaves too little room is started afresh, and what a run cannot keep within it is left
// out, said once.
TEST(RunLog, StaysWithinOneMebibyte) {
    std::string file(kRunLogLimit - 50, 'p');  // set aside it could not be
    RunLog log;
    log.Add(Line("waited"));
    log.Start(std::make_unique<RecordedFile>(file), Line("heading"));
    EXPECT_EQ(file, "heading\r\nwaited\r\n");
    EXPECT_TRUE(log.Written());
    const std::string line(1000, 'l');
    for (int i = 0; i < 2000; ++i) log.Add(Line(line));
    EXPECT_LE(file.size(), kRunLogLimit);
    EXPECT_GT(file.size(), kRunLogLimit - 1100);
    const std::string full = "The log file is full (1 MiB): the rest of this run is not kept";
    EXPECT_EQ(file.substr(file.size() - full.size() - 2), full + "\r\n");
    EXPECT_EQ(file.find(full), file.rfind(full));

    std::string room(1000, 'p');  // an earlier run's lines that leave room stay
    RunLog next;
    next.Start(std::make_unique<RecordedFile>(room), Line("heading"));
    EXPECT_EQ(room, std::string(1000, 'p') + "heading\r\n");

    RunLog second;  // a second start's, into the same file
    second.Start(std::make_unique<RecordedFile>(room), Line("second"));
    for (int i = 0; i < 600; ++i) {
        next.Add(Line(line));
        second.Add(Line(line));
    }
    EXPECT_LE(room.size(), kRunLogLimit);
    EXPECT_GT(room.size(), kRunLogLimit - 2100);
}

}  // namespace
}  // namespace ostrel
