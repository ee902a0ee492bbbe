// The value grammar: the edges of colours, pens, brushes, gradients,
// shadows, glows and positions (data/grammar.tsv), fonts, the percentage
// scaling, the shadow layers, the glow's blur on small pictures and the
// placing of images. The plain forms are painted by the other drawing suites.
#include <gtest/gtest.h>

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

// Too small a picture for the 11 by 11 box stays as it is: its sums would
// read outside it. (The glow itself is checked painted.)
TEST(GlowPixels, BoxBlurLeavesTooSmallAPicture) {
    std::vector<uint32_t> tiny(10 * 40, 0x123456), tiny_out(tiny.size());
    tiny[0] = 0;
    box_blur(tiny.data(), tiny_out.data(), 10, 40);
    EXPECT_EQ(tiny_out, tiny);
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
