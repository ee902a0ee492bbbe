#include "script/preprocessor.h"

#include <algorithm>
#include <vector>

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

// A text on its way through preparation, with where each byte came from
// when tracing.
struct traced {
    std::string text;
    origin_map origin;
    bool tracing = false;

    void put(char c, uint32_t from) {
        text += c;
        if (tracing) origin.push_back(from);
    }
    [[nodiscard]] uint32_t from(size_t i) const {
        return tracing ? origin[i] : static_cast<uint32_t>(i);
    }
};

traced start_trace(std::string_view text, bool tracing) {
    traced t{std::string(text), {}, tracing};
    if (tracing) {
        t.origin.resize(text.size());
        for (size_t i = 0; i < text.size(); ++i) t.origin[i] = static_cast<uint32_t>(i);
    }
    return t;
}

// Room for a text as long as `in`, traced like it.
traced like(const traced& in) {
    traced out{{}, {}, in.tracing};
    out.text.reserve(in.text.size());
    if (in.tracing) out.origin.reserve(in.text.size());
    return out;
}

traced crlf_to_lf(traced in) {
    // Most texts have no CR at all.
    if (in.text.find('\r') == std::string::npos) return in;
    traced out = like(in);
    const std::string& text = in.text;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.put(text[i], in.from(i));
    }
    return out;
}

// Where cleaning would first drop a character (always outside quotes), or
// npos when it would keep the text as it is.
size_t first_dropped(const std::string& text, bool trim) {
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted) continue;
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') return i;
        if (trim && is_blank(c)) return i;
    }
    return std::string::npos;
}

// The bytes of `in` from `begin` to `end`, traced like them.
void append_range(traced& out, const traced& in, size_t begin, size_t end) {
    out.text.append(in.text, begin, end - begin);
    if (in.tracing)
        out.origin.insert(out.origin.end(), in.origin.begin() + static_cast<std::ptrdiff_t>(begin),
                          in.origin.begin() + static_cast<std::ptrdiff_t>(end));
}

// Outside quotes: "//" comments dropped with their line feed; in trim mode
// blanks and line feeds dropped too. A text with nothing to drop is kept
// as it is; otherwise what comes before the first drop is copied whole.
traced clean(traced in, bool trim) {
    const size_t first = first_dropped(in.text, trim);
    if (first == std::string::npos) return in;
    traced out = like(in);
    append_range(out, in, 0, first);
    const std::string& text = in.text;
    bool quoted = false;  // nothing is dropped inside quotes
    for (size_t i = first; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') {
            quoted = !quoted;
            out.put(c, in.from(i));
            continue;
        }
        if (!quoted) {
            if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                const size_t lf = text.find('\n', i);
                if (lf == std::string::npos) break;
                i = lf;
                continue;
            }
            if (trim && is_blank(c)) continue;
        }
        out.put(c, in.from(i));
    }
    return out;
}

// A macro's value takes the place of its reference, so all of it traces to
// the reference's first '#'. The text between references is copied whole.
traced replace_outside_quotes(const traced& in, std::string_view from, std::string_view to) {
    traced out = like(in);
    const std::string& text = in.text;
    bool quoted = false;
    size_t copied = 0;  // bytes of `in` already in `out`
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || c != from.front() || text.compare(i, from.size(), from) != 0) continue;
        append_range(out, in, copied, i);
        out.text.append(to);
        if (in.tracing) out.origin.insert(out.origin.end(), to.size(), in.origin[i]);
        i += from.size() - 1;
        copied = i + 1;
    }
    append_range(out, in, copied, text.size());
    return out;
}

