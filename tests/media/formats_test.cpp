#include <gtest/gtest.h>

#include "media/tag_reader.h"
#include "media_samples.h"
#include "support/case_table.h"
#include "utf8.h"

namespace cor {
namespace {

using namespace media_test;
using namespace std::literals;

using cor_test::split;

// UTF-8 text in an ID3v2 text encoding (0 Latin-1, 1 UTF-16 with a mark,
// 2 UTF-16BE, 3 UTF-8), the encoding's zero for each ';'.
t_bytes encoded(const std::string& text, uint8_t encoding) {
    t_builder out;
    const std::vector<std::string> parts = split(text, ';');
    for (const std::string& part : parts) {
        if (&part != &parts.front()) out.fill(encoding == 1 || encoding == 2 ? 2 : 1);
        const std::wstring wide = to_wide(part);
        if (encoding == 3)
            out.str(part);
        else if (encoding == 0)
            for (const wchar_t c : wide) out.u8(uint8_t(c));
        else
            out.raw(utf16(std::u16string(wide.begin(), wide.end()), encoding == 2, encoding == 1));
    }
    return out.b;
}

t_bytes sample_flac(const std::vector<std::string>& comments, size_t audio_bytes = 100'000) {
    t_builder b;
    b.str("fLaC").raw(flac_streaminfo(441'000, false));
    b.raw(flac_block(4, vorbis_comments(comments), false)).raw(flac_block(1, t_bytes(200), true));
    return b.fill(audio_bytes, 0xA5).b;
}

// The comment packet spans a page for each lacing value; a page of a second
// stream, with a larger granule position, follows the last page of ours.
t_bytes sample_ogg(const std::vector<std::string>& comments, int32_t nominal = 160'000) {
    t_ogg_writer ogg(0x1234);
    ogg.packet(vorbis_id(48000, 2, nominal), 0, 2);
    ogg.packet(t_builder().u8(3).str("vorbis").raw(vorbis_comments(comments)).u8(1).b, 0, 0, 1);
    ogg.packet(t_builder().u8(5).str("vorbis").fill(300, 0x42).b, 0);
    ogg.packet(t_bytes(3000, 0x17), 48000 * 3);
    ogg.packet(t_bytes(1000, 0x17), 48000 * 5 + 123, 4);
    t_ogg_writer other(0x9999);
    other.packet(t_bytes(400, 1), 48000 * 100, 4);
    return ogg.data + other.data;
}

t_bytes riff_chunk(std::string_view id, const t_bytes& body) {
    t_builder c;
    c.str(id).le(body.size(), 4).raw(body);
    if (body.size() & 1) c.u8(0);
    return c.b;
}

// A LIST INFO chunk of Latin-1 `info` ("ID=text") after the audio.
t_bytes sample_wav(const std::vector<std::string>& info, uint16_t format = 1, uint16_t bits = 16,
                   size_t frames = 88200) {
    const uint16_t channels = 2;
    const uint16_t align = channels * bits / 8;
    t_builder fmt;
    fmt.le(format, 2).le(channels, 2).le(44100, 4).le(44100 * align, 4).le(align, 2).le(bits, 2);
    if (format == 0xFFFE) fmt.le(22, 2).le(bits, 2).le(3, 4).le(3, 2).fill(14);  // float
    t_builder list;
    list.str("INFO");
    for (const std::string& field : info)
        list.raw(riff_chunk(field.substr(0, 4), encoded(field.substr(5), 0)));
    t_builder body;
    body.str("WAVE")
        .raw(riff_chunk("fmt ", fmt.b))
        .raw(riff_chunk("data", t_bytes(frames * align)));
    return riff_chunk("RIFF", body.raw(riff_chunk("LIST", list.b)).b);
}

// Tag fields in, the values read back out: data/tags.tsv.
TEST(Tags, EveryFormReadsItsFields) {
    for (const auto& row : cor_test::read_case_table("media/data/tags.tsv", 4)) {
        SCOPED_TRACE(row.where + ": " + row.fields[1]);
        const std::string& form = row.fields[0];
        const std::vector<std::string> fields = split(row.fields[1], '|');
        t_bytes file;
        if (form == "flac") {
            file = sample_flac(fields);
        } else if (form == "ogg") {
            file = sample_ogg(fields);
        } else if (form == "wav") {
            file = sample_wav(fields);
        } else {
            const int major = form[3] - '0';  // "v2.3"
            t_bytes frames;
            for (const std::string& f : fields) {
                const size_t colon = f.find(':'), eq = f.find('=');
                const auto encoding = uint8_t(f[colon + 1] - '0');
                const std::string id = f.substr(0, colon);
                t_builder body;
                body.u8(encoding)
                    .str(id == "COMM" ? "eng" : "")
                    .raw(encoded(f.substr(eq + 1), encoding));
                frames = frames + id3_frame(major, id, body.b);
            }
            file = id3_tag(major, frames) + mp3_frames(3);
        }
        const t_track_info info = read_ok(file, "x." + (form[0] == 'v' ? "mp3"s : form));
        std::string got;
        for (const std::string& name : split(row.fields[2], '|')) {
            const t_meta_field* f = info.find_meta(name);
            std::string text = f ? "" : "-";
            for (const std::string& v : f ? f->values : std::vector<std::string>{})
                text += (text.empty() ? "" : ";") + v;
            got += text + "|";
        }
        got.pop_back();
        EXPECT_EQ(got, row.fields[3]);
    }
}

const std::vector<std::string> long_comments = {"TITLE=x", "LONG=" + std::string(700, 'x'),
                                                "ARTIST=Ä"};

// MPEG audio frames of `size` bytes with the header bytes given.
t_bytes frames(size_t count, uint8_t b1, uint8_t b2, uint8_t b3, size_t size) {
    t_bytes out;
    for (size_t i = 0; i < count; ++i) out = out + mpeg_frame(b1, b2, b3, size);
    return out;
}

// What each kind of stream tells of itself, and its length.
TEST(Streams, EachFormatGivesItsFactsAndLength) {
    const t_bytes vbr_ogg = sample_ogg(long_comments, 0);
    const double ogg_seconds = (48000.0 * 5 + 123) / 48000;
    const struct {
        const char* path;
        t_bytes file;
        std::string facts;              // codec|samplerate|channels|bitspersample|bitrate
        double seconds, within = 1e-5;  // a sample, but estimates from the size
    } rows[] = {
        // The tag's padding is not audio; nor is a stray sync word whose "next
        // frame" is not there.
        {"a.mp3", id3_tag(3, {}, 0, 100) + mp3_frames(20), "MP3|44100|2||128",
         20 * 417 * 8 / 128000.0, 1e-4},
        {"a.mp3",
         id3_tag(3, {}) + latin1("junk") + t_bytes{0xFF, 0xFB, 0x90, 0x00} + t_bytes(30, 0x11) +
             mp3_frames(6),
         "MP3|44100|2||128", 6 * 417 * 8 / 128000.0, 1e-4},
        // MPEG-2 Layer III, 64 kbps, 22050 Hz, mono: 72 * 64000 / 22050 = 208 bytes.
        {"a.mp3", frames(5, 0xF3, 0x80, 0xC0, 208), "MP3|22050|1||64", 5 * 208 * 8 / 64000.0, 1e-4},
        // MPEG-1 Layer II, 192 kbps, 48000 Hz, padded: 576 + 1 bytes.
        {"b.mp2", frames(5, 0xFD, 0xA6, 0x00, 577), "MP2|48000|2||192", 5 * 577 * 8 / 192000.0,
         1e-4},
        // 100000 bytes over 10 s: 80 kbps.
        {"x.flac", sample_flac({"TITLE=x"}), "FLAC|44100|2|16|80", 10},
        // An ID3 tag before the stream is passed over; a length of 0 is unknown.
        {"x.flac",
         id3_tag(3, id3_text(3, "TIT2", 0, latin1("ignored"))) +
             t_builder().str("fLaC").raw(flac_streaminfo(0, true)).fill(500).b,
         "FLAC|44100|2|16|", 0},
        // Headers over several pages; the length from the last page of the stream.
        {"x.ogg", sample_ogg(long_comments), "Vorbis|48000|2||160", ogg_seconds},
        // Without a nominal bitrate the average over the file is given.
        {"x.ogg", vbr_ogg,
         "Vorbis|48000|2||" + std::to_string(int(vbr_ogg.size() * 8 / ogg_seconds / 1000 + 0.5)),
         ogg_seconds},
        {"x.wav", sample_wav({"INAM=x"}), "PCM|44100|2|16|1411", 2},
        {"x.wav", sample_wav({}, 0xFFFE, 32), "PCM|44100|2|32|2822", 2},
    };
    for (const auto& r : rows) {
        const t_track_info info = read_ok(r.file, r.path);
        EXPECT_EQ(techs(info, "codec|samplerate|channels|bitspersample|bitrate"), r.facts);
        EXPECT_NEAR(info.length(), r.seconds, r.within) << r.facts;
    }
    const t_track_info ogg = read_ok(sample_ogg(long_comments), "x.ogg");
    EXPECT_EQ(tags(ogg, "long").size(), 700u);
    EXPECT_EQ(tags(ogg, "artist"), "Ä");
}

TEST(Streams, BrokenFilesFailWithAReason) {
    t_bytes cut_id3 = id3_tag(3, id3_text(3, "TIT2", 0, latin1("x")), 0, 500);
    cut_id3.resize(200);
    t_bytes cut_flac = sample_flac({"TITLE=x"});
    cut_flac.resize(60);  // inside the comment block
    t_bytes bad_comments = vorbis_comments({"TITLE=x"});
    bad_comments[19] = 0x7F;  // field length far past the block
    t_bytes bad_ogg = sample_ogg(long_comments);
    bad_ogg[40] ^= 0x01;  // inside the first page
    t_ogg_writer opus(7);
    opus.packet(t_builder().str("OpusHead").fill(11).b, 0, 2);
    opus.packet(t_builder().str("OpusTags").fill(8).b, 0);
    const struct {
        const char* path;
        t_bytes file;
        const char* error;
    } rows[] = {
        {"a.mp3", {}, "empty file"},
        {"a.mp3", t_bytes(3000, 0x20), "no MPEG audio frame found"},
        {"a.mp3", cut_id3, "truncated ID3v2 tag"},
        {"notes.txt", t_bytes(100, 0x20), "unrecognised file format"},
        {"x.flac", t_builder().str("fLaC").raw(flac_block(4, vorbis_comments({}), true)).b,
         "FLAC file does not start with a STREAMINFO block"},
        {"x.flac", cut_flac, "truncated FLAC metadata"},
        {"x.flac",
         t_builder()
             .str("fLaC")
             .raw(flac_streaminfo(10, false))
             .raw(flac_block(4, bad_comments, true))
             .b,
         "damaged FLAC Vorbis comment block"},
        {"x.flac", latin1("nothing known here"), "not a FLAC file"},
        {"x.ogg", bad_ogg, "damaged Ogg page (bad checksum)"},
        {"x.ogg", opus.data, "Ogg file holds no Vorbis stream"},
        {"x.wav", sample_wav({}, 2), "unsupported WAV encoding (format 2)"},
        {"x.wav",
         t_builder().str("RIFF").le(4, 4).str("WAVE").raw(riff_chunk("LIST", latin1("INFO"))).b,
         "WAV file has no format chunk"},
    };
    for (const auto& r : rows) EXPECT_EQ(read_error(r.file, r.path), r.error) << r.path;

    // A damaged last Ogg page is passed over for the one before it. The other
    // stream's page at the end takes 27 + 2 + 400 bytes.
    t_bytes tail_damaged = sample_ogg(long_comments);
    tail_damaged[tail_damaged.size() - 429 - 10] ^= 0xFF;
    EXPECT_EQ(read_ok(tail_damaged, "x.ogg").length_samples, 48000u * 3);
    // A WAV file cut inside the data: what is there still plays.
    t_bytes cut = sample_wav({"INAM=x"});
    cut.resize(44 + 4000);
    const t_track_info part = read_ok(cut, "x.wav");
    EXPECT_EQ(part.length_samples, 1000u);
    EXPECT_EQ(part.find_meta("title"), nullptr);
}

TEST(FormatRobustness, CutAndDamagedFiles) {
    expect_bad_input_handled(
        sample_flac({"TITLE=Überschrift", "ARTIST=One", "EMPTY=", "novalue"}, 300), "x.flac", 2);
    expect_bad_input_handled(sample_ogg(long_comments), "x.ogg", 3);
    const std::vector<std::string> info = {"INAM=Tïtle", "IPRT=1", "ITRK=5/9"};
    expect_bad_input_handled(sample_wav(info, 1, 16, 50), "x.wav", 4);
    expect_bad_input_handled(sample_wav(info, 0xFFFE, 32, 50), "x.wav", 4);
}

}  // namespace
}  // namespace cor
