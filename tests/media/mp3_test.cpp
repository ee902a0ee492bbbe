#include <gtest/gtest.h>

#include "media/tag_reader.h"
#include "media_samples.h"

namespace cor {
namespace {

using namespace media_test;
using namespace std::literals;

// Text frames in every encoding and form: data/tags.tsv (formats_test.cpp).

t_bytes id3v1(std::string_view title, uint8_t track, uint8_t genre) {
    t_builder t;
    t.str("TAG").str(title).fill(30 - title.size()).str("Artist").fill(24);
    t.str("Album").fill(25).str("1987").str("comment").fill(22);
    return t.u8(track).u8(genre).b;
}

TEST(Mp3Tags, Id3v1OnlyWhenNoId3v2) {
    const t_track_info v1 = read_ok(mp3_frames(4) + id3v1("Caf\xE9", 5, 8));
    EXPECT_EQ(tags(v1, "title|artist|date|comment|tracknumber|genre"),
              "Café|Artist|1987|comment|5|Jazz");
    // The ID3v1 tag is not audio: 4 frames of 417 bytes give the length.
    EXPECT_NEAR(v1.length(), 4 * 417 * 8 / 128000.0, 1e-4);

    const t_track_info both = read_ok(id3_tag(3, id3_text(3, "TIT2", 0, latin1("New"))) +
                                      mp3_frames(4) + id3v1("Old", 1, 0));
    EXPECT_EQ(tags(both, "title"), "New");
    EXPECT_EQ(both.find_meta("genre"), nullptr);
}

t_bytes xing_frame(std::string_view magic, uint32_t frames, uint32_t bytes, uint16_t delay,
                   uint16_t padding) {
    t_builder f;
    f.u8(0xFF).u8(0xFB).u8(0x90).u8(0x00).fill(32);
    f.str(magic).be(0x0F, 4).be(frames, 4).be(bytes, 4).fill(100).be(50, 4);
    f.str("LAME3.100").fill(12).u8(delay >> 4).u8((delay & 0xF) << 4 | padding >> 8).u8(padding);
    f.b.resize(417, 0);
    return f.b;
}

TEST(Mp3Stream, XingAndVbriHeadersGiveFrameCount) {
    const t_bytes audio = mp3_frames(8);
    // 1000 frames of 1152 samples less the encoder's delay and padding.
    const t_track_info vbr = read_ok(xing_frame("Xing", 1000, 2'000'000, 576, 1200) + audio);
    EXPECT_EQ(vbr.length_samples, 1000u * 1152 - 576 - 1200);
    const double seconds = (1000.0 * 1152 - 1776) / 44100;
    EXPECT_EQ(techs(vbr, "bitrate"), std::to_string(int(2'000'000 * 8 / seconds / 1000 + 0.5)));

    const t_track_info cbr = read_ok(xing_frame("Info", 1000, 2'000'000, 0, 0) + audio);
    EXPECT_EQ(cbr.length_samples, 1000u * 1152);
    EXPECT_EQ(techs(cbr, "bitrate"), "128");

    t_builder vbri;
    vbri.u8(0xFF).u8(0xFB).u8(0x90).u8(0x00).fill(32).str("VBRI").be(1, 2).be(0, 2).be(75, 2);
    vbri.be(500'000, 4).be(400, 4);
    vbri.b.resize(417, 0);
    const t_track_info fraunhofer = read_ok(vbri.b + audio);
    EXPECT_EQ(fraunhofer.length_samples, 400u * 1152);
}

// Unsynchronisation of the whole tag (2.3) and of single frames (2.4), a
// data length indicator and an extended header; then every cut and damage.
TEST(Mp3Robustness, UnsynchronisedTagsAndCutAndDamagedFiles) {
    const t_bytes v23 =
        id3_tag(3,
                unsynchronise(id3_text(3, "TIT2", 1, utf16(u"\u00FF\u00FEtitle", false, true)) +
                              id3_text(3, "TRCK", 0, latin1("1/2"))),
                0x80, 20) +
        mp3_frames(3) + id3v1("v1", 1, 1);
    const t_bytes v24 =
        id3_tag(
            4,
            t_builder().syncsafe(6).u8(1).u8(0).b +
                id3_frame(4, "TIT2", unsynchronise(t_builder().u8(0).str("\xFF\xFFX").b), 0x02) +
                id3_frame(4, "TALB", t_builder().syncsafe(4).u8(3).str("abc").b, 0x01) +
                id3_frame(4, "TPE1", unsynchronise(t_builder().syncsafe(4).u8(3).str("a\0b"sv).b),
                          0x03),
            0x40) +
        mp3_frames(2);
    const t_bytes xing = xing_frame("Xing", 10, 5000, 576, 100) + mp3_frames(2);
    EXPECT_EQ(tags(read_ok(v23), "title|tracknumber|totaltracks"), "ÿþtitle|1|2");
    const t_track_info tagged = read_ok(v24);
    EXPECT_EQ(tags(tagged, "title|album"), "ÿÿX|abc");
    ASSERT_NE(tagged.find_meta("artist"), nullptr);
    EXPECT_EQ(tagged.find_meta("artist")->values, (std::vector<std::string>{"a", "b"}));
    for (const t_bytes* file : {&v23, &v24, &xing}) expect_bad_input_handled(*file, "a.mp3", 1);
}

}  // namespace
}  // namespace cor
