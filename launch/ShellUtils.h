// ShellUtils, the part that needs no shell: what the shell's own result codes mean.
#pragma once

#include <string>

namespace ostrel {

// The longest program path and working directory, in UTF-16 units, that the shell takes: the
// system's path limit (MAX_PATH) without the terminating NUL.
inline constexpr int kLongestShellPath = 259;

// The meaning of a result code of the shell's own (SE_ERR_..., the values up to 32 that a start
// hands back), where it is not the system error of the same number; "" where it is. The meanings
// are the system's own, as its documentation words them: a reason given as the system gives one,
// not a text of the program's (those are in core/user_texts.h).
std::string ShellResultText(unsigned code);

}  // namespace ostrel
