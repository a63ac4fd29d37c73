#include "launch/desktop_folder.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "tests/fakes/launcher_fakes.h"

namespace ostrel {
namespace {

using test::FakeRegistryKey;
constexpr std::uint32_t kRegDword = 4;

// Counts how often the shell was asked, so a test can tell which source decided.
struct ShellDesktopAnswer {
    std::optional<std::string> folder;
    int asked = 0;
    ShellDesktopFolder Get() {
        return [this] {
            ++asked;
            return folder;
        };
    }
};

TEST(DesktopFolder, RegistryEntryWinsOverTheShell) {
    FakeRegistryKey shellFolders;
    shellFolders.Set("Desktop", kRegSz, std::string("D:\\My Desk\0", 11));
    ShellDesktopAnswer shell{"C:\\users\\me\\Desktop"};
    EXPECT_EQ(ChooseDesktopFolder(&shellFolders, shell.Get()), "D:\\My Desk");
    EXPECT_EQ(shell.asked, 0);

    FakeRegistryKey expandable;
    expandable.Set("Desktop", kRegExpandSz, "%USERPROFILE%\\Desktop");
    EXPECT_EQ(ChooseDesktopFolder(&expandable, shell.Get()), "%USERPROFILE%\\Desktop");
}

TEST(DesktopFolder, ShellAnswersWhenTheRegistryDoesNot) {
    ShellDesktopAnswer shell{"C:\\users\\me\\Desktop"};
    FakeRegistryKey noEntry;
    FakeRegistryKey emptyEntry;
    emptyEntry.Set("Desktop", kRegSz, "");
    FakeRegistryKey emptyString;
    emptyString.Set("Desktop", kRegSz, std::string(1, '\0'));

    EXPECT_EQ(ChooseDesktopFolder(nullptr, shell.Get()), "C:\\users\\me\\Desktop");
    EXPECT_EQ(ChooseDesktopFolder(&noEntry, shell.Get()), "C:\\users\\me\\Desktop");
    EXPECT_EQ(ChooseDesktopFolder(&emptyEntry, shell.Get()), "C:\\users\\me\\Desktop");
    EXPECT_EQ(ChooseDesktopFolder(&emptyString, shell.Get()), "C:\\users\\me\\Desktop");
    EXPECT_EQ(shell.asked, 4);
}

TEST(DesktopFolder, NoFolderAnywhereMeansNone) {
    ShellDesktopAnswer failing{std::nullopt};
    ShellDesktopAnswer blank{""};
    EXPECT_EQ(ChooseDesktopFolder(nullptr, failing.Get()), std::nullopt);
    EXPECT_EQ(ChooseDesktopFolder(nullptr, blank.Get()), std::nullopt);
}

TEST(DesktopFolder, EntryOfAnotherTypeRaisesWithoutAskingTheShell) {
    FakeRegistryKey shellFolders;
    shellFolders.Set("Desktop", kRegDword, std::string("\x01\0\0\0", 4));
    ShellDesktopAnswer shell{"C:\\users\\me\\Desktop"};
    try {
        ChooseDesktopFolder(&shellFolders, shell.Get());
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'Desktop'");
    }
    EXPECT_EQ(shell.asked, 0);
}

}  // namespace
}  // namespace ostrel
