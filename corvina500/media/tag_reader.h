// Reads tags and stream information of MP3, FLAC, Ogg Vorbis and WAV files.
// The format is recognised by content, with the file name's extension as a
// hint. Pure code: no window-system calls, so it builds and is tested
// natively as well. Damaged or truncated files give false and a one-line
// error; no length read from a file is trusted without a bounds check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/track_info.h"
#include "media/byte_source.h"

namespace cor {

// `out` is replaced, also on failure: path and file_size are always set.
// Tag names: title, artist, album, album artist, date, genre, tracknumber,
// totaltracks, discnumber, totaldiscs, comment, composer, and every other
// field the file holds under its own name. Technical information: codec,
// bitrate (kbps), samplerate, channels, bitspersample where known.
[[nodiscard]] bool read_track_info(std::string_view path_utf8, const uint8_t* data, size_t size,
                                   t_track_info& out, std::string& error);
[[nodiscard]] bool read_track_info(std::string_view path_utf8, byte_source& source,
                                   t_track_info& out, std::string& error);

}  // namespace cor
