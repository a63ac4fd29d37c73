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
    EXPECT_EQ(WindowToFront(windows), 2u);
    windows[2].inView = true;
    EXPECT_EQ(WindowToFront(windows), 3u);
    windows[3].inView = true;
    EXPECT_EQ(WindowToFront(windows), 4u);
    // Launching before anything is shown (or started minimised): nothing to bring forward.
    EXPECT_EQ(WindowToFront({{1, Kind::kOther, true}, {2, Kind::kMainWindow, false}}),
              std::nullopt);
}

}  // namespace
}  // namespace ostrel
