#include "object/object_rig.h"

#include <cstring>

#include "guid_text.h"
#include "host/gdi_handles.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/settings.h"
#include "object/object_creation.h"
#include "registry/window_list.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/options.h"
#include "script/tf_hook.h"
#include "window/script_window.h"

namespace object_test {

using vesk::option_result;
using vesk::object::property;

namespace {

class gdiplus_environment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

[[maybe_unused]] const auto* const g_gdiplus =
    ::testing::AddGlobalTestEnvironment(new gdiplus_environment);

void fill_rect(HDC dc, RECT r, COLORREF color) {
    vesk::unique_hbrush brush(CreateSolidBrush(color));
    FillRect(dc, &r, brush.get());
}

// "color:RRGGBB"
option_result color_option(vesk::func_call& c, std::string_view p, COLORREF& color) {
    const auto v = vesk::option_value(p, "color");
    if (!v) return option_result::no_match;
    unsigned value = 0;
    for (const char ch : *v) {
        const int d = cor::detail::hex_value(ch);
        if (d < 0 || v->size() != 6) {
            c.fail(vesk::err_low, "%s: invalid color '%s'", {*v});
            return option_result::failed;
        }
        value = value * 16 + unsigned(d);
    }
    color = RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    return option_result::taken;
}

void fn_test_rect(vesk::func_call& c) {
    vesk::object_creation make(c, 5);
    if (!make.ok()) return;
    auto r = std::make_unique<test_rect>(make.x(1), make.y(2), int(vesk::read_unsigned(c.param(3))),
                                         int(vesk::read_unsigned(c.param(4))), RGB(0, 0, 0));
    const bool read = make.read_options(5, [&](std::string_view p) {
        if (const auto v = vesk::option_value(p, "gdiplus")) {
            r->use_gdiplus = vesk::read_bool(*v);
            return option_result::taken;
        }
        return color_option(c, p, r->color);
    });
    if (read) make.finish(std::move(r));
}

void fn_test_button(vesk::func_call& c) {
    vesk::object_creation make(c, 6);
    if (!make.ok()) return;
    auto b =
        std::make_unique<test_control>(make.x(1), make.y(2), int(vesk::read_unsigned(c.param(3))),
                                       int(vesk::read_unsigned(c.param(4))), RGB(0, 0, 0),
                                       uint32_t(vesk::read_unsigned(c.param(5))));
    if (make.read_options(6, [&](std::string_view p) { return color_option(c, p, b->color); }))
        make.finish(std::move(b));
}

// The component's hook with the test-only creating functions in front.
class rig_hook final : public cor::titleformat_hook {
public:
    explicit rig_hook(vesk::t_script_context& ctx) : inner(ctx) {}

    bool process_field(cor::string_sink& out, const char* name, size_t length,
                       bool& found) override {
        return inner.process_field(out, name, length, found);
    }
    bool process_function(cor::string_sink& out, const char* name, size_t length,
                          cor::titleformat_params& params, bool& found) override {
        const std::string folded = vesk::fold_name(std::string_view(name, strnlen(name, length)));
        vesk::handler_fn fn = folded == "test_rect"     ? fn_test_rect
                              : folded == "test_button" ? fn_test_button
                                                        : nullptr;
        if (!fn) {
            const bool handled = inner.process_function(out, name, length, params, found);
            last_found = found;
            return handled;
        }
        inner.invoke(fn, nullptr, out, params, found, folded);
        last_found = found;
        return true;
    }

