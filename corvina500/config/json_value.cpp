#include "corvina500/config/json_value.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "sdk/utf8.h"

namespace cor {
namespace {

constexpr std::string_view bom = "\xEF\xBB\xBF";

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }
bool is_letter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_continuation(unsigned char b) noexcept { return (b & 0xC0) == 0x80; }

int hex_value(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits at `pos`, or -1.
long hex4(std::string_view text, size_t pos) noexcept {
    if (text.size() - pos < 4) return -1;
    long v = 0;
    for (size_t i = 0; i < 4; ++i) {
        const int h = hex_value(text[pos + i]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

// The length of the well-formed UTF-8 sequence at `pos`, or 0. Overlong
// forms, encoded surrogates and code points past U+10FFFF are refused.
size_t utf8_length(std::string_view text, size_t pos) noexcept {
    const auto at = [&](size_t i) -> unsigned {
        return pos + i < text.size() ? static_cast<unsigned char>(text[pos + i]) : 0u;
    };
    const unsigned b0 = at(0);
    if (b0 < 0x80) return 1;
    unsigned lo = 0x80, hi = 0xBF;  // the range allowed for the second byte
    size_t n = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (at(1) < lo || at(1) > hi) return 0;
    for (size_t i = 2; i < n; ++i)
        if (!is_continuation(static_cast<unsigned char>(at(i)))) return 0;
    return n;
}

}  // namespace

int64_t json_value::as_integer() const {
    const number_data& n = std::get<number_data>(data_);
    if (!n.integer) throw std::bad_variant_access();
    return n.int_value;
}

const json_value* json_value::find(std::string_view key) const noexcept {
    const auto* members = std::get_if<object_type>(&data_);
    if (!members) return nullptr;
    for (auto it = members->rbegin(); it != members->rend(); ++it)
        if (it->first == key) return &it->second;
    return nullptr;
}

// Recursive descent; the depth limit bounds the recursion.
class json_reader {
public:
    json_reader(std::string_view text, t_json_error& error) : text_(text), error_(error) {}

    std::optional<json_value> read() {
        error_ = {};
        if (text_.starts_with(bom)) {
            pos_ = line_start_ = counted_to_ = bom.size();
        } else if (text_.starts_with("\xFF\xFE") || text_.starts_with("\xFE\xFF")) {
            // Notepad's "Unicode"; worth naming, since it looks fine to the author.
            fail(0, "the text is UTF-16; save it as UTF-8");
            return std::nullopt;
        }
        skip_space();
        json_value v;
        if (!value(v, 0)) return std::nullopt;
        skip_space();
        if (pos_ < text_.size()) {
            fail_expected("text after the value");
            return std::nullopt;
        }
        return v;
    }

private:
    bool at_end() const noexcept { return pos_ >= text_.size(); }
    char peek() const noexcept { return at_end() ? '\0' : text_[pos_]; }

    void skip_space() noexcept {
        for (; pos_ < text_.size(); ++pos_) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                line_start_ = counted_to_ = pos_ + 1;
                counted_column_ = 1;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                break;
            }
        }
    }

    // Positions are asked for in increasing order, so counting on from the
    // last one keeps a long single-line file linear.
    size_t column_at(size_t pos) noexcept {
        if (pos < counted_to_) {
            counted_to_ = line_start_;
            counted_column_ = 1;
        }
        for (; counted_to_ < pos && counted_to_ < text_.size(); ++counted_to_)
            if (!is_continuation(static_cast<unsigned char>(text_[counted_to_]))) ++counted_column_;
        return counted_column_;
    }

    void mark(json_value& v, size_t pos) noexcept {
        v.line_ = line_;
        v.column_ = column_at(pos);
    }

    bool fail(size_t pos, std::string message) {
        error_.line = line_;
        error_.column = column_at(pos);
        error_.message = std::move(message);
        return false;
    }

    // Something other than `message` asks for stands at pos_; faults an
    // author would rather hear about by name go first.
    bool fail_expected(std::string_view message) {
        if (at_end()) return fail(pos_, "unexpected end of text");
        const char c = text_[pos_];
        if (c == '/' && pos_ + 1 < text_.size() &&
            (text_[pos_ + 1] == '/' || text_[pos_ + 1] == '*'))
            return fail(pos_, "comments are not allowed");
        if (utf8_length(text_, pos_) == 0) return fail(pos_, "invalid UTF-8");
        return fail(pos_, std::string(message));
    }

    bool value(json_value& out, size_t depth) {
        const size_t start = pos_;
        const char c = peek();
        if (c == '{' || c == '[') {
            if (depth >= json_max_depth)
                return fail(start,
                            "nesting deeper than " + std::to_string(json_max_depth) + " levels");
            mark(out, start);
            return c == '{' ? object(out, depth + 1) : array(out, depth + 1);
        }
        if (c == '"') {
            mark(out, start);
            return string(out.data_.emplace<std::string>());
        }
        if (c == '-' || is_digit(c)) {
            mark(out, start);
            return number(out);
        }
        if (is_letter(c)) return word(out);
        if (c == '\'') return fail(start, "strings need double quotes");
        if (c == '+') return fail(start, "numbers cannot start with '+'");
        if (c == '.') return fail(start, "numbers need a digit before '.'");
        return fail_expected("expected a value");
    }

    bool word(json_value& out) {
        const size_t start = pos_;
        while (!at_end() && (is_letter(peek()) || is_digit(peek()) || peek() == '_')) ++pos_;
        const std::string_view w = text_.substr(start, pos_ - start);
        mark(out, start);
        if (w == "true" || w == "false") {
            out.data_ = w == "true";
        } else if (w != "null") {
            // A long run is someone's unquoted text; its start identifies it.
            constexpr size_t shown = 24;
            std::string said(w.substr(0, shown));
            if (w.size() > shown) said += "...";
            return fail(start, "unknown word '" + said + "'");
        }
        return true;
    }

    bool array(json_value& out, size_t depth) {
        auto& items = out.data_.emplace<json_value::array_type>();
        ++pos_;
        skip_space();
        if (peek() == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            if (!value(items.emplace_back(), depth)) return false;
            skip_space();
            if (peek() == ']') {
                ++pos_;
                return true;
            }
            if (peek() != ',') return fail_expected("expected ',' or ']' after an element");
            if (!comma(']')) return false;
        }
    }

    bool object(json_value& out, size_t depth) {
        auto& members = out.data_.emplace<json_value::object_type>();
        ++pos_;
        skip_space();
        if (peek() == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            if (peek() != '"') return fail_expected("expected a member name in double quotes");
            auto& m = members.emplace_back();
            if (!string(m.first)) return false;
            skip_space();
            if (peek() != ':') return fail_expected("expected ':' after a member name");
            ++pos_;
            skip_space();
            if (!value(m.second, depth)) return false;
            skip_space();
            if (peek() == '}') {
                ++pos_;
                return true;
            }
            if (peek() != ',') return fail_expected("expected ',' or '}' after a member");
            if (!comma('}')) return false;
        }
    }

    // Steps over a ',' and the space after it. A closing bracket next is
    // reported at the comma, which may sit lines above it.
    bool comma(char close) {
        const size_t comma_line = line_, comma_column = column_at(pos_);
        ++pos_;
        skip_space();
        if (peek() != close) return true;
        error_.line = comma_line;
        error_.column = comma_column;
        error_.message = "trailing comma";
        return false;
    }

    bool string(std::string& out) {
        const size_t start = pos_++;
        for (;;) {
            const size_t run = pos_;
            while (pos_ < text_.size()) {
                const auto b = static_cast<unsigned char>(text_[pos_]);
                if (b == '"' || b == '\\' || b < 0x20 || b >= 0x80) break;
                ++pos_;
            }
            out.append(text_, run, pos_ - run);
            if (at_end()) return fail(start, "unterminated string");
            const auto b = static_cast<unsigned char>(text_[pos_]);
            if (b == '"') {
                ++pos_;
                return true;
            }
            if (b == '\n' || b == '\r') return fail(start, "unterminated string");
            if (b < 0x20) return fail(pos_, "unescaped control character in a string");
            if (b >= 0x80) {
                const size_t n = utf8_length(text_, pos_);
                if (n == 0) return fail(pos_, "invalid UTF-8");
                out.append(text_, pos_, n);
                pos_ += n;
                continue;
            }
            if (!escape(out, start)) return false;
        }
    }

    bool escape(std::string& out, size_t string_start) {
        const size_t start = pos_++;
        if (at_end()) return fail(string_start, "unterminated string");
        const char c = text_[pos_++];
        switch (c) {
            case '"':
                out += '"';
                return true;
            case '\\':
                out += '\\';
                return true;
            case '/':
                out += '/';
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u':
                break;
            default:
                if (c > ' ' && c < 0x7F) return fail(start, std::string("invalid escape \\") + c);
                return fail(start, "invalid escape");
        }
        const long unit = hex4(text_, pos_);
        if (unit < 0) return fail(start, "expected four hex digits after \\u");
        pos_ += 4;
        uint32_t cp = static_cast<uint32_t>(unit);
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            const long low =
                unit < 0xDC00 && text_.substr(pos_, 2) == "\\u" ? hex4(text_, pos_ + 2) : -1;
            if (low < 0xDC00 || low > 0xDFFF)
                return fail(start, "lone surrogate \\u" + std::string(text_.substr(start + 2, 4)));
            pos_ += 6;
            cp = 0x10000 + ((static_cast<uint32_t>(unit) - 0xD800) << 10) +
                 (static_cast<uint32_t>(low) - 0xDC00);
        }
        utf8_append(out, cp);
        return true;
    }

    bool number(json_value& out) {
        const size_t start = pos_;
        if (peek() == '-') ++pos_;
        if (peek() == '0') {
            ++pos_;
            if (is_digit(peek())) return fail(start, "numbers cannot start with 0");
        } else if (is_digit(peek())) {
            while (is_digit(peek())) ++pos_;
        } else {
            return fail_expected("expected a digit after '-'");
        }
        const size_t int_end = pos_;
        size_t frac_end = pos_;
        if (peek() == '.') {
            ++pos_;
            if (!is_digit(peek())) return fail_expected("expected a digit after '.'");
            while (is_digit(peek())) ++pos_;
            frac_end = pos_;
        }
        // Saturated: only its sign and rough size matter past this.
        int64_t exponent = 0;
        if (peek() == 'e' || peek() == 'E') {
            ++pos_;
            const bool negative = peek() == '-';
            if (peek() == '+' || peek() == '-') ++pos_;
            if (!is_digit(peek())) return fail_expected("expected a digit in the exponent");
            for (; is_digit(peek()); ++pos_)
                if (exponent < 100000) exponent = exponent * 10 + (peek() - '0');
            if (negative) exponent = -exponent;
        }

        json_value::number_data n;
        const char* first = text_.data() + start;
        const char* last = text_.data() + pos_;
        if (frac_end == int_end && pos_ == int_end) {
            n.integer = std::from_chars(first, last, n.int_value).ec == std::errc{};
        }
        const auto [ptr, ec] = std::from_chars(first, last, n.value);
        if (ec == std::errc::result_out_of_range) {
            if (overflows(start, int_end, frac_end, exponent))
                return fail(start, "number out of range");
            n.value = text_[start] == '-' ? -0.0 : 0.0;
        } else if (ec != std::errc{} || ptr != last || !std::isfinite(n.value)) {
            return fail(start, "number out of range");
        }
        out.data_ = n;
        return true;
    }

    // Whether a number the conversion could not hold is too large rather
    // than too small: where its first significant digit stands.
    bool overflows(size_t start, size_t int_end, size_t frac_end, int64_t exponent) const noexcept {
        size_t i = text_[start] == '-' ? start + 1 : start;
        if (text_[i] != '0') return exponent + static_cast<int64_t>(int_end - i) > 0;
        int64_t place = 0;
        for (i = int_end + 1; i < frac_end; ++i) {
            --place;
            if (text_[i] != '0') return exponent + place + 1 > 0;
        }
        return false;
    }

    std::string_view text_;
    t_json_error& error_;
    size_t pos_ = 0;
    size_t line_ = 1;
    size_t line_start_ = 0;
    // Column of counted_to_, a position on the current line.
    size_t counted_to_ = 0;
    size_t counted_column_ = 1;
};

std::optional<json_value> parse_json(std::string_view text, t_json_error& error) {
    return json_reader(text, error).read();
}

}  // namespace cor
