// The Host's built-in functions. As a rule, control flow returns the truth
// of the branch it writes, text functions the truth of their first argument,
// arithmetic whether any argument was true, and logic functions write
// nothing; the exceptions are noted where they occur.
#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <iterator>

#include "eval.h"
#include "name_table.h"
#include "text_functions.h"
#include "unicode.h"

namespace cor::tf {
namespace {

using namespace builtin_text;

// GCC and mingw-w64 both have it; the products below need 128 bits.
__extension__ typedef __int128 i128;

// ---------------------------------------------------------------- control flow

bool fn_if(evaluator&, call_args& a, std::string& out) {
    if (a.found(0)) return a.emit(1, out);
    return a.size() == 3 && a.emit(2, out);
}

bool fn_if2(evaluator&, call_args& a, std::string& out) {
    const size_t mark = out.size();
    if (a.emit(0, out)) return true;
    out.resize(mark);
    return a.emit(1, out);
}

bool fn_if3(evaluator&, call_args& a, std::string& out) {
    for (size_t i = 0; i + 1 < a.size(); ++i) {
        const size_t mark = out.size();
        if (a.emit(i, out)) return true;
        out.resize(mark);
    }
    return a.emit(a.size() - 1, out);
}

bool fn_ifequal(evaluator&, call_args& a, std::string& out) {
    return a.emit(a.number(0) == a.number(1) ? 2 : 3, out);
}

bool fn_ifgreater(evaluator&, call_args& a, std::string& out) {
    return a.emit(a.number(0) > a.number(1) ? 2 : 3, out);
}

bool fn_iflonger(evaluator&, call_args& a, std::string& out) {
    const auto len = static_cast<int64_t>(text::length(a.text(0)));
    return a.emit(len > a.number(1) ? 2 : 3, out);
}

bool fn_select(evaluator&, call_args& a, std::string& out) {
    const int64_t i = a.number(0);
    if (i < 1 || static_cast<uint64_t>(i) >= a.size()) return false;
    return a.emit(static_cast<size_t>(i), out);
}

// ----------------------------------------------------------------------- logic

bool fn_and(evaluator&, call_args& a, std::string&) {
    for (size_t i = 0; i < a.size(); ++i)
        if (!a.found(i)) return false;
    return true;
}

bool fn_or(evaluator&, call_args& a, std::string&) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a.found(i)) return true;
    return false;
}

bool fn_not(evaluator&, call_args& a, std::string&) { return !a.found(0); }

bool fn_xor(evaluator&, call_args& a, std::string&) {
    bool r = false;
    for (size_t i = 0; i < a.size(); ++i) r ^= a.found(i);
    return r;
}

bool fn_greater(evaluator&, call_args& a, std::string&) { return a.number(0) > a.number(1); }

bool fn_longer(evaluator&, call_args& a, std::string&) {
    return text::length(a.text(0)) > text::length(a.text(1));
}

bool fn_strcmp(evaluator&, call_args& a, std::string&) { return a.text(0) == a.text(1); }

bool fn_stricmp(evaluator&, call_args& a, std::string&) {
    return text::equal_ignoring_case(a.text(0), a.text(1));
}

// ------------------------------------------------------------------ arithmetic

// Folds the arguments left to right with 64-bit wrap-around; true when any
// argument was true.
template <int64_t (*Op)(int64_t, int64_t)>
bool fold(call_args& a, std::string& out) {
    int64_t acc = a.number(0);
    bool any = a.found(0);
    for (size_t i = 1; i < a.size(); ++i) {
        acc = Op(acc, a.number(i));
        any |= a.found(i);
    }
    append_number(out, acc);
    return any;
}

int64_t op_add(int64_t x, int64_t y) {
    return static_cast<int64_t>(static_cast<uint64_t>(x) + static_cast<uint64_t>(y));
}
int64_t op_sub(int64_t x, int64_t y) {
    return static_cast<int64_t>(static_cast<uint64_t>(x) - static_cast<uint64_t>(y));
}
int64_t op_mul(int64_t x, int64_t y) {
    return static_cast<int64_t>(static_cast<uint64_t>(x) * static_cast<uint64_t>(y));
}
// Dividing by zero leaves the value unchanged.
int64_t op_div(int64_t x, int64_t y) {
    if (y == 0) return x;
    if (y == -1) return op_sub(0, x);
    return x / y;
}
int64_t op_mod(int64_t x, int64_t y) {
    if (y == 0) return x;
    if (y == -1) return 0;
    return x % y;
}
int64_t op_min(int64_t x, int64_t y) { return std::min(x, y); }
int64_t op_max(int64_t x, int64_t y) { return std::max(x, y); }

