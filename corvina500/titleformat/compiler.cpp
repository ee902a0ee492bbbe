// The parser: recursive descent over the script. A syntax error at the top
// level ends the script there. A syntax error inside an argument drops the
// rest of that argument: the parser skips ahead, counting parentheses, to
// the comma or ')' that ends it, and the call still runs. Either way
// compile() reports the first error: where, and what was expected.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "eval.h"
#include "per_thread.h"
#include "program_blocks.h"

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

// A growing array of plain records, its growth out of the parse's way.
template <class T>
class records {
public:
    [[nodiscard]] size_t size() const { return size_; }
    [[nodiscard]] bool empty() const { return size_ == 0; }
    [[nodiscard]] size_t capacity() const { return capacity_; }
    T* data() { return data_.get(); }
    T& operator[](size_t i) { return data_[i]; }
    T& push() {
        if (size_ == capacity_) [[unlikely]]
            grow();
        return data_[size_++];
    }
    void clear() { size_ = 0; }
    void resize_down(size_t n) { size_ = n; }

private:
    [[gnu::noinline]] void grow() {
        const size_t wanted = capacity_ ? 2 * capacity_ : 64;
        auto more = std::make_unique_for_overwrite<T[]>(wanted);
        if (size_) std::memcpy(more.get(), data_.get(), size_ * sizeof(T));
        data_ = std::move(more);
        capacity_ = wanted;
    }
    std::unique_ptr<T[]> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// The parse's growing arrays, kept from one compile to the next on each
// thread so that a compile allocates only the finished program. The spans
// of a call's arguments are stacked, a nested call's above its parent's,
// and moved to the final array when the call closes. The pool is sized
// before the parse for the most a script of that length can put in it (a
// byte of the script gives at most one byte of text and one NUL), so
// appending to it needs no check.
struct workspace {
    records<node> nodes;
    records<span> args;
    std::unique_ptr<char[]> pool;
    size_t pool_capacity = 0;
    records<span> arg_stack;

    void start(size_t script_length) {
        nodes.clear();
        args.clear();
        arg_stack.clear();
        const size_t need = 2 * script_length + 16;
        if (pool_capacity < need) {
            pool.reset();
            pool.reset(new char[need]);
            pool_capacity = need;
        }
    }
    // A very large script leaves no very large buffers behind.
    void trim() {
        if (pool_capacity > (128u << 10) || nodes.capacity() > (16u << 10)) *this = workspace{};
    }
};

class parser {
public:
    parser(std::string_view src, workspace& w, compile_error* error)
        : src_(src), w_(w), pool_(w.pool.get()), error_(error) {}

    [[nodiscard]] bool failed() const { return failed_; }
    [[nodiscard]] size_t pool_size() const { return size_; }

    span parse_root() {
        chain root;
        sequence(0, false, false, 0, root);
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
        if (depth < max_nesting_depth) [[likely]]
            return false;
        report_too_deep(at);
        return true;
    }
    [[gnu::noinline, gnu::cold]] void report_too_deep(size_t at) {
        report(at, "nesting deeper than " + std::to_string(max_nesting_depth) + " levels");
    }

    // The '%' that closes a field opened before `from`, or the script's
    // end: eight bytes at a time while eight remain.
    size_t field_end(size_t from) const {
        const char* s = src_.data();
        const size_t size = src_.size();
        size_t q = from;
        constexpr uint64_t ones = 0x0101010101010101u;
        for (; q + 8 <= size; q += 8) {
            uint64_t w;
            std::memcpy(&w, s + q, 8);
            const uint64_t x = w ^ (ones * '%');
            // The lowest byte that is zero in x marks the first '%'.
            if (const uint64_t zero = (x - ones) & ~x & (ones * 0x80))
                return q + static_cast<size_t>(std::countr_zero(zero)) / 8;
        }
        while (q < size && s[q] != '%') ++q;
        return q;
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
        node& n = w_.nodes.push();
        n.kind = kind;
        n.id = id;
        n.text_off = off;
        n.text_len = len;
        n.next = 0;
        if (kind == node_kind::text)
            n.number = c.numbers ? parse_number({pool_ + off, len}) : 0;
        else
            n.sub = sub;
        if (c.items.count++ == 0)
            c.items.first = at;
        else
            w_.nodes[c.last].next = at;
        c.last = at;
    }

