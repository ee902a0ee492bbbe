// $playback_control, $playback_seek, $volume, $display_volume.
#include <algorithm>
#include <cstdio>
#include <limits>

#include "functions/number_text.h"
#include "functions/volume_scale.h"
#include "host/host_services.h"
#include "script/error_report.h"
#include "script/fixed_point.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk {
namespace {

using pc_t = cor::playback_control;

void toggle_pause(pc_t& pc) { pc.pause(!pc.is_paused()); }

struct t_command {
    const char* word;
    void (*run)(pc_t&);
};

// Tried in this order; the first word equal to the command is performed.
constexpr t_command commands[] = {
    {"play", [](pc_t& pc) { pc.start(pc_t::track_command_play, false); }},
    {"next", [](pc_t& pc) { pc.start(pc_t::track_command_next, false); }},
    {"prev", [](pc_t& pc) { pc.start(pc_t::track_command_prev, false); }},
    {"rand", [](pc_t& pc) { pc.start(pc_t::track_command_rand, false); }},
    {"stop", [](pc_t& pc) { pc.stop(); }},
    {"pause", [](pc_t& pc) { pc.pause(true); }},
    {"toggle_pause", toggle_pause},
    {"play_or_pause",
     [](pc_t& pc) {
         if (pc.is_playing())
             toggle_pause(pc);
         else
             pc.start(pc_t::track_command_play, false);
     }},
};

void fn_playback_control(func_call& c) {
    if (!c.require_count(1)) return;
    const std::string_view command = c.param(0);
    if (pc_t* pc = host::playback()) {
        for (const auto& entry : commands) {
            if (!cor::iequals_utf8(command, entry.word)) continue;
            entry.run(*pc);
            break;
        }
    }
    c.set_found(true);
}

void fn_playback_seek(func_call& c) {
    if (!c.require_count(1)) return;
    if (pc_t* pc = host::playback()) pc->seek(read_real(c.param(0)));
    c.set_found(true);
}

void fn_volume(func_call& c) {
    if (!c.require_count(0, 1)) return;
    pc_t* pc = host::playback();
    if (!pc) return;
    if (c.count() == 1) {
        const double db = std::clamp(read_real(c.param(0)), -100.0, 0.0);
        // A NaN passes the clamp; the Host ignores it as it would any other.
        pc->set_volume(static_cast<float>(db));
    }
    c.write(fixed7(pc->get_volume()));
    c.set_found(true);
}

uint32_t read_steps(std::string_view text) {
    return static_cast<uint32_t>(
        std::min<uint64_t>(read_unsigned(text), std::numeric_limits<uint32_t>::max()));
}

void fn_display_volume(func_call& c) {
    if (!c.require_count(1, 2)) return;
    const volume_scale scale(read_steps(c.param(0)));
    if (c.count() == 2) {
        const uint64_t position = read_unsigned(c.param(1));
        if (position > scale.steps()) {
            c.fail(err_low, "%s: invalid value");
            return;
        }
        c.write(format_g(scale.decibels(static_cast<uint32_t>(position))));
    } else {
        pc_t* pc = host::playback();
        if (!pc) return;
        c.write_int(scale.position_of(pc->get_volume()));
    }
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"playback_control", fn_playback_control},
    {"playback_seek", fn_playback_seek},
    {"volume", fn_volume},
    {"display_volume", fn_display_volume},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
