// The Host's script engine on arbitrary scripts: compiling and running any
// text must end, never crash, and a run must not depend on earlier runs on
// the thread (the engine reuses its working memory between runs), unless
// the script asks for $rand.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "corvina500/titleformat/titleformat.h"

namespace {

const cor::t_track_info& sample_track() {
    static const cor::t_track_info t = [] {
        cor::t_track_info t;
        t.path = "C:\\Music\\Artist\\Album\\03 - Song Title.flac";
        t.add_meta("title", "Song Title");
        t.add_meta("artist", "Some Artist");
        t.add_meta("artist", "Another");
        t.add_meta("tracknumber", "3");
        t.set_info("bitrate", "912");
        t.sample_rate = 44100;
        t.length_samples = 44100ull * 245;
        return t;
    }();
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    cor::tf::t_format_context ctx;
    ctx.track = &sample_track();
    ctx.is_playing = true;
    ctx.playback_time = 61.5;
    bool ok = false;
    cor::tf::compile_error error;
    const auto program = cor::tf::compile(script, ok, &error);
    if (!program || (!ok && error.offset > size)) std::abort();
    std::string first, second;
    cor::tf::run(*program, &ctx, nullptr, first);
    cor::tf::run(*program, &ctx, nullptr, second);
    std::string lower(script);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (first != second && lower.find("rand") == std::string::npos) std::abort();
    return 0;
}
