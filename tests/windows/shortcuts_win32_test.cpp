// The shell links and the start script against the real Shell Link object, registry and files.
// Each test runs in a scratch folder of its own, with a scratch key standing in for
// HKEY_CURRENT_USER, so that it neither depends on nor changes the prefix's own settings.
#include "launch/shortcuts_win32.h"

#include "core/owners_win32.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <set>
#include <thread>

#include "app/run_log_win32.h"
#include "core/errors.h"
#include "core/text_win32.h"
#include "launch/launch_sequence.h"
#include "launcher_driver.h"
#include "tests/fakes/launcher_fakes.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

constexpr char kScratchUserKey[] = "Software\\OstrelLinksTest";
constexpr char kExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

using LinkFields = test::ShellLinkFields;

LinkFields ReadLink(const fs::path& file) {
    LinkFields fields = test::ReadShellLink(file.string());
    if (fields.iconIndex < 0) ADD_FAILURE() << "cannot load " << file.string();
    return fields;
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

void SetDesktopValue(DWORD type, const void* data, DWORD size) {
    const OwnedRegKey key = test::CreateRegistryKey(HKEY_CURRENT_USER, kShellFoldersKey);
    ASSERT_TRUE(key);
    RegSetValueExA(key.get(), "Desktop", 0, type, static_cast<const BYTE*>(data), size);
}

void SetDesktopFolder(const fs::path& folder) {
    const std::string text = folder.string();
    SetDesktopValue(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool KeyExists(const char* path) {
    OwnedRegKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::string ShellDesktopFolder() {
    char path[MAX_PATH] = "";
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path),
              S_OK);
    return path;
}

// The ports of the launch sequence around the real files: a runtime key that names
// `javaHome`, a launcher living in `launcherDirectory`, and no Corvex running.
struct LaunchBench : JavaRuntimeKeys, LaunchUi, LaunchShell {
    std::vector<RegistryView> Views() override { return {RegistryView::k32Bit}; }
    std::vector<std::string> SubkeyNames(const std::string&, RegistryView) override { return {}; }
    bool FileExists(const std::string&) override { return true; }
    std::unique_ptr<RegistryKey> Open(const std::string&, RegistryView) override {
        auto key = std::make_unique<test::FakeRegistryKey>();
        key->Set("JavaHome", kRegSz, javaHome);
        return key;
    }
    void RestoreMainWindow() override {}
    void ShowNoRuntimeBox(const UserText&) override {}
    void ShowError(const std::exception& error) override { errors.push_back(error.what()); }
    bool CloseRequested() override { return false; }
    void ShowLaunchFailure(const UserText& text) override { errors.push_back(text.String()); }
    std::string ModuleFileName() override { return launcherDirectory + "ostrel.exe"; }
    void ExecuteFile(const std::string& file, const std::string&, const std::string&,
                     int) override {
        started.push_back(file);
    }

    void Launch() {
        LaunchState state;
        LaunchPorts ports{log,   *this,  *this,
                          *this, *files, [] { return std::optional<std::string>(); }};
        RunLaunchSequence(ports, state);
    }

    std::string javaHome;
    std::string launcherDirectory;
    std::unique_ptr<LaunchFiles> files = CreateLaunchFiles();
    test::FakeLog log;
    std::vector<std::string> started;
    std::vector<std::string> errors;
};

class LaunchFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        com_.emplace();
        ASSERT_TRUE(com_->Initialized());
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        root_ = fs::temp_directory_path() /
                ("ostrel-links-" + std::to_string(GetCurrentProcessId()) + "-" + test);
        fs::remove_all(root_);
        work_ = root_ / "work dir";
        desktop_ = root_ / "My Desktop";
        fs::create_directories(work_);
        fs::create_directories(desktop_);
        previousDirectory_ = fs::current_path();
        fs::current_path(work_);

        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchUserKey);
        scratchUser_ = test::CreateRegistryKey(HKEY_CURRENT_USER, kScratchUserKey);
        ASSERT_TRUE(scratchUser_);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratchUser_.get()), ERROR_SUCCESS);
    }

    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        scratchUser_.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchUserKey);
        fs::current_path(previousDirectory_);
        fs::remove_all(root_);
        com_.reset();
    }

    // A runtime whose javaw.exe exists, so that the links resolve as they would at a user's.
    std::string MakeJavaHome(const std::string& name) {
        const fs::path home = root_ / name;
        fs::create_directories(home / "bin");
        WriteBytes(home / "bin" / "javaw.exe", "MZ");
        return home.string();
    }

    void CreateCorvexLink(const std::string& arguments) {
        CreateLaunchFiles()->CreateShortCut("Corvex.lnk", {javaw_, arguments, "C:\\Corvex dir\\", 1,
                                                           "C:\\Corvex dir\\Icon.ico", 0});
    }

    fs::path root_;
    fs::path work_;
    fs::path desktop_;
    fs::path previousDirectory_;
    std::string javaw_ = "C:\\Program Files\\Java Home\\bin\\javaw.exe";
    OwnedRegKey scratchUser_;
    std::optional<ComApartment> com_;
};