bool fn_add(evaluator&, call_args& a, std::string& out) { return fold<op_add>(a, out); }
bool fn_sub(evaluator&, call_args& a, std::string& out) { return fold<op_sub>(a, out); }
bool fn_mul(evaluator&, call_args& a, std::string& out) { return fold<op_mul>(a, out); }
bool fn_div(evaluator&, call_args& a, std::string& out) { return fold<op_div>(a, out); }
bool fn_mod(evaluator&, call_args& a, std::string& out) { return fold<op_mod>(a, out); }
bool fn_min(evaluator&, call_args& a, std::string& out) { return fold<op_min>(a, out); }
bool fn_max(evaluator&, call_args& a, std::string& out) { return fold<op_max>(a, out); }

// Always true, even for constant arguments.
bool fn_muldiv(evaluator&, call_args& a, std::string& out) {
    const int64_t c = a.number(2);
    if (c == 0) {
        out += "-1";
        return true;
    }
    const i128 r = i128{a.number(0)} * a.number(1) / c;  // truncates toward zero
    append_number(out, static_cast<int64_t>(r));
    return true;
}

bool fn_rand(evaluator&, call_args&, std::string& out) {
    static thread_local uint64_t state = [] {
        const auto t =
            static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        return (t * 0x9E3779B97F4A7C15ULL) | 1;
    }();
    // xorshift64*
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    append_number(out, static_cast<int64_t>((state * 0x2545F4914F6CDD1DULL) >> 33));
    return false;
}

// ------------------------------------------------------------------- variables

bool fn_put(evaluator& ev, call_args& a, std::string& out) {
    ev.set_var(a.text(0), a.text(1));
    out += a.text(1);
    return a.found(1);
}

bool fn_puts(evaluator& ev, call_args& a, std::string&) {
    ev.set_var(a.text(0), a.text(1));
    return a.found(1);
}

bool fn_get(evaluator& ev, call_args& a, std::string& out) {
    const std::string* v = ev.find_var(a.text(0));
    if (!v || v->empty()) return false;
    out += *v;
    return true;
}

// --------------------------------------------------------------------- colours

struct colour {
    int r, g, b;
};

constexpr char marker = '\x03';

void append_marker(std::string& out, colour c) {
    static constexpr char hex[] = "0123456789ABCDEF";
    out += marker;
    for (const int v : {c.b, c.g, c.r}) {
        out += hex[v >> 4];
        out += hex[v & 15];
    }
    out += marker;
}

// Reads the colour of a marker at the start of s.
bool read_marker(std::string_view s, colour& c) {
    if (s.size() < 8 || s[0] != marker || s[7] != marker) return false;
    int v[3];
    for (int k = 0; k < 3; ++k) {
        int x = 0;
        for (int j = 0; j < 2; ++j) {
            const char h = s[1 + 2 * k + j];
            const int d = h >= '0' && h <= '9'   ? h - '0'
                          : h >= 'A' && h <= 'F' ? h - 'A' + 10
                          : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                                 : -1;
            if (d < 0) return false;
            x = x * 16 + d;
        }
        v[k] = x;
    }
    c = {v[2], v[1], v[0]};
    return true;
}

int clamp_channel(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, 255)); }

colour mix(colour x, colour y, int64_t part, int64_t total) {
    if (total <= 0) return part > 0 ? y : x;
    part = std::clamp<int64_t>(part, 0, total);
    auto channel = [&](int a, int b) {
        return static_cast<int>((i128{a} * (total - part) + i128{b} * part + total / 2) / total);
    };
    return {channel(x.r, y.r), channel(x.g, y.g), channel(x.b, y.b)};
}

bool fn_rgb(evaluator&, call_args& a, std::string& out) {
    if (a.size() == 0) {
        out += marker;
        out += marker;
        return false;
    }
    if (a.size() != 3) return false;
    append_marker(
        out, {clamp_channel(a.number(0)), clamp_channel(a.number(1)), clamp_channel(a.number(2))});
    return false;
}

bool fn_blend(evaluator&, call_args& a, std::string& out) {
    colour x, y;
    if (!read_marker(a.text(0), x) || !read_marker(a.text(1), y)) return false;
    append_marker(out, mix(x, y, a.number(2), a.number(3)));
    return false;
}

// Each character in its own colour, from c1 at the first to c2 at the last.
bool fn_transition(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    colour x, y;
    if (!read_marker(a.text(1), x) || !read_marker(a.text(2), y)) {
        out += s;
        return a.found(0);
    }
    const auto last = static_cast<int64_t>(text::length(s)) - 1;
    int64_t k = 0;
    for (size_t i = 0; i < s.size(); ++k) {
        const size_t n = text::offset_of(s.substr(i), 1);
        append_marker(out, mix(x, y, k, last));
        out.append(s, i, n);
        i += n;
    }
    return a.found(0);
}

}  // namespace

