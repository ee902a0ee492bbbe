#include <gtest/gtest.h>

#include "media/tag_reader.h"
#include "media_samples.h"
#include "support/case_table.h"
#include "utf8.h"

namespace cor {
namespace {

using namespace media_test;
using namespace std::literals;

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> out(1);
    for (const char c : text)
        if (c == by)
            out.emplace_back();
        else
            out.back() += c;
    return out;
}

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

TEST(Flac, StreamInfoAndLeadingId3Tag) {
    const t_track_info info = read_ok(sample_flac({"TITLE=x"}), "x.flac");
    // 100000 bytes over 10 s: 80 kbps.
    EXPECT_EQ(techs(info, "codec|samplerate|channels|bitspersample|bitrate"), "FLAC|44100|2|16|80");
    EXPECT_EQ(info.length_samples, 441'000u);
    EXPECT_DOUBLE_EQ(info.length(), 10.0);

    // An ID3 tag before the stream is passed over; a length of 0 is unknown.
    const t_bytes file = id3_tag(3, id3_text(3, "TIT2", 0, latin1("ignored"))) +
                         t_builder().str("fLaC").raw(flac_streaminfo(0, true)).fill(500).b;
    const t_track_info unknown = read_ok(file, "x.flac");
    EXPECT_EQ(unknown.length(), 0.0);
    EXPECT_EQ(unknown.find_info("bitrate"), nullptr);
    EXPECT_EQ(tech(unknown, "samplerate"), "44100");
}

TEST(Flac, DamagedMetadataIsRefused) {
    EXPECT_EQ(read_error(t_builder().str("fLaC").raw(flac_block(4, vorbis_comments({}), true)).b,
                         "x.flac"),
              "FLAC file does not start with a STREAMINFO block");
    t_bytes cut = sample_flac({"TITLE=x"});
    cut.resize(60);  // inside the comment block
    EXPECT_EQ(read_error(cut, "x.flac"), "truncated FLAC metadata");
    t_bytes bad_comments = vorbis_comments({"TITLE=x"});
    bad_comments[19] = 0x7F;  // field length far past the block
    t_builder bad;
    bad.str("fLaC").raw(flac_streaminfo(10, false)).raw(flac_block(4, bad_comments, true));
    EXPECT_EQ(read_error(bad.b, "x.flac"), "damaged FLAC Vorbis comment block");
    EXPECT_EQ(read_error(latin1("nothing known here"), "x.flac"), "not a FLAC file");
}

const std::vector<std::string> long_comments = {"TITLE=x", "LONG=" + std::string(700, 'x'),
                                                "ARTIST=Ä"};

TEST(OggVorbis, HeadersSpanningPagesAndLengthFromLastPage) {
    const t_track_info info = read_ok(sample_ogg(long_comments), "x.ogg");
    EXPECT_EQ(techs(info, "codec|samplerate|channels|bitrate"), "Vorbis|48000|2|160");
    EXPECT_EQ(info.length_samples, 48000u * 5 + 123);
    EXPECT_EQ(value(info, "long").size(), 700u);
    EXPECT_EQ(value(info, "artist"), "Ä");

    // Without a nominal bitrate the average over the file is given.
    const t_bytes vbr = sample_ogg(long_comments, 0);
    const t_track_info avg = read_ok(vbr, "x.ogg");
    const double seconds = (48000.0 * 5 + 123) / 48000;
    EXPECT_EQ(tech(avg, "bitrate"), std::to_string(int(vbr.size() * 8 / seconds / 1000 + 0.5)));
}

TEST(OggVorbis, ChecksumsAndStreamKindAreChecked) {
    t_bytes file = sample_ogg(long_comments);
    file[40] ^= 0x01;  // inside the first page
    EXPECT_EQ(read_error(file, "x.ogg"), "damaged Ogg page (bad checksum)");

    t_ogg_writer opus(7);
    opus.packet(t_builder().str("OpusHead").fill(11).b, 0, 2);
    opus.packet(t_builder().str("OpusTags").fill(8).b, 0);
    EXPECT_EQ(read_error(opus.data, "x.ogg"), "Ogg file holds no Vorbis stream");

    // A damaged last page is passed over for the one before it. The other
    // stream's page at the end takes 27 + 2 + 400 bytes.
    t_bytes tail_damaged = sample_ogg(long_comments);
    tail_damaged[tail_damaged.size() - 429 - 10] ^= 0xFF;
    EXPECT_EQ(read_ok(tail_damaged, "x.ogg").length_samples, 48000u * 3);
}

TEST(Wav, FormatDataLengthCutAndUnsupportedFiles) {
    const t_track_info info = read_ok(sample_wav({"INAM=x"}), "x.wav");
    EXPECT_EQ(techs(info, "codec|samplerate|channels|bitspersample|bitrate"),
              "PCM|44100|2|16|1411");
    EXPECT_EQ(info.length_samples, 88200u);
    const t_track_info floats = read_ok(sample_wav({}, 0xFFFE, 32), "x.wav");
    EXPECT_EQ(tech(floats, "bitspersample"), "32");
    EXPECT_EQ(floats.length_samples, 88200u);

    // Cut inside the data: what is there still plays.
    t_bytes cut = sample_wav({"INAM=x"});
    cut.resize(44 + 4000);
    const t_track_info part = read_ok(cut, "x.wav");
    EXPECT_EQ(part.length_samples, 1000u);
    EXPECT_EQ(part.find_meta("title"), nullptr);

    EXPECT_EQ(read_error(sample_wav({}, 2), "x.wav"), "unsupported WAV encoding (format 2)");
    const t_bytes no_data =
        t_builder().str("RIFF").le(4, 4).str("WAVE").raw(riff_chunk("LIST", latin1("INFO"))).b;
    EXPECT_EQ(read_error(no_data, "x.wav"), "WAV file has no format chunk");
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
