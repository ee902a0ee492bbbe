// The custom scripts' syntax and the preparation of stored scripts.
#include <gtest/gtest.h>

#include "host/settings.h"
#include "script/preprocessor.h"
#include "script/user_functions.h"
#include "support/component_host.h"

namespace {

using vesk::ordered_map;
using vesk::parse_custom_scripts;
using vesk::prepare_script;

class Preprocessor : public ::testing::Test {
protected:
    void TearDown() override {
        vesk::set_user_functions({});
        ASSERT_TRUE(vesk::compile_custom_scripts("", false));
    }
};

TEST_F(Preprocessor, DefaultTextDefinesOneMacroAndTwoFunctions) {
    // Nothing loaded: the setting holds its default text.
    const std::string default_custom_scripts = vesk::cfg_custom_scripts.get();
    ordered_map defines, functions;
    ASSERT_TRUE(parse_custom_scripts(default_custom_scripts, &defines, &functions));
    ASSERT_EQ(defines.size(), 1u);
    EXPECT_EQ(*defines.find("str"), "corvina500");
    ASSERT_EQ(functions.size(), 2u);
    // White space after the name is skipped, the rest of the body kept as written.
    EXPECT_EQ(*functions.find("example"), "$gp_text(%_id%,#str#,%_param1%,%_param2%)\n\n");
    EXPECT_EQ(functions.begin()->first, "example");

    ASSERT_TRUE(vesk::compile_custom_scripts(default_custom_scripts, false));
    EXPECT_EQ(*vesk::find_user_function("example"),
              "$gp_text(%_id%,corvina500,%_param1%,%_param2%)\n\n");
    EXPECT_EQ(prepare_script("#str#|'#str#'|#nope#", false), "corvina500|'#str#'|#nope#");
}

TEST_F(Preprocessor, SyntaxErrors) {
    const char* bad[] = {
        "#DEFINE a b #end",          // keywords are case-sensitive
        "#definea b #end",           // glued to the name
        "#define a b #endx",         // #end followed by a letter
        "#define a b #end//c",       // #end followed by a comment
        "#define a b",               // open at the end
        "#function f\n$add(1,2)\n",  // open at the end
        "text outside",              // text outside blocks
        "#end",                      // #end outside a block
        "#define a$b c #end",        // bad name
        "#define\ta",                // name at the very end
        "#define  #end",             // no name
    };
    for (const char* text : bad) EXPECT_FALSE(parse_custom_scripts(text, nullptr, nullptr)) << text;
}

TEST_F(Preprocessor, AcceptedForms) {
    ordered_map d, f;
    ASSERT_TRUE(parse_custom_scripts(
        "  // lead\n#define\ta x y #end //c\n#function g\n#define inside #end", &d, &f));
    EXPECT_EQ(*d.find("a"), "x y");
    EXPECT_EQ(*f.find("g"), "#define inside ");
    EXPECT_TRUE(parse_custom_scripts("", &d, &f));
    EXPECT_TRUE(parse_custom_scripts("#define a 1 #end", nullptr, nullptr));
}

TEST_F(Preprocessor, CommentsInsideBlocksAreDroppedWithTheirLineBreak) {
    ordered_map d, f;
    ASSERT_TRUE(parse_custom_scripts("#function f\nA// note 'x'\nB\n#end", &d, &f));
    EXPECT_EQ(*f.find("f"), "AB\n");
}

TEST_F(Preprocessor, RedefinitionKeepsTheFirstPosition) {
    ordered_map d, f;
    ASSERT_TRUE(parse_custom_scripts("#define a 1 #end #define b 2 #end #define a 3 #end", &d, &f));
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d.begin()->first, "a");
    EXPECT_EQ(d.begin()->second, "3");
}

TEST_F(Preprocessor, ADefineMayUseLaterDefinesOnly) {
    ordered_map d{{"first", "[#second#]"}, {"second", "2"}, {"third", "<#first#>"}};
    EXPECT_EQ(prepare_script("#first#|#third#", false, d), "[2]|<#first#>");
}

TEST_F(Preprocessor, TrimModeKeepsQuotedBlanks) {
    const ordered_map none;
    EXPECT_EQ(prepare_script("$add( 1,\r\n\t2 )' a  b '", true, none), "$add(1,2)' a  b '");
    EXPECT_EQ(prepare_script("$add( 1, 2 )", false, none), "$add( 1, 2 )");
}

TEST_F(Preprocessor, CommentsAtLineEndsInBothModes) {
    const ordered_map none;
    EXPECT_EQ(prepare_script("a // one\r\nb '//not' // two\nc", false, none), "a b '//not' c");
    EXPECT_EQ(prepare_script("a // one\r\nb '//not' // two\nc", true, none), "ab'//not'c");
    EXPECT_EQ(prepare_script("x//tail", false, none), "x");
}

TEST_F(Preprocessor, MacroValueWithACommentStartsOne) {
    const ordered_map d{{"m", "1//2"}};
    EXPECT_EQ(prepare_script("#m#\nrest", false, d), "1rest");
}

TEST_F(Preprocessor, FailedCompileKeepsTheLastGoodTables) {
    cor_test::component_host host;
    ASSERT_TRUE(vesk::compile_custom_scripts("#define who world #end #function hi\nhello #who##end",
                                             false));
    EXPECT_EQ(host.eval("$HI()"), "hello world");
    EXPECT_FALSE(vesk::compile_custom_scripts("#function hi\nbroken", false));
    EXPECT_EQ(host.eval("$hi()|#who#"), "hello world|world");
    EXPECT_EQ(prepare_script("#who#", false), "world");
}

TEST_F(Preprocessor, CapitalisedFunctionNamesCannotBeCalled) {
    cor_test::component_host host;
    ASSERT_TRUE(
        vesk::compile_custom_scripts("#function Shout\nA#end #function quiet\nb#end", false));
    EXPECT_EQ(host.eval("$Shout()"), "[UNKNOWN FUNCTION]");
    EXPECT_EQ(host.eval("$QUIET()"), "b");
}

}  // namespace
