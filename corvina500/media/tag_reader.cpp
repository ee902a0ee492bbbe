#include "media/tag_reader.h"

#include <exception>

#include "media/format_readers.h"
#include "utf8.h"

namespace cor {
namespace {

using namespace media_detail;

enum class t_format { unknown, mp3, flac, ogg, wav };

std::string_view extension_of(std::string_view path) {
    const size_t dot = path.rfind('.');
    const size_t sep = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return {};
    return path.substr(dot + 1);
}

t_format format_by_extension(std::string_view path) {
    const std::string_view ext = extension_of(path);
    struct t_ext {
        std::string_view ext;
        t_format format;
    };
    static constexpr t_ext table[] = {
        {"mp3", t_format::mp3},   {"mp2", t_format::mp3}, {"mp1", t_format::mp3},
        {"flac", t_format::flac}, {"ogg", t_format::ogg}, {"oga", t_format::ogg},
        {"wav", t_format::wav},
    };
    for (const auto& e : table)
        if (stricmp_utf8(ext, e.ext) == 0) return e.format;
    return t_format::unknown;
}

t_format format_by_content(byte_source& src) {
    const std::vector<uint8_t> head = src.read(0, 12);
    if (starts_with(head, "fLaC")) return t_format::flac;
    if (starts_with(head, "OggS")) return t_format::ogg;
    if (starts_with(head, "RIFF") && starts_with(head, "WAVE", 8)) return t_format::wav;
    if (const uint64_t tag = id3v2_tag_size(head.data(), head.size())) {
        // An ID3v2 tag is mostly MP3, but some FLAC files start with one.
        return starts_with(src.read(tag, 4), "fLaC") ? t_format::flac : t_format::mp3;
    }
    if (head.size() >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0) return t_format::mp3;
    return t_format::unknown;
}

bool read_by_format(std::string_view path, byte_source& src, t_track_info& out,
                    std::string& error) {
    if (src.size() == 0) {
        error = "empty file";
        return false;
    }
    t_format format = format_by_content(src);
    if (format == t_format::unknown) format = format_by_extension(path);
    switch (format) {
        case t_format::mp3:
            return read_mp3(src, out, error);
        case t_format::flac:
            return read_flac(src, out, error);
        case t_format::ogg:
            return read_ogg_vorbis(src, out, error);
        case t_format::wav:
            return read_wav(src, out, error);
        case t_format::unknown:
            break;
    }
    error = "unrecognised file format";
    return false;
}

}  // namespace

bool read_track_info(std::string_view path_utf8, byte_source& source, t_track_info& out,
                     std::string& error) {
    out = t_track_info{};
    out.path = std::string(path_utf8);
    out.file_size = source.size();
    bool ok = false;
    try {
        ok = read_by_format(path_utf8, source, out, error);
    } catch (const std::exception&) {  // memory exhausted by a huge tag, say
        error = "file too large to read";
        ok = false;
    }
    if (ok) {
        normalise_fields(out);
    } else {
        out.meta.clear();
        out.info.clear();
        out.length_samples = 0;
        out.sample_rate = 0;
    }
    return ok;
}

bool read_track_info(std::string_view path_utf8, const uint8_t* data, size_t size,
                     t_track_info& out, std::string& error) {
    memory_source source(data, size);
    return read_track_info(path_utf8, source, out, error);
}

}  // namespace cor
