#include "functions/calculator.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace vesk {
namespace {

enum class calc_error { kanji_code, braces };

bool starts_two_byte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool trails_two_byte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}
bool is_letter(unsigned char b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }
bool is_digit(unsigned char b) { return b >= '0' && b <= '9'; }

// Truncation toward zero to a 32-bit integer; out of range gives the
// processor's "integer indefinite" value, as a plain conversion would.
int32_t to_int32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(v);
}

class parser {
public:
    parser(std::string_view input, calc_report report, void* context)
        : input_(input), report_(report), context_(context) {}

    std::optional<double> run() {
        next();
        if (error_) return std::nullopt;
        const double value = expression();
        return error_ ? 0.0 : value;
    }

private:
    void fail(calc_error kind) {
        report_(context_, kind == calc_error::kanji_code ? "%s: kanji code error" : "%s: {} error");
        error_ = true;
    }

    [[nodiscard]] unsigned char peek(size_t ahead = 0) const {
        return pos_ + ahead < input_.size() ? static_cast<unsigned char>(input_[pos_ + ahead]) : 0;
    }
    [[nodiscard]] bool at_end() const { return pos_ >= input_.size(); }

    void next() {
        token_.clear();
        while (!at_end() && (peek() == ' ' || peek() == '\t')) ++pos_;
        if (at_end()) return;
        const unsigned char first = peek();
        if (starts_two_byte(first)) {
            while (!at_end() && starts_two_byte(peek())) {
                if (!trails_two_byte(peek(1)) || pos_ + 1 >= input_.size()) {
                    fail(calc_error::kanji_code);
                    return;
                }
                token_.append(input_.substr(pos_, 2));
                pos_ += 2;
            }
        } else if (is_letter(first)) {
            while (!at_end() && (is_letter(peek()) || is_digit(peek()))) token_ += input_[pos_++];
        } else if (is_digit(first)) {
            while (!at_end() &&
                   (is_digit(peek()) || peek() == '.' || peek() == 'e' || peek() == 'E'))
                token_ += input_[pos_++];
        } else if (first == '\'' || first == '"') {
            token_ += input_[pos_++];
            while (!at_end() && peek() != first) {
                if (peek() == '\\' && pos_ + 1 < input_.size()) {
                    token_ += input_[pos_++];
                    token_ += input_[pos_++];
                } else if (peek() == '\n') {
                    ++pos_;
                } else {
                    token_ += input_[pos_++];
                }
            }
            if (!at_end()) ++pos_;  // the closing quote
        } else {
            token_ += input_[pos_++];
        }
    }

    [[nodiscard]] char current() const { return token_.empty() ? '\0' : token_[0]; }

    double expression() {
        double value = term();
        while (!error_ && (current() == '+' || current() == '-')) {
            const char op = current();
            next();
            if (error_) break;
            const double right = term();
            value = op == '+' ? value + right : value - right;
        }
        return value;
    }

    static bool is_term_operator(char c) {
        return c == '*' || c == '/' || c == '%' || c == '>' || c == '<' || c == '!' || c == '=';
    }

    double term() {
        double value = factor();
        while (!error_ && is_term_operator(current())) {
            const char op = current();
            next();
            if (error_) break;
            const double right = factor();
            value = apply(op, value, right);
        }
        return value;
    }

    static double apply(char op, double left, double right) {
        switch (op) {
            case '*':
                return left * right;
            case '/':
                return right == 0 ? 0 : left / right;
            case '%': {
                const int32_t a = to_int32(left), b = to_int32(right);
                if (b == 0 || b == -1) return 0;  // -1 too: INT32_MIN % -1 traps
                return a % b;
            }
            case '>':
                return left > right ? 1 : 0;
            case '<':
                return left < right ? 1 : 0;
            case '!':
                return left != right ? 1 : 0;
            default:  // '=' keeps the right side
                return right;
        }
    }

    double factor() {
        if (current() != '{') return primary();
        next();
        if (error_) return 0;
        const double value = expression();
        if (error_) return 0;
        if (current() != '}') {
            fail(calc_error::braces);
            return 0;
        }
        next();
        return value;
    }

    double primary() {
        double sign = 1;
        if (current() == '+' || current() == '-') {
            if (current() == '-') sign = -1;
            next();
            if (error_) return 0;
        }
        // Only number tokens carry a value; names and quoted text read 0.
        const double value = is_digit(static_cast<unsigned char>(current()))
                                 ? std::strtod(token_.c_str(), nullptr)
                                 : 0.0;
        next();
        return sign * value;
    }

    std::string_view input_;
    calc_report report_;
    void* context_;
    size_t pos_ = 0;
    std::string token_;
    bool error_ = false;
};

}  // namespace

std::optional<double> evaluate_calc(std::string_view input, calc_report report, void* context) {
    return parser(input, report, context).run();
}

}  // namespace vesk
