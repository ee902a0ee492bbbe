#include "object/grammar/values.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "script/options.h"
#include "utf8.h"

namespace vesk::grammar {
namespace {

constexpr uint64_t u32_max = std::numeric_limits<uint32_t>::max();
constexpr uint64_t i32_max = std::numeric_limits<int32_t>::max();

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_digit(char32_t c) {
    if (c >= '0' && c <= '9') return int(c - '0');
    if (c >= 'a' && c <= 'f') return int(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return int(c - 'A' + 10);
    return -1;
}

std::vector<std::string_view> split_dashes(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t dash = text.find('-', start);
        if (dash == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, dash - start));
        start = dash + 1;
    }
}

// Digits only, at most `max_digits` of them; empty reads 0 when allowed.
bool read_digits(std::string_view part, size_t max_digits, bool allow_empty, uint64_t& value) {
    if (part.size() > max_digits || (part.empty() && !allow_empty)) return false;
    value = 0;
    for (const char c : part) {
        if (!is_digit(c)) return false;
        value = value * 10 + uint64_t(c - '0');
    }
    return true;
}

std::u32string code_points(std::string_view text) {
    std::u32string out;
    size_t pos = 0;
    while (pos < text.size()) out.push_back(cor::utf8_next(text, pos));
    return out;
}

// Two characters read as hexadecimal up to the first non-digit.
int32_t hex_pair(char32_t a, char32_t b) {
    const int hi = hex_digit(a);
    if (hi < 0) return 0;
    const int lo = hex_digit(b);
    return lo < 0 ? hi : hi * 16 + lo;
}

uint8_t clamp_truncate(double v) {
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    return static_cast<uint8_t>(v);
}

struct position_name {
    const char* text;
    uint32_t code;
};

constexpr std::array<position_name, 27> position_names{{
    {"left_top", pos_left_top},
    {"left-top", pos_left_top},
    {"lefttop", pos_left_top},
    {"left", pos_left},
    {"left_bottom", pos_left_bottom},
    {"left-bottom", pos_left_bottom},
    {"leftbottom", pos_left_bottom},
    {"bottom_left", pos_left_bottom},
    {"bottom-left", pos_left_bottom},
    {"bottomleft", pos_left_bottom},
    {"top", pos_top},
    {"center", pos_center},
    {"middle", pos_center},
    {"bottom", pos_bottom},
    {"right_top", pos_right_top},
    {"right-top", pos_right_top},
    {"righttop", pos_right_top},
    {"top_right", pos_right_top},
    {"top-right", pos_right_top},
    {"topright", pos_right_top},
    {"right", pos_right},
    {"right_bottom", pos_right_bottom},
    {"right-bottom", pos_right_bottom},
    {"rightbottom", pos_right_bottom},
    {"bottom_right", pos_right_bottom},
    {"bottom-right", pos_right_bottom},
    {"bottomright", pos_right_bottom},
}};

}  // namespace

bool parse_decimal_parts(std::string_view text, size_t max_parts, std::vector<uint32_t>& out) {
    out.clear();
    const auto parts = split_dashes(text);
    if (parts.size() > max_parts) return false;
    for (const auto part : parts) {
        uint64_t v = 0;
        if (!read_digits(part, 10, true, v)) return false;
        out.push_back(static_cast<uint32_t>(std::min(v, u32_max)));
    }
    return true;
}