// The names of "#name#" references left outside quotes once every macro
// was substituted, in order of appearance, each once.
std::vector<std::string> leftover_macros(std::string_view text, const ordered_map& defines) {
    std::vector<std::string> names;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'') quoted = !quoted;
        if (quoted || text[i] != '#') continue;
        size_t q = i + 1;
        while (q < text.size() && is_name_char(text[q])) ++q;
        if (q == i + 1 || q >= text.size() || text[q] != '#') continue;
        std::string name(text.substr(i + 1, q - i - 1));
        // A macro used by a value set before it is known, just not expanded.
        if (!defines.find(name) && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
        i = q - 1;  // the closing '#' may open the next reference
    }
    return names;
}

// Where each "#name#" of `text` names its macro, quoted or not, as (offset,
// length) of the name: a '#', a run of name characters, a '#'. Each '#'
// opens at most one, so a reference that a search of the text would find
// is among these.
using name_spans = std::vector<std::pair<size_t, size_t>>;

void referenced_names(const std::string& text, name_spans& out) {
    out.clear();
    for (size_t i = text.find('#'); i != std::string::npos; i = text.find('#', i + 1)) {
        size_t q = i + 1;
        while (q < text.size() && is_name_char(text[q])) ++q;
        if (q > i + 1 && q < text.size() && text[q] == '#') out.emplace_back(i + 1, q - i - 1);
    }
}

// A value that leaves a clean text clean wherever it goes: it cannot open
// or close a quote, start a comment, leave a blank to drop, or (empty)
// join a '/' before its reference to one after it.
bool inert(std::string_view value, bool trim) {
    if (value.empty()) return false;
    for (const char c : value)
        if (c == '\'' || c == '/' || (trim && is_blank(c))) return false;
    return true;
}

prepared_script prepare(std::string_view text, bool trim, const ordered_map& defines,
                        bool tracing) {
    traced t = start_trace(text, tracing);
    if (trim) t = crlf_to_lf(std::move(t));
    // Cleaning only ever drops characters: a pass that keeps the length
    // changed nothing, and cleaning the same text again would not either.
    // A macro that does not occur leaves the text as it is, so once it is
    // settled such macros cost a look at the text's references, not two
    // passes; an inert value keeps a settled text settled.
    const auto clean_pass = [&] {
        const size_t before = t.text.size();
        t = clean(std::move(t), trim);
        return t.text.size() == before;
    };
    bool settled = clean_pass();
    name_spans names;
    referenced_names(t.text, names);
    const auto referenced = [&](const std::string& name) {
        for (const auto& [at, length] : names)
            if (length == name.size() && t.text.compare(at, length, name) == 0) return true;
        return false;
    };
    std::string reference;
    for (const auto& [name, value] : defines) {
        if (!referenced(name)) {
            if (!settled && !(settled = clean_pass())) referenced_names(t.text, names);
            continue;
        }
        reference.assign("#").append(name).append("#");
        t = replace_outside_quotes(t, reference, value);
        if (!settled || !inert(value, trim)) settled = clean_pass();
        referenced_names(t.text, names);
    }
    prepared_script out;
    out.undefined_macros = leftover_macros(t.text, defines);
    out.text = std::move(t.text);
    out.origin = std::move(t.origin);
    return out;
}

}  // namespace

const ordered_map& define_table() { return defines_global(); }

