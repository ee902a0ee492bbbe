// Scripts run inside scripts: a user function's body inside its caller, a
// loop pass, a timer or a click handled while $sleep or $msgbox pumps
// messages, a window event started by a function. Each nested run takes
// stack, so endless recursion must end long before the thread's stack does.
//
// A nested run is refused past max_run_depth, or when less than
// min_free_stack bytes of stack are left (message loops of the platform
// take stack we cannot count). The first refusal prints one line naming the
// function; from then on every nested run is refused silently until control
// is back in the outermost run, so that branching recursion ($f()$f())
// ends quickly too. The outermost run goes on, its later calls unaffected.
#pragma once

#include <cstddef>
#include <string_view>

namespace vesk {

inline constexpr int max_run_depth = 64;
inline constexpr size_t min_free_stack = 256 * 1024;

class nested_run {
public:
    // `who` is what starts the run ("$name" of a function), for the message.
    explicit nested_run(std::string_view who);
    ~nested_run();
    nested_run(const nested_run&) = delete;
    nested_run& operator=(const nested_run&) = delete;

    [[nodiscard]] bool allowed() const { return allowed_; }

private:
    bool allowed_;
};

// How many runs are active on this thread.
int run_depth();

// Stack use of the calling thread, for checking the bound against it.
struct stack_use {
    size_t used = 0;   // bytes below the thread's stack base in use now
    size_t total = 0;  // the thread's whole reserved stack
};
stack_use current_stack_use();
// The most stack in use when a nested run was entered or refused since the
// last reset; shows how close the deepest recursion came to the end.
size_t peak_stack_use();
void reset_peak_stack_use();

}  // namespace vesk
