// What the Host knows of one track: where it is, its tags and its stream
// information. Filled by the tag readers, read by the script engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cor {

// One tag; several values make a multi-value tag.
struct t_meta_field {
    std::string name;  // as the file wrote it; compared ignoring case
    std::vector<std::string> values;
};

struct t_track_info {
    std::string path;  // UTF-8, platform form ("C:\music\a.mp3")
    std::vector<t_meta_field> meta;
    // Technical information by lower-case name: "codec", "bitrate" (kbps),
    // "samplerate", "channels", "bitspersample", ...
    std::vector<std::pair<std::string, std::string>> info;
    uint64_t length_samples = 0;
    uint32_t sample_rate = 0;
    double length_seconds = 0;  // when samples are unknown
    uint64_t file_size = 0;

    // Case-insensitive (ASCII) lookups; null when absent.
    [[nodiscard]] const t_meta_field* find_meta(std::string_view name) const;
    [[nodiscard]] const std::string* find_info(std::string_view name) const;
    void add_meta(std::string_view name, std::string value);
    void set_info(std::string_view name, std::string value);
    [[nodiscard]] double length() const {
        return sample_rate ? double(length_samples) / sample_rate : length_seconds;
    }
};

}  // namespace cor
