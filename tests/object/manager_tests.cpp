// The object manager through its own operations: identity texts, the
// three paint passes, single-object repaints, clearing, z-order and the
// order invariant, message routing, hot tracking of mouse maps, the busy
// flag and object lifetime.
#include <random>

#include "host/gdi_handles.h"
#include "host/identity.h"
#include "object/object_rig.h"
#include "support/case_table.h"

namespace object_test {
namespace {

using vesk::object::cat_all_objects;
using vesk::object::cat_drawn_and_areas;
using vesk::object::parse_identity;

// The identity texts of data/identities.tsv as they are read.
TEST(IdentityText, ThirtySixCharactersInFiveHexadecimalGroups) {
    for (const auto& row : cor_test::read_case_table("object/data/identities.tsv", 2)) {
        const auto id = parse_identity(row.fields[0]);
        EXPECT_EQ(id ? vesk::object::identity_text(*id) : "refused", row.fields[1])
            << row.where << ": '" << row.fields[0] << "'";
    }
}

using Manager = InMain;

// Also each window paints only its own objects.
TEST_F(Manager, ControlsPaintAfterDrawnObjectsAndEvenWhileHidden) {
    rect(open("Other"), 0, 0, 100, 100, blue);
    auto* button = store(w, std::make_unique<test_control>(10, 10, 40, 40, green, 100));
    test_rect* over = rect(w, 30, 30, 40, 40, red);
    auto* area = store(w, std::make_unique<test_area>(RECT{0, 0, 100, 100}));
    full_paint(w);
    // The control wins whatever the order.
    EXPECT_EQ(colours(w, "40,40 5,5"), "green white");
    EXPECT_TRUE(manager.set_zorder(button->id, vesk::object::z_bottom, false));
    full_paint(w);
    EXPECT_EQ(pixel(w, 40, 40), green);
    EXPECT_EQ(area->draws, 2);  // areas get their pass too

    button->visible = false;
    over->visible = false;
    full_paint(w);
    // A hidden drawn object (60,60) is skipped.
    EXPECT_EQ(colours(w, "40,40 60,60"), "green white");
    EXPECT_EQ(over->draws, 2);
}

TEST_F(Manager, RedrawObjectRepaintsOnlyItsRectangle) {
    test_rect* a = rect(w, 20, 20, 30, 30, red);
    test_rect* top = rect(w, 40, 40, 30, 30, blue);
    top->use_gdiplus = true;
    test_rect* distant = rect(w, 150, 100, 10, 10, green);
    auto* area = store(w, std::make_unique<test_area>(RECT{0, 0, 200, 150}));
    full_paint(w);
    // Marks outside the rectangle (one pixel past its edges, and on the
    // object above, which GDI+ paints) must survive.
    fill(w, {51, 20, 52, 21}, green);
    fill(w, {20, 51, 21, 52}, green);
    fill(w, {5, 5, 10, 10}, green);
    fill(w, {60, 60, 70, 70}, green);
    a->color = RGB(255, 255, 0);
    const int area_draws = area->draws;
    EXPECT_TRUE(manager.update_object(a->id));
    // The object above is painted again over it (45,45); outside the area
    // (69,69) nothing is touched.
    EXPECT_EQ(colours(w, "20,20 49,30 45,45 51,20 20,51 7,7 69,69"),
              "yellow yellow blue green green green green");
    EXPECT_EQ(area->draws, area_draws);
    EXPECT_EQ(top->draws, 2);
    EXPECT_EQ(distant->draws, 1);  // objects away from the area are not painted at all

    // Painted into the scratch bitmap through GDI+ as well.
    a->use_gdiplus = true;
    a->color = RGB(0, 128, 0);
    EXPECT_TRUE(manager.update_object(a->id));
    EXPECT_EQ(pixel(w, 25, 25), RGB(0, 128, 0));

    // Nothing without a rectangle, or inside an object that is no window.
    EXPECT_FALSE(manager.update_object(rect(w, 10, 10, 0, 0, red)->id));
    auto* box = store(w, std::make_unique<test_container>());
    EXPECT_FALSE(manager.update_object(rect(window{box->id}, 0, 0, 5, 5, red)->id));
    manager.clear_parent_unlocked(box->id, cat_all_objects);
}

// For every parent and type, the order entries name the type list's
// objects of that parent in the same order.
void expect_order_invariant(vesk::object_manager& m, const std::vector<window>& windows) {
    const auto& order = m.order_list();
    for (const window& w : windows) {
        for (uint32_t t = 0; t < vesk::object::type_count; ++t) {
            std::vector<cor::guid> from_order, from_list;
            for (size_t i = 0; i < order.count(w.id); ++i) {
                const object_base* e = order.get_nth(w.id, i);
                if (e->type == t) from_order.push_back(e->target);
            }
            for (size_t i = 0; i < m.list(t).count(w.id); ++i)
                from_list.push_back(m.list(t).get_nth(w.id, i)->id);
            ASSERT_EQ(from_order, from_list) << "type " << t;
        }
    }
    size_t objects = 0;
    for (uint32_t t = 0; t < vesk::object::type_count; ++t) objects += m.list(t).size();
    ASSERT_EQ(order.size(), objects);
}

// Also no object, entry or painting handle outlives the churn.
TEST_F(Manager, OrderInvariantHoldsUnderChurnAcrossWindows) {
    std::vector<window> windows = {open("A"), open("B"), open("C")};
    const long handles = vesk::handle_count::live();
    std::mt19937 rng(20240611);
    std::vector<cor::guid> alive;
    for (int step = 0; step < 1500; ++step) {
        const window& w = windows[rng() % windows.size()];
        const unsigned action = rng() % 10;
        if (action < 5 || alive.empty()) {
            const unsigned kind = rng() % 3;
            alive.push_back(
                kind == 0 ? rect(w, 0, 0, 4, 4, red)->id
                : kind == 1
                    ? store(w, std::make_unique<test_control>(0, 0, 4, 4, red, rng() % 50))->id
                    : store(w, std::make_unique<test_area>(RECT{0, 0, 4, 4}))->id);
        } else if (action < 8) {
            const cor::guid id = alive[rng() % alive.size()];
            ASSERT_TRUE(manager.set_zorder(id, int(rng() % 2), false));
        } else {
            const size_t at = rng() % alive.size();
            ASSERT_TRUE(manager.remove(alive[at]));
            alive.erase(alive.begin() + ptrdiff_t(at));
        }
        if (step % 100 == 0) {
            expect_order_invariant(manager, windows);
            if (!alive.empty()) {
                EXPECT_TRUE(manager.update_object(alive.back()));
            }
        }
    }
    expect_order_invariant(manager, windows);
    EXPECT_EQ(manager.object_count(), alive.size());
    manager.clear_parent(windows[1].id, cat_drawn_and_areas);
    expect_order_invariant(manager, windows);
    EXPECT_EQ(vesk::handle_count::live(), handles);
    // With the invariant intact a full paint never misses an entry.
    for (const window& w : windows) full_paint(w);
    for (const auto& line : lines()) EXPECT_EQ(line.find("error!!"), std::string::npos) << line;
}

TEST_F(Manager, CommandsNotificationsAndOwnerDrawReachTheirControls) {
    const window b = open("B");
    auto* first = store(w, std::make_unique<test_control>(0, 0, 5, 5, red, 100));
    auto* second = store(w, std::make_unique<test_control>(0, 0, 5, 5, red, 100));
    auto* menu = store(w, std::make_unique<test_control>(0, 0, 5, 5, red, 200));
    menu->command_ids = {201, 202};
    auto* other = store(b, std::make_unique<test_control>(0, 0, 5, 5, red, 300));
    other->control_wnd = reinterpret_cast<HWND>(0x1234);

    EXPECT_TRUE(manager.route_command(w.id, w.wnd, MAKEWPARAM(100, 7)));
    EXPECT_EQ(first->commands, (std::vector<std::pair<uint32_t, uint32_t>>{{100, 7}}));
    EXPECT_TRUE(second->commands.empty());  // the first owner only
    EXPECT_TRUE(manager.route_command(w.id, w.wnd, MAKEWPARAM(202, 0)));
    EXPECT_EQ(menu->commands.size(), 1u);
    EXPECT_FALSE(manager.route_command(w.id, w.wnd, MAKEWPARAM(300, 0)));  // other window
    EXPECT_TRUE(manager.has_command(w.id, 201));
    EXPECT_FALSE(manager.has_command(w.id, 300));
    EXPECT_TRUE(manager.has_command(b.id, 300));

    DRAWITEMSTRUCT item{};
    item.CtlID = 100;
    EXPECT_TRUE(manager.route_draw_item(w.id, 100, item));
    EXPECT_EQ(first->draw_items, 1);
    EXPECT_EQ(second->draw_items, 1);  // every control with the identifier
    EXPECT_EQ(menu->draw_items, 0);

    NMHDR header{};
    header.hwndFrom = reinterpret_cast<HWND>(0x1234);
    LRESULT result = 0;
    EXPECT_FALSE(manager.route_notify(w.id, w.wnd, 0, reinterpret_cast<LPARAM>(&header), result));
    EXPECT_TRUE(manager.route_notify(b.id, b.wnd, 0, reinterpret_cast<LPARAM>(&header), result));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(other->notifications, 1);
    EXPECT_FALSE(manager.route_notify(b.id, b.wnd, 0, 0, result));
}

TEST_F(Manager, AControlMayRemoveItselfFromItsOwnCommand) {
    auto* button = store(w, std::make_unique<test_control>(0, 0, 5, 5, red, 100));
    const cor::guid id = button->id;
    const size_t live = object_base::live_count();
    bool still_alive_inside = false;
    button->on_click = [&] {
        EXPECT_TRUE(manager.remove(id));
        EXPECT_TRUE(manager.clear_parent(w.id, cat_all_objects));
        // Gone from the lists, but not destroyed under its own feet.
        still_alive_inside = object_base::live_count() == live && manager.find(id) == nullptr;
        button->commands.clear();
    };
    EXPECT_TRUE(manager.route_command(w.id, w.wnd, MAKEWPARAM(100, 0)));
    EXPECT_TRUE(still_alive_inside);
    EXPECT_EQ(object_base::live_count(), live - 2);  // the object and its entry
}

TEST_F(Manager, BusyFlagRefusesReentryWithoutHalfStoredObjects) {
    test_rect* a = rect(w, 0, 0, 5, 5, red);
    lines();
    ASSERT_TRUE(manager.busy().take());
    const size_t live = object_base::live_count();
    auto extra = std::make_unique<test_rect>(0, 0, 5, 5, red);
    extra->parent = w.id;
    EXPECT_FALSE(manager.store(std::move(extra)));
    EXPECT_EQ(object_base::live_count(), live);  // neither object nor entry stayed
    EXPECT_EQ(manager.object_count(), 1u);
    EXPECT_EQ(manager.order_list().size(), 1u);
    EXPECT_EQ(lines(), (std::vector<std::string>{"lock::lock_wait"}));
    // A caller that holds the flag may still paint.
    EXPECT_TRUE(manager.draw(w.id, w.wnd, w.target->back_buffer_dc(),
                             w.target->back_buffer_graphics(), true));
    manager.busy().release();
    EXPECT_TRUE(manager.remove(a->id));
    EXPECT_TRUE(lines().empty());
}

using log_t = std::vector<std::pair<int, UINT>>;

class HotTracking : public ObjectRig {
protected:
    void SetUp() override {
        ObjectRig::SetUp();
        w = open("Main", 300, 200);
        ShowWindow(w.wnd, SW_SHOW);
        UpdateWindow(w.wnd);
        map = store(w, std::make_unique<test_area>(RECT{50, 50, 150, 120}));
    }
    bool send(UINT message, int x, int y, WPARAM keys = 0) {
        return manager.mouse_message(w.wnd, w.id, message, keys, MAKELPARAM(x, y));
    }
    log_t take_log() { return std::exchange(map->log, {}); }

