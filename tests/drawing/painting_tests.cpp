// What scripts paint into a window's back buffer. The GDI+ shapes:
// outlines, fills, alpha, pen widths and dashes, gradients, shadow layers,
// the glow, the draw modes and the messages of bad values. GDI text ($text,
// $drawtext) and path text ($gp_text): colours, backgrounds, fonts,
// alignment, clipping, the glow, measurement and properties.
#include "drawing/drawing_fixture.h"
#include "object/types/gp_text_object.h"
#include "object/types/shape_objects.h"
#include "object/types/text_objects.h"

namespace drawing_test {
namespace {

using Shapes = Drawing;
using Text = Drawing;

bool reddish(COLORREF c) {
    const rgb v = split(c);
    return v.r > 150 && v.g < 100 && v.b < 100;
}
bool close_to(COLORREF c, int r, int g, int b, int tolerance = 3) {
    const rgb v = split(c);
    return std::abs(v.r - r) <= tolerance && std::abs(v.g - g) <= tolerance &&
           std::abs(v.b - b) <= tolerance;
}

TEST_F(Shapes, RectangleOutlineFillAndAlpha) {
    // No options: a one-pixel black outline, nothing filled.
    ASSERT_EQ(run("$gp_rect(canvas,10,10,50,30)").size(), 36u);
    // A brush alone fills without an outline; a pen adds one.
    run("$gp_rect(canvas,100,10,50,30,brush:255-255-0-0)");
    run("$gp_rect(canvas,200,10,50,30,brush:255-255-0-0,pen:255-0-0-0)");
    // Half-transparent fill over white.
    run("$gp_rect(canvas,300,10,50,30,brush:128-0-0-255)");
    paint();
    EXPECT_EQ(pixel(35, 25), white);
    EXPECT_EQ(dark({5, 24, 20, 26}).left, 10);   // the left edge
    EXPECT_EQ(dark({5, 24, 70, 26}).right, 61);  // the right edge, inclusive width
    EXPECT_EQ(pixel(125, 25), red);
    EXPECT_TRUE(empty(dark({95, 5, 155, 45})));
    EXPECT_EQ(pixel(225, 25), red);
    EXPECT_FALSE(empty(dark({195, 5, 205, 45})));
    EXPECT_TRUE(close_to(pixel(325, 25), 127, 127, 255, 2));
    EXPECT_TRUE(lines().empty());
}

TEST_F(Shapes, PenWidthsAndDashStyles) {
    run("$gp_line(canvas,10,20,200,20,pen:255-0-0-255-6)");
    const char* styles[] = {"solid", "dash", "DOT"};
    for (int i = 0; i < 3; ++i)
        run("$gp_line(canvas,10," + std::to_string(60 + 20 * i) + ",390," +
            std::to_string(60 + 20 * i) + ",pen:255-0-0-0-2,pen-style:" + styles[i] + ")");
    paint();
    // Six pixels wide around y = 20.
    const RECT thick = ink({100, 5, 101, 40}, [](COLORREF c) { return c == blue; });
    EXPECT_EQ(thick.bottom - thick.top, 6);
    // Runs of ink along each line: solid is one, dots make more than dashes.
    std::vector<int> runs;
    for (int y = 60; y <= 100; y += 20) {
        runs.push_back(0);
        for (int x = 30; x < 370; ++x)
            runs.back() += pixel(x, y) == black && (x == 30 || pixel(x - 1, y) != black);
    }
    EXPECT_EQ(runs[0], 1);
    EXPECT_GT(runs[1], 5);
    EXPECT_GT(runs[2], runs[1]);
}

TEST_F(Shapes, GradientPointsAreWindowCoordinatesAndShadowLayersFade) {
    const std::string grad = "grad:0-0-100-0-255-255-0-0-255-0-0-255";
    run("$gp_rect(canvas,0,0,100,40," + grad + ")");
    run("$gp_rect(canvas,100,50,100,40," + grad + ")");
    // Depth 12, step 4: copies 12 and 8 pixels away at a third and two
    // thirds of the colour, then the shape itself.
    run("$gp_rect(canvas,50,50,40,40,brush:255-210-90-30,shadow:right_bottom-12-4)");
    paint();
    // Red at the left, blue at the right; the second rectangle continues the
    // pattern, tiled from x = 100.
    EXPECT_TRUE(close_to(pixel(3, 20), 255, 0, 0, 14)) << colours("3,20");
    EXPECT_TRUE(close_to(pixel(96, 20), 0, 0, 255, 14)) << colours("96,20");
    EXPECT_TRUE(close_to(pixel(103, 70), 255, 0, 0, 14)) << colours("103,70");
    EXPECT_TRUE(close_to(pixel(70, 70), 210, 90, 30));
    EXPECT_TRUE(close_to(pixel(95, 95), 140, 60, 20, 1));  // layer 8 away
    EXPECT_TRUE(close_to(pixel(99, 99), 70, 30, 10, 1));   // layer 12 away only
    EXPECT_EQ(colours("99,55 104,104"), "white white");
}

// The rectangles shapes and texts report (data/bounds.tsv) and the
// properties of texts (data/text_properties.tsv); the points of figures.
TEST_F(Shapes, BoundsPropertiesAndPoints) {
    expect_table("drawing/data/bounds.tsv", vesk::err_low,
                 {{"mp", "%_mp_left% %_mp_top% %_mp_right% %_mp_bottom%"}});
    EXPECT_EQ(manager.object_count(), 0u);
    const std::string d = run("$base(100,50)$drawtext(canvas,x,10,10,200,40)$base(0,0)");
    expect_table("drawing/data/text_properties.tsv", vesk::err_low,
                 {{"d", d},
                  {"t", run("$text(canvas,first,5,6)")},
                  {"g", run("$gp_text(canvas,path,7,8,90,30)")},
                  {"r", run("$gp_rect(canvas,1,1,5,5)")}});

    // Points take the base point when made; moving keeps the figure's shape.
    const std::string line = run("$gp_line(canvas,50,40,10,20)");
    const std::string poly = run("$gp_polygon(canvas,3,30,5,60,40,5,30)");
    run("$moveobject(" + line + ",100,200)$moveobject(" + poly + ",0,0)$base(100,50)");
    const auto* b = object<vesk::object::gp_polygon_object>(run("$gp_polygon(canvas,2,1,2,-3,4)"));
    const auto* l = object<vesk::object::gp_line_object>(line);
    const auto* p = object<vesk::object::gp_polygon_object>(poly);
    ASSERT_TRUE(b && l && p);
    const auto points = [](const vesk::object::gp_point_shape* o) {
        std::vector<LONG> all;
        for (const POINT& pt : o->points) all.insert(all.end(), {pt.x, pt.y});
        return all;
    };
    EXPECT_EQ(points(b), (std::vector<LONG>{101, 52, 100, 54}));
    EXPECT_EQ(points(l), (std::vector<LONG>{140, 220, 100, 200}));
    EXPECT_EQ(points(p), (std::vector<LONG>{25, 0, 55, 35, 0, 25}));
}

// Crisp inside, red-tinted around, untouched beyond the reach (spread 3 and
// the blur's 5 pixels); strength 0, or a white glow, paints nothing.
TEST_F(Shapes, GlowSurroundsTheCrispShape) {
    run("$gp_rect(canvas,100,100,40,40,brush:255-0-0-255,glow:255-0-0-3-9)");
    run("$gp_rect(canvas,250,100,40,40,brush:255-0-0-255,glow:255-0-0-3-0)");
    run("$gp_rect(canvas,320,100,40,40,brush:255-0-0-255,glow:255-255-255-3-9)");
    paint();
    EXPECT_EQ(colours("120,120 247,120 317,120"), "blue white white");
    const rgb close = split(pixel(97, 120));
    EXPECT_EQ(close.r, 255);
    EXPECT_LT(close.g, 200);
    const RECT tinted = ink({60, 60, 180, 180}, [](COLORREF c) { return c != white; });
    EXPECT_TRUE(tinted.left >= 100 - 3 - 5 && tinted.left <= 100 - 3) << tinted.left;
    EXPECT_TRUE(tinted.right > 140 + 3 && tinted.right <= 140 + 3 + 5 + 1) << tinted.right;
}

TEST_F(Shapes, FiguresOfTheFamily) {
    run("$gp_circle(canvas,10,10,60,60,brush:255-255-0-0)");
    run("$gp_roundrect(canvas,100,10,60,60,15,15,brush:255-255-0-0)");
    // -90 reads 0: a quarter from 0 to 90 degrees, the lower right.
    run("$gp_pie(canvas,200,10,60,60,-90,90,brush:255-255-0-0)");
    run("$gp_arc(canvas,300,10,60,60,0,180,pen:255-0-0-0-3)");
    run("$gp_polygon(canvas,3,10,100,70,100,40,160,brush:255-255-0-0)");
    paint();
    // 101,11 lies in a rounded corner.
    EXPECT_EQ(colours("40,40 13,13 130,40 101,11 157,67 158,40 245,55 215,55 245,25"),
              "red white red white white red red white white");
    EXPECT_FALSE(empty(dark({300, 40, 360, 72})));  // lower half of the ellipse
    EXPECT_TRUE(empty(dark({300, 5, 360, 38})));
    EXPECT_EQ(colours("40,120 15,150"), "red white");
}

// The bad values and calls of shapes and texts in data/bad_values.tsv leave
// no object; huge pens, sizes, fonts and the deepest shadow are accepted and
// painted (or refused by the platform) without a crash or a hang.
TEST_F(Shapes, BadValuesGiveTheirMessagesAndExtremeOnesPaintWithoutHarm) {
    expect_table("drawing/data/bad_values.tsv", vesk::err_low);
    EXPECT_EQ(manager.object_count(), 0u);
    run("$gp_rect(canvas,10,10,50,50,pen:255-0-0-0-9999999999)");
    run("$gp_rect(canvas,10,10,4000000000,4000000000,brush:255-0-0-255)");
    run("$gp_circle(canvas,10,10,0,0,brush:255-0-0-255)");
    run("$gp_roundrect(canvas,10,10,20,20,500,500,brush:255-0-0-255)");
    run("$gp_rect(canvas,10,10,50,50,brush:255-0-0-255,shadow:right_bottom-1000-1,glow:255)");
    run("$gp_text(canvas,W,10,10,0,0,font-size:100000,brush:255-0-0-0)");
    run("$text(canvas,W,10,10,font-size:-100000)");
    run("$drawtext(canvas,W,10,10,2000000000,2000000000,valign:bottom)");
    run("$gp_rect(canvas,0,0,4000000000,4000000000,glow:255)");
    EXPECT_EQ(manager.object_count(), 9u);
    paint();
    EXPECT_TRUE(lines().empty());
}

TEST_F(Shapes, ChurnReturnsEveryHandle) {
    // The fixture checks handles and objects when the test ends.
    for (int i = 0; i < 20; ++i) {
        run("$gp_rect(canvas,10,10,40,40,brush:255-0-0-255,glow:255-0-0-2-5,"
            "shadow:right_bottom-4-1)");
        run("$gp_line(canvas,10,10,80,40,grad:0-0-80-0-255-0-0-0-255-255-0-0,glow:0-0-255)");
        run("$gp_polygon(canvas,3,10,10,50,10,30,50,pen:255-0-0-0-3,pen-style:dot)");
    }
    paint();
    paint();
    run("$clearobject(canvas)");
    EXPECT_EQ(manager.object_count(), 0u);
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
