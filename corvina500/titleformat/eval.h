// Internals shared by the evaluator, the built-in functions and the track
// fields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../../sdk/titleformat.h"
#include "program.h"

namespace cor::tf {

// Working memory reused by every run on a thread, so that a run in steady
// state allocates nothing beyond its output. It is used as a stack because
// a hook may run another program from inside a call.
struct scratch {
    // The cached arguments of one active call. An argument that is plain
    // text is read from the program in place; the others are evaluated
    // into their own string.
    // A slot's state holds only for the call whose number is in `call`;
    // for any other it reads as not evaluated, so a call need not clear
    // its slots when it starts.
    struct slot {
        std::string text;
        std::string_view value;
        uint64_t call = 0;
        uint8_t state = 0;  // arg_state
    };
    struct variable {
        std::string name;
        std::string value;
    };

    // The slots of the active calls, a nested call's above its caller's, in
    // chunks that never move: growing the stack never moves a cached
    // argument. A call takes its slots from the current chunk, or from the
    // next one when they do not fit.
    struct chunk {
        std::unique_ptr<slot[]> slots;
        size_t size = 0;
    };
    std::vector<chunk> chunks;
    size_t chunk_at = 0;
    slot* top = nullptr;
    slot* limit = nullptr;
    size_t depth = 0;    // calls active
    uint64_t calls = 0;  // numbers the calls of this thread, from 1
    std::vector<variable> vars;
    size_t vars_used = 0;

    scratch() { use_chunk(0, 0); }
    // Moves to the chunk after the current one, with room for count slots.
    void next_chunk(size_t count) { use_chunk(chunk_at + 1, count); }

private:
    void use_chunk(size_t at, size_t count);
};

class evaluator {
public:
    evaluator(const program& p, const t_format_context* context, titleformat_hook* h, scratch& s)
        : nodes(p.nodes),
          args(p.args),
          pool(p.pool),
          ctx(context),
          hook(h),
          work(s),
          var_base(s.vars_used) {}

    bool sequence(span s, std::string& out);
    [[nodiscard]] const t_track_info* track() const { return ctx ? ctx->track : nullptr; }
    // Variables of this run ($put, $get).
    [[nodiscard]] const std::string* find_var(std::string_view name) const;
    void set_var(std::string_view name, std::string_view value);

    // The program's arrays, held here so that reaching a node or an
    // argument is one load, not a walk through the program.
    const node* const nodes;
    const span* const args;
    const char* const pool;
    [[nodiscard]] std::string_view text_of(const node& n) const {
        return {pool + n.text_off, n.text_len};
    }
    const t_format_context* ctx;
    titleformat_hook* hook;
    scratch& work;
    const size_t var_base;

    // A function whose text is a number ($len, $num) leaves that number
    // here, with the depth of its call (work.depth while it runs),
    // so that a caller reading the result as a number need not parse the
    // text back.
    void leave_number(int64_t v) {
        number_value = v;
        number_level = work.depth;
    }
    int64_t number_value = 0;
    size_t number_level = 0;

private:
    friend class call_args;
    bool eval(const node& n, std::string& out);
    [[gnu::always_inline]] bool field(const node& n, std::string& out);
    [[gnu::always_inline]] bool call(const node& n, std::string& out);
};

// The arguments of one call, evaluated on first request and cached for the
// rest of the call. Also what a hook receives as the call's parameters.
class call_args final : public titleformat_params {
public:
    call_args(evaluator& ev, const node& call);
    ~call_args();
    call_args(const call_args&) = delete;
    call_args& operator=(const call_args&) = delete;

    [[nodiscard]] size_t size() const { return count_; }
    std::string_view text(size_t i) {
        if (i >= count_) return {};
        if (!settled(i)) evaluate(i);
        return slots_[i].value;
    }
    bool found(size_t i) {
        if (i >= count_) return false;
        if (!settled(i)) evaluate(i);
        return state(i) == evaluated_true;
    }
    int64_t number(size_t i) {
        if (i >= count_) return 0;
        // Plain text has no side effect to run, and its value was read at
        // compile time.
        if (const span arg = args_[i]; arg.count == 1) {
            const node& n = ev_.nodes[arg.first];
            if (n.kind == node_kind::text) return n.number;
        }
        return evaluated_number(i);
    }
    // Appends argument i to out and returns its truth. An argument not yet
    // evaluated is evaluated straight into out, so it must not be asked for
    // again afterwards.
    bool emit(size_t i, std::string& out);

    size_t get_param_count() override { return count_; }
    void get_param(size_t index, const char*& text, size_t& length) override;
    bool get_param_found(size_t index) override;

private:
    enum arg_state : uint8_t { not_evaluated, evaluated_false, evaluated_true, emitted };
    [[nodiscard]] uint8_t state(size_t i) const {
        return slots_[i].call == call_ ? slots_[i].state : uint8_t{not_evaluated};
    }
    void set_state(size_t i, arg_state st) {
        slots_[i].call = call_;
        slots_[i].state = st;
    }
    [[nodiscard]] bool settled(size_t i) const {
        const uint8_t st = state(i);
        return st == evaluated_false || st == evaluated_true;
    }
    void evaluate(size_t i);
    int64_t evaluated_number(size_t i);

    evaluator& ev_;
    const span* args_;  // this call's arguments
    size_t count_;
    scratch::slot* slots_;
    uint64_t call_;
    scratch::slot* saved_top_;
    scratch::slot* saved_limit_;
    size_t saved_chunk_;
};

using builtin_fn = bool (*)(evaluator&, call_args&, std::string&);

struct builtin {
    std::string_view name;
    builtin_fn fn;
    uint8_t min_args;
    uint8_t max_args;  // any_count for no limit
    // A wrong argument count writes "[INVALID $NAME SYNTAX]" instead of nothing.
    bool strict;
};
inline constexpr uint8_t any_count = 0xFF;
// Indexed by a call node's id.
extern const builtin builtins[];
extern const size_t builtin_count;

// Track and player fields; writes nothing and returns false when the field
// does not resolve.
bool resolve_field(const evaluator& ev, field_id id, std::string_view name, std::string& out);

// Track functions.
bool fn_meta(evaluator& ev, call_args& a, std::string& out);
bool fn_meta_sep(evaluator& ev, call_args& a, std::string& out);
bool fn_meta_test(evaluator& ev, call_args& a, std::string& out);
bool fn_meta_num(evaluator& ev, call_args& a, std::string& out);
bool fn_info(evaluator& ev, call_args& a, std::string& out);

// Numbers as the language reads them: blanks, an optional '-', digits;
// saturating at the 64-bit limits.
int64_t parse_number(std::string_view s);
void append_number(std::string& out, int64_t v);
bool ascii_iequal(std::string_view a, std::string_view b);

}  // namespace cor::tf
