// The program's UTF-8 text at the system's edge: UTF-16 for the wide calls, and the code pages
// that a few old interfaces still speak.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace ostrel {

// UTF-16 ended by a NUL. A vector rather than std::wstring: the wide string class would bring
// about 35 KiB of library code into the program.
using WideText = std::vector<wchar_t>;

WideText Wide(std::string_view utf8);
std::string Utf8(const wchar_t* text, std::size_t length);
// Up to the NUL; "" for none.
std::string Utf8(const wchar_t* text);

// Text of a code page that keeps ASCII as it is (the system's ANSI or OEM one) as UTF-8.
std::string Utf8FromCodePage(std::string_view bytes, UINT codePage);
// UTF-8 in a code page as the system's ...A calls give it: a character the code page lacks
// comes out as a look-alike or the code page's default character.
std::string InCodePage(std::string_view utf8, UINT codePage);
// UTF-8 in a code page; false when a character has no form there.
bool InCodePageExactly(std::string_view utf8, UINT codePage, std::string& bytes);

}  // namespace ostrel
