#include "core/text_win32.h"

#include <algorithm>

namespace ostrel {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 is the system's wide text");

WideText Wide(std::string_view utf8) {
    const std::u16string utf16 = Utf16FromUtf8(utf8);
    WideText wide(utf16.begin(), utf16.end());
    wide.push_back(L'\0');
    return wide;
}

std::string Utf8(const wchar_t* text, std::size_t length) {
    return Utf8FromUtf16(std::u16string(text, text + length));
}

std::string Utf8(const wchar_t* text) { return text ? Utf8(text, wcslen(text)) : std::string(); }

std::string Utf8FromCodePage(std::string_view bytes, UINT codePage) {
    // The system's ANSI and OEM code pages keep ASCII as it is; most text is nothing more.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
        return std::string(bytes);
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return {};
    WideText wide(static_cast<std::size_t>(length));
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return Utf8(wide.data(), wide.size());
}

namespace {

// The code page that CP_ACP, CP_OEMCP and their kind stand for: the rule of the flags goes by
// the number.
UINT ActualCodePage(UINT codePage) {
    if (codePage == CP_ACP) return GetACP();
    if (codePage == CP_OEMCP) return GetOEMCP();
    CPINFOEXW info;
    if ((codePage == CP_MACCP || codePage == CP_THREAD_ACP) && GetCPInfoExW(codePage, 0, &info)) {
        return info.CodePage;
    }
    return codePage;
}

// True when `bytes` read in the code page give `wide` again.
bool ComesBack(const std::string& bytes, UINT codePage, const wchar_t* wide, int units) {
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length != units) return false;
    WideText back(static_cast<std::size_t>(length));
    return MultiByteToWideChar(codePage, 0, bytes.data(), size, back.data(), length) == length &&
           std::equal(back.begin(), back.end(), wide);
}

// With `exactly`, gives false when a character has no form in the code page.
bool Convert(std::string_view utf8, UINT codePage, bool exactly, std::string& bytes) {
    bytes.clear();
    const WideText wide = Wide(utf8);
    const int units = static_cast<int>(wide.size() - 1);
    if (units == 0) return true;
    codePage = ActualCodePage(codePage);
    // Where Windows refuses the flag and the report of lost characters (UTF-8 among them, the
    // ANSI and OEM code page of a system set to UTF-8), the text is read back instead.
    const bool reported = exactly && !CodePageTakesNoFlags(codePage);
    const DWORD flags = reported ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL lost = FALSE;
    BOOL* const lostReport = reported ? &lost : nullptr;
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), units, nullptr, 0, nullptr, lostReport);
    if (length <= 0 || lost) return false;
    bytes.resize(static_cast<std::size_t>(length));
    if (WideCharToMultiByte(codePage, flags, wide.data(), units, bytes.data(), length, nullptr,
                            lostReport) != length ||
        lost) {
        bytes.clear();
        return false;
    }
    return !exactly || reported || ComesBack(bytes, codePage, wide.data(), units);
}

}  // namespace

std::string InCodePage(std::string_view utf8, UINT codePage) {
    std::string bytes;
    Convert(utf8, codePage, false, bytes);
    return bytes;
}

bool InCodePageExactly(std::string_view utf8, UINT codePage, std::string& bytes) {
    return Convert(utf8, codePage, true, bytes);
}

}  // namespace ostrel
