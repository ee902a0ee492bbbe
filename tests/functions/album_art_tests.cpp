// $albumart, $albumart_find and $albumart_extract over tracks made in the
// test, and image objects loading the references $albumart builds.
#include "function_test_util.h"
#include "media/media_samples.h"
#include "object/types/image_cache.h"
#include "support/gdiplus_jpeg.h"
#include "support/sample_pictures.h"
#include "support/test_folder.h"

using namespace function_test;
using media_test::t_builder;
using media_test::operator+;

namespace {

std::string text(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

std::vector<uint8_t> apic(uint8_t type, const std::vector<uint8_t>& data) {
    return media_test::id3_frame(
        3, "APIC", t_builder().u8(0).str("image/png").u8(0).u8(type).u8(0).raw(data).b);
}

class AlbumArt : public FunctionTest {
protected:
    cor_test::test_folder dir;
    const std::vector<uint8_t> disc = t_builder().str("disc picture").fill(50, 7).b;
    std::string with_art, without_art;

    void SetUp() override {
        FunctionTest::SetUp();
        with_art = dir.path("with.mp3");
        without_art = dir.path("without.mp3");
        cor_test::write_bytes(
            dir.file("with.mp3"),
            text(media_test::id3_tag(3, apic(6, disc) + apic(3, cor_test::png_2x1)) +
                 media_test::mp3_frames(2)));
        cor_test::write_bytes(dir.file("without.mp3"), text(media_test::mp3_frames(2)));
    }
};

TEST_F(AlbumArt, FindsAndExtractsByKind) {
    expect_table("album_art.tsv",
                 {{"with", with_art}, {"without", without_art}, {"dir", dir.path("")}});
    EXPECT_EQ(run_lines("$albumart(" + with_art + ",Cover_Front)|$if($albumart(" + with_art +
                        ",Cover_Front),y,n)"),
              lines{"\x05" + with_art + "\tCover_Front\x05|y"});
    const std::string out = dir.path("art");
    EXPECT_EQ(run("$albumart_extract(" + with_art + "," + out + ")"),
              out + "_cover_front|" + out + "_disc");
    EXPECT_EQ(cor_test::read_bytes(dir.file("art_cover_front")), text(cor_test::png_2x1));
    EXPECT_EQ(cor_test::read_bytes(dir.file("art_disc")), text(disc));
    EXPECT_EQ(run("$albumart_extract(" + with_art + "," + out + ",cover_front:no,once)"), out);
    EXPECT_EQ(cor_test::read_bytes(dir.file("art")), text(cor_test::png_2x1));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none_cover_front")));
}

TEST_F(AlbumArt, ImagesLoadReferencesAndLargeCoversDecodeAtTheSizeDrawn) {
    ASSERT_NE(host.start_ui(), nullptr);
    auto& cache = vesk::image_cache::instance();
    const auto front = cache.find_or_load(run("$albumart(" + with_art + ",COVER_FRONT)"));
    ASSERT_TRUE(front && front->image());
    EXPECT_EQ(front->image()->GetWidth(), 2u);
    EXPECT_EQ(front->image()->GetHeight(), 1u);
    const auto back = cache.find_or_load(run("$albumart(" + with_art + ",cover_back)"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->image(), nullptr);
    EXPECT_TRUE(vesk::image_exists(run("$albumart(" + with_art + ",cover_front)")));
    EXPECT_FALSE(vesk::image_exists(run("$albumart(" + without_art + ",cover_front)")));

    // A large JPEG cover is decoded at the part that covers it fitted into
    // the size drawn, and again when drawn larger. 320 by 160: red on the
    // left half, blue on the right.
    std::vector<uint8_t> jpeg;
    {
        Gdiplus::Bitmap picture(320, 160, PixelFormat24bppRGB);
        Gdiplus::Graphics g(&picture);
        g.Clear(Gdiplus::Color(255, 0, 0, 220));
        Gdiplus::SolidBrush red(Gdiplus::Color(255, 220, 0, 0));
        g.FillRectangle(&red, 0, 0, 160, 160);
        jpeg = cor_test::encode_jpeg(picture);
    }
    ASSERT_FALSE(jpeg.empty());
    cor_test::write_bytes(dir.file("big.mp3"),
                          text(media_test::id3_tag(3, apic(3, jpeg)) + media_test::mp3_frames(2)));
    const std::string ref = run("$albumart(" + dir.path("big.mp3") + ",cover_front)");
    // An eighth (40 by 20) for a side of 40; drawn larger, decoded again.
    const auto decoded = [&](uint32_t want) {
        const auto item = cache.find_or_load(ref, want);
        return item && item->image() ? item->image()->GetWidth() : 0u;
    };
    cache.clear();
    EXPECT_EQ(decoded(40), 40u);
    EXPECT_EQ(decoded(60), 80u);
    // Drawn from a reduced decode into 80 by 40, the halves stay apart.
    cache.clear();
    const auto item = cache.find_or_load(ref, 40);
    ASSERT_TRUE(item && item->reduced());
    Gdiplus::Bitmap target(80, 40, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&target);
        vesk::draw_cache_item(g, *item, {0, 0, 80, 40}, std::nullopt, 255, std::nullopt, true);
    }
    Gdiplus::Color left, right;
    target.GetPixel(10, 20, &left);
    target.GetPixel(70, 20, &right);
    EXPECT_TRUE(left.GetR() > 180 && left.GetB() < 40) << std::hex << left.GetValue();
    EXPECT_TRUE(right.GetB() > 180 && right.GetR() < 40) << std::hex << right.GetValue();
    cache.clear();
}

}  // namespace
