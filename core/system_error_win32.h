// How the program reports a Win32 call that failed: what it was doing, the system's own words for
// the error, and its code.
#pragma once

#include <windows.h>

#include <string>

#include "core/errors.h"

namespace ostrel {

// The system's text for an error code or an HRESULT, without the line break it ends with; "" where
// the system has none.
std::string SystemMessage(DWORD code);

// "<what>: <the system's text>", or "<what> (error <code>)" where the system has no text for it.
// A text that names what failed as "%1" gets `subject` there.
UserText SystemErrorText(const UserText& what, DWORD code, const std::string& subject = "");

// Raises `Error` (SystemError, or InOutError for a file) with that text and the code.
template <typename Error = SystemError>
[[noreturn]] void RaiseSystemError(const UserText& what, DWORD code = GetLastError(),
                                   const std::string& subject = "") {
    throw Error(SystemErrorText(what, code, subject), code);
}

// The OLE error for a failed COM call: the system's text for the HRESULT, or its number.
OleError OleFailure(HRESULT result);

}  // namespace ostrel
