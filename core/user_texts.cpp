#include "core/user_texts.h"

namespace ostrel {

UserText& UserText::AddLine(const UserText& line) {
    if (!text_.empty()) text_.append("\r\n");
    text_.append(line.text_);
    return *this;
}

TextConstant::operator UserText() const { return UserText(words_); }

UserText TextTable::Filled(const char* words, std::initializer_list<std::string_view> values) {
    std::string text;
    for (const char* at = words; *at; ++at) {
        const auto value = static_cast<std::size_t>(at[1] - '1');
        if (at[0] == '%' && value < values.size()) {
            text.append(values.begin()[value]);
            ++at;
        } else {
            text += *at;
        }
    }
    return UserText(std::move(text));
}

}  // namespace ostrel
