// Embedded pictures in each form a track can carry them, cut at every byte
// of the picture, and the covers lying beside a track.

#include "media/art_reader.h"
#include "media_samples.h"
#include "support/sample_pictures.h"
#include "support/test_folder.h"

using namespace media_test;
using cor::t_art_kind;

namespace {

const t_bytes& png() { return cor_test::png_2x1; }
// Only the reader's bounds matter for the other pictures: distinct bytes.
const t_bytes jpeg_like = t_builder().u8(0xFF).u8(0xD8).fill(300, 0x42).u8(0xFF).u8(0xD9).b;

t_bytes apic(int major, uint8_t encoding, uint8_t type, const t_bytes& description,
             const t_bytes& data) {
    t_builder b;
    b.u8(encoding);
    if (major == 2)
        b.str("PNG");
    else
        b.str("image/png").u8(0);
    b.u8(type).raw(description).fill(encoding == 1 || encoding == 2 ? 2 : 1).raw(data);
    return id3_frame(major, major == 2 ? "PIC" : "APIC", b.b);
}

t_bytes flac_picture(uint32_t type, const t_bytes& data) {
    t_builder b;
    b.be(type, 4).be(9, 4).str("image/png").be(5, 4).str("cover");
    b.be(2, 4).be(1, 4).be(24, 4).be(0, 4).be(data.size(), 4).raw(data);
    return b.b;
}

std::string base64(const t_bytes& in) {
    static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        const uint32_t n = uint32_t(in[i]) << 16 | (i + 1 < in.size() ? in[i + 1] << 8 : 0) |
                           (i + 2 < in.size() ? in[i + 2] : 0);
        out += abc[n >> 18];
        out += abc[(n >> 12) & 63];
        out += i + 1 < in.size() ? abc[(n >> 6) & 63] : '=';
        out += i + 2 < in.size() ? abc[n & 63] : '=';
    }
    return out;
}

t_bytes ogg_with_picture(const t_bytes& picture_block) {
    t_ogg_writer ogg(0x51);
    ogg.packet(vorbis_id(44100, 2, 0), 0, 2);
    const t_bytes comments =
        vorbis_comments({"TITLE=x", "METADATA_BLOCK_PICTURE=" + base64(picture_block)});
    ogg.packet(t_builder().u8(3).str("vorbis").raw(comments).u8(1).b, 0);
    ogg.packet(t_builder().u8(5).str("vorbis").fill(20).b, 0);
    ogg.packet(t_bytes(100, 0x11), 44100, 0);
    return ogg.data;
}

struct t_form {
    const char* name;
    t_bytes file;
    // Where the first picture's bytes lie in the file.
    size_t picture_start, picture_end;
    std::vector<std::pair<t_art_kind, t_bytes>> has;
    std::vector<t_art_kind> lacks;
};

size_t find(const t_bytes& hay, const t_bytes& needle) {
    return size_t(std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) - hay.begin());
}

std::vector<t_form> forms() {
    std::vector<t_form> out;
    auto add = [&](const char* name, t_bytes file, std::vector<std::pair<t_art_kind, t_bytes>> has,
                   std::vector<t_art_kind> lacks) {
        const size_t at = find(file, has.front().second);
        out.push_back({name, std::move(file), at, at + has.front().second.size(), std::move(has),
                       std::move(lacks)});
    };
    add("ID3v2.3",
        id3_tag(3, id3_text(3, "TIT2", 0, latin1("t")) + apic(3, 0, 3, latin1("front"), png()) +
                       apic(3, 1, 6, utf16(u"disc", false, true), jpeg_like)) +
            mp3_frames(3),
        {{t_art_kind::front_cover, png()}, {t_art_kind::disc, jpeg_like}},
        {t_art_kind::back_cover, t_art_kind::icon});
    add("ID3v2.4",
        id3_tag(4, apic(4, 3, 4, latin1("back"), png()) + apic(4, 0, 2, {}, jpeg_like), 0, 64) +
            mp3_frames(3),
        {{t_art_kind::back_cover, png()}, {t_art_kind::icon, jpeg_like}},
        {t_art_kind::front_cover, t_art_kind::disc});
    // A picture of type "other" stands in for a missing front cover.
    add("ID3v2.2", id3_tag(2, apic(2, 0, 0, latin1(""), png())) + mp3_frames(3),
        {{t_art_kind::front_cover, png()}}, {t_art_kind::back_cover});
    {
        const t_bytes tag = id3_tag(3, apic(3, 0, 4, latin1("back"), png()));
        t_builder body;
        body.str("WAVE").str("fmt ").le(16, 4).le(1, 2).le(1, 2).le(8000, 4).le(16000, 4);
        body.le(2, 2).le(16, 2).str("data").le(4, 4).le(0, 4);
        body.str("id3 ").le(tag.size(), 4).raw(tag);
        if (tag.size() % 2) body.u8(0);
        add("WAV", t_builder().str("RIFF").le(body.b.size(), 4).raw(body.b).b,
            {{t_art_kind::back_cover, png()}}, {t_art_kind::front_cover});
    }
    t_builder flac;
    flac.str("fLaC").raw(flac_streaminfo(44100, false));
    flac.raw(flac_block(6, flac_picture(3, png()), false));
    flac.raw(flac_block(4, vorbis_comments({"TITLE=x"}), true)).fill(500, 0xA5);
    add("FLAC", flac.b, {{t_art_kind::front_cover, png()}}, {t_art_kind::disc});
    add("Ogg Vorbis", ogg_with_picture(flac_picture(6, png())), {{t_art_kind::disc, png()}},
        {t_art_kind::front_cover});
    // The picture is base64 text inside the comment packet: its place is
    // the comment page's, from after the first page (27 + 1 + 30 bytes) to
    // the page of the setup packet.
    out.back().picture_start = 58;
    out.back().picture_end = find(out.back().file, t_builder().u8(5).str("vorbis").b) - 28;
    return out;
}

