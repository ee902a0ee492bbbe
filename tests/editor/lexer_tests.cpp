// The editor's tokens, bracket pairing, per-line cache and settings file,
// without a window.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <tuple>

#include "editor/editor_settings.h"
#include "editor/script_lexer.h"
#include "support/case_table.h"

using namespace vesk::editor;

namespace {

// One letter per character: base, func, var, comment, symbol, quot, pare.
std::string classes(const std::wstring& text) {
    std::string out;
    lex_state st;
    for (size_t i = 0; i < text.size(); ++i)
        out += "bfvcsqp"[static_cast<int>(lex_char(text, i, st).colour)];
    return out;
}

// The case tables hold ASCII scripts, and "-" for no position.
std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
size_t position(const std::string& field) { return field == "-" ? npos : std::stoul(field); }

// Every setting unlike the defaults, as "key=value" in the file's names,
// colours as RRGGBB; "-" for none.
std::string changed(const editor_settings& s) {
    const editor_settings d;
    std::string out;
    const auto add = [&](bool differs, const std::string& key, const std::string& value) {
        if (differs) out += (out.empty() ? "" : " ") + key + "=" + value;
    };
    const auto colour = [&](const std::string& name, const colour_pair& now,
                            const colour_pair& was) {
        for (const auto& [side, v, w] :
             {std::tuple{"_fg", now.fg, was.fg}, std::tuple{"_bg", now.bg, was.bg}}) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02X%02X%02X", v & 255, v >> 8 & 255, v >> 16 & 255);
            add(v != w, name + side, hex);
        }
    };
    const char* const tokens[] = {"base", "func", "var", "comment", "symbol", "quot", "pare"};
    for (int i = 0; i < 7; ++i) colour(tokens[i], s.tokens[i], d.tokens[i]);
    colour("selected", s.selected, d.selected);
    colour("pare_check_ok", s.pare_check_ok, d.pare_check_ok);
    colour("pare_check_err", s.pare_check_err, d.pare_check_err);
    add(s.limit_text_size != d.limit_text_size, "limit_text_size",
        std::to_string(s.limit_text_size));
    add(s.font_size != d.font_size, "font_size", std::to_string(s.font_size));
    add(s.font_face != d.font_face, "font_face_name", s.font_face);
    return out.empty() ? "-" : out;
}

}  // namespace

TEST(ScriptLexer, ClassifiesEachCharacter) {
    for (const auto& row : cor_test::read_case_table("editor/data/lexer-classes.tsv", 2))
        EXPECT_EQ(classes(wide(row.fields[0])), row.fields[1])
            << row.where << ": " << row.fields[0];
}

TEST(ScriptLexer, PairsTheBracketAtTheCaret) {
    for (const auto& row : cor_test::read_case_table("editor/data/lexer-brackets.tsv", 4)) {
        script_lines lines;
        lines.set_text(wide(row.fields[0]));
        const bracket_match m = lines.match_at(position(row.fields[1]));
        EXPECT_EQ(m.active, position(row.fields[2])) << row.where << ": " << row.fields[0];
        EXPECT_EQ(m.partner, position(row.fields[3])) << row.where << ": " << row.fields[0];
    }
}

// Edits anywhere leave the cached line states equal to a walk of the whole
// new text (how little is walked again is bench/editor_bench.cpp's).
TEST(ScriptLexer, CachedLinesFollowEdits) {
    std::wstring text;
    const wchar_t* const samples[] = {L"$if(%a%,'x',y)", L"// note (", L"[%b%", L"')'",
                                      L"$c(1,2)]",       L"plain"};
    for (int i = 0; i < 400; ++i) text += std::wstring(samples[i % 6]) + L"\r";
    script_lines cached;
    cached.set_text(text);
    std::mt19937 random(7);
    const wchar_t inserts[] = L"'%$()[],/\r x";
    for (int round = 0; round < 60; ++round) {
        const size_t at = random() % (text.size() + 1);
        if (round % 3 == 2 && at < text.size())
            text.erase(at, 1 + random() % 20);
        else
            text.insert(at, 1, inserts[random() % (sizeof inserts / sizeof *inserts - 1)]);
        cached.set_text(text);
        script_lines fresh;
        fresh.set_text(text);
        ASSERT_EQ(cached.line_count(), fresh.line_count());
        for (size_t line : {size_t{0}, fresh.line_count() / 2, fresh.line_count() - 1,
                            static_cast<size_t>(random() % fresh.line_count())})
            ASSERT_TRUE(cached.state_at(line) == fresh.state_at(line)) << round << " " << line;
        const size_t caret = random() % (text.size() + 1);
        const bracket_match a = cached.match_at(caret), b = fresh.match_at(caret);
        ASSERT_EQ(a.active, b.active);
        ASSERT_EQ(a.partner, b.partner);
    }
}

TEST(EditorSettings, ReadsTheEditorSection) {
    for (const auto& row : cor_test::read_case_table("editor/data/editor-settings.tsv", 2))
        EXPECT_EQ(changed(parse_editor_settings(row.fields[0])), row.fields[1])
            << row.where << ": " << row.fields[0];
    // The Host's colour marker (blue, green, red), and a file saved as UTF-16
    // with its byte-order mark.
    EXPECT_EQ(changed(parse_editor_settings("[editor]\nquot_bg=\003302010\003\n")),
              "quot_bg=102030");
    std::string utf16("\xFF\xFE", 2);
    for (char ch : std::string("[editor]\r\nfunc_fg=00FF00\r\n")) utf16 += std::string{ch, '\0'};
    EXPECT_EQ(parse_editor_settings(utf16).tokens[1].fg, rgb(0, 255, 0));
}
