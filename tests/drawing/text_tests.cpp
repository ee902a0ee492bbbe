// GDI text ($text, $drawtext) and path text ($gp_text) painted into a
// window: colours, backgrounds, fonts, alignment, clipping, the glow,
// measurement, properties and the messages of bad values.
#include "drawing/drawing_fixture.h"
#include "object/types/gp_text_object.h"
#include "object/types/text_objects.h"
#include "script/error_report.h"

namespace drawing_test {
namespace {

using Text = Drawing;

bool reddish(COLORREF c) {
    const rgb v = split(c);
    return v.r > 150 && v.g < 100 && v.b < 100;
}

TEST_F(Text, PlainTextDefaultsAndMeasure) {
    const std::string id = run("$text(canvas,Hello world,20,30,mempos:1)");
    ASSERT_EQ(id.size(), 36u);
    const std::vector<int> box = map_rect();
    const int width = box[2] - box[0], height = box[3] - box[1];
    EXPECT_EQ((std::vector<int>{box[0], box[1]}), (std::vector<int>{20, 30}));
    // Measured with the GUI face at 11 points.
    EXPECT_TRUE(width > 50 && width < 120 && height > 10 && height < 25) << width << "x" << height;
    paint();
    // Black ink on a transparent background, inside the measured rectangle.
    const RECT drawn = dark({0, 0, 300, 100});
    ASSERT_FALSE(empty(drawn));
    EXPECT_TRUE(drawn.left >= 20 && drawn.top >= 30 && drawn.right <= box[2] &&
                drawn.bottom <= box[3]);
    EXPECT_EQ(pixel(21, 31), white);

    // A larger size measures larger; the rectangle has one extra column.
    auto* t = object<vesk::object::text_object>(id);
    ASSERT_NE(t, nullptr);
    RECT r{};
    ASSERT_TRUE(t->get_rect(r));
    EXPECT_EQ(r.right + 1 - r.left, width);
    run("$text(canvas,Hello world,20,30,font-size:22,calconly:1,mempos:1)");
    EXPECT_GT(ctx.map_right - ctx.map_left, width * 17 / 10);
    run("$text(canvas,Hello world,20,30,font-style:b,calconly:1,mempos:1)");
    EXPECT_GT(ctx.map_right - ctx.map_left, width);
}

TEST_F(Text, ColoursBackgroundsAndFill) {
    run("$text(canvas,WWWW,10,10,fg:FF0000)");
    run("$text(canvas, W ,10,50,fg:255-0-0,bg:0000FF,mempos:1)");
    const std::vector<int> box = map_rect();
    run("$drawtext(canvas,x,10,150,50,30,fill:true)");
    run("$drawtext(canvas,x,100,150,50,30,fill:true,bg:00FF00)");
    run("$drawtext(canvas,x,200,150,50,30,bg:00FF00)");
    paint();
    // A $drawtext fills its box only with a background; without fill only
    // the text's cell (248,178 lies past it).
    EXPECT_EQ(colours("50,175 100,150 148,178 248,178"), "white green green white");
    // Red glyphs, smoothed towards white but never black.
    EXPECT_FALSE(empty(ink({0, 0, 200, 40}, reddish)));
    EXPECT_TRUE(empty(ink({0, 0, 200, 40}, [](COLORREF c) { return c == black; })));
    // The opaque background covers the text's cell, blanks included.
    EXPECT_EQ(pixel(box[0] + 1, box[1] + 1), blue);
    EXPECT_EQ(pixel(box[2] - 3, box[3] - 3), blue);
    EXPECT_EQ(pixel(box[2] + 1, box[1]), white);
    EXPECT_EQ(pixel(box[0] - 1, box[1]), white);
}

TEST_F(Text, DrawTextAlignment) {
    const auto placed = [&](const std::string& options) {
        clear_buffer();
        run("$drawtext(canvas,Hi,10,10,200,100," + options + "dmode:mem)");
        return dark({10, 10, 210, 110});
    };
    const RECT left = placed(""), centre = placed("halign:center,"),
               right = placed("halign:right,"), middle = placed("valign:middle,"),
               bottom = placed("valign:BOTTOM,halign:middle,");
    ASSERT_FALSE(empty(left));
    EXPECT_TRUE(left.left < 14 && left.top < 16) << left.left << "," << left.top;
    EXPECT_NEAR((centre.left + centre.right) / 2, 110, 3);
    EXPECT_GT(right.right, 205);
    EXPECT_NEAR((middle.top + middle.bottom) / 2, 60, 4);
    EXPECT_GT(bottom.bottom, 100);
    EXPECT_NEAR((bottom.left + bottom.right) / 2, 110, 3);

    // Text taller than the box stays at the top; it is clipped to the box.
    const std::string long_text = "one two three four five six seven eight nine ten";
    clear_buffer();
    run("$drawtext(canvas," + long_text + ",10,10,40,30,dmode:mem)");
    const RECT top = dark({0, 0, 120, 120});
    clear_buffer();
    run("$drawtext(canvas," + long_text + ",10,10,40,30,valign:middle,dmode:mem)");
    const RECT tall = dark({0, 0, 120, 120});
    ASSERT_FALSE(empty(tall));
    EXPECT_EQ(tall.top, top.top);
    EXPECT_TRUE(tall.right <= 50 && tall.bottom <= 40) << tall.right << "," << tall.bottom;
    EXPECT_EQ(run("$if($drawtext(canvas,abc,10,10,60,40,ellipsis:END,dmode:mem),ok)"), "ok");
}

TEST_F(Text, PropertiesOfTextObjects) {
    run("$base(100,50)");
    const std::string d = run("$drawtext(canvas,x,10,10,200,40,mempos:1)");
    EXPECT_EQ(map_rect(), (std::vector<int>{110, 60, 310, 100}));
    run("$drawtext(canvas,x,10,10,200,40,glow:255,mempos:1,calconly:1)");
    EXPECT_EQ(map_rect(), (std::vector<int>{99, 49, 321, 111}));
    run("$base(0,0)");
    lines();
    expect_table("drawing/data/text_properties.tsv", vesk::err_low,
                 {{"d", d},
                  {"t", run("$text(canvas,first,5,6)")},
                  {"g", run("$gp_text(canvas,path,7,8,90,30)")},
                  {"r", run("$gp_rect(canvas,1,1,5,5)")}});
    // A text's glow widens its rectangle: 10 up and left, 20 down and right.
    run("$text(canvas,MMMM,100,100,fg:0000FF,font-size:16,glow:255-0-0-2-9,mempos:1)");
    EXPECT_EQ((std::vector<int>{ctx.map_left, ctx.map_top}), (std::vector<int>{90, 90}));
}

// Texts in one font share it. A painting may leave its last font selected
// in the back buffer, but never a font that is gone: not when a text is
// removed while another still uses its font, nor when its last user goes.
TEST_F(Text, TextsInOneFontShareItAndNoGoneFontStaysSelected) {
    const HDC dc = target->back_buffer_dc();
    const auto selected_font_is_alive = [dc] {
        return GetObjectType(GetCurrentObject(dc, OBJ_FONT)) == OBJ_FONT;
    };
    const std::string font = ",font-name:Tahoma,font-size:14,fg:0-0-0)";
    const std::string a = run("$drawtext(canvas,Abc,10,10,100,30" + font);
    const std::string b = run("$drawtext(canvas,Abc,200,10,100,30" + font);
    const std::string c =
        run("$drawtext(canvas,Abc,10,60,100,30,font-name:Tahoma,font-size:20,fg:0-0-0)");
    paint();
    const RECT first = dark({0, 0, 150, 50}), second = dark({190, 0, 340, 50});
    const RECT larger = dark({0, 55, 150, 100});
    ASSERT_FALSE(empty(first));
    EXPECT_EQ(second.right - second.left, first.right - first.left);
    EXPECT_EQ(second.bottom - second.top, first.bottom - first.top);
    EXPECT_GT(larger.right - larger.left, first.right - first.left);
    // The first removed, the second repainted alone: the same glyphs.
    run("$removeobject(" + a + ")");
    clear_buffer();
    EXPECT_EQ(run("$updateobject(" + b + ")"), "");
    EXPECT_TRUE(selected_font_is_alive());
    const RECT again = dark({190, 0, 340, 50});
    EXPECT_EQ(again.left, second.left);
    EXPECT_EQ(again.right, second.right);
    EXPECT_EQ(again.bottom, second.bottom);
    // The last user of the font it painted with goes: the font is
    // deleted, not left selected; the larger text still paints in its own.
    const HGDIOBJ kept = GetCurrentObject(dc, OBJ_FONT);
    ASSERT_NE(kept, GetStockObject(SYSTEM_FONT));
    run("$removeobject(" + b + ")");
    EXPECT_EQ(GetObjectType(kept), 0u);
    EXPECT_TRUE(selected_font_is_alive());
    clear_buffer();
    EXPECT_EQ(run("$updateobject(" + c + ")"), "");
    const RECT larger_again = dark({0, 55, 150, 100});
    EXPECT_EQ(larger_again.right - larger_again.left, larger.right - larger.left);
}

TEST_F(Text, PathTextOutlinedByDefaultAndNothingInAnUnknownFace) {
    run("$gp_text(canvas,HHHH,20,20,0,0,font-size:40,mempos:1)");
    const std::vector<int> box = map_rect();
    paint();
    const RECT drawn = dark({0, 0, 400, 150});
    ASSERT_FALSE(empty(drawn));
    // Within the measured path bounds; a one-pixel pen may reach half a
    // pixel past them, which the rectangle does not count.
    EXPECT_TRUE(drawn.left >= box[0] - 1 && drawn.right <= box[2] + 1 && drawn.top >= box[1] - 1 &&
                drawn.bottom <= box[3] + 1);
    EXPECT_GT(drawn.right - drawn.left, 100);  // 40 points, not 11
    // Above the cross bars each H shows two stems: outlined, each stem is
    // two edges; filled, one solid run.
    const int row = drawn.top + (drawn.bottom - drawn.top) / 4;
    const auto runs = [&] {
        int count = 0;
        for (int x = 0; x < 400; ++x)
            count += pixel(x, row) != white && (x == 0 || pixel(x - 1, row) == white);
        return count;
    };
    EXPECT_GE(runs(), 12);
    clear_buffer();
    run("$gp_text(canvas,HHHH,20,20,0,0,font-size:40,brush:255-255-0-0,dmode:mem)");
    EXPECT_FALSE(empty(ink({0, 0, 400, 150}, [](COLORREF c) { return c == red; })));
    EXPECT_TRUE(empty(dark({0, 0, 400, 150})));
    EXPECT_EQ(runs(), 8);
    // In a face that is not there, nothing.
    clear_buffer();
    run("$gp_text(canvas,HHHH,20,20,0,0,font-name:No Such Face Here,brush:255-0-0-0,dmode:mem)");
    EXPECT_TRUE(empty(dark({0, 0, 300, 100})));
}

}  // namespace
}  // namespace drawing_test
