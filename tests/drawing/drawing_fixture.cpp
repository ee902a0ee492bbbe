#include "drawing/drawing_fixture.h"

#include <algorithm>
#include <sstream>

#include "host/gdi_handles.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/settings.h"
#include "object/types/image_cache.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/stored_scripts.h"
#include "script/tf_hook.h"
#include "support/case_table.h"

namespace drawing_test {

namespace {

void clear_definitions() {
    using namespace vesk;
    for (auto* list :
         {&cfg_window_id_list, &cfg_window_display_list, &cfg_window_tf_load_list,
          &cfg_window_tf_open_list, &cfg_window_tf_close_list, &cfg_window_tf_resize_list,
          &cfg_window_tf_move_list, &cfg_window_tf_activate_list})
        list->clear();
    cfg_window_guid_list.clear();
    cfg_window_winp_list.clear();
    cfg_window_recovery_list.clear();
    cfg_window_recovery_parent_list.clear();
}

}  // namespace

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
    clear_definitions();
    set_error_level(err_middle);
}

std::string Drawing::run(const std::string& script) {
    const auto compiler = vesk::host::compiler();
    cor::titleformat_object* raw = nullptr;
    if (!compiler || !compiler->compile(&raw, script.data(), script.size()) || !raw)
        return "[COMPILATION ERROR]";
    auto compiled = cor::service_ptr_t<cor::titleformat_object>::adopt(raw);
    vesk::vesk_tf_hook hook(ctx);
    cor::string_out out;
    compiled->run(&hook, out);
    return out.text;
}

void Drawing::expect_table(const std::string& name, int level,
                           const std::vector<std::pair<std::string, std::string>>& vars) {
    const auto expand = [&](std::string text) {
        for (const auto& [key, value] : vars)
            for (size_t at; (at = text.find("{" + key + "}")) != std::string::npos;)
                text.replace(at, key.size() + 2, value);
        return text;
    };
    for (const auto& row : cor_test::read_case_table(name, 3)) {
        const std::string script = expand(row.fields[0]);
        std::vector<std::string> console;
        std::istringstream in(row.fields[2] == "-" ? "" : expand(row.fields[2]));
        for (std::string line; std::getline(in, line);) console.push_back(line);
        vesk::set_error_level(static_cast<vesk::error_threshold>(level));
        EXPECT_EQ(run(script), expand(row.fields[1])) << row.where << ": " << script;
        EXPECT_EQ(lines(), console) << row.where << ": " << script;
    }
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
    const int w = area.right - area.left, h = area.bottom - area.top;
    // One copy of the area instead of a platform call per pixel.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC dc = target->back_buffer_dc();
    vesk::unique_hbitmap dib(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    vesk::unique_hdc mem(CreateCompatibleDC(dc));
    RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    {
        vesk::select_guard select(mem.get(), dib.get());
        BitBlt(mem.get(), 0, 0, w, h, dc, area.left, area.top, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t v = p[size_t(y) * size_t(w) + size_t(x)];
                if (!is_ink(RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF))) continue;
                found.left = std::min<LONG>(found.left, area.left + x);
                found.top = std::min<LONG>(found.top, area.top + y);
                found.right = std::max<LONG>(found.right, area.left + x + 1);
                found.bottom = std::max<LONG>(found.bottom, area.top + y + 1);
            }
    }
    return found.left == LONG_MAX ? RECT{0, 0, 0, 0} : found;
}

}  // namespace drawing_test
