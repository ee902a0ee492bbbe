#include "script/timers.h"

#include <windows.h>

#include <algorithm>

#include "host/settings.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/general_scripts.h"
#include "script/options.h"
#include "script/script_extensions.h"
#include "script/stored_scripts.h"
#include "utf8.h"

namespace vesk {

namespace {

// The script timers tick on the main window, while it is open.
HWND timer_window() {
    const auto window = script_extensions().timer_window;
    return window ? window() : nullptr;
}

}  // namespace

timer_registry& timer_registry::instance() {
    static timer_registry r;
    return r;
}

void timer_registry::remove(std::string_view name) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (cor::iequals_utf8(it->name, name)) {
            if (HWND main = timer_window()) KillTimer(main, it->id);
            timers_.erase(it);
            return;
        }
    }
}

bool timer_registry::set(std::string_view name, uint32_t milliseconds) {
    remove(name);
    if (milliseconds == 0) return true;
    if (timers_.size() > last_id - first_id) return false;
    const auto taken = [this](uint32_t id) {
        for (const auto& t : timers_)
            if (t.id == id) return true;
        return false;
    };
    uint32_t id = next_id_;
    while (taken(id)) id = id >= last_id ? first_id : id + 1;
    HWND main = timer_window();
    if (!main || !SetTimer(main, id, milliseconds, nullptr)) return false;
    timers_.push_back({std::string(name), id});
    next_id_ = id + 1 > last_id ? first_id : id + 1;
    return true;
}

std::string timer_registry::name_of(uint32_t id) const {
    for (const auto& t : timers_)
        if (t.id == id) return t.name;
    return {};
}

void timer_registry::stop_all() {
    HWND main = timer_window();
    for (const auto& t : timers_)
        if (main) KillTimer(main, t.id);
    timers_.clear();
}

void on_script_timer(uint32_t id) {
    field_list vars{{"_timerid", timer_registry::instance().name_of(id), true, false}};
    run_general_script(slot_on_timer, &vars);
}

namespace {

void fn_settimer(func_call& c) {
    const std::string_view ms = c.count() == 2 ? c.param(1) : std::string_view();
    const bool digits = !ms.empty() && ms.find_first_not_of("0123456789") == std::string_view::npos;
    if (c.count() != 2 || !digits) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    const uint64_t period = read_unsigned(ms);
    (void)timer_registry::instance().set(
        c.param(0), static_cast<uint32_t>(std::min<uint64_t>(period, 0x7FFFFFFF)));
    c.set_found(true);
}

void fn_sleep(func_call& c) {
    if (!c.require_count(1)) return;
    Sleep(static_cast<DWORD>(std::min<uint64_t>(read_unsigned(c.param(0)), 0x7FFFFFFF)));
    c.set_found(true);
}

constexpr t_function_entry entries[] = {{"settimer", fn_settimer}, {"sleep", fn_sleep}};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
