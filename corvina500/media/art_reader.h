// Pictures of a track: those embedded in its tags (ID3v2 APIC and PIC
// frames, also inside a WAV file's "id3 " chunk, FLAC PICTURE blocks,
// Vorbis comments' METADATA_BLOCK_PICTURE),
// then, for the front cover, an image file beside it named cover, folder
// or front (.jpg, .jpeg, .png, .bmp, any letter case). Every length read
// from a file is checked against the bytes there: a cut or damaged picture
// is left out, never read past its end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "album_art.h"
#include "media/byte_source.h"
#include "service.h"

namespace cor {

enum class t_art_kind { front_cover, back_cover, disc, icon };

struct t_embedded_picture {
    uint32_t type = 0;  // the ID3v2 / FLAC picture type
    std::string mime;
    std::vector<uint8_t> data;
};

// The embedded pictures of a file, in file order; cut or damaged ones are
// not included.
[[nodiscard]] std::vector<t_embedded_picture> read_embedded_pictures(byte_source& src);
// Which kind a picture type answers: 3 front (0 "other" when no picture
// says front), 4 back, 6 disc (the medium), 1 and 2 icon.
[[nodiscard]] std::optional<t_art_kind> picture_kind(const guid& kind);
// The picture of that kind among `pictures`; null when none.
[[nodiscard]] const t_embedded_picture* find_picture(
    const std::vector<t_embedded_picture>& pictures, t_art_kind kind);
// The bytes of the first image file beside the track that serves as its
// front cover.
[[nodiscard]] bool read_folder_cover(std::string_view track_path, std::vector<uint8_t>& out);

// Exposed for bounds tests: the fields of a FLAC picture structure.
[[nodiscard]] bool parse_flac_picture(const uint8_t* p, size_t n, t_embedded_picture& out);

service_ptr_t<album_art_manager> make_album_art_service();

}  // namespace cor
