// Shared set-up of the painting suites: the Host and component in this
// process with the user interface started (text is measured on the main
// window), one script window "canvas" to draw in, scripts run in a context
// the test owns, and back-buffer pixels read after painting.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <gdiplus.h>

#include <functional>
#include <string>
#include <vector>

#include "object/object_manager.h"
#include "registry/window_services.h"
#include "script/script_context.h"
#include "support/component_host.h"
#include "support/pixel_names.h"

namespace drawing_test {

struct rgb {
    int r, g, b;
};
inline rgb split(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

inline constexpr COLORREF white = RGB(255, 255, 255);
inline constexpr COLORREF black = RGB(0, 0, 0);
inline constexpr COLORREF red = RGB(255, 0, 0);
inline constexpr COLORREF green = RGB(0, 255, 0);
inline constexpr COLORREF blue = RGB(0, 0, 255);

class Drawing : public ::testing::Test {
protected:
    cor_test::component_host host;
    vesk::object_manager& manager = vesk::object_manager::instance();
    vesk::t_script_context ctx;
    cor::guid canvas_id{};
    HWND canvas = nullptr;
    vesk::window_paint_target* target = nullptr;

    void SetUp() override;
    void TearDown() override;

    // Runs a script in the test's context (no window, base point and map
    // rectangle readable in `ctx`).
    std::string run(const std::string& script);
    std::vector<std::string> lines() { return host.take_lines(); }
    // The map rectangle the last "mempos:" stored.
    std::vector<int> map_rect() const {
        return {ctx.map_left, ctx.map_top, ctx.map_right, ctx.map_bottom};
    }
    // The rows of the data file `name` (see component_host::expect_row),
    // each run here at `level`.
    void expect_table(const std::string& name, int level, const cor_test::names& vars = {});

    // White background, then every object of the canvas, as a full repaint.
    void paint();
    void clear_buffer(COLORREF colour = white);
    COLORREF pixel(int x, int y);
    // The named colours at the points "x,y x,y ...".
    std::string colours(std::string_view points) {
        return cor_test::colours_at(points, [this](int x, int y) { return pixel(x, y); });
    }
    // The smallest rectangle (exclusive right and bottom) of `area` holding
    // pixels that satisfy `is_ink`; empty when there are none. Dark ink is
    // near black in every channel.
    RECT ink(RECT area, const std::function<bool(COLORREF)>& is_ink);
    RECT dark(RECT area) {
        return ink(area, [](COLORREF c) {
            return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
        });
    }

    template <class T>
    T* object(const std::string& identity) {
        return dynamic_cast<T*>(manager.find(identity));
    }

private:
    long handles_at_start_ = 0;
    size_t objects_at_start_ = 0;
};

inline bool empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace drawing_test
