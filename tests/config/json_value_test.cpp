// The JSON reader skin profiles are read with: what texts read as, where
// each value starts, and the position and words of every refusal.
#include "corvina500/config/json_value.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "support/case_table.h"

namespace cor {
namespace {

using namespace std::string_view_literals;

// A compact picture of a value: integers as i<n>=d<number>, other numbers
// as d<number> (shortest round trip, so -0 shows), members in stored order.
std::string dump(const json_value& v) {
    switch (v.type()) {
        case json_type::null:
            return "null";
        case json_type::boolean:
            return v.as_bool() ? "true" : "false";
        case json_type::number: {
            char buf[32];
            const auto end = std::to_chars(buf, buf + sizeof buf, v.as_number()).ptr;
            return (v.is_integer() ? "i" + std::to_string(v.as_integer()) + "=" : "") + "d" +
                   std::string(buf, end);
        }
        case json_type::string:
            return '"' + v.as_string() + '"';
        case json_type::array: {
            std::string s = "[";
            for (const json_value& e : v.as_array()) s += (s.size() > 1 ? "," : "") + dump(e);
            return s + "]";
        }
        case json_type::object: {
            std::string s = "{";
            for (const auto& [k, e] : v.as_object())
                s += (s.size() > 1 ? "," : "") + ('"' + k + "\":") + dump(e);
            return s + "}";
        }
    }
    return "?";
}

// What a text reads as, or "line:column message" of its refusal.
std::string outcome(std::string_view text) {
    t_json_error error;
    const std::optional<json_value> v = parse_json(text, error);
    return v ? dump(*v)
             : std::to_string(error.line) + ":" + std::to_string(error.column) + " " +
                   error.message;
}

// Where each value starts, in reading order: "line:column ...".
std::string positions(const json_value& v) {
    std::string s = std::to_string(v.line()) + ":" + std::to_string(v.column());
    if (v.is_array())
        for (const json_value& e : v.as_array()) s += " " + positions(e);
    if (v.is_object())
        for (const auto& [k, e] : v.as_object()) s += " " + positions(e);
    return s;
}

TEST(JsonValue, ValidTextsReadAsWrittenAndKeepTheirPositions) {
    const std::tuple<std::string_view, std::string_view, std::string_view> cases[] = {
        {"{\n  \"name\": \"Night\",\n  \"windows\": [\n    {\"id\": \"main\", \"x\": -10},\n"
         "    {\"id\": \"eq\", \"docked\": true, \"skin\": null}\n  ],\n  \"scale\": 1.5\n}\n",
         R"({"name":"Night","windows":[{"id":"main","x":i-10=d-10},{"id":"eq","docked":true,"skin":null}],"scale":d1.5})",
         "1:1 2:11 3:14 4:5 4:12 4:25 5:5 5:12 5:28 5:42 7:12"},
        // Members stay in file order, duplicates included.
        {R"({"z":1,"a":false,"z":"again"})", R"({"z":i1=d1,"a":false,"z":"again"})",
         "1:1 1:6 1:12 1:22"},
        // "\r\n" ends one line; tabs and spaces take a column each.
        {"\r\n\t [ 1,\r\n  [],{} ]\r\n", "[i1=d1,[],{}]", "2:3 2:5 3:3 3:6"},
        // Columns count characters, and a byte order mark takes none.
        {"\xEF\xBB\xBF[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\", 7]",
         "[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\",i7=d7]", "1:1 1:2 1:9"},
        // Escapes, surrogate pairs included, become UTF-8.
        {R"(["\"\\\/\b\f\n\r\t", "\u0041\u00e9\u20AC\uD83D\uDE00\ud834\udd1e", "a\u0000b"])",
         "[\"\"\\/\b\f\n\r\t\",\"A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF0\x9D\x84\x9E\",\"a\0b\"]"sv,
         "1:1 1:2 1:22 1:68"},
        {" \"\" ", "\"\"", "1:2"},
        {"true", "true", "1:1"},
    };
    for (const auto& [text, expected, starts] : cases) {
        EXPECT_EQ(outcome(text), expected) << text;
        t_json_error error;
        const std::optional<json_value> v = parse_json(text, error);
        EXPECT_EQ(v ? positions(*v) : "refused", starts) << text;
    }
}