    // Every text in the pool is followed by a NUL, so that a hook may read
    // a name or a plain-text argument as a C string.
    uint32_t add_name(std::string_view name) {
        const auto off = static_cast<uint32_t>(size_);
        put(name.data(), name.size());
        put('\0');
        return off;
    }

    // Plain text accumulates at the end of the pool from `text_begin` on;
    // everything that is not plain text flushes it into a node first.
    [[gnu::always_inline]] void flush(chain& c, size_t& text_begin) {
        if (size_ != text_begin) text_begin = flush_text(c, text_begin);
    }
    size_t flush_text(chain& c, size_t text_begin) {
        push_node(c, node_kind::text, 0, static_cast<uint32_t>(text_begin),
                  static_cast<uint32_t>(size_ - text_begin));
        put('\0');
        return size_;
    }

    // How a sequence or a call ended, and where: positions are passed and
    // returned by value so that they stay in registers.
    struct parsed {
        stop how;
        size_t pos;
    };

    // Parsing stops at `at`; the error is described at `where`, unless a
    // nested parse described it already.
    [[gnu::noinline, gnu::cold]] parsed fail(chain& items, size_t text_begin, size_t at,
                                             size_t where = npos, std::string_view what = {}) {
        flush(items, text_begin);
        if (!what.empty()) report(where, what);
        failed_ = true;
        return {stop::error, at};
    }

