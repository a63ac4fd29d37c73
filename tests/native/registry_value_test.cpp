#include "launch/registry_value.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/text.h"
#include "tests/fakes/launcher_fakes.h"

namespace ostrel {
namespace {

using test::FakeRegistryKey;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegMultiSz = 7;

std::string ErrorOf(FakeRegistryKey& key, const std::string& name) {
    try {
        ReadRegistryString(key, name);
    } catch (const Exception& error) {
        return error.what();
    }
    return "no error";
}

TEST(RegistryString, MissingAndEmptyValuesReadAsEmpty) {
    FakeRegistryKey key;
    key.Set("Empty", kRegSz, "").Set("EmptyDword", kRegDword, "");
    EXPECT_EQ(ReadRegistryString(key, "Missing"), "");
    EXPECT_EQ(ReadRegistryString(key, "Empty"), "");
    // Size 0 wins over the type: no error for an empty value of any type.
    EXPECT_EQ(ReadRegistryString(key, "EmptyDword"), "");
}

TEST(RegistryString, StringsAreCutAtTheirFirstZeroAndNotExpanded) {
    FakeRegistryKey key;
    key.Set("JavaHome", kRegSz, std::string("C:\\Java\0", 8))
        .Set("Expand", kRegExpandSz, std::string("%SystemRoot%\\x\0", 15))
        .Set("", kRegSz, std::string("default\0tail\0", 13))
        .Set("NoTerminator", kRegSz, "abc");
    EXPECT_EQ(ReadRegistryString(key, "JavaHome"), "C:\\Java");
    EXPECT_EQ(ReadRegistryString(key, "Expand"), "%SystemRoot%\\x");
    EXPECT_EQ(ReadRegistryString(key, ""), "default");
    EXPECT_EQ(ReadRegistryString(key, "NoTerminator"), "abc");
}

TEST(RegistryString, OtherTypesWithDataRaise) {
    FakeRegistryKey key;
    key.Set("Dword", kRegDword, std::string("\x01\0\0\0", 4))
        .Set("Binary", kRegBinary, std::string(65536, 'x'))
        .Set("Multi", kRegMultiSz, std::string("a\0b\0\0", 5));
    EXPECT_EQ(ErrorOf(key, "Dword"), "Invalid data type for 'Dword'");
    EXPECT_EQ(ErrorOf(key, "Binary"), "Invalid data type for 'Binary'");
    EXPECT_EQ(ErrorOf(key, "Multi"), "Invalid data type for 'Multi'");
}

TEST(RegistryString, FailedReadRaisesBeforeTheTypeIsLookedAt) {
    FakeRegistryKey key;
    key.Set("Flaky", kRegDword, "1234");
    key.values.back().readFails = true;
    EXPECT_EQ(ErrorOf(key, "Flaky"), "Failed to get data for 'Flaky'");
}

// The registry, the shell and the files speak UTF-16; the launcher keeps its text in UTF-8.
TEST(RegistryString, TextBeyondAnyAnsiCodePageComesThroughUtf16Whole) {
    for (const std::string text :
         {"C:\\Users\\Дмитрий\\AppData", "C:\\Jäva 14", "С:\\用户\\桌面", "Corvex 🦅"}) {
        EXPECT_EQ(Utf8FromUtf16(Utf16FromUtf8(text)), text);
        FakeRegistryKey key;
        key.Set("JavaHome", kRegSz, text);
        EXPECT_EQ(ReadRegistryString(key, "JavaHome"), text);
    }
    EXPECT_EQ(Utf16FromUtf8("C:\\Java\\bin"), u"C:\\Java\\bin");
    EXPECT_EQ(Utf16FromUtf8("🦅").size(), 2u);  // a surrogate pair
    // What is no UTF-8, and a surrogate standing alone, becomes U+FFFD, not a cut text.
    EXPECT_EQ(Utf16FromUtf8("a\xFF\xC3"
                            "b"),
              u"a\uFFFD\uFFFDb");
    EXPECT_EQ(Utf8FromUtf16(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\uFFFDy");
}

// A path bound for the ANSI or OEM code page is converted with a lost-character check only where
// Windows takes one: on a system set to UTF-8 both code pages are 65001, and the call with the
// check fails there, so that no start script could ever be written.
TEST(RegistryString, CodePagesThatTakeNoFlagsAreExactlyThoseWindowsLists) {
    for (const unsigned codePage : {42u, 50220u, 50221u, 50222u, 50225u, 50227u, 50229u, 54936u,
                                    57002u, 57011u, 65000u, 65001u}) {
        EXPECT_TRUE(CodePageTakesNoFlags(codePage)) << codePage;
    }
    // Their neighbours, a number in the ISO-2022 range that names no code page, the usual single-
    // and double-byte ones, and CP_ACP and CP_OEMCP, which stand for a number to be looked up.
    for (const unsigned codePage : {41u, 43u, 50219u, 50223u, 50230u, 54935u, 57001u, 57012u,
                                    65002u, 1252u, 437u, 850u, 866u, 936u, 932u, 0u, 1u}) {
        EXPECT_FALSE(CodePageTakesNoFlags(codePage)) << codePage;
    }
}

}  // namespace
}  // namespace ostrel
