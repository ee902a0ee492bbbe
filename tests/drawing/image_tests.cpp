// $gp_image and $gp_cache with pictures written by the test through the
// platform's encoders: natural and given sizes, opacity, proportions,
// rotation and flips that stick to the cached picture, clips, the
// pre-rendered copy, the cache limit and rereading from disk.
#include <string>

#include "drawing/drawing_fixture.h"
#include "support/test_folder.h"

namespace drawing_test {
namespace {

using lines_t = std::vector<std::string>;

class Images : public Drawing {
protected:
    cor_test::test_folder dir;

    std::string halves;  // split.png

    void SetUp() override {
        Drawing::SetUp();
        halves = write_halves("split.png");
    }

    // Red on the left half, blue on the right, 20 by 10; its path.
    std::string write_halves(const std::string& name) {
        write_picture(dir.file(name), 20, 10, [](int x, int) {
            return x < 10 ? Gdiplus::Color::Red : Gdiplus::Color::Blue;
        });
        return path(name);
    }
    std::string path(const std::string& name) const { return dir.path(name); }
    std::string solid(const std::string& name, int w, int h, Gdiplus::ARGB c) {
        write_picture(dir.file(name), w, h, [c](int, int) { return c; });
        return path(name);
    }
    std::vector<int> measured(const std::string& call) {
        run(call);
        return map_rect();
    }
};

TEST_F(Images, NaturalAndGivenSizesAndUnusableFiles) {
    // Undecodable and missing files make an object that draws nothing and
    // measures as an empty rectangle at 0, 0.
    cor_test::write_bytes(dir.file("not_a_picture.png"), "plain text");
    EXPECT_EQ(run("$gp_image(canvas," + path("not_a_picture.png") + ",70,10)").size(), 36u);
    EXPECT_EQ(measured("$gp_image(canvas," + path("missing.png") + ",70,10,0,0,mempos:1)"),
              (std::vector<int>{0, 0, 1, 1}));
    paint();
    EXPECT_TRUE(empty(ink({0, 0, 400, 100}, [](COLORREF c) { return c != white; })));
    EXPECT_EQ(run("$gp_image(canvas," + halves + ",10,10)").size(), 36u);
    EXPECT_EQ(measured("$gp_image(canvas," + halves + ",10,10,0,0,calconly:1,mempos:1)"),
              (std::vector<int>{10, 10, 31, 21}));
    run("$gp_image(canvas," + halves + ",100,10,40,20)");
    paint();
    // Width and height 0 are the natural size; the second is scaled to 40 by 20.
    EXPECT_EQ(colours("13,15 26,15 31,15 110,20 130,20 137,27"), "red blue white red blue blue");
}

TEST_F(Images, OpacityAndProportions) {
    const std::string wide = solid("wide.png", 200, 100, 0xFF00FF00);
    run("$gp_image(canvas," + halves + ",10,10,0,0,alpha:128)");
    run("$gp_image(canvas," + halves + ",40,10,0,0,alpha:255)");
    // 200 by 100 in 100 by 100 at (0, 100): 100 by 50 at (0, 125).
    EXPECT_EQ(measured("$gp_image(canvas," + wide + ",0,100,100,100,keepaspect:true,mempos:1)"),
              (std::vector<int>{0, 125, 101, 176}));
    paint();
    const rgb half = split(pixel(13, 15));
    EXPECT_EQ(half.r, 255);
    EXPECT_NEAR(half.g, 127, 2);
    EXPECT_NEAR(half.b, 127, 2);
    // Letterboxed with keepaspect.
    EXPECT_EQ(colours("43,15 50,115 50,150 50,185"), "red white green white");
}

TEST_F(Images, RotationSticksToTheCachedPicture) {
    // Rotated a quarter clockwise the red left half comes to the top.
    EXPECT_EQ(measured("$gp_image(canvas," + halves + ",10,10,0,0,rotate:90,mempos:1)"),
              (std::vector<int>{10, 10, 21, 31}));
    run("$gp_image(canvas," + halves + ",50,10)");
    paint();
    // The second object shows it rotated too.
    EXPECT_EQ(colours("15,13 15,27 55,13 55,27"), "red blue red blue");

    // A flip mirrors it.
    run("$gp_image(canvas," + write_halves("copy.png") + ",200,10,0,0,flip:X)");
    paint();
    EXPECT_EQ(colours("203,15 217,15"), "blue red");

    // Once the picture leaves the cache the rotation is gone.
    run("$clearobject(canvas)");
    vesk::image_cache::instance().clear();
    run("$gp_image(canvas," + halves + ",10,10)");
    paint();
    EXPECT_EQ(colours("13,15 26,15"), "red blue");
}

TEST_F(Images, ClipsAndThePreRenderedCopy) {
    // The right half only, at its natural size.
    EXPECT_EQ(measured("$gp_image(canvas," + halves + ",10,10,0,0,clip:10-0-10-10,mempos:1)"),
              (std::vector<int>{10, 10, 21, 21}));
    run("$gp_image(canvas," + halves + ",100,100,0,0,cache2:true)");
    // Pre-rendered, then only the part clip2 names copied to the picture's place.
    EXPECT_EQ(measured("$gp_image(canvas," + halves +
                       ",200,100,0,0,cache2:1,clip2:10-0-10-10,"
                       "mempos:1)"),
              (std::vector<int>{200, 100, 210, 110}));
    paint();
    EXPECT_EQ(colours("15,15 25,15 103,105 117,105 205,105 215,105"),
              "blue white red blue blue white");
}

TEST_F(Images, CacheLimitCommandsAndRereading) {
    const std::string a = solid("a.png", 4, 4, 0xFFFF0000);
    const std::string b = solid("b.png", 4, 4, 0xFF00FF00);
    const std::string c = solid("c.png", 4, 4, 0xFF0000FF);
    auto& cache = vesk::image_cache::instance();
    EXPECT_EQ(run("$if($gp_cache(2),ok,no)"), "ok");
    EXPECT_EQ(cache.limit(), 2u);
    for (const auto* f : {&a, &b}) run("$gp_image(canvas," + *f + ",1,1,0,0,dmode:mem)");
    const auto held = [&] {
        return std::to_string(cache.size()) + (cache.contains(a) ? " a" : "") +
               (cache.contains(b) ? " b" : "") + (cache.contains(c) ? " c" : "");
    };
    EXPECT_EQ(held(), "2 a b");
    // A third picture evicts the oldest.
    run("$gp_image(canvas," + c + ",1,1,0,0,dmode:mem)");
    EXPECT_EQ(held(), "2 b c");
    // A lowered limit takes effect with the next new picture.
    run("$gp_cache(1)");
    EXPECT_EQ(held(), "2 b c");
    run("$gp_image(canvas," + a + ",1,1,0,0,dmode:mem)");
    EXPECT_EQ(held(), "1 a");

    // "cache:false" reads the file again at each painting; the cached
    // picture stays as it was read.
    const std::string kept = solid("kept.png", 10, 10, 0xFFFF0000);
    const std::string fresh = solid("fresh.png", 10, 10, 0xFFFF0000);
    run("$gp_cache(5)$gp_image(canvas," + kept + ",10,10)$gp_image(canvas," + fresh +
        ",30,10,0,0,cache:false)");
    paint();
    EXPECT_EQ(colours("15,15 35,15"), "red red");
    const size_t loads = cache.loads();
    solid("kept.png", 10, 10, 0xFF0000FF);
    solid("fresh.png", 10, 10, 0xFF0000FF);
    paint();
    EXPECT_EQ(colours("15,15 35,15"), "red blue");
    EXPECT_EQ(cache.loads(), loads + 1);
}

// The refused calls of data/image_calls.tsv: no object, and the cache's
// limit as it was.
TEST_F(Images, RefusedCallsAndChecking) {
    const size_t limit = vesk::image_cache::instance().limit();
    expect_table("drawing/data/image_calls.tsv", vesk::err_low, {{"halves", halves}});
    EXPECT_EQ(manager.object_count(), 0u);
    EXPECT_EQ(vesk::image_cache::instance().limit(), limit);
    // "check:" makes a missing file fail silently.
    vesk::set_error_level(vesk::err_debug);
    lines();
    EXPECT_EQ(run("$gp_image(canvas," + path("missing.png") + ",1,1,0,0,check:true)"), "");
    EXPECT_EQ(lines(), (lines_t{"$gp_image"}));  // only the call's own name
    EXPECT_EQ(run("$gp_image(canvas," + halves + ",1,1,0,0,check:true)").size(), 36u);
    EXPECT_EQ(manager.object_count(), 1u);
}

}  // namespace
}  // namespace drawing_test
