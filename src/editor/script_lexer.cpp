#include "editor/script_lexer.h"

#include <algorithm>

namespace vesk::editor {

namespace {

int pair_of(wchar_t c, bool& opening) noexcept {
    switch (c) {
        case L'(':
            opening = true;
            return 0;
        case L')':
            opening = false;
            return 0;
        case L'[':
            opening = true;
            return 1;
        case L']':
            opening = false;
            return 1;
        default:
            return -1;
    }
}

}  // namespace

lexeme lex_char(std::wstring_view text, size_t pos, lex_state& st) noexcept {
    const wchar_t c = text[pos];
    lexeme out;
    if (st.mode == lex_mode::comment) {
        out.colour = token::comment;
        if (c == L'\r') {
            st.mode = lex_mode::normal;
            st.colour = token::base;
        }
        return out;
    }
    if (c == L'\'') {
        st.mode = st.mode == lex_mode::quote ? lex_mode::normal : lex_mode::quote;
        st.colour = token::quot;
        out.colour = token::quot;
        return out;
    }
    if (st.mode == lex_mode::quote) {
        out.colour = token::quot;
        return out;
    }
    bool opening = false;
    if (const int pair = pair_of(c, opening); pair >= 0) {
        st.mode = lex_mode::normal;
        st.colour = token::pare;
        out.pair = static_cast<int8_t>(pair);
        out.opening = opening;
        out.depth_before = st.depth[pair];
        if (opening)
            ++st.depth[pair];
        else if (st.depth[pair] > 0)
            --st.depth[pair];
    } else if (c == L',') {
        st.mode = lex_mode::normal;
        st.colour = token::symbol;
    } else if (c == L'$') {
        st.mode = lex_mode::function;
        st.colour = token::func;
    } else if (c == L'%') {
        st.mode = st.mode == lex_mode::variable ? lex_mode::normal : lex_mode::variable;
        st.colour = token::var;
    } else if (c == L'/' && pos + 1 < text.size() && text[pos + 1] == L'/') {
        st.mode = lex_mode::comment;
        st.colour = token::comment;
    } else if (st.mode == lex_mode::normal) {
        st.colour = token::base;
    }
    out.colour = st.colour;
    return out;
}

void script_lines::set_text(std::wstring text) {
    const auto [old_it, new_it] =
        std::mismatch(text_.begin(), text_.end(), text.begin(), text.end());
    const size_t first_change = static_cast<size_t>(new_it - text.begin());
    if (old_it == text_.end() && new_it == text.end()) return;
    text_ = std::move(text);
    // Lines starting at or before the change keep their start and state.
    const size_t line = line_of(first_change);
    starts_.resize(line + 1);
    states_.resize(std::min(states_.size(), line + 1));
    for (size_t i = starts_.back(); i < text_.size(); ++i)
        if (text_[i] == L'\r') starts_.push_back(i + 1);
}

size_t script_lines::line_end(size_t line) const noexcept {
    return line + 1 < starts_.size() ? starts_[line + 1] - 1 : text_.size();
}

size_t script_lines::line_of(size_t pos) const noexcept {
    return static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), pos) -
                               starts_.begin()) -
           1;
}

lex_state script_lines::state_at(size_t line) {
    line = std::min(line, starts_.size() - 1);
    while (states_.size() <= line) {
        const size_t k = states_.size() - 1;
        lex_state st = states_[k];
        for (size_t i = starts_[k]; i < starts_[k + 1]; ++i) lex_char(text_, i, st);
        lexed_ += starts_[k + 1] - starts_[k];
        states_.push_back(st);
    }
    return states_[line];
}

bracket_match script_lines::match_at(size_t caret) {
    bracket_match none;
    if (caret > text_.size()) return none;
    // The lexemes of the characters before and after the caret.
    lexeme around[2];
    size_t where[2] = {caret - 1, caret};
    lex_state after_state[2];
    for (int k = 0; k < 2; ++k) {
        if ((k == 0 && caret == 0) || where[k] >= text_.size()) continue;
        const size_t line = line_of(where[k]);
        lex_state st = state_at(line);
        for (size_t i = starts_[line]; i < where[k]; ++i) lex_char(text_, i, st);
        around[k] = lex_char(text_, where[k], st);
        after_state[k] = st;
    }
    for (int pair = 0; pair < pair_count; ++pair) {
        for (int k = 0; k < 2; ++k) {
            const lexeme& b = around[k];
            if (b.pair != pair) continue;
            bracket_match m{where[k], npos};
            if (b.opening) {
                lex_state st = after_state[k];
                for (size_t i = where[k] + 1; i < text_.size(); ++i) {
                    const lexeme x = lex_char(text_, i, st);
                    if (x.pair == pair && !x.opening && x.depth_before == b.depth_before + 1) {
                        m.partner = i;
                        break;
                    }
                }
            } else if (b.depth_before > 0) {
                m.partner = opening_partner(where[k], pair, b.depth_before - 1);
            }
            return m;
        }
    }
    return none;
}

size_t script_lines::opening_partner(size_t close_pos, int pair, uint32_t depth) {
    for (size_t line = line_of(close_pos) + 1; line-- > 0;) {
        lex_state st = state_at(line);
        size_t found = npos;
        const size_t end = std::min(line_end(line), close_pos);
        for (size_t i = starts_[line]; i < end; ++i) {
            const lexeme x = lex_char(text_, i, st);
            if (x.pair == pair && x.opening && x.depth_before == depth) found = i;
        }
        if (found != npos) return found;
    }
    return npos;
}

}  // namespace vesk::editor
