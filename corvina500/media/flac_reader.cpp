#include "media/format_readers.h"

namespace cor::media_detail {

bool read_flac(byte_source& src, t_track_info& out, std::string& error) {
    const uint64_t size = src.size();
    uint64_t pos = 0;
    // A few writers put an ID3v2 tag in front of the stream; it is skipped.
    const std::vector<uint8_t> head = src.read(0, 10);
    if (const uint64_t tag = id3v2_tag_size(head.data(), head.size())) {
        if (tag > size) {
            error = "truncated ID3v2 tag";
            return false;
        }
        pos = tag;
    }
    if (!starts_with(src.read(pos, 4), "fLaC")) {
        error = "not a FLAC file";
        return false;
    }
    pos += 4;
    bool have_streaminfo = false;
    uint64_t total_samples = 0;
    for (bool last = false; !last;) {
        const std::vector<uint8_t> h = src.read(pos, 4);
        if (h.size() < 4) {
            error = "truncated FLAC metadata";
            return false;
        }
        last = (h[0] & 0x80) != 0;
        const unsigned type = h[0] & 0x7F;
        const uint32_t length = be24(&h[1]);
        pos += 4;
        if (length > size - pos) {
            error = "truncated FLAC metadata";
            return false;
        }
        if (!have_streaminfo && type != 0) {
            error = "FLAC file does not start with a STREAMINFO block";
            return false;
        }
        if (type == 0 && !have_streaminfo) {
            const std::vector<uint8_t> b = src.read(pos, length);
            if (b.size() < 34) {
                error = "damaged FLAC STREAMINFO block";
                return false;
            }
            // 20 bits sample rate, 3 bits channels - 1, 5 bits bits-per-sample - 1,
            // 36 bits total samples.
            out.sample_rate = uint32_t(b[10]) << 12 | uint32_t(b[11]) << 4 | b[12] >> 4;
            const unsigned channels = ((b[12] >> 1) & 7) + 1;
            const unsigned bits = (unsigned(b[12] & 1) << 4 | b[13] >> 4) + 1;
            total_samples = uint64_t(b[13] & 0x0F) << 32 | be32(&b[14]);
            if (out.sample_rate == 0) {
                error = "invalid sample rate in FLAC STREAMINFO block";
                return false;
            }
            have_streaminfo = true;
            set_info_number(out, "samplerate", out.sample_rate);
            set_info_number(out, "channels", channels);
            set_info_number(out, "bitspersample", bits);
        } else if (type == 4) {
            const std::vector<uint8_t> b = src.read(pos, length);
            if (!parse_vorbis_comments(b.data(), b.size(), out)) {
                error = "damaged FLAC Vorbis comment block";
                return false;
            }
        } else if (type == 127) {
            error = "invalid FLAC metadata block";
            return false;
        }
        pos += length;
    }
    out.set_info("codec", "FLAC");
    out.length_samples = total_samples;  // 0: the encoder did not know
    if (total_samples) {
        const double seconds = double(total_samples) / out.sample_rate;
        set_info_number(out, "bitrate", uint64_t(double(size - pos) * 8 / seconds / 1000 + 0.5));
    }
    return true;
}

}  // namespace cor::media_detail
