// Pictures that belong to a track: embedded in its tags or lying beside it
// as image files. Open a track's album art, ask for a picture by kind,
// release it to close.
#pragma once

#include <cstddef>

#include "service.h"
#include "titleformat.h"

namespace cor {

// The picture kinds.
// {F1E66F4E-FE09-4B94-91A3-67C23ED1445E}
inline constexpr guid album_art_front_cover{
    0xf1e66f4e, 0xfe09, 0x4b94, {0x91, 0xa3, 0x67, 0xc2, 0x3e, 0xd1, 0x44, 0x5e}};
// {CB552D19-86D5-434C-AC77-BB24ED567EE4}
inline constexpr guid album_art_back_cover{
    0xcb552d19, 0x86d5, 0x434c, {0xac, 0x77, 0xbb, 0x24, 0xed, 0x56, 0x7e, 0xe4}};
// {3DBA9F36-F928-4FA4-879C-D3404759587E}
inline constexpr guid album_art_disc{
    0x3dba9f36, 0xf928, 0x4fa4, {0x87, 0x9c, 0xd3, 0x40, 0x47, 0x59, 0x58, 0x7e}};
// {74CDF5B4-7053-4B3D-9A3C-5469F5826EEC}
inline constexpr guid album_art_icon{
    0x74cdf5b4, 0x7053, 0x4b3d, {0x9a, 0x3c, 0x54, 0x69, 0xf5, 0x82, 0x6e, 0xec}};

// The album art of one track, open until released.
class album_art_extractor : public service_base {
public:
    // The picture's bytes (in whatever image format the track keeps it);
    // false when the track has no picture of that kind.
    [[nodiscard]] virtual bool query(const guid& kind, string_sink& bytes) = 0;

protected:
    ~album_art_extractor() = default;
};

class album_art_manager : public service_base {
public:
    // {6A0F3D18-2C47-4B9E-A5D1-83E7F2C6B049}
    static constexpr guid class_guid{
        0x6a0f3d18, 0x2c47, 0x4b9e, {0xa5, 0xd1, 0x83, 0xe7, 0xf2, 0xc6, 0xb0, 0x49}};

    // `path` is UTF-8. False when the track cannot be read; otherwise *out
    // receives an owned reference.
    [[nodiscard]] virtual bool open(const char* path, size_t length, album_art_extractor** out) = 0;

protected:
    ~album_art_manager() = default;
};

}  // namespace cor
