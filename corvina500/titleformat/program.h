// Internal form of a compiled script: flat arrays of nodes that refer to
// each other by index, with every name resolved at compile time, so that a
// run walks the tree without parsing, hashing or allocating.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "titleformat.h"

namespace cor::tf {

enum class node_kind : uint8_t { text, field, call, section };

// Index of a built-in function in the table of functions.cpp; calls to
// anything else are offered to the hook.
inline constexpr uint8_t unknown_function = 0xFF;

// Fields the Host computes itself; anything else is a tag looked up by name.
enum class field_id : uint8_t {
    tag,
    artist,
    album_artist,
    track_artist,
    title,
    tracknumber,
    discnumber,
    totaltracks,
    totaldiscs,
    path,
    filename,
    filename_ext,
    directoryname,
    length,
    length_ex,
    length_seconds,
    length_samples,
    codec,
    bitrate,
    samplerate,
    channels,
    bitspersample,
    filesize,
    filesize_natural,
    playback_time,
    playback_time_seconds,
    playback_time_remaining,
    playback_time_remaining_seconds,
    isplaying,
    ispaused,
    list_index,
    list_total,
    playlist_name,
};

// A sequence of nodes (first, then each node's next), or of arguments.
struct span {
    uint32_t first = 0;
    uint32_t count = 0;
};

struct node {
    node_kind kind;
    uint8_t id;         // built-in function index of a call, field_id of a field
    uint32_t text_off;  // literal text, or the name of a field or call, in program::pool
    uint32_t text_len;
    uint32_t next;  // the node after this one in its sequence
    union {
        span sub{};      // call: its arguments in program::args; section: its items
        int64_t number;  // text of an argument: its value as a number, read once
    };
};
// The three arrays follow the program in the block that holds it,
// allocated once the parse is over and sized exactly; the block also
// holds the count of the program_ptrs that share it.
class program {
public:
    program() = default;
    program(const program&) = delete;
    program& operator=(const program&) = delete;

    mutable std::atomic<uint32_t> references{1};
    uint32_t block_kept = 0;  // see program_blocks.h
    const node* nodes = nullptr;
    const span* args = nullptr;  // one sequence of items per argument
    const char* pool = nullptr;
    span root;

    [[nodiscard]] std::string_view text_of(const node& n) const {
        return {pool + n.text_off, n.text_len};
    }
};

// Compile-time name lookups, ignoring case.
uint8_t find_function(std::string_view name);  // unknown_function when none
field_id find_field(std::string_view name);

}  // namespace cor::tf
