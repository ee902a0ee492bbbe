// The Host's built-in text and path functions: measuring, cutting,
// padding, case, search, conversions and file paths. Each returns the truth
// of its first argument unless noted.
#include "text_functions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>

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

}  // namespace

namespace builtin_text {

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
        v = static_cast<int64_t>(0 - static_cast<uint64_t>(v));  // wraps as $sub does
        width = width ? width - 1 : 0;
    }
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    const auto digits = static_cast<size_t>(r.ptr - buf);
    if (digits < width) out.append(width - digits, '0');
    out.append(buf, digits);
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

}  // namespace builtin_text
}  // namespace cor::tf
