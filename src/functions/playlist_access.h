// What the playlist functions share: naming a playlist from a script,
// reading index parameters, and formatting items with a script text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "playlist.h"
#include "script/tf_hook.h"

namespace vesk {

struct text_out final : cor::string_sink {
    std::string text;
    void write(const char* p, size_t n) override { text.append(p, n); }
};

// The Host's playlist service; null when the Host offers none.
cor::playlist_manager* playlist_service();

// The first playlist whose name equals `name` byte for byte, or no_index.
size_t playlist_by_name(cor::playlist_manager& pm, std::string_view name);

// Parameter `index` names a playlist. With `optional`, a missing or empty
// parameter means the active playlist. Prints "playlist not found" and
// gives no_index when there is none.
size_t resolve_playlist(func_call& c, cor::playlist_manager& pm, size_t index, bool optional);

// An index written as decimal digits only (at least one); nothing otherwise.
std::optional<size_t> read_index(std::string_view text);

// The focused item of the active playlist; no_index when there is none.
size_t active_focus(cor::playlist_manager& pm);

// A format as the item functions use it: escape-decoded when asked, then
// with the custom-script definitions expanded.
std::string prepare_format(std::string_view format, bool escape);

// One item formatted with a prepared format, by a hook of its own on the
// caller's context and variables, against the item's track.
std::string format_item(func_call& c, cor::playlist_manager& pm, size_t playlist, size_t item,
                        const std::string& format);

}  // namespace vesk