std::vector<cor::t_embedded_picture> pictures_of(const t_bytes& file) {
    cor::memory_source src(file.data(), file.size());
    return cor::read_embedded_pictures(src);
}

TEST(AlbumArt, EachEmbeddingFormGivesItsPictures) {
    for (const auto& f : forms()) {
        const auto pics = pictures_of(f.file);
        for (const auto& [kind, bytes] : f.has) {
            const auto* p = cor::find_picture(pics, kind);
            ASSERT_NE(p, nullptr) << f.name << " kind " << int(kind);
            EXPECT_EQ(p->data, bytes) << f.name;
        }
        for (const auto kind : f.lacks) EXPECT_EQ(cor::find_picture(pics, kind), nullptr) << f.name;
    }
}

TEST(AlbumArt, PicturesCutAnywhereAreRefused) {
    for (const auto& f : forms()) {
        const t_bytes& whole = f.has.front().second;
        // The file ends inside the picture or just after the picture's header.
        for (size_t cut = f.picture_start > 40 ? f.picture_start - 40 : 0; cut < f.picture_end;
             ++cut) {
            const t_bytes part(f.file.begin(), f.file.begin() + cut);
            for (const auto& p : pictures_of(part))
                EXPECT_FALSE(p.data.size() < whole.size() &&
                             std::equal(p.data.begin(), p.data.end(), whole.begin()))
                    << f.name << " cut at " << cut << " gave a cut picture";
        }
        // A damaged byte anywhere never reads past the data.
        std::mt19937 rng(7);
        for (int i = 0; i < 300; ++i) {
            t_bytes bad = f.file;
            bad[rng() % bad.size()] ^= uint8_t(1 + rng() % 255);
            for (const auto& p : pictures_of(bad)) EXPECT_LE(p.data.size(), bad.size()) << f.name;
        }
    }
    // The picture structure itself: every prefix is refused, the whole accepted.
    const t_bytes block = flac_picture(3, png());
    for (size_t n = 0; n < block.size(); ++n) {
        cor::t_embedded_picture p;
        EXPECT_FALSE(cor::parse_flac_picture(block.data(), n, p)) << n;
    }
    cor::t_embedded_picture p;
    EXPECT_TRUE(cor::parse_flac_picture(block.data(), block.size(), p));
    EXPECT_EQ(p.data, png());
}

TEST(AlbumArt, FolderImagesServeAsFrontCover) {
    const cor_test::test_folder dir;
    const auto write = [&](const char* name, const t_bytes& b) {
        cor_test::write_bytes(dir.file(name), std::string(b.begin(), b.end()));
    };
    write("plain.mp3", id3_tag(3, id3_text(3, "TIT2", 0, latin1("t"))) + mp3_frames(2));
    write("embedded.mp3", id3_tag(3, apic(3, 0, 3, {}, jpeg_like)) + mp3_frames(2));
    write("Folder.PNG", png());

    auto service = cor::make_album_art_service();
    // The picture's bytes, or "-".
    const auto query = [&](const std::string& name, const cor::guid& kind) {
        const std::string path = dir.path(name);
        cor::album_art_extractor* raw = nullptr;
        if (!service->open(path.data(), path.size(), &raw)) return std::string("no extractor");
        auto art = cor::service_ptr_t<cor::album_art_extractor>::adopt(raw);
        cor::string_out bytes;
        return art->query(kind, bytes) ? bytes.text : "-";
    };
    EXPECT_EQ(query("plain.mp3", cor::album_art_front_cover),
              std::string(png().begin(), png().end()));
    EXPECT_EQ(query("plain.mp3", cor::album_art_back_cover), "-");
    // What the track holds comes before the folder's picture.
    EXPECT_EQ(query("embedded.mp3", cor::album_art_front_cover),
              std::string(jpeg_like.begin(), jpeg_like.end()));
}

}  // namespace
