#include "script/preprocessor.h"

#include "script/user_functions.h"

namespace vesk {
namespace {

ordered_map& defines_global() {
    static ordered_map t;
    return t;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string crlf_to_lf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

// Outside quotes: "//" comments dropped with their line feed; in trim mode
// blanks and line feeds dropped too.
std::string clean(std::string_view text, bool trim) {
    std::string out;
    out.reserve(text.size());
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (!quoted) {
            if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                const size_t lf = text.find('\n', i);
                if (lf == std::string_view::npos) break;
                i = lf;
                continue;
            }
            if (trim && is_blank(c)) continue;
        }
        out += c;
    }
    return out;
}

std::string replace_outside_quotes(std::string_view text, std::string_view from,
                                   std::string_view to) {
    std::string out;
    out.reserve(text.size());
    bool quoted = false;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\'') {
            quoted = !quoted;
            out += text[i++];
            continue;
        }
        if (!quoted && text.compare(i, from.size(), from) == 0) {
            out += to;
            i += from.size();
            continue;
        }
        out += text[i++];
    }
    return out;
}

}  // namespace

const ordered_map& define_table() { return defines_global(); }

bool parse_custom_scripts(std::string_view raw, ordered_map* defines, ordered_map* functions) {
    const std::string text = crlf_to_lf(raw);
    enum class state { outside, in_define, in_function } st = state::outside;
    std::string name, body;
    const auto starts = [&](size_t i, std::string_view word) {
        return text.compare(i, word.size(), word) == 0;
    };

    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (is_blank(c)) {
            if (st != state::outside) body += c;
            ++i;
            continue;
        }
        if (starts(i, "//")) {
            const size_t lf = text.find('\n', i);
            i = lf == std::string::npos ? text.size() : lf + 1;
            continue;
        }
        if (st == state::outside) {
            const bool is_define = starts(i, "#define");
            const bool is_function = !is_define && starts(i, "#function");
            if (!is_define && !is_function) return false;  // #end or any text outside a block
            i += is_define ? 7 : 9;
            if (i >= text.size() || (text[i] != ' ' && text[i] != '\t')) return false;
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
            const size_t name_start = i;
            while (i < text.size() && is_name_char(text[i])) ++i;
            if (i == name_start || i >= text.size() || !is_blank(text[i])) return false;
            name.assign(text, name_start, i - name_start);
            while (i < text.size() && is_blank(text[i])) ++i;
            body.clear();
            st = is_define ? state::in_define : state::in_function;
            continue;
        }
        if (starts(i, "#end")) {
            const size_t after = i + 4;
            if (after < text.size() && !is_blank(text[after])) return false;
            if (st == state::in_define) {
                while (!body.empty() && is_blank(body.back())) body.pop_back();
                if (defines) defines->set(name, body);
            } else if (functions) {
                functions->set(name, body);
            }
            st = state::outside;
            i = after;
            continue;
        }
        body += c;
        ++i;
    }
    return st == state::outside;
}

bool compile_custom_scripts(std::string_view text, bool trim) {
    if (!parse_custom_scripts(text, nullptr, nullptr)) return false;
    ordered_map defines, functions;
    (void)parse_custom_scripts(text, &defines, &functions);
    for (size_t i = 0; i < functions.size(); ++i)
        functions.value_at(i) = prepare_script(functions.value_at(i), trim, defines);
    defines_global() = std::move(defines);
    set_user_functions(std::move(functions));
    return true;
}

std::string prepare_script(std::string_view text, bool trim) {
    return prepare_script(text, trim, defines_global());
}

std::string prepare_script(std::string_view text, bool trim, const ordered_map& defines) {
    std::string s = clean(trim ? crlf_to_lf(text) : std::string(text), trim);
    for (const auto& [name, value] : defines) {
        s = replace_outside_quotes(s, "#" + name + "#", value);
        s = clean(s, trim);
    }
    return s;
}

}  // namespace vesk
