#include "script/options.h"

#include "utf8.h"

namespace vesk {

std::optional<std::string_view> option_value(std::string_view param, std::string_view keyword) {
    // Compared over as many characters as the keyword with its colon has.
    std::string key(keyword);
    key += ':';
    if (cor::stricmp_utf8_partial(param, key) != 0) return std::nullopt;
    size_t pos = 0, chars = 0;
    const size_t key_chars = [&] {
        size_t n = 0, p = 0;
        while (p < key.size()) {
            cor::utf8_next(key, p);
            ++n;
        }
        return n;
    }();
    while (pos < param.size() && chars < key_chars) {
        cor::utf8_next(param, pos);
        ++chars;
    }
    return param.substr(pos);
}

bool is_keyword(std::string_view param, std::string_view keyword) {
    return cor::stricmp_utf8(param, keyword) == 0;
}

bool read_bool(std::string_view text) {
    if (cor::iequals_utf8(text, "on") || cor::iequals_utf8(text, "true")) return true;
    if (cor::iequals_utf8(text, "off") || cor::iequals_utf8(text, "false")) return false;
    // Digits at the start (after an optional minus), within the first ten characters.
    const std::string_view head = text.substr(0, 10);
    size_t i = 0;
    if (i < head.size() && head[i] == '-') ++i;
    int64_t value = 0;
    for (; i < head.size() && head[i] >= '0' && head[i] <= '9'; ++i)
        value = value * 10 + (head[i] - '0');
    return value != 0;
}

int64_t read_int(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

uint64_t read_unsigned(std::string_view text) {
    uint64_t value = 0;
    for (size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    return value;
}

namespace {
// Replaces every `from` (backslash and one ASCII letter or sign, the
// letter ignoring case) with `to`, left to right.
std::string replace_escape(const std::string& text, char from, char to) {
    std::string out;
    out.reserve(text.size());
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && lower(text[i + 1]) == lower(from)) {
            out += to;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
}  // namespace

std::string unescape_script(std::string_view text) {
    std::string s(text);
    s = replace_escape(s, 'p', '%');
    s = replace_escape(s, 'd', '$');
    s = replace_escape(s, '{', '(');
    s = replace_escape(s, '}', ')');
    s = replace_escape(s, '\\', '\\');
    s = replace_escape(s, '"', '\'');
    return s;
}

}  // namespace vesk