bool parse_custom_scripts(std::string_view raw, ordered_map* defines, ordered_map* functions,
                          custom_scripts_error* error,
                          std::vector<std::pair<std::string, origin_map>>* function_origins) {
    // Offsets in `text` trace back to `raw`, so errors and bodies can point
    // into the text as the user wrote it.
    const traced lf = crlf_to_lf(start_trace(raw, true));
    const std::string& text = lf.text;
    enum class state { outside, in_define, in_function } st = state::outside;
    std::string name, body;
    origin_map body_origin;
    size_t block_start = 0;
    const auto starts = [&](size_t i, std::string_view word) {
        return text.compare(i, word.size(), word) == 0;
    };
    const auto fail = [&](size_t at, std::string message) {
        if (error) {
            error->offset = at < text.size() ? lf.from(at) : raw.size();
            error->message = std::move(message);
        }
        return false;
    };

    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (is_blank(c)) {
            if (st != state::outside) {
                body += c;
                body_origin.push_back(lf.from(i));
            }
            ++i;
            continue;
        }
        if (starts(i, "//")) {
            const size_t next = text.find('\n', i);
            i = next == std::string::npos ? text.size() : next + 1;
            continue;
        }
        if (st == state::outside) {
            const bool is_define = starts(i, "#define");
            const bool is_function = !is_define && starts(i, "#function");
            if (!is_define && !is_function)
                return fail(i, starts(i, "#end") ? "#end outside a block"
                                                 : "expected #define or #function");
            block_start = i;
            const std::string_view keyword = is_define ? "#define" : "#function";
            i += keyword.size();
            if (i >= text.size() || (text[i] != ' ' && text[i] != '\t'))
                return fail(i, "expected a blank after " + std::string(keyword));
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
            const size_t name_start = i;
            while (i < text.size() && is_name_char(text[i])) ++i;
            if (i == name_start)
                return fail(
                    i, "expected a name of letters, digits and _ after " + std::string(keyword));
            name.assign(text, name_start, i - name_start);
            if (i >= text.size())
                return fail(block_start,
                            "expected #end to close " + std::string(keyword) + " " + name);
            if (!is_blank(text[i]))
                return fail(i, "expected a blank or a line break after " + name);
            while (i < text.size() && is_blank(text[i])) ++i;
            body.clear();
            body_origin.clear();
            st = is_define ? state::in_define : state::in_function;
            continue;
        }
        if (starts(i, "#end")) {
            const size_t after = i + 4;
            if (after < text.size() && !is_blank(text[after]))
                return fail(after, "expected a blank or a line break after #end");
            if (st == state::in_define) {
                while (!body.empty() && is_blank(body.back())) body.pop_back();
                if (defines) defines->set(name, body);
            } else {
                if (functions) functions->set(name, body);
                if (function_origins) {
                    body_origin.resize(body.size());
                    function_origins->emplace_back(name, std::move(body_origin));
                    body_origin = {};
                }
            }
            st = state::outside;
            i = after;
            continue;
        }
        body += c;
        body_origin.push_back(lf.from(i));
        ++i;
    }
    if (st != state::outside)
        return fail(block_start, std::string("expected #end to close ") +
                                     (st == state::in_define ? "#define " : "#function ") + name);
    return true;
}

bool compile_custom_scripts(std::string_view text, bool trim, custom_scripts_error* error,
                            std::vector<traced_function>* traced_functions) {
    ordered_map defines, functions;
    std::vector<std::pair<std::string, origin_map>> origins;
    if (!parse_custom_scripts(text, &defines, &functions, error,
                              traced_functions ? &origins : nullptr))
        return false;
    for (size_t i = 0; i < functions.size(); ++i) {
        std::string& body = functions.value_at(i);
        if (!traced_functions) {
            body = prepare_script(body, trim, defines);
            continue;
        }
        prepared_script prepared = prepare(body, trim, defines, true);
        // A name set twice keeps its last body, as the table does.
        const auto& name = (functions.begin() + static_cast<std::ptrdiff_t>(i))->first;
        const auto it = std::find_if(origins.rbegin(), origins.rend(),
                                     [&](const auto& o) { return o.first == name; });
        for (uint32_t& at : prepared.origin)
            at = it != origins.rend() && at < it->second.size() ? it->second[at] : 0;
        body = prepared.text;
        traced_functions->push_back({name, std::move(prepared)});
    }
    defines_global() = std::move(defines);
    set_user_functions(std::move(functions));
    return true;
}

std::string prepare_script(std::string_view text, bool trim) {
    return prepare_script(text, trim, defines_global());
}

std::string prepare_script(std::string_view text, bool trim, const ordered_map& defines) {
    return std::move(prepare(text, trim, defines, false).text);
}

prepared_script prepare_traced(std::string_view text, bool trim) {
    return prepare(text, trim, defines_global(), true);
}

}  // namespace vesk
