// The parser: recursive descent over the script. A syntax error at the top
// level ends the script there. A syntax error inside an argument drops the
// rest of that argument: the parser skips ahead, counting parentheses, to
// the comma or ')' that ends it, and the call still runs. Either way
// compile() reports the first error: where, and what was expected.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "eval.h"

namespace cor::tf {
namespace {

constexpr size_t npos = std::string_view::npos;

bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Characters that end a run of plain text: 1 everywhere, 2 only inside an
// argument.
constexpr auto special_chars = [] {
    std::array<uint8_t, 256> t{};
    for (const char c : std::string_view("'%$[]()\n\r")) t[static_cast<uint8_t>(c)] = 1;
    t[static_cast<uint8_t>(',')] = 2;
    return t;
}();

// How a sequence ended.
enum class stop { end, comma, close, bracket, error };

// The parse's growing arrays, kept from one compile to the next on each
// thread so that a compile allocates only the finished program. The spans
// of a call's arguments are stacked, a nested call's above its parent's,
// and moved to the final array when the call closes.
struct workspace {
    std::vector<node> nodes;
    std::vector<span> args;
    std::string pool;
    std::vector<span> arg_stack;

    void clear() {
        nodes.clear();
        args.clear();
        pool.clear();
        arg_stack.clear();
    }
    // A very large script leaves no very large buffers behind.
    void trim() {
        if (pool.capacity() > (64u << 10) || nodes.capacity() > (16u << 10)) *this = workspace{};
    }
};

class parser {
public:
    parser(std::string_view src, workspace& w, compile_error* error)
        : src_(src), w_(w), error_(error) {}

    [[nodiscard]] bool failed() const { return failed_; }

