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
#include "unicode.h"

namespace cor::tf {
namespace {

// GCC and mingw-w64 both have it; the products below need 128 bits.
__extension__ typedef __int128 i128;

// Widths and counts that generate text are capped so that a stray large
// number cannot exhaust memory.
constexpr size_t max_width = 1 << 16;
constexpr size_t max_generated_bytes = 1 << 20;

// Character counts are read as unsigned 32-bit numbers, so a negative count
// means "all of it".
size_t as_count(int64_t v) { return static_cast<uint32_t>(v); }

size_t as_width(int64_t v) {
    return v <= 0 ? 0 : std::min<size_t>(static_cast<uint64_t>(v), max_width);
}

void append_repeated(std::string& out, std::string_view piece, size_t count) {
    if (piece.empty()) return;
    count = std::min(count, max_generated_bytes / piece.size());
    for (size_t i = 0; i < count; ++i) out += piece;
}

std::string_view first_char(std::string_view s) { return s.substr(0, text::offset_of(s, 1)); }

bool is_dbcs_code_page() {
    switch (system_code_page()) {
        case 932:
        case 936:
        case 949:
        case 950:
            return true;
        default:
            return false;
    }
}

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

// ------------------------------------------------------------------------ text

bool fn_len(evaluator& ev, call_args& a, std::string& out) {
    const auto n = static_cast<int64_t>(text::length(a.text(0)));
    append_number(out, n);
    ev.leave_number(n);
    return a.found(0);
}

// Width in the system code page: East-Asian wide characters take two cells
// only where the code page is a double-byte one.
bool fn_len2(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    if (!is_dbcs_code_page()) {
        append_number(out, static_cast<int64_t>(text::length(s)));
        return a.found(0);
    }
    int64_t n = 0;
    for (size_t i = 0; i < s.size();) {
        const text::decoded d = text::decode(s, i);
        n += d.valid && text::is_wide(d.cp) ? 2 : 1;
        i += d.size;
    }
    append_number(out, n);
    return a.found(0);
}

bool fn_left(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    out += s.substr(0, text::offset_of(s, as_count(a.number(1))));
    return a.found(0);
}

bool fn_right(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    const size_t len = text::length(s), n = as_count(a.number(1));
    out += n >= len ? s : s.substr(text::offset_of(s, len - n));
    return a.found(0);
}

bool fn_substr(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    const int64_t from = std::max<int64_t>(a.number(1), 1), to = a.number(2);
    if (to >= from) {
        const size_t b = text::offset_of(s, static_cast<size_t>(from - 1));
        const size_t e = text::offset_of(s, static_cast<size_t>(to));
        out += s.substr(b, e - b);
    }
    return a.found(0);
}

bool fn_insert(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    const size_t at = text::offset_of(s, as_count(a.number(2)));
    out += s.substr(0, at);
    out += a.text(1);
    out += s.substr(at);
    return a.found(0);
}

std::string_view pad_char(call_args& a) {
    const std::string_view c = a.size() > 2 ? first_char(a.text(2)) : std::string_view{};
    return c.empty() ? std::string_view(" ") : c;
}

bool fn_pad(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    const size_t width = as_width(a.number(1)), len = text::length(s);
    out += s;
    if (len < width) append_repeated(out, pad_char(a), width - len);
    return a.found(0);
}

bool fn_pad_right(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    const size_t width = as_width(a.number(1)), len = text::length(s);
    if (len < width) append_repeated(out, pad_char(a), width - len);
    out += s;
    return a.found(0);
}

bool padcut(call_args& a, std::string& out, bool align_right) {
    const std::string_view s = a.text(0);
    const size_t width = as_width(a.number(1)), len = text::length(s);
    if (len >= width) {
        out += s.substr(0, text::offset_of(s, width));
        return a.found(0);
    }
    if (align_right) append_repeated(out, " ", width - len);
    out += s;
    if (!align_right) append_repeated(out, " ", width - len);
    return a.found(0);
}

bool fn_padcut(evaluator&, call_args& a, std::string& out) { return padcut(a, out, false); }
bool fn_padcut_right(evaluator&, call_args& a, std::string& out) { return padcut(a, out, true); }

bool fn_repeat(evaluator&, call_args& a, std::string& out) {
    const int64_t n = a.number(1);
    append_repeated(out, a.text(0),
                    n > 0 ? static_cast<size_t>(std::min<int64_t>(n, max_generated_bytes)) : 0);
    return a.found(0);
}

// Scans left to right; at each position the first pattern that matches is
// replaced, and replaced text is never scanned again.
bool fn_replace(evaluator&, call_args& a, std::string& out) {
    if (a.size() % 2 == 0) return false;
    const std::string_view s = a.text(0);
    for (size_t i = 0; i < s.size();) {
        bool replaced = false;
        for (size_t k = 1; k + 1 < a.size(); k += 2) {
            const std::string_view from = a.text(k);
            if (!from.empty() && s.compare(i, from.size(), from) == 0) {
                out += a.text(k + 1);
                i += from.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += s[i++];
    }
    return a.found(0);
}

bool fn_trim(evaluator&, call_args& a, std::string& out) {
    std::string_view s = a.text(0);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    out += s;
    return a.found(0);
}

bool fn_upper(evaluator&, call_args& a, std::string& out) {
    text::append_upper(out, a.text(0));
    return a.found(0);
}

bool fn_lower(evaluator&, call_args& a, std::string& out) {
    text::append_lower(out, a.text(0));
    return a.found(0);
}

bool is_word_separator(char32_t c) {
    switch (c) {
        case ' ':
        case '\t':
        case '\n':
        case '\r':
        case ',':
        case '/':
        case '\\':
        case '|':
        case '(':
        case ')':
        case '[':
        case ']':
            return true;
        default:
            return false;
    }
}

// Capitalises each word; lower_rest lowers the other letters.
bool caps(call_args& a, std::string& out, bool lower_rest) {
    const std::string_view s = a.text(0);
    bool word_start = true;
    for (size_t i = 0; i < s.size();) {
        const text::decoded d = text::decode(s, i);
        if (!d.valid) {
            out += s[i];
            word_start = false;
        } else {
            const char32_t c = word_start   ? text::to_upper(d.cp)
                               : lower_rest ? text::to_lower(d.cp)
                                            : d.cp;
            text::append_utf8(out, c);
            word_start = is_word_separator(d.cp);
        }
        i += d.size;
    }
    return a.found(0);
}

bool fn_caps(evaluator&, call_args& a, std::string& out) { return caps(a, out, true); }
bool fn_caps2(evaluator&, call_args& a, std::string& out) { return caps(a, out, false); }

// The first character of every word. Words are split at blanks, slashes,
// commas and parentheses; a word that is a number, or that starts with a
// square bracket, is kept whole.
bool fn_abbr(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    if (a.size() == 2 && static_cast<int64_t>(text::length(s)) <= a.number(1)) {
        out += s;
        return a.found(0);
    }
    auto separator = [](char c) {
        return c == ' ' || c == '/' || c == '\\' || c == ',' || c == '(' || c == ')';
    };
    for (size_t i = 0; i < s.size();) {
        if (separator(s[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < s.size() && !separator(s[end])) ++end;
        const std::string_view word = s.substr(i, end - i);
        const bool number =
            std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (number || word[0] == '[' || word[0] == ']')
            out += word;
        else
            out += first_char(word);
        i = end;
    }
    return a.found(0);
}

// Zero-padded to at most 32 digits. A negative number keeps its sign in
// front of the padding.
bool fn_num(evaluator& ev, call_args& a, std::string& out) {
    int64_t v = a.number(0);
    size_t width = std::min<size_t>(as_count(a.number(1)), 32);
    const bool negative = v < 0;
    if (negative) {
        out += '-';
        v = op_sub(0, v);
        width = width ? width - 1 : 0;
    }
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (size_t n = static_cast<size_t>(r.ptr - buf); n < width; ++n) out += '0';
    out.append(buf, r.ptr);
    // What the text reads back as (the zeros change nothing), unless it
    // is the one negative number without a positive counterpart.
    if (v >= 0) ev.leave_number(negative ? -v : v);
    return a.found(0);
}

// The low 32 bits, in upper-case hexadecimal.
bool fn_hex(evaluator&, call_args& a, std::string& out) {
    const auto v = static_cast<uint32_t>(a.number(0));
    const size_t width = std::min<size_t>(as_count(a.number(1)), 32);
    char buf[8];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, 16);
    for (size_t n = static_cast<size_t>(r.ptr - buf); n < width; ++n) out += '0';
    for (const char* p = buf; p != r.ptr; ++p) out += static_cast<char>(*p >= 'a' ? *p - 32 : *p);
    return a.found(0);
}

// Code points above U+FFFFF are written as '?'. Always false.
bool fn_char(evaluator&, call_args& a, std::string& out) {
    const int64_t v = a.number(0);
    if (v <= 0) return false;
    if (v > 0xFFFFF || (v >= 0xD800 && v < 0xE000))
        out += '?';
    else
        text::append_utf8(out, static_cast<char32_t>(v));
    return false;
}

bool fn_crlf(evaluator&, call_args&, std::string& out) {
    out += "\r\n";
    return false;
}

bool fn_tab(evaluator&, call_args& a, std::string& out) {
    append_repeated(out, "\t", a.size() ? as_width(a.number(0)) : 1);
    return false;
}

// 1-based character position of c in s; 0 when absent.
int64_t position_of_char(std::string_view s, std::string_view c, bool last) {
    if (c.empty()) return 0;
    int64_t pos = 0, found = 0;
    for (size_t i = 0; i < s.size();) {
        const size_t n = text::offset_of(s.substr(i), 1);
        ++pos;
        if (s.compare(i, n, c) == 0) {
            found = pos;
            if (!last) break;
        }
        i += n;
    }
    return found;
}

bool fn_strchr(evaluator&, call_args& a, std::string& out) {
    append_number(out, position_of_char(a.text(0), first_char(a.text(1)), false));
    return a.found(0);
}

bool fn_strrchr(evaluator&, call_args& a, std::string& out) {
    append_number(out, position_of_char(a.text(0), first_char(a.text(1)), true));
    return a.found(0);
}

bool fn_strstr(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0), t = a.text(1);
    const size_t at = t.empty() ? std::string_view::npos : s.find(t);
    append_number(out, at == std::string_view::npos
                           ? 0
                           : static_cast<int64_t>(text::length(s.substr(0, at))) + 1);
    return a.found(0);
}

bool extreme(call_args& a, std::string& out, bool longest) {
    size_t best = 0, best_len = text::length(a.text(0));
    for (size_t i = 1; i < a.size(); ++i) {
        const size_t len = text::length(a.text(i));
        if (longest ? len > best_len : len < best_len) best = i, best_len = len;
    }
    out += a.text(best);
    return a.found(best);
}

bool fn_longest(evaluator&, call_args& a, std::string& out) { return extreme(a, out, true); }
bool fn_shortest(evaluator&, call_args& a, std::string& out) { return extreme(a, out, false); }

bool fn_roman(evaluator&, call_args& a, std::string& out) {
    int64_t n = a.number(0);
    if (n < 1 || n > 100000) return false;
    static constexpr std::pair<int, std::string_view> digits[] = {
        {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
        {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    for (const auto& [value, letters] : digits)
        for (; n >= value; n -= value) out += letters;
    return a.found(0);
}

// How many of len cells pos of range covers, rounded; a range of zero or
// less counts any positive pos as complete.
int64_t progress_cells(int64_t pos, int64_t range, int64_t len) {
    if (pos <= 0) return 0;
    if (range <= 0) return len;
    const i128 cells = (i128{pos} * len * 2 + range) / (i128{range} * 2);
    return cells > len ? len : static_cast<int64_t>(cells);
}

// Both bars are true when the position and the range were.
bool fn_progress(evaluator&, call_args& a, std::string& out) {
    const int64_t len = std::max<int64_t>(static_cast<int64_t>(as_width(a.number(2))), 1);
    const int64_t at = std::min(progress_cells(a.number(0), a.number(1), len), len - 1);
    const std::string_view mark = a.text(3), rest = a.text(4);
    append_repeated(out, rest, static_cast<size_t>(at));
    out += mark;
    append_repeated(out, rest, static_cast<size_t>(len - at - 1));
    return a.found(0) && a.found(1);
}

bool fn_progress2(evaluator&, call_args& a, std::string& out) {
    const int64_t len = std::max<int64_t>(static_cast<int64_t>(as_width(a.number(2))), 1);
    const int64_t done = progress_cells(a.number(0), a.number(1), len);
    append_repeated(out, a.text(3), static_cast<size_t>(done));
    append_repeated(out, a.text(4), static_cast<size_t>(len - done));
    return a.found(0) && a.found(1);
}

// Length in bytes of the prefix of s that matches p (ignoring case) and is
// followed by a blank; 0 when there is none.
size_t prefix_length(std::string_view s, std::string_view p) {
    if (p.empty()) return 0;
    const size_t n = text::offset_of(s, text::length(p));
    if (n >= s.size() || s[n] != ' ' || !text::equal_ignoring_case(s.substr(0, n), p)) return 0;
    return n;
}

bool prefixed(call_args& a, std::string& out, bool swap) {
    const std::string_view s = a.text(0);
    static constexpr std::string_view defaults[] = {"A", "The"};
    const size_t count = a.size() > 1 ? a.size() - 1 : std::size(defaults);
    for (size_t k = 0; k < count; ++k) {
        const size_t n = prefix_length(s, a.size() > 1 ? a.text(k + 1) : defaults[k]);
        if (!n) continue;
        out += s.substr(n + 1);
        if (swap) {
            out += ", ";
            out += s.substr(0, n);
        }
        return a.found(0);
    }
    out += s;
    return a.found(0);
}

bool fn_stripprefix(evaluator&, call_args& a, std::string& out) { return prefixed(a, out, false); }
bool fn_swapprefix(evaluator&, call_args& a, std::string& out) { return prefixed(a, out, true); }

bool fn_rot13(evaluator&, call_args& a, std::string& out) {
    for (char c : a.text(0)) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>('a' + (c - 'a' + 13) % 26);
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>('A' + (c - 'A' + 13) % 26);
        out += c;
    }
    return a.found(0);
}

// Keeps what the target character set holds, spells accented and similar
// letters in ASCII, and writes '?' for the rest.
template <bool (*Keep)(char32_t)>
void convert(std::string_view s, std::string& out) {
    for (size_t i = 0; i < s.size();) {
        const text::decoded d = text::decode(s, i);
        char one;
        if (!d.valid)
            out += '?';
        else if (Keep(d.cp))
            out.append(s, i, d.size);
        else if (const std::string_view spelled = text::ascii_spelling(d.cp, one); !spelled.empty())
            out += spelled;
        else
            out += '?';
        i += d.size;
    }
}

bool keep_ascii(char32_t c) { return c < 0x80; }
bool keep_western(char32_t c) { return text::in_western_code_page(c); }
bool keep_east_asian(char32_t c) { return c < 0x80 || text::is_wide(c) || text::is_halfwidth(c); }

bool fn_ascii(evaluator&, call_args& a, std::string& out) {
    convert<keep_ascii>(a.text(0), out);
    return a.found(0);
}

bool fn_ansi(evaluator&, call_args& a, std::string& out) {
    if (is_dbcs_code_page())
        convert<keep_east_asian>(a.text(0), out);
    else
        convert<keep_western>(a.text(0), out);
    return a.found(0);
}

// ----------------------------------------------------------------------- paths

bool is_path_separator(char c) { return c == '\\' || c == '/' || c == '|' || c == ':'; }

std::string_view last_component(std::string_view p) {
    size_t i = p.size();
    while (i > 0 && !is_path_separator(p[i - 1])) --i;
    return p.substr(i);
}

bool fn_directory(evaluator&, call_args& a, std::string& out) {
    std::string_view p = a.text(0);
    size_t up = a.size() == 2 ? as_count(a.number(1)) : 1;
    if (up == 0) return a.found(0);
    // Drop the file name, then one folder per level.
    p.remove_suffix(last_component(p).size());
    for (; up > 1 && !p.empty(); --up) {
        p.remove_suffix(1);
        p.remove_suffix(last_component(p).size());
    }
    if (up == 1 && !p.empty()) {
        p.remove_suffix(1);
        out += last_component(p);
    }
    return a.found(0);
}

bool fn_directory_path(evaluator&, call_args& a, std::string& out) {
    const std::string_view p = a.text(0);
    const size_t file = last_component(p).size();
    if (file < p.size()) out += p.substr(0, p.size() - file - 1);
    return a.found(0);
}

bool fn_filename(evaluator&, call_args& a, std::string& out) {
    std::string_view name = last_component(a.text(0));
    name = name.substr(0, name.find('?'));
    out += name.substr(0, std::min(name.rfind('.'), name.size()));
    return a.found(0);
}

// The extension stops at a '?' (URLs); true only when there is one.
bool fn_ext(evaluator&, call_args& a, std::string& out) {
    const std::string_view name = last_component(a.text(0));
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    std::string_view ext = name.substr(dot + 1);
    ext = ext.substr(0, ext.find('?'));
    out += ext;
    return !ext.empty() && a.found(0);
}

bool fn_fix_eol(evaluator&, call_args& a, std::string& out) {
    const std::string_view s = a.text(0);
    const size_t eol = s.find_first_of("\r\n");
    if (eol == std::string_view::npos) {
        out += s;
    } else {
        out += s.substr(0, eol);
        out += a.size() == 2 ? a.text(1) : std::string_view(" (...)");
    }
    return a.found(0);
}

constexpr std::array<uint32_t, 256> crc_table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
    }
    return t;
}();

bool fn_crc32(evaluator&, call_args& a, std::string& out) {
    uint32_t c = 0xFFFFFFFFu;
    for (const char ch : a.text(0)) c = crc_table[(c ^ static_cast<uint8_t>(ch)) & 0xFF] ^ (c >> 8);
    append_number(out, static_cast<int64_t>(c ^ 0xFFFFFFFFu));
    return a.found(0);
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