constexpr builtin builtins[] = {
    {"if", fn_if, 2, 3, true},
    {"if2", fn_if2, 2, 2, true},
    {"if3", fn_if3, 2, any_count, false},
    {"ifequal", fn_ifequal, 4, 4, true},
    {"ifgreater", fn_ifgreater, 4, 4, true},
    {"iflonger", fn_iflonger, 4, 4, true},
    {"select", fn_select, 2, any_count, false},
    {"and", fn_and, 1, any_count, false},
    {"or", fn_or, 1, any_count, false},
    {"not", fn_not, 1, 1, false},
    {"xor", fn_xor, 1, any_count, false},
    {"greater", fn_greater, 2, 2, false},
    {"longer", fn_longer, 2, 2, false},
    {"strcmp", fn_strcmp, 2, 2, false},
    {"stricmp", fn_stricmp, 2, 2, false},
    {"add", fn_add, 1, any_count, false},
    {"sub", fn_sub, 1, any_count, false},
    {"mul", fn_mul, 1, any_count, false},
    {"div", fn_div, 1, any_count, false},
    {"mod", fn_mod, 2, 2, false},
    {"min", fn_min, 1, any_count, false},
    {"max", fn_max, 1, any_count, false},
    {"muldiv", fn_muldiv, 3, 3, false},
    {"rand", fn_rand, 0, 0, false},
    {"len", fn_len, 1, 1, false},
    {"len2", fn_len2, 1, 1, false},
    {"left", fn_left, 2, 2, false},
    {"cut", fn_left, 2, 2, false},
    {"right", fn_right, 2, 2, false},
    {"substr", fn_substr, 3, 3, false},
    {"insert", fn_insert, 3, 3, false},
    {"pad", fn_pad, 2, 3, false},
    {"pad_right", fn_pad_right, 2, 3, false},
    {"padcut", fn_padcut, 2, 2, false},
    {"padcut_right", fn_padcut_right, 2, 2, false},
    {"repeat", fn_repeat, 2, 2, false},
    {"replace", fn_replace, 3, any_count, false},
    {"trim", fn_trim, 1, 1, false},
    {"upper", fn_upper, 1, 1, false},
    {"lower", fn_lower, 1, 1, false},
    {"caps", fn_caps, 1, 1, false},
    {"caps2", fn_caps2, 1, 1, false},
    {"abbr", fn_abbr, 1, 2, false},
    {"num", fn_num, 2, 2, false},
    {"hex", fn_hex, 2, 2, false},
    {"char", fn_char, 1, 1, false},
    {"crlf", fn_crlf, 0, 0, false},
    {"tab", fn_tab, 0, 1, false},
    {"strchr", fn_strchr, 2, 2, false},
    {"strrchr", fn_strrchr, 2, 2, false},
    {"strstr", fn_strstr, 2, 2, false},
    {"longest", fn_longest, 1, any_count, false},
    {"shortest", fn_shortest, 1, any_count, false},
    {"roman", fn_roman, 1, 1, false},
    {"progress", fn_progress, 5, 5, false},
    {"progress2", fn_progress2, 5, 5, false},
    {"stripprefix", fn_stripprefix, 1, any_count, false},
    {"swapprefix", fn_swapprefix, 1, any_count, false},
    {"rot13", fn_rot13, 1, 1, false},
    {"ascii", fn_ascii, 1, 1, false},
    {"ansi", fn_ansi, 1, 1, false},
    {"directory", fn_directory, 1, 2, false},
    {"directory_path", fn_directory_path, 1, 1, false},
    {"filename", fn_filename, 1, 1, false},
    {"ext", fn_ext, 1, 1, false},
    {"fix_eol", fn_fix_eol, 1, 2, false},
    {"crc32", fn_crc32, 1, 1, false},
    {"put", fn_put, 2, 2, false},
    {"puts", fn_puts, 2, 2, false},
    {"get", fn_get, 1, 1, false},
    {"rgb", fn_rgb, 0, 3, false},
    {"blend", fn_blend, 4, 4, false},
    {"transition", fn_transition, 3, 3, false},
    {"meta", fn_meta, 1, 2, false},
    {"meta_sep", fn_meta_sep, 2, 3, false},
    {"meta_test", fn_meta_test, 1, any_count, false},
    {"meta_num", fn_meta_num, 1, 1, false},
    {"info", fn_info, 1, 1, false},
};
const size_t builtin_count = std::size(builtins);
static_assert(std::size(builtins) < unknown_function);

uint8_t find_function(std::string_view name) {
    static constexpr name_table<256> table([](size_t i) { return builtins[i].name; },
                                           std::size(builtins));
    const int i = table.find(name);
    return i < 0 ? unknown_function : static_cast<uint8_t>(i);
}

}  // namespace cor::tf
