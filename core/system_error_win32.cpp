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

UserText SystemErrorText(const UserText& what, DWORD code, const std::string& subject) {
    const std::string reason = SystemMessage(code);
    if (reason.empty()) return SystemTexts::WithCode(what, std::to_string(code));
    return SystemTexts::WithReason(what,
                                   subject.empty() ? reason : WithFirstInsert(reason, subject));
}

OleError OleFailure(HRESULT result) {
    const std::string message = SystemMessage(static_cast<DWORD>(result));
    if (message.empty()) {
        return OleError(SystemTexts::OleError(EightHexDigits(static_cast<std::uint32_t>(result))),
                        result);
    }
    return OleError(UserText::Verbatim(message), result);
}

}  // namespace ostrel