    window w;
    test_area* map = nullptr;
};

TEST_F(HotTracking, EnterMoveLeaveDragAndButtons) {
    EXPECT_FALSE(send(WM_MOUSEMOVE, 10, 10));
    EXPECT_FALSE(send(WM_LBUTTONDOWN, 60, 60));  // nothing hot yet
    EXPECT_FALSE(send(WM_CONTEXTMENU, 0, 0));
    EXPECT_TRUE(take_log().empty());
    EXPECT_TRUE(send(WM_MOUSEMOVE, 60, 60));
    EXPECT_EQ(manager.hot_object(), map->id);
    EXPECT_EQ(GetCapture(), w.wnd);
    EXPECT_FALSE(send(WM_MOUSEMOVE, 70, 60));
    EXPECT_FALSE(send(WM_MOUSEMOVE, 10, 10));
    EXPECT_EQ(take_log(), (log_t{{1, WM_MOUSEMOVE}, {2, WM_MOUSEMOVE}, {0, WM_MOUSEMOVE}}));
    EXPECT_EQ(manager.hot_object(), cor::guid_null);
    EXPECT_NE(GetCapture(), w.wnd);

    // Dragging keeps the map hot; released outside, the map lets go.
    ASSERT_TRUE(send(WM_MOUSEMOVE, 60, 60));
    EXPECT_FALSE(send(WM_MOUSEMOVE, 250, 180, MK_LBUTTON));
    EXPECT_EQ(manager.hot_object(), map->id);
    EXPECT_FALSE(send(WM_LBUTTONUP, 250, 180));
    EXPECT_EQ(take_log(), (log_t{{1, WM_MOUSEMOVE}, {2, WM_MOUSEMOVE}, {0, WM_MOUSEMOVE}}));
    EXPECT_EQ(manager.hot_object(), cor::guid_null);

    // Buttons go to the hot map, which answers for them; context menus are swallowed.
    ASSERT_TRUE(send(WM_MOUSEMOVE, 60, 60));
    EXPECT_TRUE(send(WM_LBUTTONDOWN, 60, 60));
    map->answer = false;
    EXPECT_FALSE(send(WM_RBUTTONUP, 61, 60));
    EXPECT_TRUE(send(WM_CONTEXTMENU, 0, 0));
    EXPECT_EQ(take_log(), (log_t{{1, WM_MOUSEMOVE}, {0, WM_LBUTTONDOWN}, {0, WM_RBUTTONUP}}));
    EXPECT_EQ(manager.hot_object(), map->id);
}

TEST_F(HotTracking, HiddenOrRemovedMapsLetGo) {
    map->visible = false;
    EXPECT_FALSE(send(WM_MOUSEMOVE, 60, 60));  // hidden maps are not entered
    map->visible = true;
    ASSERT_TRUE(send(WM_MOUSEMOVE, 60, 60));
    map->visible = false;
    EXPECT_FALSE(send(WM_LBUTTONDOWN, 60, 60));
    EXPECT_EQ(manager.hot_object(), cor::guid_null);
    map->visible = true;
    ASSERT_TRUE(send(WM_MOUSEMOVE, 60, 60));
    EXPECT_TRUE(manager.remove(map->id));
    EXPECT_FALSE(send(WM_MOUSEMOVE, 61, 60));
    EXPECT_EQ(manager.hot_object(), cor::guid_null);
    EXPECT_NE(GetCapture(), w.wnd);
}

TEST_F(HotTracking, TheFirstMapInListOrderIsEntered) {
    auto* second = store(w, std::make_unique<test_area>(RECT{0, 0, 300, 200}));
    ASSERT_TRUE(send(WM_MOUSEMOVE, 60, 60));
    EXPECT_EQ(manager.hot_object(), map->id);
    EXPECT_TRUE(second->log.empty());
    EXPECT_FALSE(send(WM_LBUTTONDOWN, 10, 10));  // outside the hot map: it is left
    EXPECT_EQ(take_log(), (log_t{{1, WM_MOUSEMOVE}, {0, WM_MOUSEMOVE}}));
    EXPECT_TRUE(send(WM_MOUSEMOVE, 10, 10));
    EXPECT_EQ(manager.hot_object(), second->id);
}

}  // namespace
}  // namespace object_test
