#include "drawing/drawing_fixture.h"

#include <algorithm>

#include "host/gdi_handles.h"
#include "host/identity.h"
#include "object/types/image_cache.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/script_run.h"
#include "script/stored_scripts.h"

namespace drawing_test {

void Drawing::SetUp() {
    ASSERT_NE(host.start_ui(), nullptr);
    using namespace vesk;
    canvas_id = make_identity();
    add_definition(canvas_id, "canvas", "canvas");
    prepare_all();
    run("$window(canvas,0,0,400,300)");
    const size_t open = open_window_by_guid(canvas_id);
    ASSERT_NE(open, no_window);
    canvas = reinterpret_cast<HWND>(open_windows()[open].hwnd);
    target = paint_target_of(canvas);
    ASSERT_NE(target, nullptr);
    ASSERT_NE(target->back_buffer_dc(), nullptr);
    lines();
    handles_at_start_ = handle_count::live();
    objects_at_start_ = object::object_base::live_count();
}

void Drawing::TearDown() {
    using namespace vesk;
    manager.clear_parent_unlocked(canvas_id, object::cat_all_objects);
    manager.clear_parent_unlocked(main_window_guid, object::cat_all_objects);
    EXPECT_EQ(object::object_base::live_count(), objects_at_start_);
    // Fonts, bitmaps and contexts of painting all went back.
    EXPECT_EQ(handle_count::live(), handles_at_start_);
    image_cache::instance().set_limit(image_cache::default_limit);
    host.stop_ui();
    EXPECT_EQ(image_cache::instance().size(), 0u);
}

std::string Drawing::run(const std::string& script) {
    vesk::vesk_tf_hook hook(ctx);
    return vesk::run_script(script, hook);
}

void Drawing::expect_table(const std::string& name, int level, const cor_test::names& vars) {
    host.expect_table(name, vars, [&](const std::string& script) {
        vesk::set_error_level(static_cast<vesk::error_threshold>(level));
        return run(script);
    });
}

void Drawing::clear_buffer(COLORREF colour) {
    vesk::unique_hbrush brush(CreateSolidBrush(colour));
    const RECT all{0, 0, 4000, 4000};
    FillRect(target->back_buffer_dc(), &all, brush.get());
}

void Drawing::paint() {
    clear_buffer();
    EXPECT_TRUE(
        manager.draw(canvas_id, canvas, target->back_buffer_dc(), target->back_buffer_graphics()));
}

COLORREF Drawing::pixel(int x, int y) {
    if (auto* g = target->back_buffer_graphics()) g->Flush(Gdiplus::FlushIntentionSync);
    GdiFlush();
    return GetPixel(target->back_buffer_dc(), x, y) & 0xFFFFFF;
}

RECT Drawing::ink(RECT area, const std::function<bool(COLORREF)>& is_ink) {
    if (auto* g = target->back_buffer_graphics()) g->Flush(Gdiplus::FlushIntentionSync);
    const LONG w = area.right - area.left;
    const auto colours = cor_test::pixels_of(target->back_buffer_dc(), area);
    RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (size_t i = 0; i < colours.size(); ++i) {
        if (!is_ink(colours[i])) continue;
        const LONG x = area.left + LONG(i) % w, y = area.top + LONG(i) / w;
        found.left = std::min(found.left, x);
        found.top = std::min(found.top, y);
        found.right = std::max(found.right, x + 1);
        found.bottom = std::max(found.bottom, y + 1);
    }
    return found.left == LONG_MAX ? RECT{0, 0, 0, 0} : found;
}

}  // namespace drawing_test
