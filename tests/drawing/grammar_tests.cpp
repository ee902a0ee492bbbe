// The value grammar as tables: every form of colours, pens, pen styles,
// brushes, gradients, shadows, glows, fonts and positions, with the
// percentage scaling, the shadow layers and the glow's pixel arithmetic.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "object/grammar/glow.h"
#include "object/grammar/image_fit.h"
#include "object/grammar/values.h"
#include "script/options.h"

namespace {

using namespace vesk::grammar;

struct colour_case {
    std::string text;
    bool ok;
    int32_t r, g, b;
    uint32_t a;
};

TEST(Colour, Forms) {
    const std::string marker = std::string("\x03") + "0080FF" + "\x03";  // $rgb(255,128,0)
    const colour_case cases[] = {
        {"FF8000", true, 255, 128, 0, 255},
        {"ff8000", true, 255, 128, 0, 255},
        {"255-128-0", true, 255, 128, 0, 255},
        {"128-255-128-0", true, 255, 128, 0, 128},
        {marker, true, 255, 128, 0, 255},
        {"0x1234", true, 0, 18, 52, 255},   // pairs "0x", "12", "34"
        {"G01GAB", true, 0, 1, 171, 255},   // a pair stops at its first non-digit
        {"--", true, 0, 0, 0, 255},         // three empty parts
        {"1-2-3-", true, 2, 3, 0, 1},       // four parts, the last empty
        {"300-0-0", true, 300, 0, 0, 255},  // not range-checked
        {"9999999999-0-0", true, INT32_MAX, 0, 0, 255},
        {"255-0", false, 0, 0, 0, 255},
        {"1-2-3-4-5", false, 0, 0, 0, 255},
        {"FF80", false, 0, 0, 0, 255},
        {"FF80000", false, 0, 0, 0, 255},
        {"", false, 0, 0, 0, 255},
        {"12345678901-0-0", false, 0, 0, 0, 255},  // eleven digits
        {"1a-0-0", false, 0, 0, 0, 255},
        {" 1-2-3", false, 0, 0, 0, 255},
        {"\x03\x03", false, 0, 0, 0, 255},  // the reset marker
        {"\x03"
         "0080FF"
         "\x04",
         false, 0, 0, 0, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("colour '" + c.text + "'");
        colour col;
        EXPECT_EQ(parse_colour(c.text, col), c.ok);
        EXPECT_EQ(col.valid, c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(col.red, c.r);
        EXPECT_EQ(col.green, c.g);
        EXPECT_EQ(col.blue, c.b);
        EXPECT_EQ(col.alpha, c.a);
    }
}

TEST(Colour, HexFormsKeepTheAlphaSetBefore) {
    colour c;
    ASSERT_TRUE(parse_colour("64-1-2-3", c));
    ASSERT_TRUE(parse_colour("0A0B0C", c));
    EXPECT_EQ(c.alpha, 64u);
    EXPECT_EQ(gdi_colour(c), 0x0C0B0Au);
}

TEST(Colour, Percentages) {
    colour c;
    ASSERT_TRUE(parse_colour("300-128-255", c));
    // At 100 % only the low 8 bits count; otherwise scaled and clamped.
    EXPECT_EQ(gdi_colour(c), 0xFF802Cu);
    EXPECT_EQ(gdi_colour(c, 50), 127u << 16 | 64u << 8 | 150u);
    EXPECT_EQ(gdi_colour(c, 25), 63u << 16 | 32u << 8 | 75u);
    EXPECT_EQ(gdi_colour(c, 0), 0u);
    ASSERT_TRUE(parse_colour("255-128-0", c));
    EXPECT_EQ(gdi_colour(c, 100.0 / 3), 42u << 8 | 85u);
    EXPECT_EQ(scale_channel(511, 100), 255);
    EXPECT_EQ(scale_channel(256, 100), 0);
    EXPECT_EQ(scale_channel(511, 50), 255);
    EXPECT_EQ(scale_channel(255, 75), 191);
    // Alpha is never scaled.
    EXPECT_EQ(argb_value(argb{128, 200, 100, 50}, 50), 0x80643219u);
    EXPECT_EQ(argb_gdi(argb{128, 200, 100, 50}), 0x3264C8u);
}

TEST(Pen, Parts) {
    struct pen_case {
        std::string text;
        bool ok;
        uint32_t a, r, g, b, w;
    };
    const pen_case cases[] = {
        {"255-0-0-255", true, 255, 0, 0, 255, 1},
        {"255-0-0-0-4", true, 255, 0, 0, 0, 4},
        {"128", true, 128, 0, 0, 0, 1},
        {"", true, 0, 0, 0, 0, 1},  // one empty part: alpha 0
        {"-1", true, 0, 1, 0, 0, 1},
        {"255-0-0-255-3-1", false, 0, 0, 0, 0, 0},
        {"255-0-0-x", false, 0, 0, 0, 0, 0},
        {"12345678901", false, 0, 0, 0, 0, 0},
        {"255 0", false, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("pen '" + c.text + "'");
        pen p;
        EXPECT_EQ(parse_pen(c.text, p), c.ok);
        EXPECT_EQ(p.valid, c.ok);
        if (!c.ok) continue;
        EXPECT_EQ((std::vector<uint32_t>{p.colour.alpha, p.colour.red, p.colour.green,
                                         p.colour.blue, p.width}),
                  (std::vector<uint32_t>{c.a, c.r, c.g, c.b, c.w}));
    }
}

TEST(Pen, Styles) {
    const std::pair<std::string, int> good[] = {{"solid", 0},   {"dash", 1},       {"dot", 2},
                                                {"dashdot", 3}, {"DashDotDot", 4}, {"DOT", 2}};
    for (const auto& [text, style] : good) {
        int dash = -1;
        EXPECT_TRUE(parse_pen_style(text, dash)) << text;
        EXPECT_EQ(dash, style) << text;
    }
    for (const char* bad : {"", "dashed", "dash-dot", "1"}) {
        int dash = 7;
        EXPECT_FALSE(parse_pen_style(bad, dash)) << bad;
        EXPECT_EQ(dash, 7);
    }
}

TEST(Brush, PartsAndDefaults) {
    brush b;
    ASSERT_TRUE(parse_brush("255-255-0-0", b));
    EXPECT_EQ(argb_value(b.colour, 100), 0xFFFF0000u);
    brush two;
    ASSERT_TRUE(parse_brush("100-7", two));
    EXPECT_EQ(argb_value(two.colour, 100), 0x64070000u);
    brush bad;
    EXPECT_FALSE(parse_brush("1-2-3-4-5", bad));
    EXPECT_FALSE(parse_brush("1-2-three", bad));
    EXPECT_FALSE(bad.valid);
}

TEST(Gradient, PartsAndDefaults) {
    gradient g;
    ASSERT_TRUE(parse_gradient("0-0-100-0-255-255-0-0-255-0-0-255", g));
    EXPECT_EQ((std::vector<int32_t>{g.x1, g.y1, g.x2, g.y2}), (std::vector<int32_t>{0, 0, 100, 0}));
    EXPECT_EQ(argb_value(g.first, 100), 0xFFFF0000u);
    EXPECT_EQ(argb_value(g.second, 100), 0xFF0000FFu);
    gradient partial;
    ASSERT_TRUE(parse_gradient("5-6-7", partial));
    EXPECT_EQ(partial.x1, 5);
    EXPECT_EQ(partial.x2, 7);
    EXPECT_EQ(partial.y2, 0);
    EXPECT_EQ(argb_value(partial.first, 100), 0xFF000000u);   // opaque black
    EXPECT_EQ(argb_value(partial.second, 100), 0xFFFFFFFFu);  // opaque white
    gradient bad;
    EXPECT_FALSE(parse_gradient("1-2-3-4-5-6-7-8-9-10-11-12-13", bad));
    EXPECT_FALSE(parse_gradient("1--x", bad));
}

TEST(Position, KeywordsAndMasks) {
    const std::pair<std::string, uint32_t> all[] = {
        {"left_top", 1},       {"left-top", 1},       {"LeftTop", 1},      {"left", 2},
        {"left_bottom", 4},    {"bottom-left", 4},    {"bottomleft", 4},   {"top", 8},
        {"center", 16},        {"MIDDLE", 16},        {"bottom", 32},      {"right_top", 64},
        {"top-right", 64},     {"topright", 64},      {"right", 128},      {"right_bottom", 256},
        {"right-bottom", 256}, {"bottom_right", 256}, {"BottomRight", 256}};
    for (const auto& [text, code] : all) EXPECT_EQ(parse_position(text, pos_all), code) << text;
    // Left-top has no spelling that begins with top.
    for (const char* bad : {"top_left", "top-left", "topleft", "centre", "", "left top"})
        EXPECT_FALSE(parse_position(bad, pos_all)) << bad;
    // A keyword outside the caller's mask is refused.
    EXPECT_EQ(parse_position("middle", pos_vertical), 16u);
    EXPECT_FALSE(parse_position("left", pos_vertical));
    EXPECT_FALSE(parse_position("top", pos_horizontal));
    EXPECT_EQ(parse_position("right", pos_horizontal), 128u);

    EXPECT_EQ(unit_direction(pos_left_top).dx, -1);
    EXPECT_EQ(unit_direction(pos_left_top).dy, -1);
    EXPECT_EQ(unit_direction(pos_right_bottom).dx, 1);
    EXPECT_EQ(unit_direction(pos_bottom).dy, 1);
    EXPECT_EQ(unit_direction(pos_center).dx, 0);
}

TEST(Shadow, GrammarAndLimits) {
    struct shadow_case {
        std::string text;
        bool ok;
        uint32_t position, depth, step;
    };
    const shadow_case cases[] = {
        {"right_bottom-4-1", true, 256, 4, 1},
        {"right-bottom-4-2", true, 256, 4, 2},
        {"left-top-3", true, 1, 3, 1},
        {"right_bottom", true, 256, 1, 1},
        {"CENTER-1000-1000", true, 16, 1000, 1000},
        {"bottom-0000000000000000005", true, 32, 5, 1},  // 19 digits
        {"top_left-4-1", false, 0, 0, 0},
        {"right_bottom-0", false, 0, 0, 0},
        {"right_bottom-1001", false, 0, 0, 0},
        {"right_bottom-4-5", false, 0, 0, 0},
        {"right_bottom-4-0", false, 0, 0, 0},
        {"right_bottom-4-1-1", false, 0, 0, 0},
        {"right_bottom--1", false, 0, 0, 0},
        {"right_bottom-4x", false, 0, 0, 0},
        {"bottom-00000000000000000005", false, 0, 0, 0},  // 20 digits
        {"", false, 0, 0, 0},
        {"4-1", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("shadow '" + c.text + "'");
        shadow s;
        EXPECT_EQ(parse_shadow(c.text, s), c.ok);
        EXPECT_EQ(s.valid, c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(s.position, c.position);
        EXPECT_EQ(s.depth, c.depth);
        EXPECT_EQ(s.step, c.step);
    }
}

std::vector<std::vector<double>> layers_of(const std::string& text) {
    shadow s;
    if (!text.empty()) {
        EXPECT_TRUE(parse_shadow(text, s)) << text;
    }
    std::vector<std::vector<double>> out;
    for (const layer& l : shadow_layers(s)) out.push_back({double(l.dx), double(l.dy), l.percent});
    return out;
}

TEST(Shadow, Layers) {
    using rows = std::vector<std::vector<double>>;
    EXPECT_EQ(layers_of(""), (rows{{0, 0, 100}}));
    EXPECT_EQ(layers_of("right_bottom-4-1"),
              (rows{{4, 4, 25}, {3, 3, 50}, {2, 2, 75}, {0, 0, 100}}));
    EXPECT_EQ(layers_of("right_bottom-4-2"), (rows{{4, 4, 50}, {0, 0, 100}}));
    EXPECT_EQ(layers_of("right_bottom-4-3"), (rows{{0, 0, 100}}));
    EXPECT_EQ(layers_of("right_bottom"), (rows{{0, 0, 100}}));
    EXPECT_EQ(layers_of("left-6-2"),
              (rows{{-6, 0, 100.0 / 3}, {-4, 0, 100.0 / 3 * 2}, {0, 0, 100}}));
    EXPECT_EQ(layers_of("center-3-1"),
              (rows{{0, 0, 100.0 / 3}, {0, 0, 100.0 / 3 * 2}, {0, 0, 100}}));
    EXPECT_EQ(layers_of("top-1000-1").size(), 1000u);
}

TEST(Glow, GrammarAndLimits) {
    struct glow_case {
        std::string text;
        bool ok;
        uint32_t r, g, b, spread, strength;
    };
    const glow_case cases[] = {
        {"255-255-0-2-5", true, 255, 255, 0, 2, 5},
        {"255", true, 255, 0, 0, 1, 1},
        {"0-0-255-6-9", true, 0, 0, 255, 6, 9},
        {"0-0-0-0-0", true, 0, 0, 0, 0, 0},
        {"255-255-0-2-10", false, 0, 0, 0, 0, 0},
        {"256", false, 0, 0, 0, 0, 0},
        {"1-2-3-7", false, 0, 0, 0, 0, 0},
        {"1-2-3-4-5-6", false, 0, 0, 0, 0, 0},
        {"1--3", false, 0, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0, 0},
        {"1-2-x", false, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("glow '" + c.text + "'");
        glow g;
        EXPECT_EQ(parse_glow(c.text, g), c.ok);
        EXPECT_EQ(g.valid, c.ok);
        if (!c.ok) continue;
        EXPECT_EQ((std::vector<uint32_t>{g.red, g.green, g.blue, g.spread, g.strength}),
                  (std::vector<uint32_t>{c.r, c.g, c.b, c.spread, c.strength}));
    }
}

TEST(Font, OptionsAndStyleLetters) {
    font f;
    f.face = "Tahoma";
    EXPECT_FALSE(font_option("font:Arial", f));
    EXPECT_FALSE(f.valid);
    EXPECT_TRUE(font_option("FONT-NAME:Liberation Sans", f));
    EXPECT_EQ(f.face, "Liberation Sans");
    EXPECT_TRUE(f.valid);
    EXPECT_TRUE(font_option("font-size:abc", f));
    EXPECT_EQ(f.size, 0);
    EXPECT_TRUE(font_option("font-size:  -14pt", f));
    EXPECT_EQ(f.size, -14);
    EXPECT_TRUE(font_option("font-style:BI", f));
    EXPECT_EQ(font_style(f.style), style_bold | style_italic);
    EXPECT_EQ(font_style("ib"), style_bold | style_italic);
    EXPECT_EQ(font_style("uSx"), style_underline | style_strikeout);
    EXPECT_EQ(font_style(""), 0u);
}

TEST(Boolean, OptionValues) {
    const std::pair<std::string, bool> cases[] = {
        {"ON", true},        {"on", true},           {"True", true},   {"1", true},    {"-1", true},
        {"2x", true},        {"off", false},         {"FALSE", false}, {"yes", false}, {"0", false},
        {"", false},         {"00000000001", false},  // the digit lies past the first ten
        {"0000000001", true}};
    for (const auto& [text, value] : cases) EXPECT_EQ(vesk::read_bool(text), value) << text;
}

TEST(DecimalParts, Limits) {
    std::vector<uint32_t> v;
    EXPECT_TRUE(parse_decimal_parts("1-2-3-4", 4, v));
    EXPECT_EQ(v, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(parse_decimal_parts("--", 4, v));
    EXPECT_EQ(v, (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_TRUE(parse_decimal_parts("9999999999", 4, v));
    EXPECT_EQ(v, (std::vector<uint32_t>{UINT32_MAX}));  // saturated
    EXPECT_FALSE(parse_decimal_parts("1-2-3-4-5", 4, v));
    EXPECT_FALSE(parse_decimal_parts("+1", 4, v));
}

TEST(GlowPixels, KeyColourTakesTheWidestGap) {
    // Red channel values 0 and 255: the gap between them, midpoint 127.
    const uint32_t black_white[] = {0x000000, 0xFFFFFF};
    EXPECT_EQ(key_colour(black_white), 0x7F7F7Fu);
    // One value 200: gap 0..200 (200 wide) beats 200..255.
    const uint32_t one[] = {0x0000C8};
    EXPECT_EQ(key_colour(one) & 0xFF, 100u);
    // Value 40: the last gap (215) is strictly wider than the first (40).
    const uint32_t low[] = {0x000028};
    EXPECT_EQ(key_colour(low) & 0xFF, 40u + 215u / 2);
    // Equal widths: the first gap wins (0..85 vs 85..170 vs 170..255).
    const uint32_t thirds[] = {0x000055, 0x0000AA};
    EXPECT_EQ(key_colour(thirds) & 0xFF, 42u);
    // Each channel separately; the key differs from every source colour.
    const uint32_t mixed[] = {0x00FF00, 0xFF0000, 0x0000FF, 0x00FFFF};
    const uint32_t key = key_colour(mixed);
    for (const uint32_t c : mixed) EXPECT_NE(key, c);
}

TEST(GlowPixels, BoxBlurMatchesTheDirectSum) {
    std::mt19937 random(7);
    const int w = 37, h = 23;
    std::vector<uint32_t> in(size_t(w) * h), out(in.size());
    for (auto& p : in) p = random() & 0xFFFFFF;
    box_blur_11(in.data(), out.data(), w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            if (x < 5 || y < 5 || x >= w - 5 || y >= h - 5) {
                ASSERT_EQ(out[i], in[i]) << x << "," << y;
                continue;
            }
            uint32_t expect = 0;
            for (int c = 0; c < 3; ++c) {
                uint32_t sum = 0;
                for (int dy = -5; dy <= 5; ++dy)
                    for (int dx = -5; dx <= 5; ++dx)
                        sum += in[size_t(y + dy) * w + (x + dx)] >> (8 * c) & 0xFF;
                expect |= (sum / 121) << (8 * c);
            }
            ASSERT_EQ(out[i], expect) << x << "," << y;
        }
    }
    // In place gives the same; too small a picture stays as it is.
    std::vector<uint32_t> same = in;
    box_blur_11(same.data(), same.data(), w, h);
    EXPECT_EQ(same, out);
    std::vector<uint32_t> tiny(10 * 40, 0x123456), tiny_out(tiny.size());
    tiny[0] = 0;
    box_blur_11(tiny.data(), tiny_out.data(), 10, 40);
    EXPECT_EQ(tiny_out, tiny);
}

// A 41 by 41 background of grey 0x808080 with one black 5 by 5 square in
// the middle drawn on the key colour.
struct glow_scene {
    static constexpr int w = 41, h = 41;
    uint32_t key;
    std::vector<uint32_t> object, canvas, result;
    explicit glow_scene(const glow& g) {
        const uint32_t sources[] = {0x000000, glow_gdi(g)};
        key = key_colour(sources);
        object.assign(size_t(w) * h, pixel_of(key));
        canvas.assign(object.size(), 0x808080);
        result.assign(object.size(), 0xDEAD);
        for (int y = 18; y < 23; ++y)
            for (int x = 18; x < 23; ++x) object[size_t(y) * w + x] = 0;
        glow_compose(object.data(), canvas.data(), w, h, g, key, result.data());
    }
    uint32_t at(int x, int y) const { return result[size_t(y) * w + x]; }
};

TEST(GlowPixels, ComposeReachAndStrength) {
    glow g;
    ASSERT_TRUE(parse_glow("255-0-0-2-9", g));
    const glow_scene red(g);
    // Near the square the background turns towards red, at most 90 %.
    const uint32_t beside = red.at(17, 20);
    EXPECT_GT(beside >> 16 & 0xFF, 0x80u);
    EXPECT_LT(beside & 0xFF, 0x80u);
    EXPECT_GE(beside & 0xFF, 0x80u / 10);
    // Far away the background is untouched (the blurred spread is the key).
    EXPECT_EQ(red.at(2, 2), 0x808080u);
    EXPECT_EQ(red.at(20, 3), 0x808080u);
    // The reach: square ± spread 2, then the blur's 5 pixels.
    EXPECT_NE(red.at(20, 18 - 2 - 5), 0x808080u);
    EXPECT_EQ(red.at(20, 18 - 2 - 6), 0x808080u);

    // Strength 0 and a white glow paint nothing.
    ASSERT_TRUE(parse_glow("255-0-0-2-0", g));
    const glow_scene none(g);
    EXPECT_EQ(none.result, none.canvas);
    ASSERT_TRUE(parse_glow("255-255-255-2-5", g));
    const glow_scene white(g);
    EXPECT_EQ(white.result, white.canvas);
}

std::vector<int32_t> parts(const box& b) { return {b.x, b.y, b.w, b.h}; }

TEST(ImagePlacement, SizesClipsAndAspect) {
    const std::optional<box> whole;
    const struct {
        uint32_t w, h;
        box dest;
        std::optional<box> clip;
        bool keep;
        box source, placed;
    } cases[] = {
        // Natural size; a clip's negative parts mean the whole picture.
        {200, 100, {5, 6, -1, -1}, whole, false, {0, 0, 200, 100}, {5, 6, 200, 100}},
        {200, 100, {0, 0, -1, -1}, box{10, 20, 50, -1}, false, {10, 20, 50, 100}, {0, 0, 50, 100}},
        {200, 100, {0, 0, -1, -1}, box{-1, -1, -1, -1}, false, {0, 0, 200, 100}, {0, 0, 200, 100}},
        // Keeping proportions: 200 by 100 in 100 by 100 goes 100 by 50 at (0, 25).
        {200, 100, {0, 0, 100, 100}, whole, true, {0, 0, 200, 100}, {0, 25, 100, 50}},
        {100, 200, {10, 10, 100, 100}, whole, true, {0, 0, 100, 200}, {35, 10, 50, 100}},
        {50, 50, {0, 0, 100, 40}, whole, true, {0, 0, 50, 50}, {30, 0, 40, 40}},
        // Scaled sizes past the 32-bit range are clamped, not wrapped: the
        // tall picture still fits the short, very wide box.
        {100, 1000, {0, 0, 2000000000, 10}, whole, true, {0, 0, 100, 1000}, {999999999, 0, 1, 10}},
        {1000,
         100,
         {2000000000, 0, 10, 2000000000},
         whole,
         true,
         {0, 0, 1000, 100},
         {2000000000, 999999999, 10, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(parts(c.dest)));
        const auto p = place_image(c.w, c.h, c.dest, c.clip, c.keep);
        EXPECT_EQ(parts(p.source), parts(c.source));
        EXPECT_EQ(parts(p.dest), parts(c.placed));
    }
}

TEST(ImagePlacement, RotateFlipCodes) {
    const std::tuple<int, std::string, int> codes[] = {
        {90, "", 1},   {180, "", 2},   {270, "", 3}, {-1, "", 0},   {45, "", 0},
        {-1, "X", 4},  {90, "x", 5},   {90, "y", 7}, {180, "y", 4}, {0, "y", 6},
        {90, "xy", 3}, {180, "XY", 0}, {1, "xy", 2}};
    for (const auto& [angle, flip, code] : codes)
        EXPECT_EQ(rotate_flip_code(angle, flip), code) << angle << " " << flip;
    EXPECT_FALSE(rotate_flip_code(90, "z"));
    EXPECT_FALSE(rotate_flip_code(-1, "yx"));
}

}  // namespace
