#include <gtest/gtest.h>

#include "media/tag_reader.h"
#include "media_samples.h"

namespace cor {
namespace {

using namespace media_test;
using namespace std::literals;

// STREAMINFO: 44100 Hz, 2 channels, 16 bits, `samples` in total.
t_bytes streaminfo(uint64_t samples, bool last) {
    t_builder b;
    b.u8(last ? 0x80 : 0x00).be(34, 3);
    b.be(4096, 2).be(4096, 2).be(0, 3).be(0, 3);
    b.be(uint64_t(44100) << 44 | uint64_t(1) << 41 | uint64_t(15) << 36 | samples, 8);
    return b.fill(16).b;
}

t_bytes flac_block(unsigned type, const t_bytes& body, bool last) {
    return t_builder().u8(type | (last ? 0x80 : 0)).be(body.size(), 3).raw(body).b;
}

t_bytes sample_flac(size_t audio_bytes = 100'000) {
    const t_bytes comments = vorbis_comments(
        {"TITLE=Überschrift", "ARTIST=One", "artist=Two", "TRACKNUMBER=3/12", "ALBUMARTIST=Band",
         "DISCNUMBER=2", "DISCTOTAL=3", "REPLAYGAIN_TRACK_GAIN=-6.5 dB", "EMPTY=", "novalue"});
    return t_builder()
        .str("fLaC")
        .raw(streaminfo(441'000, false))
        .raw(flac_block(4, comments, false))
        .raw(flac_block(1, t_bytes(200), true))
        .fill(audio_bytes, 0xA5)
        .b;
}

TEST(Flac, StreamInfoAndVorbisComments) {
    const t_track_info info = read_ok(sample_flac(), "x.flac");
    // 100000 bytes over 10 s: 80 kbps.
    EXPECT_EQ(techs(info, "codec|samplerate|channels|bitspersample|bitrate"), "FLAC|44100|2|16|80");
    EXPECT_EQ(info.length_samples, 441'000u);
    EXPECT_DOUBLE_EQ(info.length(), 10.0);
    EXPECT_EQ(values(info, "artist"), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(tags(info, "title|tracknumber|totaltracks|album artist|discnumber|totaldiscs"),
              "Überschrift|3|12|Band|2|3");
    EXPECT_EQ(value(info, "replaygain_track_gain"), "-6.5 dB");
    EXPECT_EQ(info.find_meta("empty"), nullptr);
    EXPECT_EQ(info.find_meta("novalue"), nullptr);
}

TEST(Flac, LeadingId3TagAndUnknownLength) {
    const t_bytes file = id3_tag(3, id3_text(3, "TIT2", 0, latin1("ignored"))) +
                         t_builder().str("fLaC").raw(streaminfo(0, true)).fill(500).b;
    const t_track_info info = read_ok(file, "x.flac");
    EXPECT_EQ(info.length(), 0.0);
    EXPECT_EQ(info.find_info("bitrate"), nullptr);
    EXPECT_EQ(tech(info, "samplerate"), "44100");
}

TEST(Flac, DamagedMetadataIsRefused) {
    EXPECT_EQ(read_error(t_builder().str("fLaC").raw(flac_block(4, vorbis_comments({}), true)).b,
                         "x.flac"),
              "FLAC file does not start with a STREAMINFO block");
    t_bytes cut = sample_flac();
    cut.resize(60);  // inside the comment block
    EXPECT_EQ(read_error(cut, "x.flac"), "truncated FLAC metadata");
    t_bytes bad_comments = vorbis_comments({"TITLE=x"});
    bad_comments[19] = 0x7F;  // field length far past the block
    EXPECT_EQ(read_error(t_builder()
                             .str("fLaC")
                             .raw(streaminfo(10, false))
                             .raw(flac_block(4, bad_comments, true))
                             .b,
                         "x.flac"),
              "damaged FLAC Vorbis comment block");
    EXPECT_EQ(read_error(latin1("nothing known here"), "x.flac"), "not a FLAC file");
}

t_bytes vorbis_id(uint32_t rate, uint8_t channels, int32_t nominal) {
    return t_builder()
        .u8(1)
        .str("vorbis")
        .le(0, 4)
        .u8(channels)
        .le(rate, 4)
        .le(0, 4)
        .le(uint32_t(nominal), 4)
        .le(0, 4)
        .u8(0xB8)
        .u8(1)
        .b;
}

// The comment packet spans four pages; a page of a second stream, with a
// larger granule position, follows the last page of ours.
t_bytes sample_ogg(int32_t nominal = 160'000) {
    t_ogg_writer ogg(0x1234);
    ogg.packet(vorbis_id(48000, 2, nominal), 0, 2);
    const t_bytes comments =
        t_builder()
            .u8(3)
            .str("vorbis")
            .raw(vorbis_comments({"TITLE=Ślęża", "ARTIST=Ä", "ARTIST=B", "TRACKTOTAL=9",
                                  "TRACKNUMBER=4/10", "LONG=" + std::string(700, 'x')}))
            .u8(1)
            .b;
    ogg.packet(comments, 0, 0, 1);
    ogg.packet(t_builder().u8(5).str("vorbis").fill(300, 0x42).b, 0);
    ogg.packet(t_bytes(3000, 0x17), 48000 * 3);
    ogg.packet(t_bytes(1000, 0x17), 48000 * 5 + 123, 4);
    t_ogg_writer other(0x9999);
    other.packet(t_bytes(400, 1), 48000 * 100, 4);
    return ogg.data + other.data;
}

TEST(OggVorbis, HeadersSpanningPagesAndLengthFromLastPage) {
    const t_bytes file = sample_ogg();
    const t_track_info info = read_ok(file, "x.ogg");
    EXPECT_EQ(techs(info, "codec|samplerate|channels|bitrate"), "Vorbis|48000|2|160");
    EXPECT_EQ(info.length_samples, 48000u * 5 + 123);
    EXPECT_EQ(value(info, "title"), "Ślęża");
    EXPECT_EQ(values(info, "artist"), (std::vector<std::string>{"Ä", "B"}));
    // A total of its own wins over one written with the number.
    EXPECT_EQ(value(info, "tracknumber"), "4");
    EXPECT_EQ(values(info, "totaltracks"), std::vector<std::string>{"9"});
    EXPECT_EQ(value(info, "long").size(), 700u);

    // Without a nominal bitrate the average over the file is given.
    const t_bytes vbr = sample_ogg(0);
    const t_track_info avg = read_ok(vbr, "x.ogg");
    const double seconds = (48000.0 * 5 + 123) / 48000;
    EXPECT_EQ(tech(avg, "bitrate"), std::to_string(int(vbr.size() * 8 / seconds / 1000 + 0.5)));
}

TEST(OggVorbis, ChecksumsAndStreamKindAreChecked) {
    t_bytes file = sample_ogg();
    file[40] ^= 0x01;  // inside the first page
    EXPECT_EQ(read_error(file, "x.ogg"), "damaged Ogg page (bad checksum)");

    t_ogg_writer opus(7);
    opus.packet(t_builder().str("OpusHead").fill(11).b, 0, 2);
    opus.packet(t_builder().str("OpusTags").fill(8).b, 0);
    EXPECT_EQ(read_error(opus.data, "x.ogg"), "Ogg file holds no Vorbis stream");

    // A damaged last page is passed over for the one before it. The other
    // stream's page at the end takes 27 + 2 + 400 bytes.
    t_bytes tail_damaged = sample_ogg();
    tail_damaged[tail_damaged.size() - 429 - 10] ^= 0xFF;
    EXPECT_EQ(read_ok(tail_damaged, "x.ogg").length_samples, 48000u * 3);
}

t_bytes riff_chunk(std::string_view id, const t_bytes& body) {
    t_builder c;
    c.str(id).le(body.size(), 4).raw(body);
    if (body.size() & 1) c.u8(0);
    return c.b;
}

t_bytes sample_wav(uint16_t format = 1, uint16_t bits = 16, size_t frames = 88200) {
    const uint16_t channels = 2;
    const uint16_t align = channels * bits / 8;
    t_builder fmt;
    fmt.le(format, 2).le(channels, 2).le(44100, 4).le(44100 * align, 4).le(align, 2).le(bits, 2);
    if (format == 0xFFFE) fmt.le(22, 2).le(bits, 2).le(3, 4).le(3, 2).fill(14);  // float
    const t_bytes info = t_builder()
                             .str("INFO")
                             .raw(riff_chunk("INAM", latin1("Tïtle\0"sv)))
                             .raw(riff_chunk("IART", latin1("Caf\xE9")))
                             .raw(riff_chunk("IPRD", latin1("Album\0"sv)))
                             .raw(riff_chunk("IPRT", latin1("1")))
                             .raw(riff_chunk("ITRK", latin1("5/9")))
                             .raw(riff_chunk("ICRD", latin1("2001")))
                             .b;
    const t_bytes body = t_builder()
                             .str("WAVE")
                             .raw(riff_chunk("fmt ", fmt.b))
                             .raw(riff_chunk("data", t_bytes(frames * align, 0)))
                             .raw(riff_chunk("LIST", info))
                             .b;
    return t_builder().str("RIFF").le(body.size(), 4).raw(body).b;
}

TEST(Wav, FormatDataLengthAndInfoTags) {
    const t_track_info info = read_ok(sample_wav(), "x.wav");
    EXPECT_EQ(techs(info, "codec|samplerate|channels|bitspersample|bitrate"),
              "PCM|44100|2|16|1411");
    EXPECT_EQ(info.length_samples, 88200u);
    EXPECT_EQ(tags(info, "title|artist|album|date|totaltracks"), "Tïtle|Café|Album|2001|9");
    EXPECT_EQ(values(info, "tracknumber"), std::vector<std::string>{"5"});

    const t_track_info floats = read_ok(sample_wav(0xFFFE, 32), "x.wav");
    EXPECT_EQ(tech(floats, "bitspersample"), "32");
    EXPECT_EQ(floats.length_samples, 88200u);
}

TEST(Wav, CutAndUnsupportedFiles) {
    // Cut inside the data: what is there still plays.
    t_bytes cut = sample_wav();
    cut.resize(44 + 4000);
    const t_track_info info = read_ok(cut, "x.wav");
    EXPECT_EQ(info.length_samples, 1000u);
    EXPECT_EQ(info.find_meta("title"), nullptr);

    EXPECT_EQ(read_error(sample_wav(2), "x.wav"), "unsupported WAV encoding (format 2)");
    const t_bytes no_data =
        t_builder().str("RIFF").le(4, 4).str("WAVE").raw(riff_chunk("LIST", latin1("INFO"))).b;
    EXPECT_EQ(read_error(no_data, "x.wav"), "WAV file has no format chunk");
}

TEST(FormatRobustness, CutAndDamagedFiles) {
    expect_prefixes_handled(sample_flac(300), "x.flac");
    expect_damage_handled(sample_flac(300), "x.flac", 2);
    expect_prefixes_handled(sample_ogg(), "x.ogg");
    expect_damage_handled(sample_ogg(), "x.ogg", 3);
    expect_prefixes_handled(sample_wav(1, 16, 50), "x.wav");
    expect_damage_handled(sample_wav(0xFFFE, 32, 50), "x.wav", 4);
}

}  // namespace
}  // namespace cor