    // Parses from pos until the end of the script, or the ',' or ')' that ends
    // an argument, or the ']' that ends a section, and returns that
    // character's position. On a syntax error it returns where parsing
    // cannot go on, and the chain holds what came before.
    parsed sequence(size_t pos, bool in_arg, bool in_section, int depth, chain& items) {
        size_t text_begin = size_;
        const uint8_t special = in_arg ? 3 : 1;
        const char* const src = src_.data();
        const size_t size = src_.size();
        bool line_start = pos == 0 || src[pos - 1] == '\n' || src[pos - 1] == '\r';
        while (pos < size) {
            if (line_start) {
                line_start = false;
                const char first = src[pos];
                const size_t c =
                    first == '/' || first == ' ' || first == '\t' ? comment_end(pos) : npos;
                if (c != npos) {
                    pos = c;
                    line_start = true;
                    continue;
                }
            }
            const char ch = src[pos];
            switch (ch) {
                case '\'': {
                    const size_t q = src_.find('\'', pos + 1);
                    if (q == npos)
                        return fail(items, text_begin, size, pos, "expected ' to close the quote");
                    if (q == pos + 1)
                        put('\'');
                    else
                        put(src + pos + 1, q - pos - 1);
                    pos = q + 1;
                    break;
                }
                case '%': {
                    const size_t q = field_end(pos + 1);
                    if (q == size)
                        return fail(items, text_begin, pos + 1, pos,
                                    "expected % to close the field");
                    if (q == pos + 1) {
                        put('%');
                    } else {
                        flush(items, text_begin);
                        const std::string_view name(src + pos + 1, q - pos - 1);
                        push_node(items, node_kind::field, static_cast<uint8_t>(find_field(name)),
                                  add_name(name), static_cast<uint32_t>(name.size()));
                        text_begin = size_;
                    }
                    pos = q + 1;
                    break;
                }
                case '$': {
                    if (pos + 1 < size && src[pos + 1] == '$') {
                        put('$');
                        pos += 2;
                        break;
                    }
                    flush(items, text_begin);
                    const parsed c = call(pos, depth, items);
                    text_begin = size_;
                    if (c.how == stop::error) return fail(items, text_begin, c.pos);
                    pos = c.pos;
                    break;
                }
                case '[': {
                    if (too_deep(pos, depth)) return fail(items, text_begin, pos);
                    flush(items, text_begin);
                    chain sub;
                    const parsed inner = sequence(pos + 1, in_arg, true, depth + 1, sub);
                    text_begin = size_;
                    if (inner.how != stop::bracket)
                        return fail(items, text_begin, inner.pos, pos, "expected ] to close the [");
                    push_node(items, node_kind::section, 0, 0, 0, sub.items);
                    pos = inner.pos + 1;
                    break;
                }
                case ']':
                    if (!in_section)
                        return fail(items, text_begin, pos + 1, pos, "unexpected ] without [");
                    flush(items, text_begin);
                    return {stop::bracket, pos};
                case ',':
                    if (!in_arg) {
                        put(',');
                        ++pos;
                        break;
                    }
                    [[fallthrough]];
                case ')':
                    // Inside an argument, a section must close before it does.
                    if (in_section)
                        return fail(items, text_begin, pos, pos,
                                    std::string("expected ] before ") + ch);
                    if (!in_arg)
                        return fail(items, text_begin, pos, pos,
                                    "unexpected ) without a function call");
                    flush(items, text_begin);
                    return {ch == ',' ? stop::comma : stop::close, pos};
                case '(':
                    return fail(items, text_begin, pos, pos,
                                "unexpected ( without a function name");
                case '\n':
                case '\r':
                    // Line breaks only lay out the script, except inside an
                    // argument where they are part of its text.
                    if (in_arg) put(ch);
                    ++pos;
                    line_start = true;
                    break;
                default: {
                    size_t q = pos + 1;
                    while (q < size && !(special_chars[static_cast<uint8_t>(src[q])] & special))
                        ++q;
                    put(src + pos, q - pos);
                    pos = q;
                    break;
                }
            }
        }
        flush(items, text_begin);
        return {stop::end, pos};
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

    // A call at pos ('$' not followed by '$'). On success it returns the
    // position past its ')' and the call ends the chain; on a syntax error,
    // where parsing cannot go on.
    parsed call(size_t pos, int depth, chain& items) {
        const size_t dollar = pos;
        const size_t name_begin = pos + 1;
        size_t q = name_begin;
        while (q < src_.size() && is_name_char(src_[q])) ++q;
        const std::string_view name(src_.data() + name_begin, q - name_begin);
        // The character after the name is taken as the '(' even when it is
        // not one.
        pos = std::min(q + 1, src_.size());
        if (q >= src_.size() || src_[q] != '(') {
            // "$()" is a call, of a function nobody knows.
            if (name.empty())
                report(dollar, "expected a function name after $");
            else
                report(q, "expected ( after $" + std::string(name));
            return {stop::error, pos};
        }
        if (too_deep(dollar, depth)) return {stop::error, pos};

        const size_t arg_base = w_.arg_stack.size();
        if (pos < src_.size() && src_[pos] == ')') {
            ++pos;  // $name() has no argument
        } else {
            for (;;) {
                chain arg;
                arg.numbers = true;
                parsed r = sequence(pos, true, false, depth + 1, arg);
                pos = r.pos;
                if (r.how == stop::error) r.how = skip_argument(pos);
                if (r.how == stop::end) {
                    w_.arg_stack.resize_down(arg_base);
                    report(dollar, "expected ) to close $" + std::string(name) + "(");
                    return {stop::error, pos};
                }
                w_.arg_stack.push() = arg.items;
                ++pos;
                if (r.how == stop::close) break;
            }
        }
        auto& st = w_.arg_stack;
        const span args{static_cast<uint32_t>(w_.args.size()),
                        static_cast<uint32_t>(st.size() - arg_base)};
        for (size_t i = arg_base; i < st.size(); ++i) w_.args.push() = st[i];
        st.resize_down(arg_base);
        push_node(items, node_kind::call, find_function(name), add_name(name),
                  static_cast<uint32_t>(name.size()), args);
        return {stop::close, pos};
    }

    void put(char c) { pool_[size_++] = c; }
    // Short texts (names, most runs of text) are copied as two words, or
    // two half words, that overlap where the text is shorter than both.
    void put(const char* p, size_t n) {
        char* d = pool_ + size_;
        if (n >= 8 && n <= 16) {
            copy_word<uint64_t>(d, p);
            copy_word<uint64_t>(d + n - 8, p + n - 8);
        } else if (n >= 4 && n < 8) {
            copy_word<uint32_t>(d, p);
            copy_word<uint32_t>(d + n - 4, p + n - 4);
        } else if (n > 0 && n < 4) {
            d[0] = p[0];
            d[n / 2] = p[n / 2];
            d[n - 1] = p[n - 1];
        } else if (n) {
            std::memcpy(d, p, n);
        }
        size_ += n;
    }
    template <class Word>
    static void copy_word(char* to, const char* from) {
        Word w;
        std::memcpy(&w, from, sizeof w);
        std::memcpy(to, &w, sizeof w);
    }

    std::string_view src_;
    workspace& w_;
    char* pool_;
    size_t size_ = 0;
    compile_error* error_;
    bool failed_ = false;
};

template <class T>
constexpr size_t aligned(size_t offset) {
    return (offset + alignof(T) - 1) / alignof(T) * alignof(T);
}

constexpr size_t program_size = aligned<node>(sizeof(program));

// One block: the program, then its nodes, argument spans and text.
program* make_program(size_t node_count, size_t arg_count, size_t pool_size) {
    const size_t args_at = aligned<span>(program_size + node_count * sizeof(node));
    const size_t pool_at = args_at + arg_count * sizeof(span);
    uint32_t kept = 0;
    auto* block = static_cast<std::byte*>(allocate_program_block(pool_at + pool_size, kept));
    auto* p = new (block) program;
    p->block_kept = kept;
    p->nodes = reinterpret_cast<const node*>(block + program_size);
    p->args = reinterpret_cast<const span*>(block + args_at);
    p->pool = reinterpret_cast<const char*>(block + pool_at);
    return p;
}

// The program the parser makes of a script that is one field, "%name%",
// built without it: such scripts (a column, a sort key) are the most
// common and the parse would be most of their cost.
program_ptr compile_single_field(std::string_view name) {
    program* p = make_program(1, 0, name.size() + 1);
    auto* n = const_cast<node*>(p->nodes);
    n->kind = node_kind::field;
    n->id = static_cast<uint8_t>(find_field(name));
    n->text_off = 0;
    n->text_len = static_cast<uint32_t>(name.size());
    n->next = 0;
    n->sub = {};
    auto* pool = const_cast<char*>(p->pool);
    std::memcpy(pool, name.data(), name.size());
    pool[name.size()] = '\0';
    p->root = {0, 1};
    return program_ptr(p);
}

}  // namespace

void program_ptr::retain(const program* p) {
    p->references.fetch_add(1, std::memory_order_relaxed);
}

void program_ptr::release(const program* p) {
    // The last reference needs no atomic write: nobody else can reach the
    // program to take another.
    if (p->references.load(std::memory_order_acquire) != 1 &&
        p->references.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    const uint32_t kept = p->block_kept;
    p->~program();
    free_program_block(const_cast<program*>(p), kept);
}

program_ptr compile(std::string_view text, bool& ok, compile_error* error) {
    if (text.size() > 2 && text.front() == '%' && text.back() == '%' &&
        text.find('%', 1) == text.size() - 1) {
        ok = true;
        return compile_single_field(text.substr(1, text.size() - 2));
    }
    workspace& w = per_thread<workspace>::get();
    w.start(text.size());
    parser ps(text, w, error);
    const span root = ps.parse_root();
    ok = !ps.failed();

    program* p = make_program(w.nodes.size(), w.args.size(), ps.pool_size());
    if (!w.nodes.empty())
        std::memcpy(const_cast<node*>(p->nodes), w.nodes.data(), w.nodes.size() * sizeof(node));
    if (!w.args.empty())
        std::memcpy(const_cast<span*>(p->args), w.args.data(), w.args.size() * sizeof(span));
    if (ps.pool_size()) std::memcpy(const_cast<char*>(p->pool), w.pool.get(), ps.pool_size());
    p->root = root;
    w.trim();
    return program_ptr(p);
}

}  // namespace cor::tf
