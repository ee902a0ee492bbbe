// The parser: recursive descent over the script. A syntax error at the top
// level ends the script there. A syntax error inside an argument drops the
// rest of that argument: the parser skips ahead, counting parentheses, to
// the comma or ')' that ends it, and the call still runs. Either way
// compile() reports the first error: where, and what was expected.
#include <algorithm>
#include <string>
#include <vector>

#include "program.h"

namespace cor::tf {
namespace {

constexpr size_t npos = std::string_view::npos;

bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// How a sequence ended.
enum class stop { end, comma, close, bracket, error };

class parser {
public:
    parser(std::string_view src, program& p, compile_error* error)
        : src_(src), p_(p), error_(error) {}

    [[nodiscard]] bool failed() const { return failed_; }

    void parse_root() {
        std::vector<uint32_t> items;
        size_t pos = 0;
        sequence(pos, false, false, 0, items);
        p_.root = commit(items);
    }

private:
    bool at_line_start(size_t pos) const {
        return pos == 0 || src_[pos - 1] == '\n' || src_[pos - 1] == '\r';
    }

    // End of the comment line starting at pos (its line break included), or
    // npos when the line is not a comment.
    size_t comment_end(size_t pos) const {
        if (!at_line_start(pos)) return npos;
        size_t q = pos;
        while (q < src_.size() && (src_[q] == ' ' || src_[q] == '\t')) ++q;
        if (src_.compare(q, 2, "//") != 0) return npos;
        while (q < src_.size() && src_[q] != '\n' && src_[q] != '\r') ++q;
        if (q < src_.size() && src_[q] == '\r') ++q;
        if (q < src_.size() && src_[q] == '\n') ++q;
        return q;
    }

    // Only the first error is described; later ones follow from it.
    void report(size_t at, std::string_view what) {
        if (failed_) return;
        failed_ = true;
        if (!error_) return;
        error_->offset = std::min(at, src_.size());
        error_->message.assign(what);
    }

    bool too_deep(size_t at, int depth) {
        if (depth < max_nesting_depth) return false;
        report(at, "nesting deeper than " + std::to_string(max_nesting_depth) + " levels");
        return true;
    }

    uint32_t add_node(node_kind kind, uint8_t id, std::string_view text, span sub = {}) {
        const auto off = static_cast<uint32_t>(p_.pool.size());
        p_.pool.append(text);
        p_.nodes.push_back({kind, id, off, static_cast<uint32_t>(text.size()), sub});
        return static_cast<uint32_t>(p_.nodes.size() - 1);
    }

    span commit(const std::vector<uint32_t>& items) {
        const span s{static_cast<uint32_t>(p_.items.size()), static_cast<uint32_t>(items.size())};
        p_.items.insert(p_.items.end(), items.begin(), items.end());
        return s;
    }

    void flush(std::string& pending, std::vector<uint32_t>& items) {
        if (pending.empty()) return;
        items.push_back(add_node(node_kind::text, 0, pending));
        pending.clear();
    }

    static bool is_special(char c, bool in_arg) {
        switch (c) {
            case '\'':
            case '%':
            case '$':
            case '[':
            case ']':
            case '(':
            case ')':
            case '\n':
            case '\r':
                return true;
            case ',':
                return in_arg;
            default:
                return false;
        }
    }

