// A script window "w" for the control suites, with its objects cleared and
// the error level put back after each test.
#pragma once

#include "../window/window_test_util.h"

#include "object/object_manager.h"

namespace control_test {

using lines = std::vector<std::string>;

class ControlTest : public window_test::WindowTest {
protected:
    HWND wnd = nullptr;
    void SetUp() override {
        ASSERT_NE(host.start_ui(), nullptr);
        define("w");
        host.eval("$window(w,100,100,320,240)");
        wnd = handle_of("w");
        ASSERT_NE(wnd, nullptr);
        host.take_lines();
    }
    void TearDown() override {
        vesk::set_error_level(vesk::err_off);
        auto& manager = vesk::object_manager::instance();
        manager.clear_parent(vesk::cfg_window_guid_list[0], vesk::object::cat_all_objects);
        window_test::WindowTest::TearDown();
    }
    void repaint() {
        host.eval("$updatewindow(w)");
        host.pump();
    }
    template <class T>
    T* object(const std::string& identity, uint32_t type) {
        auto* obj = vesk::object_manager::instance().find(identity);
        return obj && obj->type == type ? static_cast<T*>(obj) : nullptr;
    }
    // The control window's rectangle in w's client coordinates.
    RECT client_rect_of(HWND child) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

}  // namespace control_test
