// Text inside the program is UTF-8 in std::string; the system's wide calls take UTF-16. Only the
// adapters convert, at the system's edge, so that any folder and user name passes through whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// Bytes that are no UTF-8, and halves of surrogate pairs standing alone, become U+FFFD.
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

// The first `count` characters (code points) of UTF-8 text, or all of it when it has fewer.
std::string FirstCharacters(const std::string& utf8, std::size_t count);

// Code pages that Windows converts UTF-16 into only without flags and without a report of the
// characters it could not write (it refuses the call otherwise); among them UTF-8, the ANSI and
// OEM code page of a system set to use UTF-8 for worldwide language support. Takes a code page's
// number, not CP_ACP or CP_OEMCP.
bool CodePageTakesNoFlags(unsigned codePage);

// The system's text for an error with "%1" where it names what failed (error 193: "%1 is not a
// valid Win32 application."), that filled with `insert`.
std::string WithFirstInsert(const std::string& text, const std::string& insert);

// The number as eight upper-case hexadecimal digits, as "%08lX" writes it: how Windows writes its
// status codes and HRESULTs.
std::string EightHexDigits(std::uint32_t value);

}  // namespace ostrel
