// Ending the run while a script holds a popup menu or a message box open:
// the exit timer closes that loop first and then shuts down as usual, On
// Quit and saving included.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>

#include <string>

#include "e2e/process.h"
#include "e2e/store_writer.h"
#include "e2e/wav_file.h"

namespace {

constexpr const char* on_init = "0D7C1407-260E-4AAD-8C18-886498173576";
constexpr const char* on_quit = "1BE4168D-F21A-4CD5-89EB-B6D17680569B";
constexpr const char* on_timer = "AF3C335F-F7F6-46F0-822B-1BC1B5C26890";

struct t_open_loop {
    const char* name;
    const char* on_timer;
};

// Each timer tick opens another, inside the one already open.
constexpr t_open_loop open_loops[] = {
    {"popup menu", "$popupmenu_create(m)$popupmenu_additem(m,item,x)$popupmenu_view(m)"},
    {"message box", "$msgbox(waiting,box,0)"},
    {"message box with yes and no", "$msgbox(waiting,box,4)"},
    {"box over a menu",
     "$if($hash(menu),$msgbox(waiting,box,0),$hash(menu,1)"
     "$popupmenu_create(m)$popupmenu_additem(m,item,x)$popupmenu_view(m))"},
};

class OpenLoopAtExit : public ::testing::TestWithParam<t_open_loop> {
protected:
    void write_profile(const std::string& init, const std::string& timer) {
        cor_test::store_writer store;
        store.text(on_init, init);
        store.text(on_timer, timer);
        store.text(on_quit, "$console(quit ran)");
        stored = store.bytes();
        ASSERT_TRUE(cor_test::write_file(profile + L"\\corvina500.cfgstore", stored));
    }
    void TearDown() override { cor_test::remove_tree(profile); }
    // The run ended by itself, On Quit ran and the store was written again.
    void expect_normal_shutdown(const cor_test::t_process_result& r) {
        EXPECT_EQ(r.exit_code, 0) << GetParam().name;
        const std::string lines = cor_test::read_file(console);
        EXPECT_NE(lines.find("quit ran"), std::string::npos) << GetParam().name << "\n" << lines;
        EXPECT_NE(cor_test::read_file(profile + L"\\corvina500.cfgstore"), stored)
            << GetParam().name;
    }
    std::wstring profile = cor_test::make_temp_folder(L"exit");
    std::wstring console = profile + L"\\console.txt";
    std::string stored;
};

TEST_P(OpenLoopAtExit, TheExitTimerEndsItAndShutsDown) {
    write_profile("$settimer(t,400)", GetParam().on_timer);
    const auto r = cor_test::run_player(
        {L"--profile", profile, L"--console", console, L"--exit-after", L"2500"}, 40000);
    expect_normal_shutdown(r);
}

INSTANTIATE_TEST_SUITE_P(Loops, OpenLoopAtExit, ::testing::ValuesIn(open_loops),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 if (isalnum(static_cast<unsigned char>(*p))) name += *p;
                             return name;
                         });

}  // namespace
