// The GDI+ shapes painted into a window's back buffer: outlines, fills,
// alpha, pen widths and dashes, gradients, shadow layers, the glow, the
// draw modes and the messages of bad values.
#include "drawing/drawing_fixture.h"
#include "object/types/shape_objects.h"
#include "script/error_report.h"

namespace drawing_test {
namespace {

using Shapes = Drawing;

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

TEST_F(Shapes, GradientPointsAreWindowCoordinates) {
    const std::string grad = "grad:0-0-100-0-255-255-0-0-255-0-0-255";
    run("$gp_rect(canvas,0,0,100,40," + grad + ")");
    run("$gp_rect(canvas,100,50,100,40," + grad + ")");
    paint();
    // Red at the left, blue at the right; the second rectangle continues the
    // pattern, tiled from x = 100.
    EXPECT_TRUE(close_to(pixel(3, 20), 255, 0, 0, 14)) << colours("3,20");
    EXPECT_TRUE(close_to(pixel(96, 20), 0, 0, 255, 14)) << colours("96,20");
    EXPECT_TRUE(close_to(pixel(103, 70), 255, 0, 0, 14)) << colours("103,70");
}

TEST_F(Shapes, ShadowLayersOffsetsAndPercentages) {
    // Depth 12, step 4: copies 12 and 8 pixels away at a third and two
    // thirds of the colour, then the shape itself.
    run("$gp_rect(canvas,50,50,40,40,brush:255-210-90-30,shadow:right_bottom-12-4)");
    paint();
    EXPECT_TRUE(close_to(pixel(70, 70), 210, 90, 30));
    EXPECT_TRUE(close_to(pixel(95, 95), 140, 60, 20, 1));  // layer 8 away
    EXPECT_TRUE(close_to(pixel(99, 99), 70, 30, 10, 1));   // layer 12 away only
    EXPECT_EQ(colours("99,55 104,104"), "white white");
}

TEST_F(Shapes, RectangleReportsPenShadowAndGlowAndPointsMove) {
    auto mp = [&](const std::string& options) {
        run("$gp_rect(canvas,10,10,100,50," + options + "mempos:1,calconly:1)");
        return std::vector<int>{ctx.map_left, ctx.map_top, ctx.map_right - 1, ctx.map_bottom - 1};
    };
    EXPECT_EQ(mp(""), (std::vector<int>{10, 10, 110, 60}));
    EXPECT_EQ(mp("pen:255-0-0-0-4,"), (std::vector<int>{8, 8, 112, 62}));
    EXPECT_EQ(mp("pen:255-0-0-0-4,shadow:right_bottom-6-2,"), (std::vector<int>{8, 8, 118, 68}));
    EXPECT_EQ(mp("shadow:left_top-6-2,"), (std::vector<int>{4, 4, 110, 60}));
    EXPECT_EQ(mp("shadow:right_bottom-12-12,"), (std::vector<int>{10, 10, 110, 60}));  // one layer
    EXPECT_EQ(mp("glow:255,"), (std::vector<int>{-1, -1, 121, 71}));
    // Lines and polygons report the bounds of their points.
    run("$gp_line(canvas,50,40,10,20,mempos:1,calconly:1)");
    EXPECT_EQ(map_rect(), (std::vector<int>{10, 20, 51, 41}));
    run("$gp_polygon(canvas,3,30,5,60,40,5,30,mempos:1,calconly:1)");
    EXPECT_EQ(map_rect(), (std::vector<int>{5, 5, 61, 41}));
    EXPECT_EQ(manager.object_count(), 0u);

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

}  // namespace
}  // namespace drawing_test
