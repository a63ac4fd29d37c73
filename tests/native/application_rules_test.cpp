#include "app/application_rules.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

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
// start restores it, or nobody would.
TEST(WindowToFront, AMainWindowThatWaitsForItsRestoreIsRestored) {
    using Kind = LauncherWindow::Kind;
    std::vector<LauncherWindow> windows{{1, Kind::kOther, true},
                                        {2, Kind::kMainWindow, false, true}};
    EXPECT_EQ(WindowToFront(windows), (FrontWindow{2, true}));
    // A box in view waits for the user first.
    windows.push_back({3, Kind::kBox, true});
    EXPECT_EQ(WindowToFront(windows), (FrontWindow{3, false}));
}

}  // namespace
}  // namespace ostrel
