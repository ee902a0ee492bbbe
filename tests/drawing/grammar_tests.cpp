// The value grammar: the edges of colours, pens, brushes, gradients,
// shadows, glows and positions (data/grammar.tsv), fonts, the percentage
// scaling, the shadow layers and the glow's pixel arithmetic. The plain
// forms are painted by the other drawing suites.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "object/grammar/glow.h"
#include "object/grammar/image_fit.h"
#include "object/grammar/values.h"
#include "support/case_table.h"

namespace {

using namespace vesk::grammar;

template <class... T>
std::string join(const T&... v) {
    std::string out;
    ((out += (out.empty() ? "" : " ") + std::to_string(v)), ...);
    return out;
}

// What the parser of `kind` made of `text`: the fields `show` picks, or
// "refused"; a valid flag that disagrees with the answer shows as such.
template <class T, class Show>
std::string read_value(bool (*parse)(std::string_view, T&), const std::string& text, Show show) {
    T value;
    const bool ok = parse(text, value);
    return ok != value.valid ? "valid flag differs" : ok ? show(value) : "refused";
}

std::string read_as(const std::string& kind, const std::string& text) {
    if (kind == "colour")
        return read_value(parse_colour, text,
                          [](const colour& c) { return join(c.red, c.green, c.blue, c.alpha); });
    if (kind == "pen")
        return read_value(parse_pen, text, [](const pen& p) {
            return join(p.colour.alpha, p.colour.red, p.colour.green, p.colour.blue, p.width);
        });
    if (kind == "brush")
        return read_value(parse_brush, text,
                          [](const brush& b) { return join(argb_value(b.colour, 100)); });
    if (kind == "gradient")
        return read_value(parse_gradient, text, [](const gradient& g) {
            return join(g.x1, g.y1, g.x2, g.y2, argb_value(g.first, 100),
                        argb_value(g.second, 100));
        });
    if (kind == "shadow")
        return read_value(parse_shadow, text,
                          [](const shadow& s) { return join(s.position, s.depth, s.step); });
    if (kind == "glow")
        return read_value(parse_glow, text, [](const glow& g) {
            return join(g.red, g.green, g.blue, g.spread, g.strength);
        });
    if (kind == "rotate-flip") {
        const size_t space = text.find(' ');
        const auto code =
            rotate_flip_code(std::stoi(text.substr(0, space)),
                             space == std::string::npos ? "" : text.substr(space + 1));
        return code ? std::to_string(*code) : "refused";
    }
    const uint32_t mask = kind == "position"     ? pos_all
                          : kind == "vertical"   ? pos_vertical
                          : kind == "horizontal" ? pos_horizontal
                                                 : 0;
    if (!mask) return "unknown kind";
    const auto code = parse_position(text, mask);
    return code ? std::to_string(*code) : "refused";
}

// The values of data/grammar.tsv as each parser reads them.
TEST(Grammar, ValueTable) {
    for (const auto& row : cor_test::read_case_table("drawing/data/grammar.tsv", 3))
        EXPECT_EQ(read_as(row.fields[0], row.fields[1]), row.fields[2])
            << row.where << ": " << row.fields[0] << " '" << row.fields[1] << "'";
}

TEST(Grammar, ColourScaling) {
    // A $rgb() marker reads as the colour it names, and only when closed.
    const std::string marker = std::string("\x03") + "0080FF" + "\x03";  // $rgb(255,128,0)
    EXPECT_EQ(read_as("colour", marker), "255 128 0 255");
    EXPECT_EQ(read_as("colour", marker.substr(0, 7) + "\x04"), "refused");

    // Hexadecimal forms keep the alpha set before.
    colour c;
    ASSERT_TRUE(parse_colour("64-1-2-3", c));
    ASSERT_TRUE(parse_colour("0A0B0C", c));
    EXPECT_EQ(c.alpha, 64u);
    EXPECT_EQ(gdi_colour(c), 0x0C0B0Au);

    // At 100 % only the low 8 bits count; otherwise scaled, truncated and clamped.
    ASSERT_TRUE(parse_colour("300-128-255", c));
    EXPECT_EQ(gdi_colour(c), 0xFF802Cu);
    EXPECT_EQ(gdi_colour(c, 50), 127u << 16 | 64u << 8 | 150u);
    ASSERT_TRUE(parse_colour("255-128-0", c));
    EXPECT_EQ(gdi_colour(c, 100.0 / 3), 42u << 8 | 85u);
    EXPECT_EQ(scale_channel(511, 100), 255);
    EXPECT_EQ(scale_channel(511, 50), 255);
    EXPECT_EQ(scale_channel(255, 75), 191);
    // Alpha is never scaled.
    EXPECT_EQ(argb_value(argb{128, 200, 100, 50}, 50), 0x80643219u);
    EXPECT_EQ(argb_gdi(argb{128, 200, 100, 50}), 0x3264C8u);
}

TEST(Grammar, ShadowLayers) {
    const auto layers = [](const std::string& text) {
        shadow s;
        if (!text.empty()) {
            EXPECT_TRUE(parse_shadow(text, s)) << text;
        }
        std::vector<std::tuple<int, int, double>> out;
        for (const layer& l : shadow_layers(s)) out.emplace_back(l.dx, l.dy, l.percent);
        return out;
    };
    using rows = std::vector<std::tuple<int, int, double>>;
    EXPECT_EQ(layers(""), (rows{{0, 0, 100}}));
    EXPECT_EQ(layers("right_bottom-4-1"), (rows{{4, 4, 25}, {3, 3, 50}, {2, 2, 75}, {0, 0, 100}}));
    EXPECT_EQ(layers("right_bottom-4-2"), (rows{{4, 4, 50}, {0, 0, 100}}));
    EXPECT_EQ(layers("right_bottom-4-3"), (rows{{0, 0, 100}}));
    EXPECT_EQ(layers("left-6-2"), (rows{{-6, 0, 100.0 / 3}, {-4, 0, 100.0 / 3 * 2}, {0, 0, 100}}));
    EXPECT_EQ(layers("center-3-1"), (rows{{0, 0, 100.0 / 3}, {0, 0, 100.0 / 3 * 2}, {0, 0, 100}}));
    EXPECT_EQ(layers("top-1000-1").size(), 1000u);
}

TEST(Grammar, FontOptions) {
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
    EXPECT_EQ(font_style("uSx"), style_underline | style_strikeout);
}

TEST(GlowPixels, KeyColourTakesTheWidestGap) {
    // Red channel values 0 and 255: the gap between them, midpoint 127.
    const uint32_t black_white[] = {0x000000, 0xFFFFFF};
    EXPECT_EQ(key_colour(black_white), 0x7F7F7Fu);
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
    // Too small a picture stays as it is.
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
    const int32_t far = 2000000000;
    const struct {
        uint32_t w, h;
        box dest;
        std::optional<box> clip;
        bool keep;
        box source, placed;
    } cases[] = {
        // A clip's negative parts mean the whole picture.
        {200, 100, {0, 0, -1, -1}, box{10, 20, 50, -1}, false, {10, 20, 50, 100}, {0, 0, 50, 100}},
        {200, 100, {0, 0, -1, -1}, box{-1, -1, -1, -1}, false, {0, 0, 200, 100}, {0, 0, 200, 100}},
        // Keeping proportions: fitted and centred.
        {100, 200, {10, 10, 100, 100}, whole, true, {0, 0, 100, 200}, {35, 10, 50, 100}},
        {50, 50, {0, 0, 100, 40}, whole, true, {0, 0, 50, 50}, {30, 0, 40, 40}},
        // Scaled sizes past the 32-bit range are clamped, not wrapped: the
        // tall picture still fits the short, very wide box.
        {100, 1000, {0, 0, far, 10}, whole, true, {0, 0, 100, 1000}, {999999999, 0, 1, 10}},
        {1000, 100, {far, 0, 10, far}, whole, true, {0, 0, 1000, 100}, {far, 999999999, 10, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(parts(c.dest)));
        const auto p = place_image(c.w, c.h, c.dest, c.clip, c.keep);
        EXPECT_EQ(parts(p.source), parts(c.source));
        EXPECT_EQ(parts(p.dest), parts(c.placed));
    }
}

}  // namespace
