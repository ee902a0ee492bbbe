#include "editor/editor_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "object/grammar/values.h"
#include "utf8.h"

namespace vesk::editor {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool same_key(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A leading whole number as the platform's profile reader gives it; 0 when none.
long long leading_number(std::string_view s) {
    long long v = 0;
    const char* end = s.data() + s.size();
    const char* p = s.data();
    if (p != end && *p == '+') ++p;
    if (std::from_chars(p, end, v).ec != std::errc{}) return 0;
    return v;
}

void set_colour(uint32_t& out, std::string_view value) {
    grammar::colour c;
    if (grammar::parse_colour(value, c)) out = grammar::gdi_colour(c);
}

struct colour_key {
    std::string_view name;
    colour_pair editor_settings::*pair;  // null: a token pair
    int token_index;
};

void apply(editor_settings& s, std::string_view key, std::string_view value) {
    if (same_key(key, "limit_text_size")) {
        if (const long long n = leading_number(value); n > 0)
            s.limit_text_size = static_cast<uint32_t>(std::min<long long>(n, UINT32_MAX));
        return;
    }
    if (same_key(key, "font_size")) {
        if (const long long n = leading_number(value); n > 0 && n <= 1000)
            s.font_size = static_cast<int>(n);
        return;
    }
    if (same_key(key, "font_face_name")) {
        if (!value.empty()) s.font_face = std::string(value);
        return;
    }
    static constexpr colour_key keys[] = {
        {"base", nullptr, 0},
        {"func", nullptr, 1},
        {"var", nullptr, 2},
        {"comment", nullptr, 3},
        {"symbol", nullptr, 4},
        {"quot", nullptr, 5},
        {"pare", nullptr, 6},
        {"selected", &editor_settings::selected, 0},
        {"pare_check_ok", &editor_settings::pare_check_ok, 0},
        {"pare_check_err", &editor_settings::pare_check_err, 0},
    };
    if (key.size() < 4) return;
    const std::string_view side = key.substr(key.size() - 3);
    const bool fg = same_key(side, "_fg");
    if (!fg && !same_key(side, "_bg")) return;
    const std::string_view name = key.substr(0, key.size() - 3);
    for (const colour_key& k : keys) {
        if (!same_key(name, k.name)) continue;
        colour_pair& pair = k.pair ? s.*k.pair : s.tokens[k.token_index];
        set_colour(fg ? pair.fg : pair.bg, value);
        return;
    }
}

// UTF-16 files (with their byte-order mark) become UTF-8.
std::string as_utf8(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring wide;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                static_cast<unsigned char>(bytes[i + 1]) << 8));
        return cor::to_utf8(wide);
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return std::string(bytes);
}

}  // namespace

editor_settings parse_editor_settings(std::string_view ini) {
    editor_settings s;
    const std::string text = as_utf8(ini);
    std::string_view rest = text;
    bool in_section = false;
    while (!rest.empty()) {
        const size_t nl = rest.find('\n');
        const std::string_view line = trim(rest.substr(0, nl));
        rest = nl == std::string_view::npos ? std::string_view{} : rest.substr(nl + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            in_section = close != std::string_view::npos &&
                         same_key(trim(line.substr(1, close - 1)), "editor");
            continue;
        }
        if (!in_section) continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view value = trim(line.substr(eq + 1));
        // Quotes around a value are the file's own, as the platform's reader takes them.
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        apply(s, trim(line.substr(0, eq)), value);
    }
    return s;
}

}  // namespace vesk::editor