constexpr char kArguments[] =
    "-classpath LIB\\Corvex.jar morvane.r7x.corvex.application.Application";

TEST_F(LaunchFilesTest, LaunchLeavesBothLinksTwiceAndTheScript) {
    SetDesktopFolder(desktop_);
    LaunchBench bench;
    bench.javaHome = MakeJavaHome("Java Home 1.4");
    bench.launcherDirectory = (root_ / "Launcher Dir").string() + "\\";
    bench.Launch();

    const std::string javaw = bench.javaHome + "\\bin\\javaw.exe";
    const std::string icon = bench.launcherDirectory + "Icon.ico";
    const LinkFields configuration{
        javaw, std::string(kArguments) + "  ShowSetup", bench.launcherDirectory, 1, icon, 0};
    const LinkFields corvex{javaw, kArguments, bench.launcherDirectory, 1, icon, 0};
    EXPECT_EQ(FileNames(work_),
              (std::set<std::string>{"Configuration.lnk", "Corvex.lnk", "ostrel.bat"}));
    EXPECT_EQ(FileNames(desktop_), (std::set<std::string>{"Configuration.lnk", "Corvex.lnk"}));
    for (const fs::path& folder : {work_, desktop_}) {
        EXPECT_EQ(ReadLink(folder / "Configuration.lnk"), configuration) << folder;
        EXPECT_EQ(ReadLink(folder / "Corvex.lnk"), corvex) << folder;
    }
    // Blanks in the paths stay as they are; only the script quotes the runtime program.
    EXPECT_EQ(ReadBytes(work_ / "ostrel.bat"),
              "\"" + bench.javaHome + "\\bin\\java.exe\" " + kArguments + " ShowSetup\r\n");
    EXPECT_EQ(bench.started, std::vector<std::string>{javaw});
    EXPECT_TRUE(bench.errors.empty());
}

TEST_F(LaunchFilesTest, SecondLaunchReplacesLinksAndScript) {
    SetDesktopFolder(desktop_);
    WriteBytes(work_ / "ostrel.bat",
               "@echo off\r\nrem an older script, longer than the new one\r\n" +
                   std::string(500, 'x') + "\r\n");
    LaunchBench bench;
    bench.launcherDirectory = "C:\\First Launcher\\";
    bench.javaHome = MakeJavaHome("A Rather Long Java Home Folder Name 1.4");
    bench.Launch();
    bench.launcherDirectory = "D:\\L\\";
    bench.javaHome = MakeJavaHome("J");
    bench.Launch();

    const std::string javaw = bench.javaHome + "\\bin\\javaw.exe";
    const LinkFields corvex{javaw, kArguments, "D:\\L\\", 1, "D:\\L\\Icon.ico", 0};
    EXPECT_EQ(ReadLink(work_ / "Corvex.lnk"), corvex);
    EXPECT_EQ(ReadLink(desktop_ / "Corvex.lnk"), corvex);
    EXPECT_EQ(ReadLink(desktop_ / "Configuration.lnk").arguments,
              std::string(kArguments) + "  ShowSetup");
    EXPECT_EQ(ReadBytes(work_ / "ostrel.bat"),
              "\"" + bench.javaHome + "\\bin\\java.exe\" " + kArguments + " ShowSetup\r\n");
    EXPECT_EQ(FileNames(work_),
              (std::set<std::string>{"Configuration.lnk", "Corvex.lnk", "ostrel.bat"}));
}

