// Text inside the program is UTF-8 in std::string; the system's wide calls take UTF-16. Only the
// adapters convert, at the system's edge, so that any folder and user name passes through whole.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel {

// Bytes that are no UTF-8, and halves of surrogate pairs standing alone, become U+FFFD.
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

// The first `count` characters (code points) of UTF-8 text, or all of it when it has fewer.
std::string FirstCharacters(const std::string& utf8, std::size_t count);

}  // namespace ostrel
