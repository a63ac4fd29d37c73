#include "core/text.h"

namespace ostrel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code point that starts at `at`, which moves past it. A sequence that is cut short,
// overlong, a surrogate or beyond U+10FFFF gives U+FFFD for its first byte only, so that the
// bytes after it are read afresh.
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    int length = 0;
    char32_t point = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 1, point = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2, point = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3, point = lead & 0x07, smallest = 0x10000;
    } else {
        return kReplacement;
    }
    if (text.size() - at < static_cast<std::size_t>(length)) return kReplacement;
    for (int i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte)) return kReplacement;
        point = point << 6 | (byte & 0x3F);
    }
    if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return kReplacement;
    }
    at += length;
    return point;
}

void AppendUtf8(char32_t point, std::string& out) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | point >> 6);
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | point >> 12);
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | point >> 18);
        out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::u16string Utf16FromUtf8(std::string_view utf8) {
    std::u16string utf16;
    utf16.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t point = NextCodePoint(utf8, at);
        if (point < 0x10000) {
            utf16 += static_cast<char16_t>(point);
        } else {
            utf16 += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            utf16 += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
    }
    return utf16;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
    std::string utf8;
    utf8.reserve(utf16.size());
    for (std::size_t at = 0; at < utf16.size(); ++at) {
        const char16_t unit = utf16[at];
        char32_t point = unit;
        if (IsHighSurrogate(unit) && at + 1 < utf16.size() && IsLowSurrogate(utf16[at + 1])) {
            point = 0x10000 + ((unit - 0xD800) << 10) + (utf16[++at] - 0xDC00);
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            point = kReplacement;
        }
        AppendUtf8(point, utf8);
    }
    return utf8;
}

std::string FirstCharacters(const std::string& utf8, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t taken = 0; taken < count && at < utf8.size(); ++taken) {
        do {
            ++at;
        } while (at < utf8.size() && IsContinuation(static_cast<unsigned char>(utf8[at])));
    }
    return utf8.substr(0, at);
}

std::string WithFirstInsert(const std::string& text, const std::string& insert) {
    std::string filled;
    std::string::size_type from = 0;
    for (auto at = text.find("%1"); at != std::string::npos; at = text.find("%1", from)) {
        // "%10" is the tenth insert, not the first followed by a zero.
        const bool first = at + 2 == text.size() || text[at + 2] < '0' || text[at + 2] > '9';
        filled.append(text, from, at - from).append(first ? insert : "%1");
        from = at + 2;
    }
    return filled.append(text, from, std::string::npos);
}

std::string EightHexDigits(std::uint32_t value) {
    std::string digits(8, '0');
    for (std::size_t at = digits.size(); value != 0; value >>= 4) {
        digits[--at] = "0123456789ABCDEF"[value & 0xF];
    }
    return digits;
}

bool CodePageTakesNoFlags(unsigned codePage) {
    switch (codePage) {
        case 42:     // Symbol
        case 50220:  // ISO-2022: Japanese (three forms), Korean, Chinese (two)
        case 50221:
        case 50222:
        case 50225:
        case 50227:
        case 50229:
        case 54936:  // GB18030; like UTF-8 it takes the one flag that rejects invalid UTF-16
        case 65000:  // UTF-7
        case 65001:  // UTF-8
            return true;
        default:
            return codePage >= 57002 && codePage <= 57011;  // ISCII
    }
}

}  // namespace ostrel
