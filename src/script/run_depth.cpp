#include "script/run_depth.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "script/error_report.h"

namespace vesk {
namespace {

// Everything runs on the main thread; the counters are per thread all the
// same, so a helper thread's scripts never borrow the main thread's bound.
thread_local int t_depth = 0;
thread_local bool t_tripped = false;
thread_local size_t t_peak = 0;

struct stack_range {
    uintptr_t low = 0;   // end of the reserved region: the stack grows down to it
    uintptr_t high = 0;  // the base the stack grows down from
};

stack_range thread_stack() {
    thread_local stack_range range = [] {
        stack_range r;
        MEMORY_BASIC_INFORMATION info{};
        // The committed pages from here up end where the stack begins; the
        // reservation starts where it may grow down to.
        if (VirtualQuery(&info, &info, sizeof info) == sizeof info) {
            r.low = reinterpret_cast<uintptr_t>(info.AllocationBase);
            r.high = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
        }
        return r;
    }();
    return range;
}

}  // namespace

stack_use current_stack_use() {
    const stack_range r = thread_stack();
    const volatile char here = 0;
    const auto sp = reinterpret_cast<uintptr_t>(&here);
    stack_use use;
    if (r.low < r.high && sp > r.low && sp <= r.high) {
        use.used = r.high - sp;
        use.total = r.high - r.low;
    }
    return use;
}

size_t peak_stack_use() { return t_peak; }
void reset_peak_stack_use() { t_peak = 0; }

nested_run::nested_run(std::string_view who) : allowed_(true) {
    const stack_use stack = current_stack_use();
    t_peak = std::max(t_peak, stack.used);
    const bool low_stack = stack.total != 0 && stack.total - stack.used < min_free_stack;
    if (t_depth > 0 && (t_tripped || t_depth >= max_run_depth || low_stack)) {
        if (!t_tripped)
            report(err_low, "%s: scripts nested too deep (at most %d levels), not run",
                   {who, std::to_string(max_run_depth)});
        t_tripped = true;
        allowed_ = false;
        return;
    }
    ++t_depth;
}

nested_run::~nested_run() {
    if (!allowed_) return;
    // Back in the outermost run: its next call gets the whole depth again.
    if (--t_depth <= 1) t_tripped = false;
}

int run_depth() { return t_depth; }

}  // namespace vesk
