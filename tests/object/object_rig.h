// What the object suites share: the Host and component in this process,
// real script windows with real back buffers, a few small object types
// that paint plain rectangles, and scripts run inside a window the way an
// event script runs, with a test-only creating function:
//   $test_rect(window, x, y, w, h, [color:RRGGBB], common options...)
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <gdiplus.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "object/object_base.h"
#include "object/object_manager.h"
#include "registry/window_services.h"
#include "script/script_context.h"
#include "support/component_host.h"
#include "support/pixel_names.h"

namespace object_test {

using vesk::object::object_base;
namespace obj = vesk::object;

void fill_rect(HDC dc, RECT r, COLORREF color);

// A filled rectangle (type index of gp_rect): text, x, y, w, h as properties.
class test_rect : public object_base {
public:
    test_rect(int x_, int y_, int w_, int h_, COLORREF c)
        : object_base(obj::cat_drawn, obj::type_gp_rect), x(x_), y(y_), w(w_), h(h_), color(c) {}
    void draw_body(HWND, HDC dc, Gdiplus::Graphics* graphics) override;
    void set_position(int32_t nx, int32_t ny) override {
        x = nx;
        y = ny;
    }
    bool get_rect(RECT& r) override {
        if (w <= 0 || h <= 0) return false;
        r = {x, y, x + w - 1, y + h - 1};
        return true;
    }
    bool get_property(obj::property p, std::string& out) override {
        return obj::get_field_property({text, x, y, &w, &h}, p, out);
    }
    // Width and height stay fixed, so a test sees a refused setting.
    bool set_property(obj::property p, std::string_view value, int32_t number) override {
        return obj::set_field_property({text, x, y}, p, value, number);
    }

    int x, y, w, h;
    COLORREF color;
    bool use_gdiplus = false;
    std::string text;
    int draws = 0;
};

// A control (type index of button): paints its rectangle, records commands.
class test_control : public object_base {
public:
    test_control(int x, int y, int w, int h, COLORREF c, uint32_t id)
        : object_base(obj::cat_control, obj::type_button), box{x, y, x + w, y + h}, color(c) {
        control_id = id;
    }
    void draw_body(HWND, HDC dc, Gdiplus::Graphics*) override { fill_rect(dc, box, color); }
    bool get_rect(RECT& r) override {
        r = {box.left, box.top, box.right - 1, box.bottom - 1};
        return true;
    }
    void on_command(const cor::guid&, HWND, uint32_t command, uint32_t code) override {
        commands.emplace_back(command, code);
        if (on_click) on_click();
    }
    bool on_message(const cor::guid&, HWND, WPARAM, LPARAM, LRESULT& result) override {
        ++notifications;
        result = 42;
        return true;
    }
    void draw_item(WPARAM, const DRAWITEMSTRUCT&) override { ++draw_items; }

    RECT box;
    COLORREF color;
    std::vector<std::pair<uint32_t, uint32_t>> commands;  // command, code
    int notifications = 0;
    int draw_items = 0;
    // Run inside on_command: lets a test remove the control from its own click.
    std::function<void()> on_click;
};

// A mouse area (type index of map): a rectangle region, records deliveries.
class test_area : public object_base {
public:
    explicit test_area(RECT r) : object_base(obj::cat_area, obj::type_map), region(r) {}
    bool hit_test(int32_t x, int32_t y) override { return PtInRect(&region, POINT{x, y}) != FALSE; }
    bool on_mouse(HWND, int state, UINT message, WPARAM, LPARAM) override {
        log.emplace_back(state, message);
        return answer;
    }
    bool get_rect(RECT& r) override {
        r = {region.left, region.top, region.right - 1, region.bottom - 1};
        return true;
    }
    void draw_body(HWND, HDC, Gdiplus::Graphics*) override { ++draws; }

    RECT region;
    std::vector<std::pair<int, UINT>> log;  // state, message
    bool answer = true;
    int draws = 0;
};

// Stands in for a combobox: other objects may be drawn inside it.
class test_container : public object_base {
public:
    test_container() : object_base(obj::cat_control | obj::cat_combobox, obj::type_combobox) {}
};

struct window {
    cor::guid id;
    HWND wnd = nullptr;
    vesk::window_paint_target* target = nullptr;
    // An event script context of this window (script identity of `event`).
    vesk::t_script_context context(int event = 1) const;
};

class ObjectRig : public ::testing::Test {
protected:
    cor_test::component_host host;
    vesk::object_manager& manager = vesk::object_manager::instance();

    void SetUp() override;
    void TearDown() override;

    // Opens a script window named `name`, client area at least w x h.
    window open(const char* name, int w = 240, int h = 160);
    // Adds a definition that is never opened.
    void define(const char* name);
    void close(const window& w);

    // Runs a script in `ctx` with $test_rect available.
    std::string run(const std::string& script, vesk::t_script_context& ctx);
    std::string run(const std::string& script, const window& w, int event = 1);

    // Background and every object of the window into its back buffer.
    void full_paint(const window& w);
    COLORREF pixel(const window& w, int x, int y);
    // The named colours of the window's back buffer at the points "x,y x,y ...".
    std::string colours(const window& w, std::string_view points) {
        return cor_test::colours_at(points, [&](int x, int y) { return pixel(w, x, y); });
    }
    void fill(const window& w, RECT r, COLORREF color);

    // Stores an object of a test type directly, as a creating function does.
    template <class T>
    T* store(const window& w, std::unique_ptr<T> made, const cor::guid& context = cor::guid_null) {
        made->parent = w.id;
        made->context = context;
        T* raw = made.get();
        EXPECT_TRUE(manager.store(std::move(made)));
        return raw;
    }
    test_rect* rect(const window& w, int x, int y, int wd, int ht, COLORREF color) {
        return store(w, std::make_unique<test_rect>(x, y, wd, ht, color));
    }

    std::vector<std::string> lines() { return host.take_lines(); }

private:
    std::vector<window> windows_;
    size_t live_at_start_ = 0;
};

// A rig whose tests start with the script window Main open.
class InMain : public ObjectRig {
protected:
    void SetUp() override {
        ObjectRig::SetUp();
        w = open("Main");
    }
    window w;
};

inline constexpr COLORREF white = RGB(255, 255, 255);
inline constexpr COLORREF red = RGB(255, 0, 0);
inline constexpr COLORREF green = RGB(0, 255, 0);
inline constexpr COLORREF blue = RGB(0, 0, 255);

std::string text_of(const cor::guid& id);

}  // namespace object_test