// Rows of data/json-texts.tsv; then texts of bytes no table shows plainly.
TEST(JsonValue, TextsReadAsWrittenOrAreRefusedAtTheFault) {
    for (const auto& row : cor_test::read_case_table("config/data/json-texts.tsv", 2))
        EXPECT_EQ(outcome(row.fields[0]), row.fields[1]) << row.where;
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"\xEF\xBB\xBF  \n  ", "2:3 unexpected end of text"},
        {"[1]\xEF\xBB\xBF", "1:4 text after the value"},
        {"\"a\0b\""sv, "1:3 unescaped control character in a string"},
        // Broken UTF-8: cut short, an encoded surrogate, overlong, past
        // U+10FFFF, a stray byte outside any string, UTF-16.
        {"\"\xC3\xA9\xC3\"", "1:3 invalid UTF-8"},
        {"\"\xED\xA0\x80\"", "1:2 invalid UTF-8"},
        {"\"\xC0\xAF\"", "1:2 invalid UTF-8"},
        {"\"\xF4\x90\x80\x80\"", "1:2 invalid UTF-8"},
        {"[\xE2\x82\xAC, \x80]", "1:2 expected a value"},
        {"[1, \x80]", "1:5 invalid UTF-8"},
        {"\xFF\xFE[\0]\0"sv, "1:1 the text is UTF-16; save it as UTF-8"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(outcome(text), expected) << text;
}

// Members are found by name, the later of two equal keys as other readers
// do; accessors refuse other types.
TEST(JsonValue, AccessorsFindMembersAndRefuseOtherTypes) {
    t_json_error error;
    const std::optional<json_value> v =
        parse_json(R"({"s": "x", "n": 1.5, "s": "y", "a": [1]})", error);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->find("s")->as_string(), "y");  // the later of two equal keys
    EXPECT_THROW((void)v->find("n")->as_integer(), std::bad_variant_access);
    EXPECT_THROW((void)v->find("s")->as_number(), std::bad_variant_access);
    EXPECT_THROW((void)v->as_array(), std::bad_variant_access);
    EXPECT_EQ(v->find("missing"), nullptr);
    EXPECT_EQ(v->find("a")->find("0"), nullptr);
    EXPECT_EQ(json_value().type(), json_type::null);
}

// Nesting is bounded whatever the text, so hostile files cannot exhaust the
// stack; the deepest allowed still reads.
TEST(JsonValue, NestingIsLimitedWithoutExhaustingTheStack) {
    const size_t limit = json_max_depth;
    const std::string deepest = std::string(limit, '[') + std::string(limit, ']');
    EXPECT_EQ(outcome(deepest), deepest);
    std::string objects;
    for (size_t i = 0; i <= limit; ++i) objects += "{\"a\":";
    for (const std::string& text :
         {std::string(100000, '['), std::string(limit + 1, '[') + std::string(limit + 1, ']'),
          objects}) {
        const size_t column = text[0] == '{' ? limit * 5 + 1 : limit + 1;
        EXPECT_EQ(outcome(text), "1:" + std::to_string(column) + " nesting deeper than 512 levels");
    }
}

// Positions on a long single line stay cheap to work out (counted on, not
// recounted), and long strings read whole.
TEST(JsonValue, LargeTextsReadWhole) {
    const size_t count = 300000;
    std::string text = "[";
    for (size_t i = 0; i < count; ++i) text += "\"\xC3\xA9\",";
    const std::string long_string(1 << 20, 'q');
    text += "\"" + long_string + "\"]";
    t_json_error error;
    const std::optional<json_value> v = parse_json(text, error);
    ASSERT_TRUE(v) << error.message;
    ASSERT_EQ(v->as_array().size(), count + 1);
    EXPECT_EQ(v->as_array().back().as_string(), long_string);
    EXPECT_EQ(v->as_array().back().column(), 2 + 4 * count);
    EXPECT_EQ(v->as_array()[count - 1].column(), 2 + 4 * (count - 1));
}

}  // namespace
}  // namespace cor