bool parse_colour(std::string_view text, colour& out) {
    if (text.find('-') != std::string_view::npos) {
        const auto parts = split_dashes(text);
        if (parts.size() != 3 && parts.size() != 4) return false;
        std::array<int32_t, 4> v{};
        for (size_t i = 0; i < parts.size(); ++i) {
            uint64_t n = 0;
            if (!read_digits(parts[i], 10, true, n)) return false;
            v[i] = static_cast<int32_t>(std::min(n, i32_max));
        }
        size_t i = 0;
        if (parts.size() == 4) out.alpha = static_cast<uint32_t>(v[i++]);
        out.red = v[i++];
        out.green = v[i++];
        out.blue = v[i];
        out.valid = true;
        return true;
    }
    const std::u32string cp = code_points(text);
    if (cp.size() == 6) {
        out.red = hex_pair(cp[0], cp[1]);
        out.green = hex_pair(cp[2], cp[3]);
        out.blue = hex_pair(cp[4], cp[5]);
        out.valid = true;
        return true;
    }
    if (cp.size() == 8 && cp.front() == 3 && cp.back() == 3) {
        out.blue = hex_pair(cp[1], cp[2]);
        out.green = hex_pair(cp[3], cp[4]);
        out.red = hex_pair(cp[5], cp[6]);
        out.valid = true;
        return true;
    }
    return false;
}

uint32_t gdi_colour(const colour& c, double percent) {
    const auto channel = [percent](int32_t v) -> uint32_t {
        if (percent == 100.0) return uint32_t(v) & 0xFF;
        return clamp_truncate(std::trunc(double(v) * percent / 100.0));
    };
    return channel(c.red) | channel(c.green) << 8 | channel(c.blue) << 16;
}

uint8_t scale_channel(uint32_t value, double percent) {
    if (percent == 100.0) return static_cast<uint8_t>(value & 0xFF);
    const float scaled = static_cast<float>(value) * static_cast<float>(percent) / 100.0f;
    return clamp_truncate(static_cast<double>(scaled));
}

uint32_t argb_value(const argb& c, double percent) {
    return (c.alpha & 0xFF) << 24 | uint32_t(scale_channel(c.red, percent)) << 16 |
           uint32_t(scale_channel(c.green, percent)) << 8 | scale_channel(c.blue, percent);
}

uint32_t argb_gdi(const argb& c) {
    return (c.red & 0xFF) | (c.green & 0xFF) << 8 | (c.blue & 0xFF) << 16;
}

bool parse_pen(std::string_view text, pen& out) {
    std::vector<uint32_t> v;
    if (!parse_decimal_parts(text, 5, v)) return false;
    uint32_t* fields[] = {&out.colour.alpha, &out.colour.red, &out.colour.green, &out.colour.blue,
                          &out.width};
    for (size_t i = 0; i < v.size(); ++i) *fields[i] = v[i];
    out.valid = true;
    return true;
}

