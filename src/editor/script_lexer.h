// The colouring editor's view of a script: each UTF-16 character gets a
// token class from a small state machine (normal, function, variable,
// quote, comment) with one depth counter per bracket pair. Lines end at a
// carriage return.
//
// The state at the start of a line depends only on the text before it, so
// `script_lines` keeps it per line, computed on demand and dropped from the
// first changed line onward: a paint tokenises only the lines it draws
// (plus, once, the lines before them), and the result is the same as
// walking the whole text each time.
//
// Pure: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::editor {

// Also the index of a colour pair in the editor's settings.
enum class token : uint8_t { base, func, var, comment, symbol, quot, pare };

enum class lex_mode : uint8_t { normal, function, variable, quote, comment };

// "(" with ")", then "[" with "]".
inline constexpr int pair_count = 2;

struct lex_state {
    lex_mode mode = lex_mode::normal;
    token colour = token::base;
    uint32_t depth[pair_count] = {0, 0};

    friend bool operator==(const lex_state&, const lex_state&) = default;
};

// What one character was.
struct lexeme {
    token colour = token::base;
    int8_t pair = -1;           // bracket pair, -1 when not a bracket
    bool opening = false;       // for brackets
    uint32_t depth_before = 0;  // the pair's counter before this bracket
};

// Advances `st` over `text[pos]` (the character after it decides "//").
lexeme lex_char(std::wstring_view text, size_t pos, lex_state& st) noexcept;

inline constexpr size_t npos = static_cast<size_t>(-1);

// The bracket next to a caret and its partner.
struct bracket_match {
    size_t active = npos;   // npos: no bracket next to the caret
    size_t partner = npos;  // npos: unpaired
};

class script_lines {
public:
    // Takes the new text; cached states stay valid up to the first
    // character that differs from the previous text.
    void set_text(std::wstring text);
    [[nodiscard]] const std::wstring& text() const noexcept { return text_; }

    [[nodiscard]] size_t line_count() const noexcept { return starts_.size(); }
    [[nodiscard]] size_t line_start(size_t line) const noexcept { return starts_[line]; }
    // Up to the line's carriage return, or the end of the text.
    [[nodiscard]] size_t line_end(size_t line) const noexcept;
    [[nodiscard]] size_t line_of(size_t pos) const noexcept;

    // The state before the line's first character.
    [[nodiscard]] lex_state state_at(size_t line);

    // The active bracket at `caret` (the one before it first, "(" pairs
    // before "[" pairs) and its partner.
    [[nodiscard]] bracket_match match_at(size_t caret);

    // Characters tokenised to fill the cache since the text was first set.
    [[nodiscard]] size_t lexed_characters() const noexcept { return lexed_; }

private:
    [[nodiscard]] size_t opening_partner(size_t close_pos, int pair, uint32_t depth);

    std::wstring text_;
    std::vector<size_t> starts_{0};
    std::vector<lex_state> states_{lex_state{}};  // valid for lines [0, size)
    size_t lexed_ = 0;
};

}  // namespace vesk::editor
