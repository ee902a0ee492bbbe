// The Host's script engine: compile once, run many times.
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

int main() {
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
        {"400-character window title", window_title_script},
    };
    std::printf(
        "script                                                      run per call  allocs per "
        "run\n");
    std::string out;
    out.reserve(1024);
    for (const auto& c : cases) {
        bool ok = false;
        auto prog = cor::tf::compile(c.script, ok);
        const double run_ns = cor_bench::ns_per_iteration([&] {
            out.clear();
            cor::tf::run(*prog, &ctx, nullptr, out);
        });
        const double allocs = cor_bench::allocations_per_iteration([&] {
            out.clear();
            cor::tf::run(*prog, &ctx, nullptr, out);
        });
        cor_bench::report(std::string("run ") + c.name, run_ns, allocs);
        const double compile_ns = cor_bench::ns_per_iteration(
            [&] {
                bool k = false;
                auto p = cor::tf::compile(c.script, k);
            },
            100);
        cor_bench::report(std::string("compile ") + c.name, compile_ns);
    }

    bench_hook hook;
    bool ok = false;
    auto hooked = cor::tf::compile("$f()$f()$f()$f()$f()$f()$f()$f()$f()$f()", ok);
    const double ns10 = cor_bench::ns_per_iteration([&] {
        out.clear();
        cor::tf::run(*hooked, nullptr, &hook, out);
    });
    cor_bench::report("hook dispatch of a function (per call)", ns10 / 10);
    auto fields = cor::tf::compile("%w%%w%%w%%w%%w%%w%%w%%w%%w%%w%", ok);
    const double fns10 = cor_bench::ns_per_iteration([&] {
        out.clear();
        cor::tf::run(*fields, nullptr, &hook, out);
    });
    cor_bench::report("hook dispatch of a field (per field)", fns10 / 10);
    return 0;
}
