// The Host's script engine: compile once, run many times. Every figure is
// taken in interleaved rounds (each round measures every script once), so
// that load from other work on the machine reaches all of them alike; the
// min and the median over the rounds are printed.
//   tf_bench [ROUNDS]    (21 by default)
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "bench_util.h"
#include "titleformat/titleformat.h"

namespace {

cor::t_track_info make_track() {
    cor::t_track_info t;
    t.path = "C:\\Music\\Artist\\Album\\03 - Song Title.flac";
    t.add_meta("title", "Song Title");
    t.add_meta("artist", "Some Artist");
    t.add_meta("album", "An Album");
    t.add_meta("date", "2004");
    t.add_meta("genre", "Rock");
    t.add_meta("tracknumber", "3");
    t.add_meta("totaltracks", "12");
    t.set_info("codec", "FLAC");
    t.set_info("bitrate", "912");
    t.set_info("samplerate", "44100");
    t.set_info("channels", "2");
    t.sample_rate = 44100;
    t.length_samples = 44100ull * 245;
    t.file_size = 27'000'000;
    return t;
}

// A hook that answers one function and one field, to measure dispatch.
struct bench_hook final : cor::titleformat_hook {
    bool process_field(cor::string_sink& out, const char* name, size_t, bool& found) override {
        if (name[0] == 'w') {
            out.write("640", 3);
            found = true;
            return true;
        }
        return false;
    }
    bool process_function(cor::string_sink& out, const char* name, size_t, cor::titleformat_params&,
                          bool& found) override {
        if (name[0] == 'f') {
            out.write("x", 1);
            found = true;
            return true;
        }
        return false;
    }
};

const char* window_title_script =
    "$if(%isplaying%,"
    "$if(%ispaused%,'[paused] ',)"
    "[%album artist% - ]['['%album%[ CD%discnumber%][ #$num(%tracknumber%,2)]'] ']%title%"
    "[ '//' %track artist%]"
    "$if($greater(%length_seconds%,0), '('%playback_time%' / '%length%')',)"
    "$ifgreater(%bitrate%,320, '['$upper(%codec%)' '%bitrate%'k]',)"
    "[ %samplerate%Hz][ $caps(%genre%)][ '{'%date%'}']"
    "$if2(%comment%,)$iflonger(%title%,30,' ...',)"
    ",corvina500 - stopped)";

}  // namespace

int main(int argc, char** argv) {
    const int rounds = cor_bench::rounds_argument(argc, argv);
    cor_bench::print_load_average();
    const cor::t_track_info track = make_track();
    cor::tf::t_format_context ctx;
    ctx.track = &track;
    ctx.is_playing = true;
    ctx.playback_time = 61.5;

    struct {
        const char* name;
        const char* script;
    } cases[] = {
        {"%title%", "%title%"},
        {"[%artist% - ]%title%", "[%artist% - ]%title%"},
        {"nested $if/$greater/$num/$pad/$if2/$ifgreater/$len/$left",
         "$if($greater($len(%title%),5),$pad($left(%title%,8),12,.),$if2(%artist%,none))"
         "$ifgreater($num(%tracknumber%,3),2,$num(%tracknumber%,3),-)"},
        {"398-character window title", window_title_script},
    };
    constexpr double block_ns = 2e6;
    std::string out;
    out.reserve(1024);
    bench_hook hook;

    cor_bench::interleaved all;
    const auto add = [&all](std::string name, std::function<void()> body, double per = 1,
                            double allocs = -1) {
        all.add(std::move(name), std::move(body), per, allocs);
    };
    std::vector<cor::tf::program_ptr> programs;
    for (const auto& c : cases) {
        bool ok = false;
        programs.push_back(cor::tf::compile(c.script, ok));
        const cor::tf::program* prog = programs.back().get();
        auto run = [&out, &ctx, prog] {
            out.clear();
            cor::tf::run(*prog, &ctx, nullptr, out);
        };
        add(std::string("run ") + c.name, run, 1, cor_bench::allocations_per_iteration(run));
        add(std::string("compile ") + c.name, [script = c.script] {
            bool k = false;
            auto p = cor::tf::compile(script, k);
        });
    }
    bool ok = false;
    programs.push_back(cor::tf::compile("$f()$f()$f()$f()$f()$f()$f()$f()$f()$f()", ok));
    add(
        "hook dispatch of a function (per call)",
        [&out, &hook, p = programs.back().get()] {
            out.clear();
            cor::tf::run(*p, nullptr, &hook, out);
        },
        10);
    programs.push_back(cor::tf::compile("%w%%w%%w%%w%%w%%w%%w%%w%%w%%w%", ok));
    add(
        "hook dispatch of a field (per field)",
        [&out, &hook, p = programs.back().get()] {
            out.clear();
            cor::tf::run(*p, nullptr, &hook, out);
        },
        10);

    all.run(rounds, block_ns);
    all.print("ns");
    return 0;
}
