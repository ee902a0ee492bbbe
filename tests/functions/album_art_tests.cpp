// $albumart, $albumart_find and $albumart_extract over tracks made in the
// test, and image objects loading the references $albumart builds.
#include "config/test_folder.h"
#include "function_test_util.h"
#include "media/media_samples.h"
#include "object/types/image_cache.h"
#include "support/gdiplus_jpeg.h"
#include "support/sample_pictures.h"

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
    cor::test::test_folder dir;
    const std::vector<uint8_t> disc = t_builder().str("disc picture").fill(50, 7).b;
    std::string with_art, without_art;

    void SetUp() override {
        FunctionTest::SetUp();
        with_art = dir.path("with.mp3");
        without_art = dir.path("without.mp3");
        cor::test::write_bytes(
            dir.file("with.mp3"),
            text(media_test::id3_tag(3, apic(6, disc) + apic(3, cor_test::png_2x1)) +
                 media_test::mp3_frames(2)));
        cor::test::write_bytes(dir.file("without.mp3"), text(media_test::mp3_frames(2)));
    }
    std::string found(const std::string& call) { return run(call + "|$if(" + call + ",y,n)"); }
};

TEST_F(AlbumArt, FindsAndExtractsByKind) {
    const std::string out = dir.path("art");
    struct row {
        std::string call, expect;
    };
    const row rows[] = {
        {"$albumart_find(" + with_art + ")", "cover_front|disc|y"},
        {"$albumart_find(" + with_art + ",cover_front:false)", "disc|y"},
        {"$albumart_find(" + with_art + ",cover_front:false,ONCE)", "cover_front|y"},
        {"$albumart_find(" + with_art + ",cover_front:false,disc:0)", "|n"},
        {"$albumart_find(" + without_art + ")", "|n"},
        {"$albumart_find(" + dir.path("missing.mp3") + ")", "|n"},
        {"$albumart_extract(" + without_art + "," + out + ")", "|y"},
        {"$albumart_extract(" + without_art + "," + out + ",once)", "|n"},
        {"$albumart_extract(" + dir.path("missing.mp3") + "," + out + ")", "|n"},
        {"$albumart(" + with_art + ",Cover_Front)", "\x05" + with_art + "\tCover_Front\x05|y"},
    };
    for (const auto& r : rows) EXPECT_EQ(found(r.call), r.expect) << r.call;
    EXPECT_TRUE(host.take_lines().empty());

    EXPECT_EQ(run("$albumart_extract(" + with_art + "," + out + ")"),
              out + "_cover_front|" + out + "_disc");
    EXPECT_EQ(cor::test::read_bytes(dir.file("art_cover_front")), text(cor_test::png_2x1));
    EXPECT_EQ(cor::test::read_bytes(dir.file("art_disc")), text(disc));
    EXPECT_EQ(run("$albumart_extract(" + with_art + "," + out + ",cover_front:no,once)"), out);
    EXPECT_EQ(cor::test::read_bytes(dir.file("art")), text(cor_test::png_2x1));

    EXPECT_EQ(run_lines("$albumart(" + with_art + ",booklet)$albumart(x)$albumart_find(" +
                        with_art + ",all)$albumart_extract(" + with_art + "," + dir.path("none") +
                        ",cover_front:1,twice)"),
              (lines{"", "$albumart: unknown type 'booklet'", "$albumart: invalid syntax",
                     "$albumart_find: unknown option 'all'",
                     "$albumart_extract: unknown option 'twice'"}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none_cover_front")));
}

TEST_F(AlbumArt, ImagesLoadReferencesThroughTheHost) {
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
    cache.clear();
}

TEST_F(AlbumArt, LargeCoversDecodeAtTheSizeDrawn) {
    ASSERT_NE(host.start_ui(), nullptr);
    // 320 by 160: red on the left half, blue on the right.
    std::vector<uint8_t> jpeg;
    {
        Gdiplus::Bitmap picture(320, 160, PixelFormat24bppRGB);
        Gdiplus::Graphics g(&picture);
        Gdiplus::SolidBrush red(Gdiplus::Color(255, 220, 0, 0)),
            blue(Gdiplus::Color(255, 0, 0, 220));
        g.FillRectangle(&red, 0, 0, 160, 160);
        g.FillRectangle(&blue, 160, 0, 160, 160);
        jpeg = cor_test::encode_jpeg(picture);
    }
    ASSERT_FALSE(jpeg.empty());
    cor::test::write_bytes(dir.file("big.mp3"),
                           text(media_test::id3_tag(3, apic(3, jpeg)) + media_test::mp3_frames(2)));
    const std::string ref = run("$albumart(" + dir.path("big.mp3") + ",cover_front)");
    auto& cache = vesk::image_cache::instance();
    cache.clear();
    const size_t loads = cache.loads();
    struct step {
        uint32_t want;
        std::optional<int> rotate;
        uint32_t width, height, decoded_width;  // after the step
        size_t loads;
    };
    // The decode must cover the picture fitted into want × want.
    const step steps[] = {
        {40, {}, 320, 160, 40, 1},  // an eighth: 40 by 20
        {30, {}, 320, 160, 40, 1},  // still enough: no new decode
        {60, {}, 320, 160, 80, 2},  // a quarter: 80 by 40
        {40, 1, 160, 320, 20, 3},   // after clearing: an eighth, turned a quarter
        {0, {}, 160, 320, 160, 4},  // the whole picture, still turned
    };
    for (const step& s : steps) {
        if (&s == &steps[3]) cache.clear();
        const auto item = cache.find_or_load(ref, s.want);
        ASSERT_TRUE(item && item->image()) << s.want;
        if (s.rotate) (void)vesk::place_cache_item(*item, {0, 0, -1, -1}, {}, s.rotate, false);
        EXPECT_EQ(item->width(), s.width) << s.want;
        EXPECT_EQ(item->height(), s.height) << s.want;
        EXPECT_EQ(item->image()->GetWidth(), s.decoded_width) << s.want;
        EXPECT_EQ(cache.loads() - loads, s.loads) << s.want;
    }
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
    EXPECT_GT(left.GetR(), 180);
    EXPECT_LT(left.GetB(), 40);
    EXPECT_GT(right.GetB(), 180);
    EXPECT_LT(right.GetR(), 40);
    cache.clear();
}

}  // namespace
