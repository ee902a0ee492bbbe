// Shared set-up of the painting suites: the Host and component in this
// process with the user interface started (text is measured on the main
// window), one script window "canvas" to draw in, scripts run in a context
// the test owns, and back-buffer pixels read after painting. Each test
// ends with the objects, fonts, bitmaps and contexts of painting it made
// all gone.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <gdiplus.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/gdi_handles.h"
#include "host/identity.h"
#include "object/object_manager.h"
#include "object/types/image_cache.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/script_context.h"
#include "script/script_run.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"
#include "support/gdiplus_jpeg.h"
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

inline bool empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// Writes a PNG whose pixel (x, y) is colour(x, y).
inline void write_picture(const std::filesystem::path& file, int w, int h,
                          const std::function<Gdiplus::ARGB(int, int)>& colour) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(colour(x, y)));
    const CLSID png = cor_test::encoder_for(L"image/png");
    EXPECT_EQ(bitmap.Save(file.wstring().c_str(), &png, nullptr), Gdiplus::Ok) << file;
}

class Drawing : public ::testing::Test {
protected:
    cor_test::component_host host;
    vesk::object_manager& manager = vesk::object_manager::instance();
    vesk::t_script_context ctx;
    cor::guid canvas_id{};
    HWND canvas = nullptr;
    vesk::window_paint_target* target = nullptr;

    void SetUp() override {
        ASSERT_NE(host.start_ui(), nullptr);
        canvas = open("canvas", ",0,0,400,300");
        ASSERT_NE(canvas, nullptr);
        canvas_id = defined_["canvas"];
        target = vesk::paint_target_of(canvas);
        ASSERT_NE(target, nullptr);
        ASSERT_NE(target->back_buffer_dc(), nullptr);
        lines();
        handles_at_start_ = vesk::handle_count::live();
        objects_at_start_ = vesk::object::object_base::live_count();
    }
    void TearDown() override {
        using namespace vesk;
        manager.clear_parent_unlocked(canvas_id, object::cat_all_objects);
        manager.clear_parent_unlocked(main_window_guid, object::cat_all_objects);
        EXPECT_EQ(object::object_base::live_count(), objects_at_start_);
        EXPECT_EQ(handle_count::live(), handles_at_start_);
        image_cache::instance().set_limit(image_cache::default_limit);
        host.stop_ui();
        EXPECT_EQ(image_cache::instance().size(), 0u);
    }

    // Runs "$window(id<args>)", defining the window first; its handle, or
    // null when it did not open.
    HWND open(const std::string& id, const std::string& args = "") {
        auto [it, added] = defined_.try_emplace(id);
        if (added) {
            it->second = vesk::make_identity();
            vesk::add_definition(it->second, id, id);
            vesk::prepare_all();
        }
        run("$window(" + id + args + ")");
        const size_t at = vesk::open_window_by_guid(it->second);
        return at == vesk::no_window ? nullptr
                                     : reinterpret_cast<HWND>(vesk::open_windows()[at].hwnd);
    }
    // Runs a script in the test's context (no window, base point and map
    // rectangle readable in `ctx`).
    std::string run(const std::string& script) {
        vesk::vesk_tf_hook hook(ctx);
        return vesk::run_script(script, hook);
    }
    std::vector<std::string> lines() { return host.take_lines(); }
    // The map rectangle the last "mempos:" stored.
    std::vector<int> map_rect() const {
        return {ctx.map_left, ctx.map_top, ctx.map_right, ctx.map_bottom};
    }
    // The rows of the data file `name` (see component_host::expect_row),
    // each run here at `level`.
    void expect_table(const std::string& name, int level, const cor_test::names& vars = {}) {
        host.expect_table(name, vars, [&](const std::string& script) {
            vesk::set_error_level(static_cast<vesk::error_threshold>(level));
            return run(script);
        });
    }

    // White background, then every object of the canvas, as a full repaint.
    void paint() {
        clear_buffer();
        EXPECT_TRUE(manager.draw(canvas_id, canvas, target->back_buffer_dc(),
                                 target->back_buffer_graphics()));
    }
    void clear_buffer(COLORREF colour = white) {
        vesk::unique_hbrush brush(CreateSolidBrush(colour));
        const RECT all{0, 0, 4000, 4000};
        FillRect(target->back_buffer_dc(), &all, brush.get());
    }
    // The back buffer of the canvas, or of `on`, painting finished.
    HDC flushed(vesk::window_paint_target* on = nullptr) {
        on = on ? on : target;
        if (auto* g = on->back_buffer_graphics()) g->Flush(Gdiplus::FlushIntentionSync);
        GdiFlush();
        return on->back_buffer_dc();
    }
    COLORREF pixel(int x, int y, vesk::window_paint_target* on = nullptr) {
        return GetPixel(flushed(on), x, y) & 0xFFFFFF;
    }
    // The named colours at the points "x,y x,y ...".
    std::string colours(std::string_view points) {
        return cor_test::colours_at(points, [this](int x, int y) { return pixel(x, y); });
    }
    // The smallest rectangle (exclusive right and bottom) of `area` holding
    // pixels that satisfy `is_ink`; empty when there are none. Dark ink is
    // near black in every channel.
    RECT ink(RECT area, const std::function<bool(COLORREF)>& is_ink,
             vesk::window_paint_target* on = nullptr) {
        const LONG w = area.right - area.left;
        const auto colours = cor_test::pixels_of(flushed(on), area);
        RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
        for (size_t i = 0; i < colours.size(); ++i) {
            if (!is_ink(colours[i])) continue;
            const LONG x = area.left + LONG(i) % w, y = area.top + LONG(i) / w;
            found = {std::min(found.left, x), std::min(found.top, y), std::max(found.right, x + 1),
                     std::max(found.bottom, y + 1)};
        }
        return found.left == LONG_MAX ? RECT{0, 0, 0, 0} : found;
    }
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
    std::map<std::string, cor::guid> defined_;
    long handles_at_start_ = 0;
    size_t objects_at_start_ = 0;
};

}  // namespace drawing_test