TEST_F(LaunchFilesTest, MissingExplorerKeyIsCreatedAndTheShellsDesktopUsed) {
    ASSERT_FALSE(KeyExists(kExplorerKey));
    const bool rootLinkBefore = fs::exists("\\Corvex.lnk");
    CreateCorvexLink(kArguments);

    EXPECT_TRUE(KeyExists(kExplorerKey));
    const fs::path onDesktop = fs::path(ShellDesktopFolder()) / "Corvex.lnk";
    const LinkFields expected{javaw_, kArguments, "C:\\Corvex dir\\", 1, "C:\\Corvex dir\\Icon.ico",
                              0};
    EXPECT_EQ(ReadLink(work_ / "Corvex.lnk"), expected);
    EXPECT_EQ(ReadLink(onDesktop), expected);
    if (!rootLinkBefore) {
        EXPECT_FALSE(fs::exists("\\Corvex.lnk")) << "a link landed in the root of the drive";
        fs::remove("\\Corvex.lnk");
    }
    fs::remove(onDesktop);
}

TEST_F(LaunchFilesTest, DesktopEntryOfAnotherTypeRaisesAfterTheFirstSave) {
    const DWORD number = 1;
    SetDesktopValue(REG_DWORD, &number, sizeof number);
    try {
        CreateCorvexLink(kArguments);
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'Desktop'");
    }
    EXPECT_EQ(ReadLink(work_ / "Corvex.lnk").arguments, kArguments);
    EXPECT_TRUE(FileNames(desktop_).empty());
}

TEST_F(LaunchFilesTest, UnwritableDirectoryStillStartsAndLinksTheDesktopAndReportsEachFile) {
    const std::string unwritable = test::UnwritableFolder();
    if (unwritable.empty()) GTEST_SKIP() << "needs Wine's view of the Unix file system";
    ASSERT_TRUE(SetCurrentDirectoryA(unwritable.c_str()));
    SetDesktopFolder(desktop_);
    LaunchBench bench;
    bench.javaHome = MakeJavaHome("Java");
    bench.launcherDirectory = "C:\\Launcher\\";
    bench.Launch();
    EXPECT_EQ(bench.started, std::vector<std::string>{bench.javaHome + "\\bin\\javaw.exe"});
    ASSERT_EQ(bench.errors.size(), 1u);
    // One line a file, each named once, the links by the full path they were saved under.
    const std::string& text = bench.errors[0];
    const std::string::size_type second =
        text.find("\r\nCannot save \"" + unwritable + "\\Corvex.lnk\": ");
    const std::string::size_type third = text.find("\r\nCannot create \"ostrel.bat\": ");
    EXPECT_EQ(text.rfind("Cannot save \"" + unwritable + "\\Configuration.lnk\": ", 0), 0u) << text;
    EXPECT_NE(second, std::string::npos) << text;
    EXPECT_NE(third, std::string::npos) << text;
    EXPECT_LT(second, third) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_EQ(FileNames(desktop_), (std::set<std::string>{"Configuration.lnk", "Corvex.lnk"}));
}

// A desktop folder that takes no file costs only the link there: the one in the current
// directory is saved, and the error names the other by its full path and the system's reason.
TEST_F(LaunchFilesTest, LinkThatCannotBeSavedOnTheDesktopIsNamedAndTheOtherStillSaved) {
    const std::string unwritable = test::UnwritableFolder();
    if (unwritable.empty()) GTEST_SKIP() << "needs Wine's view of the Unix file system";
    SetDesktopFolder(unwritable);
    std::string message;
    try {
        CreateCorvexLink(kArguments);
    } catch (const LinkNotSaved& error) {
        message = error.what();
    }
    const std::string named = "Cannot save \"" + unwritable + "\\Corvex.lnk\": ";
    EXPECT_EQ(message.rfind(named, 0), 0u) << message;
    EXPECT_GT(message.size(), named.size()) << "no reason given";
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_EQ(ReadLink(work_ / "Corvex.lnk").arguments, kArguments);
}

// The script's line goes into the OEM code page, which is UTF-8 on a system set to use it for
// worldwide language support: Windows converts into UTF-8 only without the lost-character check,
// and so the line is read back instead. Wine takes the check for UTF-8 but refuses it for the
// symbol code page, as Windows does: there it shows the way UTF-8 takes on Windows.
TEST_F(LaunchFilesTest, ScriptLineIsCheckedByReadingItBackWhereTheCodePageTakesNoCheck) {
    const std::string path = "C:\\Пользователи\\Дмитрий\\Corvex 🦅";
    std::string bytes;
    EXPECT_TRUE(InCodePageExactly(path, CP_UTF8, bytes));
    EXPECT_EQ(bytes, path);
    EXPECT_TRUE(InCodePageExactly("\uF041\uF062", 42, bytes));
    EXPECT_EQ(bytes, "Ab");
    EXPECT_FALSE(InCodePageExactly("\uF041Д", 42, bytes));
    // A code page that takes the check still refuses what it lacks.
    EXPECT_TRUE(InCodePageExactly("C:\\Jäva 14", 1252, bytes));
    EXPECT_EQ(bytes, "C:\\J\xE4va 14");
    EXPECT_FALSE(InCodePageExactly(path, 1252, bytes));
}

