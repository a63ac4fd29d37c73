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

// Gives false when `lost` is asked for and a character had no form in the code page.
bool Convert(std::string_view utf8, UINT codePage, DWORD flags, BOOL* lost, std::string& bytes) {
    bytes.clear();
    const WideText wide = Wide(utf8);
    const int units = static_cast<int>(wide.size() - 1);
    if (units == 0) return true;
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), units, nullptr, 0, nullptr, lost);
    if (length <= 0 || (lost && *lost)) return false;
    bytes.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(codePage, flags, wide.data(), units, bytes.data(), length, nullptr, lost);
    return !(lost && *lost);
}

}  // namespace

std::string InCodePage(std::string_view utf8, UINT codePage) {
    std::string bytes;
    Convert(utf8, codePage, 0, nullptr, bytes);
    return bytes;
}

bool InCodePageExactly(std::string_view utf8, UINT codePage, std::string& bytes) {
    BOOL lost = FALSE;
    return Convert(utf8, codePage, WC_NO_BEST_FIT_CHARS, &lost, bytes);
}

}  // namespace ostrel
