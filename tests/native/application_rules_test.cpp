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

}  // namespace
}  // namespace ostrel