    vesk::vesk_tf_hook inner;
    bool last_found = false;
};

}  // namespace

std::string text_of(const cor::guid& id) { return vesk::object::identity_text(id); }

test_rect::test_rect(int x_, int y_, int w_, int h_, COLORREF c)
    : object_base(vesk::object::cat_drawn, vesk::object::type_gp_rect),
      x(x_),
      y(y_),
      w(w_),
      h(h_),
      color(c) {}

void test_rect::draw_body(HWND, HDC dc, Gdiplus::Graphics* graphics) {
    ++draws;
    if (use_gdiplus && graphics) {
        Gdiplus::SolidBrush brush(
            Gdiplus::Color(255, GetRValue(color), GetGValue(color), GetBValue(color)));
        graphics->FillRectangle(&brush, x, y, w, h);
        graphics->Flush(Gdiplus::FlushIntentionSync);
        return;
    }
    fill_rect(dc, {x, y, x + w, y + h}, color);
}

void test_rect::set_position(int32_t nx, int32_t ny) {
    x = nx;
    y = ny;
}

bool test_rect::get_rect(RECT& r) {
    if (w <= 0 || h <= 0) return false;
    r = {x, y, x + w - 1, y + h - 1};
    return true;
}

bool test_rect::get_property(property p, std::string& out) {
    switch (p) {
        case property::text:
            out = text;
            return true;
        case property::x:
            out = std::to_string(x);
            return true;
        case property::y:
            out = std::to_string(y);
            return true;
        case property::w:
            out = std::to_string(w);
            return true;
        case property::h:
            out = std::to_string(h);
            return true;
    }
    return false;
}

bool test_rect::set_property(property p, std::string_view value, int32_t number) {
    switch (p) {
        case property::text:
            text = value;
            return true;
        case property::x:
            x = number;
            return true;
        case property::y:
            y = number;
            return true;
        // Width and height stay fixed, so a test sees a refused setting.
        case property::w:
        case property::h:
            return false;
    }
    return false;
}

test_control::test_control(int x, int y, int w, int h, COLORREF c, uint32_t id)
    : object_base(vesk::object::cat_control, vesk::object::type_button),
      box{x, y, x + w, y + h},
      color(c) {
    control_id = id;
}

void test_control::draw_body(HWND, HDC dc, Gdiplus::Graphics*) { fill_rect(dc, box, color); }

bool test_control::get_rect(RECT& r) {
    r = {box.left, box.top, box.right - 1, box.bottom - 1};
    return true;
}

void test_control::on_command(const cor::guid&, HWND, uint32_t command, uint32_t code) {
    commands.emplace_back(command, code);
    if (on_click) on_click();
}

bool test_control::on_message(const cor::guid&, HWND, WPARAM, LPARAM, LRESULT& result) {
    ++notifications;
    result = 42;
    return true;
}

void test_control::draw_item(WPARAM, const DRAWITEMSTRUCT&) { ++draw_items; }

test_area::test_area(RECT r)
    : object_base(vesk::object::cat_area, vesk::object::type_map), region(r) {}

bool test_area::hit_test(int32_t x, int32_t y) {
    const POINT pt{x, y};
    return PtInRect(&region, pt) != FALSE;
}

bool test_area::on_mouse(HWND, int state, UINT message, WPARAM, LPARAM) {
    log.emplace_back(state, message);
    return answer;
}

bool test_area::get_rect(RECT& r) {
    r = {region.left, region.top, region.right - 1, region.bottom - 1};
    return true;
}

void test_area::draw_body(HWND, HDC, Gdiplus::Graphics*) { ++draws; }

test_container::test_container()
    : object_base(vesk::object::cat_control | vesk::object::cat_combobox,
                  vesk::object::type_combobox) {}

vesk::t_script_context window::context(int event) const {
    vesk::t_script_context ctx;
    ctx.wnd = reinterpret_cast<HWND__*>(wnd);
    ctx.window_id = id;
    ctx.script_id = vesk::window_event_identity(id, event);
    return ctx;
}

void ObjectRig::SetUp() {
    live_at_start_ = object_base::live_count();
    ASSERT_TRUE(vesk::script_window::register_class());
}

void ObjectRig::TearDown() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) close(*it);
    windows_.clear();
    // A map left hot by a test is let go as the mouse would leave it.
    if (manager.hot_object() != cor::guid_null)
        manager.mouse_message(nullptr, cor::guid_null, WM_MOUSEMOVE, 0, MAKELPARAM(-1, -1));
    vesk::cfg_window_guid_list.clear();
    vesk::cfg_window_id_list.clear();
    vesk::cfg_window_winp_list.clear();
    vesk::open_windows().clear();
    EXPECT_EQ(manager.object_count(), 0u);
    EXPECT_EQ(manager.order_list().size(), 0u);
    EXPECT_EQ(object_base::live_count(), live_at_start_);
}

void ObjectRig::define(const char* name) {
    vesk::cfg_window_guid_list.add(vesk::make_identity());
    vesk::cfg_window_id_list.add(name);
}

window ObjectRig::open(const char* name, int w, int h) {
    window win;
    win.id = vesk::make_identity();
    vesk::cfg_window_guid_list.add(win.id);
    vesk::cfg_window_id_list.add(name);
    RECT r{0, 0, w, h};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW);
    const int offset = 40 + 30 * int(windows_.size());
    OffsetRect(&r, offset - r.left, offset - r.top);
    auto* sw = new vesk::script_window(win.id, cor::guid_null, false);
    if (!sw->initialise(&r, false, false)) {
        delete sw;
        ADD_FAILURE() << "script window not created";
        return win;
    }
    win.wnd = sw->hwnd();
    win.target = vesk::paint_target_of(win.wnd);
    EXPECT_NE(win.target, nullptr);
    SetWindowPos(win.wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    windows_.push_back(win);
    return win;
}

void ObjectRig::close(const window& w) {
    if (!w.wnd || !IsWindow(w.wnd)) return;
    // A window's teardown removes all its objects (controls included).
    manager.clear_parent_unlocked(w.id, vesk::object::cat_all_objects);
    DestroyWindow(w.wnd);
}

std::string ObjectRig::run(const std::string& script, vesk::t_script_context& ctx) {
    const auto compiler = vesk::host::compiler();
    cor::titleformat_object* raw = nullptr;
    if (!compiler || !compiler->compile(&raw, script.data(), script.size()) || !raw)
        return "[COMPILATION ERROR]";
    auto compiled = cor::service_ptr_t<cor::titleformat_object>::adopt(raw);
    rig_hook hook(ctx);
    cor::string_out out;
    compiled->run(&hook, out);
    last_found_ = hook.last_found;
    return out.text;
}

std::string ObjectRig::run(const std::string& script, const window& w, int event) {
    vesk::t_script_context ctx = w.context(event);
    return run(script, ctx);
}

void ObjectRig::full_paint(const window& w) {
    const HDC dc = w.target->back_buffer_dc();
    ASSERT_NE(dc, nullptr);
    w.target->paint_background(dc, RECT{0, 0, 4000, 4000});
    EXPECT_TRUE(manager.draw(w.id, w.wnd, dc, w.target->back_buffer_graphics()));
}

COLORREF ObjectRig::pixel(const window& w, int x, int y) {
    if (auto* g = w.target->back_buffer_graphics()) g->Flush(Gdiplus::FlushIntentionSync);
    return GetPixel(w.target->back_buffer_dc(), x, y) & 0xFFFFFF;
}

void ObjectRig::fill(const window& w, RECT r, COLORREF color) {
    fill_rect(w.target->back_buffer_dc(), r, color);
}

}  // namespace object_test
