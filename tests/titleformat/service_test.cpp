// The engine behind the plug-in interfaces.
#include <gtest/gtest.h>

#include <string>

#include "core/track_info.h"
#include "titleformat/tf_service.h"

namespace cor::tf::test {
namespace {

class string_collector : public string_sink {
public:
    std::string text;
    void write(const char* t, size_t n) override { text.append(t, n); }
};

class upper_hook : public titleformat_hook {
public:
    bool process_field(string_sink& out, const char* name, size_t length, bool& found) override {
        if (std::string(name, length) != "who") return false;
        out.write("me", 2);
        found = true;
        return true;
    }
    bool process_function(string_sink&, const char*, size_t, titleformat_params&, bool&) override {
        return false;
    }
};

// An object from somewhere else, e.g. another module.
class foreign_object : public titleformat_object {
public:
    int service_add_ref() noexcept override { return 1; }
    int service_release() noexcept override { return 1; }
    bool run(titleformat_hook*, string_sink&) override { return false; }
};

service_ptr_t<titleformat_object> compile_object(const std::string& script, bool& ok) {
    const auto compiler = make_titleformat_compiler();
    titleformat_object* raw = reinterpret_cast<titleformat_object*>(&ok);  // must be overwritten
    ok = compiler->compile(&raw, script.data(), script.size());
    return service_ptr_t<titleformat_object>::adopt(raw);
}

TEST(CompilerService, CompilesAndRunsWithAHook) {
    bool ok = false;
    const auto object = compile_object("[%who% ]$upper(x)", ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(object);
    upper_hook hook;
    string_collector out;
    EXPECT_TRUE(object->run(&hook, out));
    EXPECT_EQ(out.text, "me X");
}

TEST(CompilerService, ASyntaxErrorGivesNoObject) {
    bool ok = true;
    const auto object = compile_object("abc$", ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(object);
}

TEST(CompilerService, ASyntaxErrorIsReportedWithLineAndColumn) {
    struct report_log : titleformat_compile_report {
        void on_error(size_t offset, size_t line, size_t column, const char* message,
                      size_t length) override {
            text += std::to_string(offset) + "@" + std::to_string(line) + ":" +
                    std::to_string(column) + " " + std::string(message, length) + ";";
        }
        std::string text;
    };
    struct row {
        std::string script;
        const char* report;  // empty when the script compiles
    };
    // Columns count characters: "日本" takes six bytes and two columns.
    const row rows[] = {
        {"$upper(a)\r\n\t日本$if(1,\n2", "18@2:4 expected ) to close $if(;"},
        {"a\rb\n\nc]", "6@4:2 unexpected ] without [;"},
        {"[%a%]\n$upper(x)", ""},
    };
    const auto compiler = make_titleformat_compiler();
    for (const row& r : rows) {
        report_log log;
        titleformat_object* raw = nullptr;
        const bool ok = compiler->compile_reporting(&raw, r.script.data(), r.script.size(), log);
        const auto object = service_ptr_t<titleformat_object>::adopt(raw);
        EXPECT_EQ(ok, *r.report == 0) << r.script;
        EXPECT_EQ(ok, static_cast<bool>(object)) << r.script;
        EXPECT_EQ(log.text, r.report) << r.script;
    }
}

TEST(CompilerService, ObjectsAreReferenceCounted) {
    bool ok = false;
    const auto object = compile_object("x", ok);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->service_add_ref(), 2);
    EXPECT_EQ(object->service_release(), 1);
}

TEST(CompilerService, TracksRunObjectsAgainstWhatTheyKnow) {
    bool ok = false;
    const auto object = compile_object("%artist% - %title%", ok);
    ASSERT_TRUE(object);
    t_track_info track;
    track.add_meta("artist", "Band");
    track.path = "C:\\m\\Song.mp3";
    t_format_context ctx;
    ctx.track = &track;
    string_collector out;
    EXPECT_TRUE(run_object(object.get(), &ctx, nullptr, out));
    EXPECT_EQ(out.text, "Band - Song");
    EXPECT_NE(program_of(object.get()), nullptr);
}

TEST(CompilerService, ForeignObjectsAreRecognised) {
    foreign_object foreign;
    string_collector out;
    EXPECT_FALSE(run_object(&foreign, nullptr, nullptr, out));
    EXPECT_EQ(out.text, "");
    EXPECT_EQ(program_of(&foreign), nullptr);
    EXPECT_FALSE(run_object(nullptr, nullptr, nullptr, out));
}

}  // namespace
}  // namespace cor::tf::test
