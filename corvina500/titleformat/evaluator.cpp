#include <algorithm>
#include <atomic>
#include <charconv>

#include "eval.h"
#include "per_thread.h"

namespace cor::tf {
namespace {

class string_out final : public string_sink {
public:
    explicit string_out(std::string& s) : s_(s) {}
    void write(const char* text, size_t length) override {
        if (length) s_.append(text, length);
    }

private:
    std::string& s_;
};

std::atomic<uint32_t> g_code_page{1252};

}  // namespace

bool ascii_iequal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

int64_t parse_number(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    const bool negative = i < s.size() && s[i] == '-';
    if (negative) ++i;
    // Accumulate the magnitude unsigned, so that INT64_MIN itself is exact.
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        const auto d = static_cast<uint64_t>(s[i] - '0');
        // v * 10 + d > limit, without dividing per digit
        v = v > limit / 10 || (v == limit / 10 && d > limit % 10) ? limit : v * 10 + d;
    }
    return negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
}

void append_number(std::string& out, int64_t v) {
    char buf[24];
    if (v >= 0 && v < 10) {
        out += static_cast<char>('0' + v);
        return;
    }
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, static_cast<size_t>(r.ptr - buf));
}

void set_system_code_page(uint32_t code_page) { g_code_page.store(code_page); }
uint32_t system_code_page() { return g_code_page.load(); }

bool run(const program& p, const t_format_context* ctx, titleformat_hook* hook, std::string& out) {
    scratch& work = per_thread<scratch>::get();
    struct restore {
        scratch& w;
        size_t vars;
        ~restore() { w.vars_used = vars; }
    } guard{work, work.vars_used};
    evaluator ev(p, ctx, hook, work);
    return ev.sequence(p.root, out);
}

bool evaluator::sequence(span s, std::string& out) {
    bool any = false;
    uint32_t at = s.first;
    for (uint32_t k = 0; k < s.count; ++k) {
        const node& n = nodes[at];
        any |= eval(n, out);
        at = n.next;
    }
    return any;
}

bool evaluator::eval(const node& n, std::string& out) {
    switch (n.kind) {
        case node_kind::text:
            out.append(pool + n.text_off, n.text_len);
            return false;
        case node_kind::field:
            return field(n, out);
        case node_kind::call:
            return call(n, out);
        case node_kind::section: {
            const size_t mark = out.size();
            if (sequence(n.sub, out)) return true;
            out.resize(mark);
            return false;
        }
    }
    return false;
}

inline bool evaluator::field(const node& n, std::string& out) {
    const std::string_view name = text_of(n);
    if (ctx && resolve_field(*this, static_cast<field_id>(n.id), name, out)) return true;
    if (hook) {
        const size_t mark = out.size();
        string_out sink(out);
        bool found = false;
        if (hook->process_field(sink, name.data(), name.size(), found)) return found;
        out.resize(mark);
    }
    out += '?';
    return false;
}

inline bool evaluator::call(const node& n, std::string& out) {
    call_args args(*this, n);
    if (n.id != unknown_function) {
        const builtin& b = builtins[n.id];
        if (args.size() < b.min_args || args.size() > b.max_args) {
            if (b.strict) {
                out += "[INVALID $";
                for (const char c : b.name)
                    out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
                out += " SYNTAX]";
            }
            return false;
        }
        return b.fn(*this, args, out);
    }
    if (hook) {
        const std::string_view name = text_of(n);
        const size_t mark = out.size();
        string_out sink(out);
        bool found = false;
        if (hook->process_function(sink, name.data(), name.size(), args, found)) return found;
        out.resize(mark);  // a hook that declines leaves no trace
    }
    out += "[UNKNOWN FUNCTION]";
    return false;
}

const std::string* evaluator::find_var(std::string_view name) const {
    for (size_t i = var_base; i < work.vars_used; ++i)
        if (ascii_iequal(work.vars[i].name, name)) return &work.vars[i].value;
    return nullptr;
}

void evaluator::set_var(std::string_view name, std::string_view value) {
    for (size_t i = var_base; i < work.vars_used; ++i)
        if (ascii_iequal(work.vars[i].name, name)) {
            work.vars[i].value.assign(value);
            return;
        }
    if (work.vars_used == work.vars.size()) work.vars.emplace_back();
    auto& v = work.vars[work.vars_used++];
    v.name.assign(name);
    v.value.assign(value);
}

void scratch::use_chunk(size_t at, size_t count) {
    if (at == chunks.size()) chunks.emplace_back();
    chunk& c = chunks[at];
    // Chunks past the current one hold no active call: one too small for
    // this call is replaced.
    if (c.size < count || !c.slots) {
        c.size = std::max<size_t>(count, 64);
        c.slots = std::make_unique<slot[]>(c.size);
    }
    chunk_at = at;
    top = c.slots.get();
    limit = top + c.size;
}

call_args::call_args(evaluator& ev, const node& call)
    : ev_(ev), args_(ev.args + call.sub.first), count_(call.sub.count) {
    scratch& w = ev.work;
    saved_top_ = w.top;
    saved_limit_ = w.limit;
    saved_chunk_ = w.chunk_at;
    if (static_cast<size_t>(w.limit - w.top) < count_) [[unlikely]]
        w.next_chunk(count_);
    slots_ = w.top;
    w.top += count_;
    ++w.depth;
    call_ = ++w.calls;
}

call_args::~call_args() {
    scratch& w = ev_.work;
    w.top = saved_top_;
    w.limit = saved_limit_;
    w.chunk_at = saved_chunk_;
    --w.depth;
}

void call_args::evaluate(size_t i) {
    const span arg = args_[i];
    scratch::slot& s = slots_[i];
    bool f;
    if (arg.count == 1) {
        const node& n = ev_.nodes[arg.first];
        if (n.kind == node_kind::text) {
            s.value = ev_.text_of(n);
            set_state(i, evaluated_false);
            return;
        }
        s.text.clear();
        f = ev_.eval(n, s.text);
    } else {
        s.text.clear();
        f = ev_.sequence(arg, s.text);
    }
    s.value = s.text;
    set_state(i, f ? evaluated_true : evaluated_false);
}

int64_t call_args::evaluated_number(size_t i) {
    const span arg = args_[i];
    if (arg.count == 0) return 0;
    if (arg.count == 1) {
        const node& n = ev_.nodes[arg.first];
        if (n.kind == node_kind::call && !settled(i)) {
            // Only the argument's own call runs one level above this one;
            // calls nested in it run higher.
            ev_.number_level = 0;
            evaluate(i);
            if (ev_.number_level == ev_.work.depth + 1) return ev_.number_value;
        }
    }
    return parse_number(text(i));
}

bool call_args::emit(size_t i, std::string& out) {
    if (i >= count_) return false;
    const uint8_t st = state(i);
    if (st == evaluated_false || st == evaluated_true) {
        out += slots_[i].value;
        return st == evaluated_true;
    }
    set_state(i, emitted);
    return ev_.sequence(args_[i], out);
}

void call_args::get_param(size_t index, const char*& text_out, size_t& length) {
    const std::string_view t = text(index);
    text_out = t.empty() ? "" : t.data();
    length = t.size();
}

bool call_args::get_param_found(size_t index) { return found(index); }

}  // namespace cor::tf
