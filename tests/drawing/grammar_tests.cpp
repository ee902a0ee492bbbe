// The value grammar: the edges of colours, pens, brushes, gradients,
// shadows, glows, positions, the shadow layers and the placing of images
// (data/grammar.tsv), fonts, the percentage scaling and the glow's blur on
// small pictures. The plain forms are painted by the other drawing suites.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
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
    if (kind == "layers") {  // each "dx dy percent", farthest first
        shadow s;
        if (!text.empty() && !parse_shadow(text, s)) return "refused";
        std::string out;
        for (const layer& l : shadow_layers(s)) {
            char one[64];
            std::snprintf(one, sizeof one, "%s%d %d %.6g", out.empty() ? "" : " / ", l.dx, l.dy,
                          l.percent);
            out += one;
        }
        return out;
    }
    if (kind == "place") {  // "w h, dest x y w h, clip x y w h or -, keep" to "source / dest"
        std::istringstream in(text);
        uint32_t w = 0, h = 0;
        box dest, clip;
        std::string first_of_clip;
        int keep = 0;
        in >> w >> h >> dest.x >> dest.y >> dest.w >> dest.h >> first_of_clip;
        const bool clipped = first_of_clip != "-";
        if (clipped) {
            clip.x = std::stoi(first_of_clip);
            in >> clip.y >> clip.w >> clip.h;
        }
        in >> keep;
        const auto p = place_image(w, h, dest, clipped ? std::optional{clip} : std::nullopt, keep);
        return join(p.source.x, p.source.y, p.source.w, p.source.h) + " / " +
               join(p.dest.x, p.dest.y, p.dest.w, p.dest.h);
    }
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
    shadow deepest;  // a layer for each of its thousand pixels
    ASSERT_TRUE(parse_shadow("top-1000-1", deepest));
    EXPECT_EQ(shadow_layers(deepest).size(), 1000u);
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

}  // namespace
