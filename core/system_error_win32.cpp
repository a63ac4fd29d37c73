#include "core/system_error_win32.h"

#include "core/text.h"
#include "core/text_win32.h"

namespace ostrel {

std::string SystemMessage(DWORD code) {
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, 512, nullptr);
    while (length > 0 &&
           (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) {
        --length;
    }
    return Utf8(text, length);
}

std::string SystemErrorText(const std::string& what, DWORD code, const std::string& subject) {
    const std::string reason = SystemMessage(code);
    if (reason.empty()) return what + " (error " + std::to_string(code) + ")";
    return what + ": " + (subject.empty() ? reason : WithFirstInsert(reason, subject));
}

OleError OleFailure(HRESULT result) {
    std::string message = SystemMessage(static_cast<DWORD>(result));
    if (message.empty()) {
        message = "OLE error " + EightHexDigits(static_cast<std::uint32_t>(result));
    }
    return OleError(message, result);
}

}  // namespace ostrel
