// The appearance values that object functions take as option text (colours,
// pens, brushes, gradients, shadows, glows, fonts, position keywords) and
// the arithmetic they imply (colours at a percentage, shadow layers).
//
// Pure: no platform headers. A parser returns false on text outside its
// grammar; the record may then be partly filled (parts are stored as they
// are read) and its valid flag stays as it was. Callers print their own
// message and drop the object.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::grammar {

// A colour as written: components are not range-checked and wrap to their
// low 8 bits when drawn at 100 %.
struct colour {
    bool valid = false;
    int32_t red = 0, green = 0, blue = 0;
    uint32_t alpha = 255;
};

// Decimal "R-G-B" or "A-R-G-B", hexadecimal "RRGGBB", or the Host's colour
// marker (control character 3, "BBGGRR", control character 3).
[[nodiscard]] bool parse_colour(std::string_view text, colour& out);

// Red in the low byte, then green, then blue (the platform's COLORREF).
[[nodiscard]] uint32_t gdi_colour(const colour& c, double percent = 100.0);

// One channel of a pen, brush or gradient at a percentage: at 100 the low
// 8 bits, otherwise scaled as a 32-bit float, clamped, truncated.
[[nodiscard]] uint8_t scale_channel(uint32_t value, double percent);

// ARGB parts shared by pens, brushes and gradient ends.
struct argb {
    uint32_t alpha = 255, red = 0, green = 0, blue = 0;
};
// The 0xAARRGGBB value (alpha never scaled).
[[nodiscard]] uint32_t argb_value(const argb& c, double percent);
// The COLORREF at 100 % (for glow key colours).
[[nodiscard]] uint32_t argb_gdi(const argb& c);

enum dash_style : int { dash_solid = 0, dash_dash, dash_dot, dash_dashdot, dash_dashdotdot };

struct pen {
    argb colour;
    uint32_t width = 1;
    int dash = dash_solid;
    bool valid = false;
};
// "A-R-G-B-W", 1 to 5 decimal parts.
[[nodiscard]] bool parse_pen(std::string_view text, pen& out);
// "solid", "dash", "dot", "dashdot", "dashdotdot".
[[nodiscard]] bool parse_pen_style(std::string_view text, int& dash);

struct brush {
    argb colour;
    bool valid = false;
};
// "A-R-G-B", 1 to 4 decimal parts.
[[nodiscard]] bool parse_brush(std::string_view text, brush& out);

// Two points in window client coordinates and the colours at them.
struct gradient {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    argb first{255, 0, 0, 0};
    argb second{255, 255, 255, 255};
    bool valid = false;
};
// "x1-y1-x2-y2-a1-r1-g1-b1-a2-r2-g2-b2", 1 to 12 decimal parts.
[[nodiscard]] bool parse_gradient(std::string_view text, gradient& out);

// Position codes: the nine points of a rectangle.
enum position_code : uint32_t {
    pos_left_top = 1,
    pos_left = 2,
    pos_left_bottom = 4,
    pos_top = 8,
    pos_center = 16,
    pos_bottom = 32,
    pos_right_top = 64,
    pos_right = 128,
    pos_right_bottom = 256
};
inline constexpr uint32_t pos_all = 511;
inline constexpr uint32_t pos_vertical = pos_top | pos_center | pos_bottom;
inline constexpr uint32_t pos_horizontal = pos_left | pos_center | pos_right;

// The code of a keyword, when it is one of `mask`.
[[nodiscard]] std::optional<uint32_t> parse_position(std::string_view text, uint32_t mask);

struct direction {
    int dx = 0, dy = 0;
};
// The unit step of a code ((0, 0) for the centre and for non-codes).
[[nodiscard]] direction unit_direction(uint32_t code);

struct shadow {
    bool valid = false;
    uint32_t depth = 1, step = 1;
    uint32_t position = pos_center;
};
// "position", "position-depth" or "position-depth-step".
[[nodiscard]] bool parse_shadow(std::string_view text, shadow& out);

// One copy of a shape: its offset and the percentage of its colours.
struct layer {
    int dx = 0, dy = 0;
    double percent = 100.0;
};
// Farthest first; the last layer is the shape itself. One plain layer
// without a valid shadow.
[[nodiscard]] std::vector<layer> shadow_layers(const shadow& s);

struct glow {
    bool valid = false;
    uint32_t red = 0, green = 0, blue = 0;
    uint32_t spread = 1, strength = 1;
};
// "R-G-B-spread-strength", 1 to 5 parts.
[[nodiscard]] bool parse_glow(std::string_view text, glow& out);
[[nodiscard]] inline uint32_t glow_gdi(const glow& g) {
    return (g.red & 0xFF) | (g.green & 0xFF) << 8 | (g.blue & 0xFF) << 16;
}

// Style letters read from "font-style:".
enum font_style_bits : uint32_t {
    style_bold = 1,
    style_italic = 2,
    style_underline = 4,
    style_strikeout = 8
};
[[nodiscard]] uint32_t font_style(std::string_view letters);

struct font {
    bool valid = false;
    std::string face;  // empty: the system's default GUI face
    std::string style;
    int32_t size = 11;  // points
};

// Reads "font-name:", "font-size:" and "font-style:"; false for any other
// parameter. The three never fail.
[[nodiscard]] bool font_option(std::string_view param, font& f);

// Decimal parts separated by single "-": each 0 to 10 digits (empty reads
// 0), at most `max_parts`. Values beyond 32 bits saturate.
[[nodiscard]] bool parse_decimal_parts(std::string_view text, size_t max_parts,
                                       std::vector<uint32_t>& out);

}  // namespace vesk::grammar
