#include "object/object_rig.h"

#include <cstring>

#include "host/gdi_handles.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/invalidation.h"
#include "host/settings.h"
#include "object/grammar/values.h"
#include "object/object_creation.h"
#include "registry/window_list.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/options.h"
#include "script/tf_hook.h"
#include "support/gdiplus_jpeg.h"
#include "window/script_window.h"

namespace object_test {

using vesk::option_result;

namespace {

// The test types paint through GDI+ without the interface that starts it.
const cor_test::gdiplus_session g_gdiplus;

// "color:" and a colour as the drawing functions read it.
option_result color_option(vesk::func_call& c, std::string_view p, COLORREF& color) {
    const auto v = vesk::option_value(p, "color");
    if (!v) return option_result::no_match;
    vesk::grammar::colour parsed;
    if (!vesk::grammar::parse_colour(*v, parsed)) {
        c.fail(vesk::err_low, "%s: invalid color '%s'", {*v});
        return option_result::failed;
    }
    color = vesk::grammar::gdi_colour(parsed);
    return option_result::taken;
}

void fn_test_rect(vesk::func_call& c) {
    vesk::object_creation make(c, 5);
    if (!make.ok()) return;
    auto r = std::make_unique<test_rect>(make.x(1), make.y(2), int(vesk::read_unsigned(c.param(3))),
                                         int(vesk::read_unsigned(c.param(4))), RGB(0, 0, 0));
    if (make.read_options(5, [&](std::string_view p) { return color_option(c, p, r->color); }))
        make.finish(std::move(r));
}

// The component's hook with the test-only creating function in front.
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
        if (folded != "test_rect") return inner.process_function(out, name, length, params, found);
        inner.invoke(fn_test_rect, nullptr, out, params, found, folded);
        return true;
    }

    vesk::vesk_tf_hook inner;
};

}  // namespace

std::string text_of(const cor::guid& id) { return vesk::object::identity_text(id); }

void fill_rect(HDC dc, RECT r, COLORREF color) {
    vesk::unique_hbrush brush(CreateSolidBrush(color));
    FillRect(dc, &r, brush.get());
}

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
    // As every script run of the component: repaints are gathered and
    // shown when it ends.
    {
        const vesk::invalidation_batch batch;
        compiled->run(&hook, out);
    }
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