    // Parses from pos until the end of the script, or the ',' or ')' that ends
    // an argument, or the ']' that ends a section; pos is left on that
    // character. On a syntax error pos is where parsing cannot go on and
    // items hold what came before.
    stop sequence(size_t& pos, bool in_arg, bool in_section, int depth,
                  std::vector<uint32_t>& items) {
        std::string pending;
        // An error already described by a nested parse keeps its description.
        // Parsing stops at `at`; the error is described at `where`, unless a
        // nested parse described it already.
        auto fail = [&](size_t at, size_t where = npos, std::string_view what = {}) {
            flush(pending, items);
            if (!what.empty()) report(where, what);
            failed_ = true;
            pos = at;
            return stop::error;
        };
        while (pos < src_.size()) {
            if (const size_t c = comment_end(pos); c != npos) {
                pos = c;
                continue;
            }
            const char ch = src_[pos];
            switch (ch) {
                case '\'': {
                    const size_t q = src_.find('\'', pos + 1);
                    if (q == npos) return fail(src_.size(), pos, "expected ' to close the quote");
                    if (q == pos + 1)
                        pending += '\'';
                    else
                        pending.append(src_, pos + 1, q - pos - 1);
                    pos = q + 1;
                    break;
                }
                case '%': {
                    const size_t q = src_.find('%', pos + 1);
                    if (q == npos) return fail(pos + 1, pos, "expected % to close the field");
                    if (q == pos + 1) {
                        pending += '%';
                    } else {
                        flush(pending, items);
                        const std::string_view name = src_.substr(pos + 1, q - pos - 1);
                        items.push_back(add_node(node_kind::field,
                                                 static_cast<uint8_t>(find_field(name)), name));
                    }
                    pos = q + 1;
                    break;
                }
                case '$':
                    if (src_.compare(pos, 2, "$$") == 0) {
                        pending += '$';
                        pos += 2;
                        break;
                    }
                    flush(pending, items);
                    if (!call(pos, depth, items)) return fail(pos);
                    break;
                case '[': {
                    if (too_deep(pos, depth)) return fail(pos);
                    flush(pending, items);
                    std::vector<uint32_t> sub;
                    size_t q = pos + 1;
                    if (sequence(q, in_arg, true, depth + 1, sub) != stop::bracket)
                        return fail(q, pos, "expected ] to close the [");
                    items.push_back(add_node(node_kind::section, 0, {}, commit(sub)));
                    pos = q + 1;
                    break;
                }
                case ']':
                    if (!in_section) return fail(pos + 1, pos, "unexpected ] without [");
                    flush(pending, items);
                    return stop::bracket;
                case ',':
                    if (!in_arg) {
                        pending += ',';
                        ++pos;
                        break;
                    }
                    [[fallthrough]];
                case ')':
                    // Inside an argument, a section must close before it does.
                    if (in_section) return fail(pos, pos, std::string("expected ] before ") + ch);
                    if (!in_arg) return fail(pos, pos, "unexpected ) without a function call");
                    flush(pending, items);
                    return ch == ',' ? stop::comma : stop::close;
                case '(':
                    return fail(pos, pos, "unexpected ( without a function name");
                case '\n':
                case '\r':
                    // Line breaks only lay out the script, except inside an
                    // argument where they are part of its text.
                    if (in_arg) pending += ch;
                    ++pos;
                    break;
                default: {
                    size_t q = pos + 1;
                    while (q < src_.size() && !is_special(src_[q], in_arg)) ++q;
                    pending.append(src_, pos, q - pos);
                    pos = q;
                    break;
                }
            }
        }
        flush(pending, items);
        return stop::end;
    }

    // After a syntax error inside an argument: the ',' or ')' that ends the
    // argument, found by counting parentheses alone.
    stop skip_argument(size_t& pos) const {
        int depth = 0;
        for (; pos < src_.size(); ++pos) {
            const char c = src_[pos];
            if (c == '(') {
                ++depth;
            } else if (c == ')') {
                if (depth == 0) return stop::close;
                --depth;
            } else if (c == ',' && depth == 0) {
                return stop::comma;
            }
        }
        return stop::end;
    }

    // A call at pos ('$' not followed by '$'). On success pos is past its
    // ')'; on a syntax error pos is where parsing cannot go on.
    bool call(size_t& pos, int depth, std::vector<uint32_t>& items) {
        const size_t dollar = pos;
        const size_t name_begin = pos + 1;
        size_t q = name_begin;
        while (q < src_.size() && is_name_char(src_[q])) ++q;
        const std::string_view name = src_.substr(name_begin, q - name_begin);
        // The character after the name is taken as the '(' even when it is
        // not one.
        pos = std::min(q + 1, src_.size());
        if (q >= src_.size() || src_[q] != '(') {
            // "$()" is a call, of a function nobody knows.
            if (name.empty())
                report(dollar, "expected a function name after $");
            else
                report(q, "expected ( after $" + std::string(name));
            return false;
        }
        if (too_deep(dollar, depth)) return false;

        std::vector<span> arg_spans;
        if (pos < src_.size() && src_[pos] == ')') {
            ++pos;  // $name() has no argument
        } else {
            for (;;) {
                std::vector<uint32_t> arg_items;
                stop s = sequence(pos, true, false, depth + 1, arg_items);
                if (s == stop::error) s = skip_argument(pos);
                if (s == stop::end) {
                    report(dollar, "expected ) to close $" + std::string(name) + "(");
                    return false;
                }
                arg_spans.push_back(commit(arg_items));
                ++pos;
                if (s == stop::close) break;
            }
        }
        const span args{static_cast<uint32_t>(p_.args.size()),
                        static_cast<uint32_t>(arg_spans.size())};
        p_.args.insert(p_.args.end(), arg_spans.begin(), arg_spans.end());
        items.push_back(add_node(node_kind::call, find_function(name), name, args));
        return true;
    }

    std::string_view src_;
    program& p_;
    compile_error* error_;
    bool failed_ = false;
};

}  // namespace

std::shared_ptr<const program> compile(std::string_view text, bool& ok, compile_error* error) {
    auto p = std::make_shared<program>();
    parser ps(text, *p, error);
    ps.parse_root();
    p->pool.shrink_to_fit();
    ok = !ps.failed();
    return p;
}

}  // namespace cor::tf