TEST_F(LaunchFilesTest, ScriptThatCannotBeReplacedKeepsItsOldContent) {
    const std::string old = "@echo the old script\r\n";
    WriteBytes(work_ / "ostrel.bat", old);
    // A reader that allows neither writing nor deleting: the script may not change under it.
    KernelHandle reader(CreateFileA("ostrel.bat", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    unsigned long code = 0;
    try {
        CreateLaunchFiles()->CreateBatchFile("new line");
    } catch (const InOutError& error) {
        code = error.code();
    }
    reader.reset();
    EXPECT_NE(code, 0u);
    EXPECT_EQ(ReadBytes(work_ / "ostrel.bat"), old);
    EXPECT_EQ(FileNames(work_), std::set<std::string>{"ostrel.bat"});
}

TEST_F(LaunchFilesTest, ReadOnlyScriptIsKeptAndRefusedWithAccessDenied) {
    const std::string old = "@echo the user's own script\r\n";
    WriteBytes(work_ / "ostrel.bat", old);
    ASSERT_TRUE(SetFileAttributesA("ostrel.bat", FILE_ATTRIBUTE_READONLY));
    unsigned long code = 0;
    std::string message;
    try {
        CreateLaunchFiles()->CreateBatchFile("new line");
    } catch (const InOutError& error) {
        code = error.code();
        message = error.what();
    }
    SetFileAttributesA("ostrel.bat", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(code, static_cast<unsigned long>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(message.rfind("Cannot replace \"ostrel.bat\": ", 0), 0u) << message;
    EXPECT_EQ(ReadBytes(work_ / "ostrel.bat"), old);
    EXPECT_EQ(FileNames(work_), std::set<std::string>{"ostrel.bat"});
}

TEST_F(LaunchFilesTest, ThreadWithoutComGetsTheOleErrorAndNoFile) {
    long result = S_OK;
    std::string message;
    std::thread([&] {
        try {
            CreateCorvexLink(kArguments);
        } catch (const OleError& error) {
            result = error.hresult();
            message = error.what();
        }
    }).join();
    EXPECT_EQ(result, CO_E_NOTINITIALIZED);
    EXPECT_FALSE(message.empty());
    EXPECT_TRUE(FileNames(work_).empty());
}

// The run's log follows no link: an elevated launcher would otherwise write where a link planted
// in the user's folder points. Making a link needs a right a plain user may lack, and Wine's
// CreateSymbolicLinkW makes none: then the case is skipped.
TEST_F(LaunchFilesTest, RunLogFollowsNoSymbolicLinkOfItsFolderOrFile) {
    const fs::path target = root_ / "target";
    fs::create_directories(target);
    WriteBytes(target / "ostrel.log", "kept");
    const fs::path folderLink = root_ / "Ostrel";
    const fs::path fileFolder = root_ / "Plain";
    fs::create_directories(fileFolder);
    constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    CreateSymbolicLinkW(folderLink.c_str(), target.c_str(),
                        SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged);
    const DWORD attributes = GetFileAttributesW(folderLink.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        GTEST_SKIP() << "this system made no symbolic link";
    }
    EXPECT_EQ(OpenRunLogFile((folderLink / "ostrel.log").string()), nullptr);
    ASSERT_TRUE(CreateSymbolicLinkW((fileFolder / "ostrel.log").c_str(),
                                    (target / "ostrel.log").c_str(), kUnprivileged));
    const std::unique_ptr<RunLogFile> file = OpenRunLogFile((fileFolder / "ostrel.log").string());
    if (file) file->Append("written", kRunLogLimit);
    EXPECT_EQ(ReadBytes(target / "ostrel.log"), "kept");
    EXPECT_EQ(FileNames(target), std::set<std::string>{"ostrel.log"});
}

}  // namespace
}  // namespace ostrel
