#include "launch/launch_sequence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/text.h"
#include "launch/ShellUtils.h"
#include "tests/fakes/launcher_fakes.h"

namespace ostrel {
namespace {

// The lines as the user reads them.
constexpr char kOnlyTheseKeysRead[] =
    "Ostrel reads only ...\\Java Runtime Environment\\1.4 and \\1.3; a Java installed without "
    "these keys is not listed here";
constexpr char kNoRuntimeNotStarted[] = "Corvex not started: no Java runtime is known";
constexpr char kSilentCorvexNotStarted[] =
    "Corvex not started: the Corvex that is running does not answer";

using test::Journal;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kKey14[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4";
constexpr char kKey13[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.3";
constexpr std::uint32_t kRegDword = 4;
constexpr char k64[] = " (64-bit view)";

class LaunchSequenceTest : public ::testing::Test {
  protected:
    void Run() {
        LaunchPorts ports{log,
                          keys,
                          ui,
                          shell,
                          files,
                          [this] {
                              journal.push_back("search");
                              if (corvexRunning) state.applicationFound = true;
                              return unanswered;
                          },
                          byHand};
        RunLaunchSequence(ports, state);
    }
    // The journal of the launch that follow the window search.
    Journal AfterSearch() const {
        auto search = std::find(journal.begin(), journal.end(), "search");
        return search == journal.end() ? Journal{} : Journal(search + 1, journal.end());
    }

    Journal journal;
    test::FakeLog log;
    test::FakeJavaKeys keys{journal};
    test::FakeUi ui{journal};
    test::FakeShell shell{journal};
    test::FakeFiles files{journal};
    LaunchState state;
    bool corvexRunning = false;
    std::optional<std::string> unanswered;  // the title of a window the search gave up on
    bool byHand = false;
};

TEST_F(LaunchSequenceTest, ListsTheFirstKeyThatOpensAndLaunchesWithItsJavaHome) {
    keys.keys[kKey14]
        .Set("RuntimeLib", kRegSz, "C:\\Java\\bin\\client\\jvm.dll")
        .Set("JavaHome", kRegSz, "C:\\Java 1.4")
        .Set("MicroVersion", kRegSz, "2");
    keys.keys[kKey13].Set("JavaHome", kRegSz, "C:\\Old");
    log.lines.push_back("left over from an earlier run");
    state.applicationFound = true;

    Run();

    EXPECT_EQ(log.clears, 1);
    EXPECT_EQ(state.javaHome, "C:\\Java 1.4");
    EXPECT_THAT(
        log.lines,
        ElementsAre(
            "Registry Key has has an Entry Called \"RuntimeLib\"  with a value of "
            "\"C:\\Java\\bin\\client\\jvm.dll\"",
            "Registry Key has has an Entry Called \"JavaHome\"  with a value of \"C:\\Java 1.4\"",
            "Registry Key has has an Entry Called \"MicroVersion\"  with a value of \"2\"",
            "JavaHome = \"C:\\Java 1.4\"", "Application Path =C:\\Program Files\\Corvex\\",
            "ExecuteFile C:\\Java 1.4\\bin\\javaw.exe -classpath LIB\\Corvex.jar "
            "morvane.r7x.corvex.application.Application  (in C:\\Program Files\\Corvex\\)"));
    // The 1.3 key is never looked at, and the key is closed before the search.
    EXPECT_THAT(journal,
                ElementsAre(std::string("open ") + kKey14, std::string("close ") + kKey14, "search",
                            ::testing::_, ::testing::_, ::testing::_, ::testing::_));
    // Corvex is started first, then the links and the script are written.
    EXPECT_THAT(
        AfterSearch(),
        ElementsAre("execute [C:\\Java 1.4\\bin\\javaw.exe] [-classpath LIB\\Corvex.jar "
                    "morvane.r7x.corvex.application.Application ShowSetupSys] [C:\\Program "
                    "Files\\Corvex\\] 1",
                    "link Configuration.lnk [C:\\Java 1.4\\bin\\javaw.exe] [-classpath "
                    "LIB\\Corvex.jar morvane.r7x.corvex.application.Application  ShowSetup] "
                    "[C:\\Program Files\\Corvex\\] 1 [C:\\Program Files\\Corvex\\Icon.ico] 0",
                    "link Corvex.lnk [C:\\Java 1.4\\bin\\javaw.exe] [-classpath LIB\\Corvex.jar "
                    "morvane.r7x.corvex.application.Application] [C:\\Program Files\\Corvex\\] 1 "
                    "[C:\\Program Files\\Corvex\\Icon.ico] 0",
                    "script [\"C:\\Java 1.4\\bin\\java.exe\" -classpath LIB\\Corvex.jar "
                    "morvane.r7x.corvex.application.Application ShowSetup]"));
}

TEST_F(LaunchSequenceTest, FallsBackToThe13KeyAndListsTheDefaultValue) {
    keys.keys[kKey13].Set("", kRegSz, "default").Set("JavaHome", kRegExpandSz, "%JRE%");
    Run();
    EXPECT_THAT(journal, ::testing::Contains(std::string("open ") + kKey14));
    EXPECT_THAT(journal, ::testing::Not(::testing::Contains("restore")));
    EXPECT_EQ(log.lines.at(0),
              "Registry Key has has an Entry Called \"\"  with a value of \"default\"");
    EXPECT_EQ(log.lines.at(2), "JavaHome = \"%JRE%\"");
    EXPECT_EQ(state.javaHome, "%JRE%");
}

TEST_F(LaunchSequenceTest, RunningCorvexIsReportedAndNothingIsWrittenOrStarted) {
    keys.keys[kKey14].Set("JavaHome", kRegSz, "C:\\Java");
    corvexRunning = true;
    Run();
    EXPECT_EQ(log.lines.back(), "Application Found");
    EXPECT_THAT(AfterSearch(), IsEmpty());
}

TEST_F(LaunchSequenceTest, NoRuntimeShowsTheBoxThenSearchesAndStartsNothing) {
    // Each launch reads the runtime anew: the path of an earlier one, whose key has gone since,
    // is not started after the box has said that there is no runtime.
    state.javaHome = "C:\\Gone";
    Run();
    EXPECT_THAT(
        journal,
        ElementsAre(std::string("open ") + kKey14, std::string("open ") + kKey14 + k64,
                    std::string("open ") + kKey13, std::string("open ") + kKey13 + k64, "restore",
                    "box Error opening key to Java runtime\r!! CANNOT FIND ANY INSTALLED "
                    "JAVA RUNTIME !!",
                    "search"));
    EXPECT_THAT(log.lines,
                ElementsAre("Error opening key to Java runtime!! CANNOT FIND ANY INSTALLED JAVA "
                            "RUNTIME !!",
                            kOnlyTheseKeysRead, kNoRuntimeNotStarted));
    EXPECT_EQ(state.javaHome, "");
    EXPECT_TRUE(state.cannotStart);

    // Closed while the box was open: the launch ends there, and the window once it has.
    journal.clear();
    ui.closeWhileInABox = true;
    Run();
    EXPECT_EQ(
        journal.back(),
        "box Error opening key to Java runtime\r!! CANNOT FIND ANY INSTALLED JAVA RUNTIME !!");
    EXPECT_TRUE(state.cannotStart);  // and the run ends as one that could not start Corvex
}

TEST_F(LaunchSequenceTest, WithoutAJavaHomeNothingIsWrittenOrStartedAndTheUserIsTold) {
    keys.keys[kKey14].Set("Other", kRegSz, "x");  // "JavaHome" missing
    Run();
    EXPECT_EQ(state.javaHome, "");
    EXPECT_TRUE(state.cannotStart);
    EXPECT_THAT(log.lines, ElementsAre(::testing::_, ::testing::_, "JavaHome = \"\"",
                                       kOnlyTheseKeysRead, kNoRuntimeNotStarted));
    EXPECT_THAT(AfterSearch(),
                ElementsAre("error box The Java runtime registered under HKEY_LOCAL_MACHINE\\" +
                            std::string(kKey14) +
                            " has no \"JavaHome\" value, or an empty one, so Corvex cannot be "
                            "started.\r\nReinstall the Java runtime that came with Corvex, then "
                            "start Ostrel again."));

    journal.clear();
    keys.keys[kKey14].Set("JavaHome", kRegSz, "");  // empty
    Run();
    EXPECT_THAT(AfterSearch(), ElementsAre(::testing::StartsWith("error box The Java runtime")));

    journal.clear();
    log.lines.clear();
    keys.keys.clear();
    Run();  // neither key opens either
    EXPECT_EQ(log.lines.back(), kNoRuntimeNotStarted);
    EXPECT_THAT(AfterSearch(), IsEmpty());
}

TEST_F(LaunchSequenceTest, AnInvalidValueTypeEndsTheSequenceWithTheKeyClosed) {
    keys.keys[kKey14]
        .Set("JavaHome", kRegSz, "C:\\Java")
        .Set("Broken", kRegDword, std::string("\x01\0\0\0", 4))
        .Set("After", kRegSz, "never listed");
    state.javaHome = "C:\\Before";
    try {
        Run();
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'Broken'");
    }
    EXPECT_EQ(log.lines.size(), 1u);  // the lines logged so far stay
    EXPECT_EQ(state.javaHome, "C:\\Before");
    EXPECT_THAT(journal,
                ElementsAre(std::string("open ") + kKey14, std::string("close ") + kKey14));
}

TEST_F(LaunchSequenceTest, EachKeyIsLookedForInThe32BitViewThenInThe64BitOne) {
    keys.keys[kKey13].Set("JavaHome", kRegSz, "C:\\Java 32");
    keys.keys64[kKey13].Set("JavaHome", kRegSz, "C:\\Java 64");
    Run();
    EXPECT_EQ(state.javaHome, "C:\\Java 32");
    EXPECT_THAT(Journal(journal.begin(), journal.begin() + 3),
                ElementsAre(std::string("open ") + kKey14, std::string("open ") + kKey14 + k64,
                            std::string("open ") + kKey13));
    EXPECT_THAT(log.lines.at(0), ::testing::StartsWith("Registry Key has"));  // no line of its own

    keys.keys.clear();
    Run();
    EXPECT_EQ(state.javaHome, "C:\\Java 64");
    EXPECT_EQ(log.lines.at(0), std::string("Java runtime key found in the 64-bit registry view: "
                                           "HKEY_LOCAL_MACHINE\\") +
                                   kKey13);

    // 32-bit Windows has one registry: each key is opened once.
    journal.clear();
    keys.views = {RegistryView::k32Bit};
    Run();
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::string& entry) { return entry.rfind("open ", 0) == 0; }),
              2);
}

// A key that names no runtime that could start, and what the launch shows when it is the only
// key, as it did before keys were passed over.
struct StaleKey {
    const char* reason;
    std::uint32_t type;
    const char* javaHome;  // none: no "JavaHome" value
    const char* alone;     // the box, or the error that ends the launch
};

constexpr StaleKey kStaleKeys[] = {
    {"no \"JavaHome\" value", kRegSz, nullptr, "error box The Java runtime registered under"},
    {"\"JavaHome\" is empty", kRegSz, "", "error box The Java runtime registered under"},
    {"\"JavaHome\" is not text", kRegDword, "\x01", "Invalid data type for 'JavaHome'"},
    {"no bin\\javaw.exe in \"C:\\Gone\"", kRegSz, "C:\\Gone",
     "error box Cannot start \"C:\\Gone\\bin\\javaw.exe\": not found"},
};

TEST_F(LaunchSequenceTest, AStaleKeyIsPassedOverForAWorkingOneAndUsedOnlyWhenAlone) {
    keys.missing = {"C:\\Gone\\bin\\javaw.exe"};
    for (const StaleKey& stale : kStaleKeys) {
        SCOPED_TRACE(stale.reason);
        journal.clear();
        keys.keys.clear();
        if (stale.javaHome) keys.keys[kKey14].Set("JavaHome", stale.type, stale.javaHome);
        keys.keys[kKey14].Set("Other", kRegSz, "x");
        keys.keys[kKey13].Set("JavaHome", kRegSz, "C:\\Java 1.3");
        shell.fails = false;
        Run();
        EXPECT_EQ(log.lines.at(0),
                  std::string("Java runtime key passed over: HKEY_LOCAL_MACHINE\\") + kKey14 +
                      " (32-bit view): " + stale.reason);
        EXPECT_EQ(state.javaHome, "C:\\Java 1.3");
        EXPECT_FALSE(state.cannotStart);
        EXPECT_THAT(journal, ::testing::Not(::testing::Contains(::testing::HasSubstr("box"))));

        // Alone, the key is read as before, and nothing is started.
        journal.clear();
        keys.keys.erase(kKey13);
        shell.fails = true;  // no javaw.exe to start
        std::string outcome;
        try {
            Run();
            outcome = journal.back();
        } catch (const Exception& error) {
            outcome = error.what();
        }
        EXPECT_EQ(outcome.rfind(stale.alone, 0), 0u) << outcome;
    }
}

TEST_F(LaunchSequenceTest, WithoutAUsableKeyTheOtherRuntimesAreNamedAfterTheFailedSearch) {
    const std::string jre = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\";
    keys.keys[jre + "1.8"].Set("JavaHome", kRegSz, "C:\\jre8");
    keys.keys[jre + "1.8.0_391"].Set("JavaHome", kRegSz, "C:\\jre8");  // the same runtime
    keys.keys64["SOFTWARE\\JavaSoft\\JDK\\21"].Set("JavaHome", kRegSz, "C:\\jdk21");
    keys.keys64["SOFTWARE\\JavaSoft\\JRE\\17"].Set("JavaHome", kRegDword, "\x01");
    Run();
    const std::string other =
        "Other Java runtime, not used: HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\";
    EXPECT_THAT(
        log.lines,
        ElementsAre("Error opening key to Java runtime!! CANNOT FIND ANY INSTALLED JAVA "
                    "RUNTIME !!",
                    other + "Java Runtime Environment\\1.8 (32-bit view), JavaHome \"C:\\jre8\"",
                    other + "JRE\\17 (64-bit view), JavaHome \"\"",
                    other + "JDK\\21 (64-bit view), JavaHome \"C:\\jdk21\"", kOnlyTheseKeysRead,
                    kNoRuntimeNotStarted));
    EXPECT_THAT(journal, ::testing::Contains("box Error opening key to Java runtime\r!! CANNOT "
                                             "FIND ANY INSTALLED JAVA RUNTIME !!"));
}

// Each write is tried after the start, and what failed is reported in one box; the launch then
// goes on as after a clean one. A start that fails itself is named first in that box.
TEST_F(LaunchSequenceTest, FailedWritesAreEachTriedAfterTheStartAndReportedInOneBox) {
    keys.keys[kKey14].Set("JavaHome", kRegSz, "C:\\Java");
    files.failing = {"Configuration.lnk", "script"};
    files.notSaved = {"Corvex.lnk"};
    Run();
    // A link that failed before saving is named by the sequence; one whose save failed names
    // its file itself.
    EXPECT_THAT(
        AfterSearch(),
        ElementsAre(::testing::StartsWith("execute "),
                    ::testing::StartsWith("link Configuration.lnk "),
                    ::testing::StartsWith("link Corvex.lnk "), ::testing::StartsWith("script "),
                    "error box Cannot create \"Configuration.lnk\": Access denied\r\n"
                    "Cannot save \"C:\\Corvex\\Corvex.lnk\": Access denied\r\n"
                    "Access denied"));
    EXPECT_EQ(log.lines.size(), 4u);  // the log is that of a clean launch

    EXPECT_FALSE(state.cannotStart);

    // The shell refuses the start: the same box says so first, and where the run's log is, and
    // there is nothing to wait for.
    journal.clear();
    shell.fails = true;
    Run();
    EXPECT_THAT(
        AfterSearch(),
        ElementsAre(::testing::StartsWith("execute "), ::testing::_, ::testing::_,
                    ::testing::StartsWith("script "),
                    "error box Cannot start \"C:\\Java\\bin\\javaw.exe\": not found\r\n"
                    "Cannot create \"Configuration.lnk\": Access denied\r\n"
                    "Cannot save \"C:\\Corvex\\Corvex.lnk\": Access denied\r\nAccess denied"));
    EXPECT_TRUE(state.cannotStart);
    EXPECT_EQ(state.commandLine,
              "\"C:\\Java\\bin\\javaw.exe\" -classpath LIB\\Corvex.jar "
              "morvane.r7x.corvex.application.Application ShowSetupSys");
}

// A Corvex that runs but has not answered its polls: a second one beside it would not help.
TEST_F(LaunchSequenceTest, ACorvexThatDoesNotAnswerIsReportedAndNoSecondOneStarted) {
    keys.keys[kKey14].Set("JavaHome", kRegSz, "C:\\Java");
    unanswered = "Corvex";
    Run();
    EXPECT_THAT(AfterSearch(),
                ElementsAre("error box Corvex is running (its window \"Corvex\"), but it does not "
                            "answer.\r\nClose it, or end it in Task Manager, then start Ostrel "
                            "again."));
    EXPECT_EQ(log.lines.back(), kSilentCorvexNotStarted);
    EXPECT_TRUE(state.cannotStart);

    // Asked for by hand, the start goes ahead.
    journal.clear();
    byHand = true;
    Run();
    EXPECT_THAT(AfterSearch(), ::testing::Contains(::testing::StartsWith("execute ")));
    EXPECT_FALSE(state.cannotStart);
}

// What a refused start's box says: Windows' own words, as Windows means them.
TEST(RefusedStartText, FillsTheProgramInAndTellsTheShellsCodesByTheirOwnMeaning) {
    EXPECT_EQ(WithFirstInsert("%1 is not a valid Win32 application.", "\"C:\\j.exe\""),
              "\"C:\\j.exe\" is not a valid Win32 application.");
    EXPECT_EQ(WithFirstInsert("%1 and %10 at 100%", "x"), "x and %10 at 100%");
    EXPECT_EQ(ShellResultText(28),  // not "The printer is out of paper."
              "The DDE transaction could not be completed because the request timed out.");
    EXPECT_EQ(ShellResultText(31),
              "There is no application associated with the given file name extension.");
    EXPECT_EQ(ShellResultText(2), "");  // the system's "file not found"
}

TEST(LauncherDirectory, KeepsEverythingUpToTheLastBackslashOrColon) {
    EXPECT_EQ(LauncherDirectory("C:\\Program Files\\Corvex\\ostrel.exe"),
              "C:\\Program Files\\Corvex\\");
    EXPECT_EQ(LauncherDirectory("C:ostrel.exe"), "C:");
    EXPECT_EQ(LauncherDirectory("ostrel.exe"), "");
}

}  // namespace
}  // namespace ostrel
