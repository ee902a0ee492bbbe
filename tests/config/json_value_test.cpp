// The JSON reader skin profiles are read with: what texts read as, where
// each value starts, and the position and words of every refusal.
#include "corvina500/config/json_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace cor {
namespace {

using namespace std::string_view_literals;

// A compact picture of a value: integers as i<n>, other numbers as
// d<shortest round-trip>, members in stored order.
std::string dump(const json_value& v) {
    switch (v.type()) {
        case json_type::null:
            return "null";
        case json_type::boolean:
            return v.as_bool() ? "true" : "false";
        case json_type::number: {
            if (v.is_integer()) return "i" + std::to_string(v.as_integer());
            char buf[32];
            std::snprintf(buf, sizeof buf, "d%.17g", v.as_number());
            return buf;
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

// "windows.1.id": members through find(), elements by index.
const json_value* at(const json_value& root, std::string_view path) {
    const json_value* v = &root;
    while (v && !path.empty()) {
        const size_t dot = path.find('.');
        const std::string_view step = path.substr(0, dot);
        path = dot == std::string_view::npos ? std::string_view{} : path.substr(dot + 1);
        if (v->is_array()) {
            const size_t i = std::stoul(std::string(step));
            v = i < v->as_array().size() ? &v->as_array()[i] : nullptr;
        } else {
            v = v->find(step);
        }
    }
    return v;
}

struct t_position {
    std::string_view path;
    size_t line, column;
};

TEST(JsonValue, ValidTextsReadAsWrittenAndKeepTheirPositions) {
    struct t_case {
        std::string_view text, expected;
        std::vector<t_position> positions;
    };
    const t_case cases[] = {
        {"{\n  \"name\": \"Night\",\n  \"windows\": [\n    {\"id\": \"main\", \"x\": -10},\n"
         "    {\"id\": \"eq\", \"docked\": true, \"skin\": null}\n  ],\n  \"scale\": 1.5\n}\n",
         R"({"name":"Night","windows":[{"id":"main","x":i-10},{"id":"eq","docked":true,"skin":null}],"scale":d1.5})",
         {{"", 1, 1},
          {"name", 2, 11},
          {"windows", 3, 14},
          {"windows.0", 4, 5},
          {"windows.0.x", 4, 25},
          {"windows.1.skin", 5, 42},
          {"scale", 7, 12}}},
        // Members stay in file order; the later of two equal keys is found.
        {R"({"z":1,"a":false,"z":"again"})",
         R"({"z":i1,"a":false,"z":"again"})",
         {{"z", 1, 22}, {"a", 1, 12}}},
        // "\r\n" ends one line; tabs and spaces take a column each.
        {"\r\n\t [ 1,\r\n  [],{} ]\r\n", "[i1,[],{}]", {{"", 2, 3}, {"1", 3, 3}, {"2", 3, 6}}},
        // Columns count characters, and a byte order mark takes none.
        {"\xEF\xBB\xBF[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\", 7]",
         "[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\",i7]",
         {{"", 1, 1}, {"1", 1, 9}}},
        // Escapes, surrogate pairs included, become UTF-8.
        {R"(["\"\\\/\b\f\n\r\t", "\u0041\u00e9\u20AC\uD83D\uDE00\ud834\udd1e", "a\u0000b"])",
         "[\"\"\\/\b\f\n\r\t\",\"A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF0\x9D\x84\x9E\",\"a\0b\"]"sv,
         {{"2", 1, 68}}},
        {" \"\" ", "\"\"", {{"", 1, 2}}},
        {"true", "true", {{"", 1, 1}}},
    };
    for (const t_case& c : cases) {
        t_json_error error;
        const std::optional<json_value> v = parse_json(c.text, error);
        ASSERT_TRUE(v) << c.text << "\n"
                       << error.line << ":" << error.column << " " << error.message;
        EXPECT_EQ(dump(*v), c.expected) << c.text;
        for (const t_position& p : c.positions) {
            const json_value* found = at(*v, p.path);
            ASSERT_NE(found, nullptr) << p.path;
            EXPECT_EQ(found->line(), p.line) << c.text << " at " << p.path;
            EXPECT_EQ(found->column(), p.column) << c.text << " at " << p.path;
        }
    }
}

TEST(JsonValue, InvalidTextsAreRefusedAtTheFault) {
    struct t_case {
        std::string_view text;
        size_t line, column;
        std::string_view message;
    };
    const t_case cases[] = {
        {"", 1, 1, "unexpected end of text"},
        {"\xEF\xBB\xBF  \n  ", 2, 3, "unexpected end of text"},
        {"[1,2", 1, 5, "unexpected end of text"},
        {"{\"a\":1 \"b\":2}", 1, 8, "expected ',' or '}' after a member"},
        {"[1 2]", 1, 4, "expected ',' or ']' after an element"},
        {"[,1]", 1, 2, "expected a value"},
        {"{\"\xC3\xA9\": 1,\r\n \"b\" 2}", 2, 6, "expected ':' after a member name"},
        {"{a:1}", 1, 2, "expected a member name in double quotes"},
        {"[1,\n 2,\n]", 2, 3, "trailing comma"},
        {"{\"a\":1,}", 1, 7, "trailing comma"},
        {"['a']", 1, 2, "strings need double quotes"},
        {"[1] // note", 1, 5, "comments are not allowed"},
        {"{/* none */}", 1, 2, "comments are not allowed"},
        {"1 2", 1, 3, "text after the value"},
        {"[1]\xEF\xBB\xBF", 1, 4, "text after the value"},
        {"[True]", 1, 2, "unknown word 'True'"},
        {"nul", 1, 1, "unknown word 'nul'"},
        {"[NaN]", 1, 2, "unknown word 'NaN'"},
        // Strings.
        {"[\"abc", 1, 2, "unterminated string"},
        {"[\"abc\n\"]", 1, 2, "unterminated string"},
        {"\"abc\\", 1, 1, "unterminated string"},
        {"\"\xC3\xA9\\q\"", 1, 3, "invalid escape \\q"},
        {"\"tab\there\"", 1, 5, "unescaped control character in a string"},
        {"\"a\0b\""sv, 1, 3, "unescaped control character in a string"},
        {"\"\\u12G4\"", 1, 2, "expected four hex digits after \\u"},
        {"\"\\uD800\"", 1, 2, "lone surrogate \\uD800"},
        {"\"x\\uDE00\"", 1, 3, "lone surrogate \\uDE00"},
        {"\"\\ud83d\\u0041\"", 1, 2, "lone surrogate \\ud83d"},
        // Broken UTF-8: cut short, an encoded surrogate, overlong, past
        // U+10FFFF, a stray byte outside any string, UTF-16.
        {"\"\xC3\xA9\xC3\"", 1, 3, "invalid UTF-8"},
        {"\"\xED\xA0\x80\"", 1, 2, "invalid UTF-8"},
        {"\"\xC0\xAF\"", 1, 2, "invalid UTF-8"},
        {"\"\xF4\x90\x80\x80\"", 1, 2, "invalid UTF-8"},
        {"[\xE2\x82\xAC, \x80]", 1, 2, "expected a value"},
        {"[1, \x80]", 1, 5, "invalid UTF-8"},
        {"\xFF\xFE[\0]\0"sv, 1, 1, "the text is UTF-16; save it as UTF-8"},
        // Numbers.
        {"01", 1, 1, "numbers cannot start with 0"},
        {"[-012]", 1, 2, "numbers cannot start with 0"},
        {"[-]", 1, 3, "expected a digit after '-'"},
        {"1.", 1, 3, "unexpected end of text"},
        {"[1.e5]", 1, 4, "expected a digit after '.'"},
        {"[1e]", 1, 4, "expected a digit in the exponent"},
        {"1e+", 1, 4, "unexpected end of text"},
        {"+1", 1, 1, "numbers cannot start with '+'"},
        {".5", 1, 1, "numbers need a digit before '.'"},
        {"[0, 1e400]", 1, 5, "number out of range"},
        {"-1e99999999999999999999", 1, 1, "number out of range"},
        {"0.000000000000001e325", 1, 1, "number out of range"},
    };
    for (const t_case& c : cases) {
        t_json_error error;
        EXPECT_FALSE(parse_json(c.text, error)) << c.text;
        EXPECT_EQ(error.message, c.message) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_EQ(error.column, c.column) << c.text;
    }
}

TEST(JsonValue, NumbersKeepTheirIntegerValueWhenWrittenAsOne) {
    struct t_case {
        std::string_view text;
        bool integer;
        int64_t int_value;
        double value;
    };
    const t_case cases[] = {
        {"0", true, 0, 0.0},
        {"-0", true, 0, -0.0},
        {"9223372036854775807", true, INT64_MAX, 9223372036854775807.0},
        {"-9223372036854775808", true, INT64_MIN, -9223372036854775808.0},
        {"9223372036854775808", false, 0, 9223372036854775808.0},
        {"2.0", false, 0, 2.0},
        {"1E2", false, 0, 100.0},
        {"-1.25e-2", false, 0, -0.0125},
        {"0.1", false, 0, 0.1},
        {"1e-400", false, 0, 0.0},
        {"-1e-400", false, 0, -0.0},
        {"1.7976931348623157e308", false, 0, 1.7976931348623157e308},
        {"123456789012345678901234567890", false, 0, 1.2345678901234568e29},
    };
    for (const t_case& c : cases) {
        t_json_error error;
        const std::optional<json_value> v = parse_json(c.text, error);
        ASSERT_TRUE(v) << c.text << ": " << error.message;
        ASSERT_TRUE(v->is_number()) << c.text;
        EXPECT_EQ(v->is_integer(), c.integer) << c.text;
        if (c.integer) {
            EXPECT_EQ(v->as_integer(), c.int_value) << c.text;
        }
        EXPECT_EQ(v->as_number(), c.value) << c.text;
        EXPECT_EQ(std::signbit(v->as_number()), std::signbit(c.value)) << c.text;
    }
}

TEST(JsonValue, AccessorsRefuseOtherTypes) {
    t_json_error error;
    const std::optional<json_value> v = parse_json(R"({"n": 1.5, "s": "x", "a": [1]})", error);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->find("s")->as_string(), "x");
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
    t_json_error error;
    const std::string deepest = std::string(limit, '[') + std::string(limit, ']');
    const std::optional<json_value> v = parse_json(deepest, error);
    ASSERT_TRUE(v) << error.message;
    const json_value* inner = &*v;
    for (size_t i = 1; i < limit; ++i) inner = &inner->as_array().at(0);
    EXPECT_TRUE(inner->as_array().empty());

    std::string objects;
    for (size_t i = 0; i <= limit; ++i) objects += "{\"a\":";
    for (const std::string& text :
         {std::string(100000, '['), std::string(limit + 1, '[') + std::string(limit + 1, ']'),
          objects}) {
        EXPECT_FALSE(parse_json(text, error)) << text.substr(0, 8);
        EXPECT_EQ(error.message, "nesting deeper than 512 levels");
        EXPECT_EQ(error.line, 1u);
        EXPECT_EQ(error.column, text[0] == '{' ? limit * 5 + 1 : limit + 1);
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
