// The editor's tokens, bracket pairing, per-line cache and settings file,
// without a window.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "editor/editor_settings.h"
#include "editor/script_lexer.h"
#include "support/case_table.h"

using namespace vesk::editor;

namespace {

char letter(token t) { return "bfvcsqp"[static_cast<int>(t)]; }

// One letter per character: base, func, var, comment, symbol, quot, pare.
std::string classes(const std::wstring& text) {
    std::string out;
    lex_state st;
    for (size_t i = 0; i < text.size(); ++i) out += letter(lex_char(text, i, st).colour);
    return out;
}

// The case tables hold ASCII scripts, and "-" for no position.
std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
size_t position(const std::string& field) { return field == "-" ? npos : std::stoul(field); }

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
// new text, and recolouring after an edit starts at the edited line.
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

    // Typing near the end of a warm cache tokenises only the lines after it.
    (void)cached.state_at(cached.line_count() - 1);
    const size_t before = cached.lexed_characters();
    text.insert(text.size() - 30, L"'");
    cached.set_text(text);
    (void)cached.state_at(cached.line_count() - 1);
    EXPECT_LT(cached.lexed_characters() - before, 60u);
}

TEST(EditorSettings, ReadsTheEditorSection) {
    const editor_settings defaults;
    const struct {
        const char* ini;
        void (*change)(editor_settings&);
    } cases[] = {
        {"", [](editor_settings&) {}},
        {"[editor]\nfunc_fg=00FF00\n", [](editor_settings& s) { s.tokens[1].fg = rgb(0, 255, 0); }},
        {"[Editor]\r\nFUNC_BG = 1-2-3\r\n",
         [](editor_settings& s) { s.tokens[1].bg = rgb(1, 2, 3); }},
        // Alpha is ignored; the Host's colour marker is blue, green, red.
        {"[editor]\nvar_fg=128-10-20-30\nquot_bg=\x03"
         "302010\x03\n",
         [](editor_settings& s) {
             s.tokens[2].fg = rgb(10, 20, 30);
             s.tokens[5].bg = rgb(0x10, 0x20, 0x30);
         }},
        {"[editor]\nselected_fg=FF0000\npare_check_ok_bg=0000FF\npare_check_err_fg=0-0-1\n"
         "base_bg=000000\ncomment_fg=111111\nsymbol_fg=222222\npare_fg=333333\n",
         [](editor_settings& s) {
             s.selected.fg = rgb(255, 0, 0);
             s.pare_check_ok.bg = rgb(0, 0, 255);
             s.pare_check_err.fg = rgb(0, 0, 1);
             s.tokens[0].bg = 0;
             s.tokens[3].fg = rgb(0x11, 0x11, 0x11);
             s.tokens[4].fg = rgb(0x22, 0x22, 0x22);
             s.tokens[6].fg = rgb(0x33, 0x33, 0x33);
         }},
        {"[editor]\nlimit_text_size=10\nfont_size=14\nfont_face_name=\"Courier New\"\n",
         [](editor_settings& s) {
             s.limit_text_size = 10;
             s.font_size = 14;
             s.font_face = "Courier New";
         }},
        // Malformed or zero values, other sections, comments: defaults.
        {"[editor]\nfunc_fg=12-34\nvar_fg=FF80\nlimit_text_size=0\nfont_size=abc\n"
         "quot_fg=\n;base_fg=FF0000\nnonsense\n[other]\nfunc_bg=00FF00\n",
         [](editor_settings&) {}},
        {"func_fg=00FF00\n[editor]\nfont_size=-3\nlimit_text_size=-1\n", [](editor_settings&) {}},
    };
    for (const auto& c : cases) {
        editor_settings expected = defaults;
        c.change(expected);
        EXPECT_TRUE(parse_editor_settings(c.ini) == expected) << c.ini;
    }
    // A file saved as UTF-16 with its byte-order mark.
    std::string utf16("\xFF\xFE", 2);
    for (char ch : std::string("[editor]\r\nfunc_fg=00FF00\r\n")) utf16 += std::string{ch, '\0'};
    EXPECT_EQ(parse_editor_settings(utf16).tokens[1].fg, rgb(0, 255, 0));
}
