// The Host's script language (title formatting): a script is compiled once
// into an immutable program and run many times, against a track or
// without one. Built-in functions and track fields resolve first; every
// other call and field is offered to the caller's hook.
//
// Pure code: no window system and no locale, so it builds and runs the same
// on every platform. Text is UTF-8. Runs are meant for the thread that owns
// the hook; a hook may run other programs from inside a call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "../../sdk/titleformat.h"
#include "../core/track_info.h"

namespace cor::tf {

// What the Host knows about the track being formatted (all optional).
struct t_format_context {
    const t_track_info* track = nullptr;
    bool is_playing = false;  // this track is the one playing
    bool is_paused = false;
    double playback_time = 0;  // seconds, while playing
    int64_t list_index = -1;   // 0-based index when formatted as a playlist item, -1 otherwise
    int64_t list_total = 0;
    std::string_view playlist_name;
};

// A compiled script; immutable, so one program may be shared and run any
// number of times.
class program;

// A counted reference to a program: the count lives in the program's own
// block, so that a program costs one allocation and no control block.
// Copies may be released on any thread.
class program_ptr {
public:
    program_ptr() = default;
    program_ptr(std::nullptr_t) {}
    explicit program_ptr(const program* adopted) : p_(adopted) {}
    program_ptr(const program_ptr& o) : p_(o.p_) {
        if (p_) retain(p_);
    }
    program_ptr(program_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    program_ptr& operator=(program_ptr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~program_ptr() {
        if (p_) release(p_);
    }

    const program& operator*() const { return *p_; }
    const program* operator->() const { return p_; }
    [[nodiscard]] const program* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    friend bool operator==(const program_ptr& a, std::nullptr_t) { return !a.p_; }

private:
    static void retain(const program* p);
    static void release(const program* p);
    const program* p_ = nullptr;
};

// Calls and sections nest at most this deep. The bound keeps the recursive
// parser and evaluator far inside any thread's stack, whatever the input.
inline constexpr int max_nesting_depth = 100;

// The first syntax error of a script: where parsing found it (a byte offset
// into the text) and what it expected there.
struct compile_error {
    size_t offset = 0;
    std::string message;
};

// Always returns a program. ok is false on a syntax error; the program then
// evaluates to what the text evaluates to up to the error, and `error`, when
// given, describes it.
[[nodiscard]] program_ptr compile(std::string_view text, bool& ok, compile_error* error = nullptr);

// Appends the evaluated text to out; returns the truth flag of the script.
// ctx and hook may be null.
bool run(const program& p, const t_format_context* ctx, titleformat_hook* hook, std::string& out);

// The system code page that $ansi converts to and $len2 measures in. The
// Host sets it once at start-up (1252 until then). Double-byte East-Asian
// code pages (932, 936, 949, 950) keep wide characters and count them as
// two; every other value behaves as the Western code page 1252.
void set_system_code_page(uint32_t code_page);
[[nodiscard]] uint32_t system_code_page();

}  // namespace cor::tf
