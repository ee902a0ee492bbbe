// The editor's fonts and colours, from section "editor" of "tfeditor.ini"
// in the Host's profile folder. Every key is optional; the two numbers
// count only when above 0, and a colour (in the value grammar of object
// options, alpha ignored) that does not parse leaves its default.
//
// Pure: no platform headers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/script_lexer.h"

namespace vesk::editor {

// A foreground and background pair as platform colours (red in the low byte).
struct colour_pair {
    uint32_t fg = 0;
    uint32_t bg = 0;
    friend bool operator==(const colour_pair&, const colour_pair&) = default;
};

inline constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

struct editor_settings {
    uint32_t limit_text_size = 1048576;
    std::string font_face = "Tahoma";
    int font_size = 10;  // points
    // Indexed by `token`.
    colour_pair tokens[7] = {
        {rgb(0, 0, 0), rgb(255, 255, 255)},           // base
        {rgb(0xC0, 0x00, 0x40), rgb(255, 255, 255)},  // func
        {rgb(0x00, 0x40, 0xC0), rgb(255, 255, 255)},  // var
        {rgb(0x00, 0x80, 0x00), rgb(255, 255, 255)},  // comment
        {rgb(0x99, 0x00, 0xFF), rgb(255, 255, 255)},  // symbol
        {rgb(0x80, 0x80, 0xFF), rgb(255, 255, 255)},  // quot
        {rgb(0x99, 0x00, 0xFF), rgb(255, 255, 255)},  // pare
    };
    colour_pair selected{rgb(255, 255, 255), rgb(0x58, 0x62, 0x62)};
    colour_pair pare_check_ok{rgb(0, 0, 0), rgb(0xCC, 0xFF, 0x00)};
    colour_pair pare_check_err{rgb(0, 0, 0), rgb(0xFF, 0x66, 0xFF)};

    friend bool operator==(const editor_settings&, const editor_settings&) = default;

    [[nodiscard]] const colour_pair& of(token t) const { return tokens[static_cast<int>(t)]; }
    [[nodiscard]] const colour_pair& base() const { return of(token::base); }
};

// The settings an INI text gives (UTF-8, or UTF-16 with its byte-order
// mark); keys outside section "editor" and unknown keys are ignored.
[[nodiscard]] editor_settings parse_editor_settings(std::string_view ini);

}  // namespace vesk::editor
