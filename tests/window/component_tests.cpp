// What the component says of itself and answers as the Host's interface.
#include "window_test_util.h"

#include "host/service_factory.h"

using namespace window_test;

namespace {

struct text_sink final : cor::string_sink {
    std::string text;
    void write(const char* p, size_t n) override { text.append(p, n); }
};

template <class T>
cor::service_ptr_t<T> make(const cor::guid& id) {
    for (auto* f : vesk::host::factory_list())
        if (f->get_class_guid() == id)
            return cor::service_ptr_t<T>::adopt(static_cast<T*>(f->create_instance()));
    return {};
}

TEST_F(WindowTest, VersionAnswers) {
    auto version = make<cor::component_version>(cor::component_version::class_guid);
    ASSERT_TRUE(version);
    text_sink name, about, file;
    version->get_component_name(name);
    version->get_about_message(about);
    version->get_file_name(file);
    EXPECT_EQ(name.text, "Vesk User Interface");
    EXPECT_EQ(about.text.rfind("compiled: ", 0), 0u);
    EXPECT_NE(about.text.find("\nwith Panel API version: 6.3"), std::string::npos);
    EXPECT_NE(file.text.find(".exe"), std::string::npos);  // in-process: the test program itself
}

TEST_F(WindowTest, UserInterfaceAnswers) {
    auto ui = make<cor::user_interface>(cor::user_interface::class_guid);
    ASSERT_TRUE(ui);
    text_sink name;
    ui->get_name(name);
    EXPECT_EQ(name.text, "Vesk User Interface");
    EXPECT_TRUE(ui->get_guid() == vesk::main_window_guid);
    HWND main = static_cast<HWND>(ui->init(nullptr));
    ASSERT_NE(main, nullptr);
    host.pump();
    EXPECT_TRUE(ui->is_visible());
    ui->hide();
    EXPECT_FALSE(ui->is_visible());
    ui->activate();
    EXPECT_TRUE(ui->is_visible());
    ui->shutdown();
    EXPECT_FALSE(IsWindow(main));
}

TEST_F(WindowTest, MessageHookSeesMessagesFirst) {
    static int seen = 0;
    static bool swallow_close = true;
    auto ui = make<cor::user_interface>(cor::user_interface::class_guid);
    HWND main =
        static_cast<HWND>(ui->init([](void*, uint32_t msg, uintptr_t, intptr_t, intptr_t* result) {
            if (msg != WM_CLOSE) return false;
            ++seen;
            *result = 0;
            return swallow_close;
        }));
    ASSERT_NE(main, nullptr);
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(host.commands.empty());
    ui->shutdown();
}

}  // namespace

namespace {

TEST_F(WindowTest, SystemInfoListsEachOpenWindowWithItsObjectCounts) {
    host.start_ui();
    define("a");
    host.eval("$window(a)");
    host.take_lines();
    EXPECT_EQ(host.eval("$systeminfo()"), "");
    const auto got = host.take_lines();
    ASSERT_EQ(got.size(), 1u + 2 * 13);
    EXPECT_EQ(got[0], "Active window count: 2");
    EXPECT_EQ(got[1], "[main]");
    EXPECT_EQ(got[2], "text: 0");
    EXPECT_EQ(got[12], "button: 0");
    EXPECT_EQ(got[13], "map: 0");
    EXPECT_EQ(got[14], "[a]");
    EXPECT_EQ(got[15], "text: 0");
}

}  // namespace

namespace {

TEST_F(WindowTest, MainMenuCommandsRunByPathOrName) {
    EXPECT_EQ(host.eval("$if($mainmenu_execute(test/GROUP/do it),y,n)"), "y");
    EXPECT_EQ(host.eval("$if($mainmenu_execute(Do It),y,n)"), "y");
    EXPECT_EQ(host.eval("$if($mainmenu_execute(Test/Nothing),y,n)"), "n");
    EXPECT_TRUE(host.take_lines().empty());
    ASSERT_EQ(host.commands.size(), 2u);
    EXPECT_TRUE(host.commands[0] == cor_test::component_host::test_command);
    EXPECT_TRUE(host.commands[1] == cor_test::component_host::test_command);
}

}  // namespace