    span parse_root() {
        size_t pos = 0;
        chain root;
        sequence(pos, false, false, 0, root);
        return root.items;
    }

private:
    // End of the comment line starting at pos (its line break included), or
    // npos when the line is not a comment.
    size_t comment_end(size_t pos) const {
        size_t q = pos;
        while (q < src_.size() && (src_[q] == ' ' || src_[q] == '\t')) ++q;
        if (q + 1 >= src_.size() || src_[q] != '/' || src_[q + 1] != '/') return npos;
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

    // The items of a sequence being parsed: each node links to the next.
    // Only an argument's own plain text is ever read as a number.
    struct chain {
        span items;
        uint32_t last = 0;
        bool numbers = false;
    };

    void push_node(chain& c, node_kind kind, uint8_t id, uint32_t off, uint32_t len,
                   span sub = {}) {
        const auto at = static_cast<uint32_t>(w_.nodes.size());
        node& n = w_.nodes.emplace_back();
        n.kind = kind;
        n.id = id;
        n.text_off = off;
        n.text_len = len;
        n.next = 0;
        if (kind == node_kind::text)
            n.number = c.numbers ? parse_number({w_.pool.data() + off, len}) : 0;
        else
            n.sub = sub;
        if (c.items.count++ == 0)
            c.items.first = at;
        else
            w_.nodes[c.last].next = at;
        c.last = at;
    }

    // Every text in the pool is followed by a NUL, so that a hook may read
    // a name or a plain-text argument as a C string. `name` lies in the
    // script with its closing '%' or '(' after it: copying that character
    // too and overwriting it costs one append instead of two.
    uint32_t add_name(std::string_view name) {
        const auto off = static_cast<uint32_t>(w_.pool.size());
        w_.pool.append(name.data(), name.size() + 1);
        w_.pool.back() = '\0';
        return off;
    }

    // Plain text accumulates at the end of the pool from `text_begin` on;
    // everything that is not plain text flushes it into a node first.
    void flush(chain& c, size_t& text_begin) {
        const size_t end = w_.pool.size();
        if (end == text_begin) return;
        push_node(c, node_kind::text, 0, static_cast<uint32_t>(text_begin),
                  static_cast<uint32_t>(end - text_begin));
        w_.pool += '\0';
        text_begin = w_.pool.size();
    }

    // Parses from pos until the end of the script, or the ',' or ')' that ends
    // an argument, or the ']' that ends a section; pos is left on that
    // character. On a syntax error pos is where parsing cannot go on and
    // the chain holds what came before.
    stop sequence(size_t& pos, bool in_arg, bool in_section, int depth, chain& items) {
        size_t text_begin = w_.pool.size();
        // Parsing stops at `at`; the error is described at `where`, unless a
        // nested parse described it already.
        auto fail = [&](size_t at, size_t where = npos, std::string_view what = {}) {
            flush(items, text_begin);
            if (!what.empty()) report(where, what);
            failed_ = true;
            pos = at;
            return stop::error;
        };
        const uint8_t special = in_arg ? 3 : 1;
        const size_t size = src_.size();
        bool line_start = pos == 0 || src_[pos - 1] == '\n' || src_[pos - 1] == '\r';
        while (pos < size) {
            if (line_start) {
                line_start = false;
                if (const size_t c = comment_end(pos); c != npos) {
                    pos = c;
                    line_start = true;
                    continue;
                }
            }
            const char ch = src_[pos];
            switch (ch) {
                case '\'': {
                    const size_t q = src_.find('\'', pos + 1);
                    if (q == npos) return fail(size, pos, "expected ' to close the quote");
                    if (q == pos + 1)
                        w_.pool += '\'';
                    else
                        w_.pool.append(src_, pos + 1, q - pos - 1);
                    pos = q + 1;
                    break;
                }
                case '%': {
                    // Field names are short: a plain scan beats a call to memchr.
                    size_t q = pos + 1;
                    while (q < size && src_[q] != '%') ++q;
                    if (q == size) return fail(pos + 1, pos, "expected % to close the field");
                    if (q == pos + 1) {
                        w_.pool += '%';
                    } else {
                        flush(items, text_begin);
                        const std::string_view name = src_.substr(pos + 1, q - pos - 1);
                        push_node(items, node_kind::field, static_cast<uint8_t>(find_field(name)),
                                  add_name(name), static_cast<uint32_t>(name.size()));
                        text_begin = w_.pool.size();
                    }
                    pos = q + 1;
                    break;
                }
                case '$': {
                    if (pos + 1 < size && src_[pos + 1] == '$') {
                        w_.pool += '$';
                        pos += 2;
                        break;
                    }
                    flush(items, text_begin);
                    const bool called = call(pos, depth, items);
                    text_begin = w_.pool.size();
                    if (!called) return fail(pos);
                    break;
                }
                case '[': {
                    if (too_deep(pos, depth)) return fail(pos);
                    flush(items, text_begin);
                    chain sub;
                    size_t q = pos + 1;
                    if (sequence(q, in_arg, true, depth + 1, sub) != stop::bracket) {
                        text_begin = w_.pool.size();
                        return fail(q, pos, "expected ] to close the [");
                    }
                    push_node(items, node_kind::section, 0, 0, 0, sub.items);
                    text_begin = w_.pool.size();
                    pos = q + 1;
                    break;
                }
                case ']':
                    if (!in_section) return fail(pos + 1, pos, "unexpected ] without [");
                    flush(items, text_begin);
                    return stop::bracket;
                case ',':
                    if (!in_arg) {
                        w_.pool += ',';
                        ++pos;
                        break;
                    }
                    [[fallthrough]];
                case ')':
                    // Inside an argument, a section must close before it does.
                    if (in_section) return fail(pos, pos, std::string("expected ] before ") + ch);
                    if (!in_arg) return fail(pos, pos, "unexpected ) without a function call");
                    flush(items, text_begin);
                    return ch == ',' ? stop::comma : stop::close;
                case '(':
                    return fail(pos, pos, "unexpected ( without a function name");
                case '\n':
                case '\r':
                    // Line breaks only lay out the script, except inside an
                    // argument where they are part of its text.
                    if (in_arg) w_.pool += ch;
                    ++pos;
                    line_start = true;
                    break;
                default: {
                    size_t q = pos + 1;
                    while (q < size && !(special_chars[static_cast<uint8_t>(src_[q])] & special))
                        ++q;
                    w_.pool.append(src_, pos, q - pos);
                    pos = q;
                    break;
                }
            }
        }
        flush(items, text_begin);
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
    // ')' and the call ends the chain; on a syntax error pos is where
    // parsing cannot go on.
    bool call(size_t& pos, int depth, chain& items) {
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

        const size_t arg_base = w_.arg_stack.size();
        if (pos < src_.size() && src_[pos] == ')') {
            ++pos;  // $name() has no argument
        } else {
            for (;;) {
                chain arg;
                arg.numbers = true;
                stop s = sequence(pos, true, false, depth + 1, arg);
                if (s == stop::error) s = skip_argument(pos);
                if (s == stop::end) {
                    w_.arg_stack.resize(arg_base);
                    report(dollar, "expected ) to close $" + std::string(name) + "(");
                    return false;
                }
                w_.arg_stack.push_back(arg.items);
                ++pos;
                if (s == stop::close) break;
            }
        }
        auto& st = w_.arg_stack;
        const span args{static_cast<uint32_t>(w_.args.size()),
                        static_cast<uint32_t>(st.size() - arg_base)};
        w_.args.insert(w_.args.end(), st.begin() + static_cast<ptrdiff_t>(arg_base), st.end());
        st.resize(arg_base);
        push_node(items, node_kind::call, find_function(name), add_name(name),
                  static_cast<uint32_t>(name.size()), args);
        return true;
    }

    std::string_view src_;
    workspace& w_;
    compile_error* error_;
    bool failed_ = false;
};

template <class T>
constexpr size_t aligned(size_t offset) {
    return (offset + alignof(T) - 1) / alignof(T) * alignof(T);
}

// Allocates the shared pointer's block with room for the program's arrays
// after it, so that a program costs a single allocation.
template <class T>
struct with_trailing {
    using value_type = T;
    size_t extra;
    std::byte** trailing;

    with_trailing(size_t e, std::byte** t) : extra(e), trailing(t) {}
    template <class U>
    with_trailing(const with_trailing<U>& o) : extra(o.extra), trailing(o.trailing) {}

    T* allocate(size_t n) {
        const size_t head = aligned<std::max_align_t>(n * sizeof(T));
        auto* block = static_cast<std::byte*>(::operator new(head + extra));
        *trailing = block + head;
        return reinterpret_cast<T*>(block);
    }
    void deallocate(T* p, size_t) { ::operator delete(p); }

    template <class U>
    bool operator==(const with_trailing<U>& o) const {
        return extra == o.extra;
    }
};

// The program the parser makes of a script that is one field, "%name%",
// built without it: such scripts (a column, a sort key) are the most
// common and the parse would be most of their cost.
std::shared_ptr<const program> compile_single_field(std::string_view name) {
    const size_t pool_at = aligned<span>(sizeof(node));
    std::byte* block = nullptr;
    auto p =
        std::allocate_shared<program>(with_trailing<program>(pool_at + name.size() + 1, &block));
    node n{};
    n.kind = node_kind::field;
    n.id = static_cast<uint8_t>(find_field(name));
    n.text_off = 0;
    n.text_len = static_cast<uint32_t>(name.size());
    n.next = 0;
    std::memcpy(block, &n, sizeof n);
    std::memcpy(block + pool_at, name.data(), name.size());
    block[pool_at + name.size()] = std::byte{0};
    p->nodes = reinterpret_cast<const node*>(block);
    p->args = reinterpret_cast<const span*>(block + pool_at);
    p->pool = reinterpret_cast<const char*>(block + pool_at);
    p->root = {0, 1};
    return p;
}

}  // namespace

std::shared_ptr<const program> compile(std::string_view text, bool& ok, compile_error* error) {
    if (text.size() > 2 && text.front() == '%' && text.back() == '%' &&
        text.find('%', 1) == text.size() - 1) {
        ok = true;
        return compile_single_field(text.substr(1, text.size() - 2));
    }
    static thread_local workspace w;
    w.clear();
    parser ps(text, w, error);
    const span root = ps.parse_root();
    ok = !ps.failed();

    const size_t args_at = aligned<span>(w.nodes.size() * sizeof(node));
    const size_t pool_at = args_at + w.args.size() * sizeof(span);
    const size_t total = pool_at + w.pool.size();

    std::byte* block = nullptr;
    auto p = std::allocate_shared<program>(with_trailing<program>(total, &block));
    if (!w.nodes.empty()) std::memcpy(block, w.nodes.data(), w.nodes.size() * sizeof(node));
    if (!w.args.empty()) std::memcpy(block + args_at, w.args.data(), w.args.size() * sizeof(span));
    if (!w.pool.empty()) std::memcpy(block + pool_at, w.pool.data(), w.pool.size());
    p->nodes = reinterpret_cast<const node*>(block);
    p->args = reinterpret_cast<const span*>(block + args_at);
    p->pool = reinterpret_cast<const char*>(block + pool_at);
    p->root = root;
    w.trim();
    return p;
}

}  // namespace cor::tf
