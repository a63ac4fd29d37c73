#include "handover/wake_up_win32.h"

#include <windows.h>

#include "core/system_error_win32.h"
#include "core/text_win32.h"

namespace ostrel {
namespace {

SYSTEMTIME ToSystemTime(const LocalTime& time) {
    SYSTEMTIME result{};
    result.wYear = static_cast<WORD>(time.year);
    result.wMonth = static_cast<WORD>(time.month);
    result.wDayOfWeek = static_cast<WORD>(time.dayOfWeek);
    result.wDay = static_cast<WORD>(time.day);
    result.wHour = static_cast<WORD>(time.hour);
    result.wMinute = static_cast<WORD>(time.minute);
    result.wSecond = static_cast<WORD>(time.second);
    result.wMilliseconds = static_cast<WORD>(time.milliseconds);
    return result;
}

// Runs a formatting call of the GetDateFormatW kind twice: once for the size, once for the text.
template <typename Format>
std::string Formatted(Format format) {
    const int size = format(nullptr, 0);
    if (size > 0) {
        WideText text(static_cast<std::size_t>(size));
        const int written = format(text.data(), size);
        if (written > 0) {
            return Utf8(text.data(), static_cast<std::size_t>(written - 1));  // without the NUL
        }
    }
    RaiseSystemError(HandOverTexts::CannotFormatDateTime);
}

// The user's own formats, read afresh on every call as the system keeps them.
class UserDateTimeFormat : public DateTimeFormat {
  public:
    std::string ShortDate(const LocalTime& time) override {
        const SYSTEMTIME date = ToSystemTime(time);
        return Formatted([&](wchar_t* buffer, int size) {
            return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, buffer,
                                  size);
        });
    }
    std::string LongTime(const LocalTime& time) override {
        const SYSTEMTIME clock = ToSystemTime(time);
        return Formatted([&](wchar_t* buffer, int size) {
            return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &clock, nullptr, buffer, size);
        });
    }
    // The bytes that GetDateFormatA and GetTimeFormatA give.
    std::string InAnsiCodePage(const std::string& text) override {
        return InCodePage(text, CP_ACP);
    }
};

}  // namespace

std::unique_ptr<DateTimeFormat> CreateUserDateTimeFormat() {
    return std::make_unique<UserDateTimeFormat>();
}

}  // namespace ostrel
