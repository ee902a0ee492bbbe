// The reference texts: the reading rules the palette applies to them, and
// the shipped texts themselves, checked against the functions and fields
// the component really answers so that they cannot fall behind the code.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "config/reference_text.h"
#include "registry/window_fields.h"
#include "script/fields.h"
#include "script/function_table.h"
#include "support/case_table.h"
#include "support/test_folder.h"
#include "ui/player_events.h"

namespace {

using vesk::parse_reference_text;

// "[group]{body}<item>{body}" in parse order, problems counted at the end.
std::string outline(const vesk::t_reference_text& t) {
    std::string out;
    for (const auto& g : t.groups) {
        out += "[" + g.label + "]";
        for (const auto& b : g.body) out += "{" + b + "}";
        for (const auto& i : g.items) {
            out += "<" + i.label + ">";
            for (const auto& b : i.body) out += "{" + b + "}";
        }
    }
    if (!t.problems.empty()) out += " !" + std::to_string(t.problems.size());
    return out;
}

// Rows of data/reference-rules.tsv, and an entry as the palette shows it.
TEST(ReferenceText, ReadingRules) {
    const cor_test::t_case_names vars{{"a998", std::string(998, 'a')},
                                      {"a999", std::string(999, 'a')}};
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("script/data/reference-rules.tsv", 4))
        EXPECT_EQ(outline(parse_reference_text(cor_test::case_field(row, 0, vars), row.fields[1][0],
                                               row.fields[2] == "1")),
                  cor_test::case_field(row, 3, vars))
            << row.where;
    // What the palette shows for a group or an item.
    EXPECT_EQ(vesk::reference_entry_text("$f(x)", {"one", "", "two"}),
              "$f(x)\r\n\r\none\r\n\r\ntwo\r\n");
    EXPECT_EQ(vesk::reference_entry_text("-Start", {}), "-Start\r\n\r\n");
}

// ---- The shipped texts ----------------------------------------------------

std::filesystem::path exe_folder() {
    wchar_t buf[MAX_PATH];
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return std::filesystem::path(buf).parent_path();
}

std::string source_text(const char* file) {
    const char* data = std::getenv("COR_TEST_DATA");
    return cor_test::read_bytes(std::string(data && *data ? data : ".") + "/../reference/" + file);
}

// Item names of a shipped text, lower case; a name documented twice fails.
std::set<std::string> documented(const char* file, char sigil) {
    std::set<std::string> names;
    for (const auto& g : parse_reference_text(source_text(file), sigil).groups)
        for (const auto& i : g.items) {
            std::string name = vesk::reference_item_name(i.label);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            EXPECT_TRUE(names.insert(name).second) << file << ": " << name << " twice";
        }
    return names;
}

TEST(ReferenceText, ShippedTextsReadCleanlyAndLieBesideTheComponent) {
    const struct {
        const char* file;
        char sigil;
        bool drop_sigil;
    } shipped[] = {{"cor_ui_vesk_functions.txt", '$', false},
                   {"cor_ui_vesk_variables.txt", '%', false},
                   {"cor_ui_vesk_readme.txt", '-', true}};
    for (const auto& s : shipped) {
        SCOPED_TRACE(s.file);
        const std::string text = source_text(s.file);
        ASSERT_GT(text.size(), 1000u);
        // Read in the system code page: plain ASCII reads the same in all.
        const auto odd = std::find_if(text.begin(), text.end(), [](unsigned char c) {
            return c != '\t' && c != '\n' && c != '\r' && (c < 0x20 || c > 0x7E);
        });
        EXPECT_EQ(odd, text.end()) << "at byte " << (odd - text.begin());
        const auto parsed = parse_reference_text(text, s.sigil, s.drop_sigil);
        EXPECT_EQ(parsed.problems, std::vector<std::string>{});
        // The build's copy, beside the component (and these tests).
        EXPECT_EQ(cor_test::read_bytes(exe_folder() / s.file), text) << "copy in " << exe_folder();
    }
}

TEST(ReferenceText, TextsCoverTheFunctionsAndFields) {
    const std::set<std::string> docs = documented("cor_ui_vesk_functions.txt", '$');
    std::set<std::string> table;
    for (const auto name : vesk::function_names()) table.emplace(name);
    for (const auto& name : table) EXPECT_TRUE(docs.count(name)) << "$" << name << " undocumented";
    for (const auto& name : docs)
        EXPECT_TRUE(table.count(name)) << "$" << name << " documented but not a function";
    // Every field, wherever it is answered, is in the variables text.
    const std::set<std::string> fields = documented("cor_ui_vesk_variables.txt", '%');
    std::set<std::string> known;
    for (const auto name : vesk::window_field_names()) known.emplace(name);
    for (const auto name : vesk::player_field_names()) known.emplace(name);
    for (const auto name : vesk::engine_field_names()) known.emplace(name);
    for (const auto& name : vesk::player_event_variable_names()) known.insert(name);
    ASSERT_GT(known.size(), 50u);
    for (const auto& name : known)
        EXPECT_TRUE(fields.count(name)) << "%" << name << "% undocumented";
}

}  // namespace
