// $cmd: runs a console program with its standard streams on pipes, gives it
// the "stdin:" text and writes what it prints. The pipes are polled from
// the calling thread; each poll empties them, so a program that prints more
// than a pipe holds never waits on a full pipe.
#include "functions/command_function.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "functions/charcode_option.h"
#include "functions/code_page.h"
#include "functions/hash_store.h"
#include "host/script_path.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

uint32_t g_time_limit_ms = default_command_time_limit_ms;

constexpr DWORD pipe_buffer = 8192;
constexpr DWORD poll_ms = 20;

class handle {
public:
    handle() = default;
    explicit handle(HANDLE h) : h_(h) {}
    ~handle() { reset(); }
    handle(const handle&) = delete;
    handle& operator=(const handle&) = delete;
    void reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = h;
    }
    [[nodiscard]] HANDLE get() const { return h_; }
    HANDLE* put() {
        reset();
        return &h_;
    }

private:
    HANDLE h_ = nullptr;
};

// One pipe whose child end is inherited and whose parent end is not.
bool make_pipe(handle& read_end, handle& write_end, bool child_reads, DWORD size) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    if (!CreatePipe(read_end.put(), write_end.put(), &sa, size)) return false;
    return SetHandleInformation(child_reads ? write_end.get() : read_end.get(), HANDLE_FLAG_INHERIT,
                                0) != 0;
}

// Reads all the pipe holds now; false once it is broken and empty.
bool drain(HANDLE pipe, std::string& out, bool ansi) {
    char buffer[pipe_buffer];
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return false;
        if (waiting == 0) return true;
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(waiting, sizeof buffer), &got, nullptr))
            return false;
        if (out.size() >= command_output_limit) continue;
        const std::string_view chunk(buffer, got);
        // Each chunk on its own: a character split between reads stays split.
        out += ansi ? code_page_to_utf8(chunk, ansi_code_page) : std::string(chunk);
    }
}

void fn_cmd(func_call& c) {
    if (!c.require_at_least(1)) return;
    std::string input, error_key;
    bool has_input = false, has_error_key = false, ansi = false;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "stdin")) {
            input = std::string(*v);
            has_input = true;
        } else if (auto k = option_value(p, "stderr")) {
            error_key = std::string(*k);
            has_error_key = true;
        } else if (auto cc = option_value(p, "charcode")) {
            if (!read_charcode(c, *cc, ansi)) return;
        } else {
            c.unknown_option(p);
            return;
        }
    }
    if (ansi && has_input) input = utf8_to_code_page(input, ansi_code_page);
    std::wstring command = script_path(c.param(0));

    // The input pipe holds the whole "stdin:" text, so handing it over never
    // waits on a program that prints before it reads.
    const DWORD input_size = std::max<DWORD>(
        pipe_buffer, static_cast<DWORD>(std::min<size_t>(input.size() + 1, 1u << 30)));
    handle in_read, in_write, out_read, out_write, err_read, err_write;
    if (!make_pipe(in_read, in_write, true, input_size) ||
        !make_pipe(out_read, out_write, false, pipe_buffer) ||
        !make_pipe(err_read, err_write, false, pipe_buffer))
        return;

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in_read.get();
    si.hStdOutput = out_write.get();
    si.hStdError = err_write.get();
    PROCESS_INFORMATION pi{};
    command.push_back(L'\0');
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                        nullptr, &si, &pi))
        return;
    handle process(pi.hProcess), thread(pi.hThread);
    // Only the child holds its ends now, so the pipes break when it ends.
    in_read.reset();
    out_write.reset();
    err_write.reset();
    c.set_found(true);

    if (has_input && !input.empty()) {
        DWORD written = 0;
        (void)WriteFile(in_write.get(), input.data(), static_cast<DWORD>(input.size()), &written,
                        nullptr);
    }
    in_write.reset();

    std::string output, errors;
    const ULONGLONG deadline = GetTickCount64() + g_time_limit_ms;
    for (;;) {
        const bool ended = WaitForSingleObject(process.get(), poll_ms) == WAIT_OBJECT_0;
        const bool out_open = drain(out_read.get(), output, ansi);
        const bool err_open = drain(err_read.get(), errors, ansi);
        // Once ended, all it wrote has just been read; with both pipes
        // closed nothing more can come.
        if (ended || (!out_open && !err_open)) break;
        if (GetTickCount64() >= deadline) {
            TerminateProcess(process.get(), 1);
            c.fail(err_low, "%s: program still running after %s seconds; it was ended",
                   {std::to_string(g_time_limit_ms / 1000)});
            break;
        }
    }
    if (has_error_key) hash_store::instance().set(error_key, std::move(errors));
    c.write(output);
}

constexpr t_function_entry entries[] = {
    {"cmd", fn_cmd},
};

}  // namespace

void set_command_time_limit(uint32_t ms) {
    g_time_limit_ms = ms ? ms : default_command_time_limit_ms;
}

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