bool parse_pen_style(std::string_view text, int& dash) {
    static constexpr std::array<const char*, 5> names = {"solid", "dash", "dot", "dashdot",
                                                         "dashdotdot"};
    for (size_t i = 0; i < names.size(); ++i) {
        if (cor::iequals_utf8(text, names[i])) {
            dash = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool parse_brush(std::string_view text, brush& out) {
    std::vector<uint32_t> v;
    if (!parse_decimal_parts(text, 4, v)) return false;
    uint32_t* fields[] = {&out.colour.alpha, &out.colour.red, &out.colour.green, &out.colour.blue};
    for (size_t i = 0; i < v.size(); ++i) *fields[i] = v[i];
    out.valid = true;
    return true;
}

bool parse_gradient(std::string_view text, gradient& out) {
    std::vector<uint32_t> v;
    if (!parse_decimal_parts(text, 12, v)) return false;
    int32_t* points[] = {&out.x1, &out.y1, &out.x2, &out.y2};
    uint32_t* colours[] = {&out.first.alpha,  &out.first.red,  &out.first.green,  &out.first.blue,
                           &out.second.alpha, &out.second.red, &out.second.green, &out.second.blue};
    for (size_t i = 0; i < v.size(); ++i) {
        if (i < 4)
            *points[i] = static_cast<int32_t>(std::min<uint64_t>(v[i], i32_max));
        else
            *colours[i - 4] = v[i];
    }
    out.valid = true;
    return true;
}

std::optional<uint32_t> parse_position(std::string_view text, uint32_t mask) {
    for (const auto& [name, code] : position_names)
        if (cor::iequals_utf8(text, name))
            return (code & mask) ? std::optional(code) : std::nullopt;
    return std::nullopt;
}

direction unit_direction(uint32_t code) {
    switch (code) {
        case pos_left_top:
            return {-1, -1};
        case pos_left:
            return {-1, 0};
        case pos_left_bottom:
            return {-1, 1};
        case pos_top:
            return {0, -1};
        case pos_bottom:
            return {0, 1};
        case pos_right_top:
            return {1, -1};
        case pos_right:
            return {1, 0};
        case pos_right_bottom:
            return {1, 1};
        default:
            return {0, 0};
    }
}

bool parse_shadow(std::string_view text, shadow& out) {
    // Position keywords may contain "-" themselves ("right-bottom"), so the
    // numbers are whatever follows the longest keyword that fits.
    const auto parts = split_dashes(text);
    for (size_t k = parts.size(); k >= 1; --k) {
        const size_t keyword_end =
            k == parts.size() ? text.size() : size_t(parts[k].data() - text.data()) - 1;
        const auto code = parse_position(text.substr(0, keyword_end), pos_all);
        if (!code) continue;
        const size_t numbers = parts.size() - k;
        if (numbers > 2) return false;
        shadow s = out;
        s.position = *code;
        if (numbers >= 1) {
            uint64_t depth = 0;
            if (!read_digits(parts[k], 19, false, depth) || depth < 1 || depth > 1000) return false;
            s.depth = static_cast<uint32_t>(depth);
        }
        if (numbers == 2) {
            uint64_t step = 0;
            if (!read_digits(parts[k + 1], 19, false, step) || step < 1 || step > s.depth)
                return false;
            s.step = static_cast<uint32_t>(step);
        }
        s.valid = true;
        out = s;
        return true;
    }
    return false;
}

std::vector<layer> shadow_layers(const shadow& s) {
    if (!s.valid || s.step == 0) return {layer{}};
    const uint32_t count = s.depth / s.step;
    const direction d = unit_direction(s.position);
    std::vector<layer> layers;
    layers.reserve(count);
    for (uint32_t i = 0; i + 1 < count; ++i) {
        const int distance = static_cast<int>(s.depth - s.step * i);
        layers.push_back({d.dx * distance, d.dy * distance, 100.0 / count * (i + 1)});
    }
    layers.push_back(layer{});
    return layers;
}

bool parse_glow(std::string_view text, glow& out) {
    const auto parts = split_dashes(text);
    if (parts.size() > 5) return false;
    static constexpr uint32_t limits[] = {255, 255, 255, 6, 9};
    uint32_t* fields[] = {&out.red, &out.green, &out.blue, &out.spread, &out.strength};
    for (size_t i = 0; i < parts.size(); ++i) {
        uint64_t v = 0;
        if (!read_digits(parts[i], 19, false, v) || v > limits[i]) return false;
        *fields[i] = static_cast<uint32_t>(v);
    }
    out.valid = true;
    return true;
}

uint32_t font_style(std::string_view letters) {
    uint32_t bits = 0;
    for (const char c : letters) {
        switch (c) {
            case 'b':
            case 'B':
                bits |= style_bold;
                break;
            case 'i':
            case 'I':
                bits |= style_italic;
                break;
            case 'u':
            case 'U':
                bits |= style_underline;
                break;
            case 's':
            case 'S':
                bits |= style_strikeout;
                break;
            default:
                break;
        }
    }
    return bits;
}

bool font_option(std::string_view param, font& f) {
    if (const auto v = option_value(param, "font-name")) {
        f.face = *v;
    } else if (const auto v = option_value(param, "font-size")) {
        f.size = static_cast<int32_t>(std::clamp<int64_t>(read_int(*v), INT32_MIN, INT32_MAX));
    } else if (const auto v = option_value(param, "font-style")) {
        f.style = *v;
    } else {
        return false;
    }
    f.valid = true;
    return true;
}

}  // namespace vesk::grammar
