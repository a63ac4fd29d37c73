// Texts of the application object: its title and the message of its default error box.
#pragma once

#include <string>

namespace ostrel {

// Lower-cases every character of a name after its first, in the name's own code page.
using LowerAfterFirst = std::string (*)(const std::string& name);

// Byte by byte, in the C locale: enough for names of ASCII letters.
std::string AsciiLowerAfterFirst(const std::string& name);

// The program file's name without its directory and from its first "." on, every character
// after the first in lower case: "C:\Apps\OSTREL.EXE" gives "Ostrel".
std::string ApplicationTitle(const std::string& programPath,
                             LowerAfterFirst lowerAfterFirst = AsciiLowerAfterFirst);

// The message as the default error box shows it: "." appended when its last character sorts
// after ".".
std::string ErrorBoxText(const std::string& message);

}  // namespace ostrel
